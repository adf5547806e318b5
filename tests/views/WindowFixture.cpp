#include "WindowFixture.h"

#include "TestTools.h"

#include "models/JobStore.h"
#include "platform/ThermalSource.h"
#include "services/SettingsService.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QFile>
#include <QSettings>
#include <QTest>

namespace {

class CoolMachine : public ThermalSource {
public:
    int readLevel() override { return 0; }
};

} // namespace

WindowFixture::WindowFixture()
{
    QString error;
    auto store = JobStore::open(dir.filePath("jobs.sqlite"), &error);
    if (!store)
        qFatal("cannot open the job store: %s", qPrintable(error));
    AppDependencyContainer::Overrides o;
    o.settings = std::make_unique<QSettings>(dir.filePath("prefs.ini"), QSettings::IniFormat);
    o.thermalSource = std::make_unique<CoolMachine>();
    container = std::make_unique<AppDependencyContainer>(std::move(store), std::move(o));
    ViewModelContainer::Options options;
    options.dashboard.downloadsFolder = QUrl::fromLocalFile(dir.filePath("Downloads"));
    options.revealFile = [this](const QUrl& url) { revealed << url; };
    viewModels = std::make_unique<ViewModelContainer>(*container, std::move(options));
    content = std::make_unique<views::ContentView>(*viewModels, container->toastManager());
    content->show();
    if (!QTest::qWaitForWindowExposed(content.get()))
        qWarning("the window was not exposed");
}

WindowFixture::~WindowFixture()
{
    content.reset();
    viewModels.reset();
    container.reset();
}

QUrl WindowFixture::file(const QString& relativePath)
{
    const QString path = dir.filePath(relativePath);
    if (!testtools::writeFile(path, {}))
        qWarning("cannot create %s", qPrintable(path));
    return QUrl::fromLocalFile(path);
}

void WindowFixture::choosePlaylist(int songs)
{
    for (int i = 0; i < songs; ++i)
        file(QStringLiteral("Songs/song%1.mp3").arg(i));
    QDir().mkpath(dir.filePath("Songs"));
    container->settingsService().choosePlaylistFolder(QUrl::fromLocalFile(dir.filePath("Songs")));
}

MixJob* WindowFixture::storeJob(const QString& name, qint64 statusValue)
{
    QTest::qSleep(2); // distinct creation times keep the order
    auto* job = new MixJob(file(name + ".mov"), {});
    job->setOutputPath(dir.filePath(name + "_mix_1.mp4"));
    job->setStatusValue(statusValue);
    job->setStatusMessage("stored");
    container->modelContainer().insert(job);
    return job;
}

bool dragFiles(QWidget* target, const QList<QUrl>& urls, bool drop)
{
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    if (!drop)
        return enter.isAccepted();
    QDropEvent dropEvent(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropEvent);
    return dropEvent.isAccepted();
}
