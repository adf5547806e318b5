#include "views/DashboardView.h"

#include "viewmodels/DashboardViewModel.h"
#include "views/SettingsView.h"
#include "views/StartButton.h"
#include "views/VideoDropZone.h"

#include <QFileDialog>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace views {

DashboardView::DashboardView(DashboardViewModel& viewModel, SettingsViewModel& settings, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
{
    setObjectName("dashboardView");
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(20);
    layout->addWidget(new SettingsView(settings, this));
    m_dropZone = new VideoDropZone(this);
    layout->addWidget(m_dropZone);
    m_start = new StartButton(this);
    layout->addWidget(m_start);
    layout->addStretch(1);

    connect(m_dropZone, &VideoDropZone::targetedChanged, &m_viewModel, &DashboardViewModel::setIsDropTargeted);
    connect(m_dropZone, &VideoDropZone::dropped, &m_viewModel, &DashboardViewModel::addFiles);
    connect(m_dropZone, &VideoDropZone::clearRequested, &m_viewModel, &DashboardViewModel::clearSelection);
    connect(m_dropZone, &VideoDropZone::browseRequested, &m_viewModel,
            [this] { m_viewModel.setShowFilePicker(true); });
    connect(m_start, &StartButton::clicked, &m_viewModel, &DashboardViewModel::startProcessing);

    connect(&m_viewModel, &DashboardViewModel::selectedVideoURLsChanged, this, &DashboardView::refresh);
    connect(&m_viewModel, &DashboardViewModel::canStartProcessingChanged, this, &DashboardView::refresh);
    connect(&m_viewModel, &DashboardViewModel::isDropTargetedChanged, this,
            [this] { m_dropZone->setTargeted(m_viewModel.isDropTargeted()); });
    connect(&m_viewModel, &DashboardViewModel::showFilePickerChanged, this, [this] {
        if (m_viewModel.showFilePicker())
            presentFilePicker();
    });
    refresh();
}

QStringList DashboardView::pickerNameFilters()
{
    QStringList patterns;
    for (const QString& ext : DashboardViewModel::acceptedMediaExtensions())
        patterns << "*." + ext << "*." + ext.toUpper();
    return {tr("Movies and Images (%1)").arg(patterns.join(' ')), tr("All Files (*)")};
}

void DashboardView::presentFilePicker()
{
    auto* dialog = new QFileDialog(window(), tr("Add Videos or Images"));
    dialog->setObjectName("filePicker");
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setNameFilters(pickerNameFilters());
    dialog->setDirectory(QStandardPaths::writableLocation(QStandardPaths::MoviesLocation));
    // filesSelected, not urlsSelected: Qt's own (non-native) dialog only
    // sends the former.
    connect(dialog, &QFileDialog::filesSelected, &m_viewModel, [this](const QStringList& files) {
        QList<QUrl> urls;
        for (const QString& file : files)
            urls << QUrl::fromLocalFile(file);
        m_viewModel.addFiles(urls);
    });
    connect(dialog, &QFileDialog::finished, &m_viewModel, [this] { m_viewModel.setShowFilePicker(false); });
    dialog->open();
}

void DashboardView::refresh()
{
    const int count = int(m_viewModel.selectedVideoURLs().size());
    m_dropZone->setSelectedCount(count);
    const QString title = count > 0 ? tr("Start Processing (%n)", nullptr, count) : tr("Start Processing ");
    m_start->setText(title);
    m_start->setAccessibleName(title.trimmed());
    m_start->setEnabled(m_viewModel.canStartProcessing());
    // A disabled button says what it waits for.
    m_start->setToolTip(m_viewModel.startBlockedReason());
    m_start->setAccessibleDescription(m_viewModel.startBlockedReason());
}

} // namespace views
