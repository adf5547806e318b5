#include "WindowFixture.h"

#include "../queue/QueueTestKit.h"
#include "TestTools.h"

#include "models/JobStore.h"
#include "services/JobService.h"

#include <QSettings>
#include <QTest>

WindowFixture::WindowFixture(const QList<StoredJob>& jobs, bool showContent)
{
    auto store = JobStore::open(dir.filePath("jobs.sqlite"));
    if (!store)
        qFatal("cannot open the job store: %s", qPrintable(store.error().text));
    AppDependencyContainer::Overrides o;
    o.settings = std::make_unique<QSettings>(dir.filePath("prefs.ini"), QSettings::IniFormat);
    o.thermalSource = std::make_unique<ScriptedThermalSource>(std::make_shared<int>(0)); // a cool machine
    container = std::make_unique<AppDependencyContainer>(std::move(*store), std::move(o));
    if (!jobs.isEmpty())
        container->jobService().pauseQueue();
    for (const StoredJob& s : jobs) {
        auto* job = new MixJob(file(s.file), {}, {});
        job->setOutputPath(dir.filePath(QFileInfo(s.file).completeBaseName() + "_mix_1.mp4"));
        job->setStatus(s.status);
        job->setStatusMessage(s.message);
        job->setProgress(s.progress);
        container->jobStore().insert(job);
    }
    ViewModelContainer::Options options;
    options.dashboard.downloadsFolder = QUrl::fromLocalFile(dir.filePath("Downloads"));
    options.revealFile = [this](const QUrl& url) { revealed << url; };
    viewModels = std::make_unique<ViewModelContainer>(container->viewModelServices(), std::move(options));
    if (!showContent)
        return;
    content = std::make_unique<views::ContentView>(*viewModels);
    content->show();
    if (!QTest::qWaitForWindowExposed(content.get()))
        qWarning("the window was not exposed");
}

QUrl WindowFixture::file(const QString& relativePath)
{
    const QString path = dir.filePath(relativePath);
    if (!testtools::writeFile(path, {}))
        qWarning("cannot create %s", qPrintable(path));
    return QUrl::fromLocalFile(path);
}

void exportSteadily(QueueFixture& f, const QString& name, int seconds)
{
    for (int s = 1; s <= seconds; ++s) {
        f.clock.advance(1000);
        f.workerFor(name)->sendUpdate(0.3f + s / 100.0f, QStringLiteral("Remuxing... %1%").arg(30 + s));
        f.settle();
    }
    f.clock.advance(1000);
}

QPalette darkPalette()
{
    QPalette p(QColor(0x33, 0x34, 0x38), QColor(0x26, 0x27, 0x2B));
    p.setColor(QPalette::Base, QColor(0x1C, 0x1D, 0x20));
    p.setColor(QPalette::AlternateBase, QColor(0x2C, 0x2D, 0x31));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText})
        p.setColor(role, QColor(0xEC, 0xEC, 0xEE));
    p.setColor(QPalette::Highlight, QColor(0x3D, 0x8B, 0xF7));
    p.setColor(QPalette::ToolTipBase, QColor(0x3A, 0x3B, 0x40));
    return p;
}
