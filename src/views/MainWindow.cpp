#include "views/MainWindow.h"

#include "app/AppDependencyContainer.h"
#include "models/JobListModel.h"
#include "services/JobService.h"
#include "viewmodels/StatusItemViewModel.h"
#include "views/JobRowDelegate.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

MainWindow::MainWindow(AppDependencyContainer& container, QWidget* parent)
    : QMainWindow(parent)
    , m_container(container)
{
    setWindowTitle(QStringLiteral("Loopcaster"));
    setFixedSize(800, 520);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    auto* header = new QHBoxLayout;
    m_summary = new QLabel(central);
    m_overall = new QProgressBar(central);
    m_overall->setRange(0, 1000);
    m_overall->setTextVisible(false);
    m_pauseButton = new QPushButton(central);
    auto* retry = new QPushButton(QStringLiteral("Retry Failed"), central);
    auto* clear = new QPushButton(QStringLiteral("Clear Finished"), central);
    header->addWidget(m_summary);
    header->addWidget(m_overall, 1);
    header->addWidget(m_pauseButton);
    header->addWidget(retry);
    header->addWidget(clear);
    layout->addLayout(header);

    m_model = new JobListModel(&container.modelContainer(), this);
    auto* list = new QListView(central);
    list->setModel(m_model);
    list->setItemDelegate(new JobRowDelegate(list));
    list->setUniformItemSizes(true);
    layout->addWidget(list, 1);
    setCentralWidget(central);

    JobService& jobs = container.jobService();
    connect(m_pauseButton, &QPushButton::clicked, &jobs, &JobService::togglePause);
    connect(retry, &QPushButton::clicked, &jobs, &JobService::retryFailedJobs);
    connect(clear, &QPushButton::clicked, this, [this, &jobs] {
        if (QMessageBox::question(this, QStringLiteral("Clear Finished Jobs"),
                                  QStringLiteral("Remove completed, failed and cancelled jobs from the list?"))
            == QMessageBox::Yes)
            jobs.clearFinishedJobs();
    });
    for (auto signal : {&JobService::isQueuePausedChanged, &JobService::totalJobCountChanged,
                        &JobService::completedJobCountChanged, &JobService::overallProgressChanged})
        connect(&jobs, signal, this, &MainWindow::refreshHeader);
    refreshHeader();
}

void MainWindow::refreshHeader()
{
    const JobService& jobs = m_container.jobService();
    m_summary->setText(QStringLiteral("%1 of %2 done").arg(jobs.completedJobCount()).arg(jobs.totalJobCount()));
    m_overall->setValue(int(jobs.overallProgress() * 1000));
    m_pauseButton->setText(StatusItemViewModel::pauseTitleFor(jobs.isQueuePaused()));
}
