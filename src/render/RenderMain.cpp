// The command-line front end on the app's core. Renders sources one after
// another (same naming, song choice, engine and tracklist as the job queue)
// or, with --demo, a movie from inputs it makes itself.

#include "render/RenderMain.h"

#include "render/DemoMedia.h"
#include "render/InterruptWatcher.h"
#include "render/OutputNames.h"
#include "render/ProgressPrinter.h"
#include "render/RenderOptions.h"
#include "render/RenderSession.h"

#include "services/SettingsService.h"
#include "services/SongChooser.h"
#include "services/SongLibraryScanner.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

extern "C" {
#include <libavutil/log.h>
}

namespace {

constexpr int kUsageExit = 2;
constexpr double kDemoCrossfade = 2.0;

void printError(const QString& text)
{
    std::fflush(stdout);
    std::fputs(("error: " + text + "\n").toLocal8Bit().constData(), stderr);
}

QString downloadsFolder()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return dir.isEmpty() ? QDir::homePath() : dir;
}

bool ensureFolder(const QString& folder)
{
    if (QDir().mkpath(folder))
        return true;
    printError(QStringLiteral("cannot create the output folder %1").arg(folder));
    return false;
}

QList<QUrl> toUrls(const QStringList& paths)
{
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls.append(QUrl::fromLocalFile(QFileInfo(p).absoluteFilePath()));
    return urls;
}

// One song list per source: the explicit list for all, or a batch draw from
// the playlist folder so the videos open differently.
std::optional<QList<QList<QUrl>>> songListsFor(const RenderOptions& o)
{
    const qsizetype count = o.sources.size();
    if (o.playlistFolder.isEmpty())
        return QList<QList<QUrl>>(count, toUrls(o.songs));

    if (!QFileInfo(o.playlistFolder).isDir()) {
        printError(QStringLiteral("playlist folder not found: %1").arg(o.playlistFolder));
        return std::nullopt;
    }
    const QList<QUrl> library = SongLibraryScanner::scan(QFileInfo(o.playlistFolder).absoluteFilePath(),
                                                         SettingsService::supportedAudioExtensions());
    if (library.isEmpty()) {
        printError(QStringLiteral("no songs found in %1").arg(o.playlistFolder));
        return std::nullopt;
    }
    return SongChooser::chooseSongLists(library, o.songCount, int(count));
}

int runSession(QCoreApplication& app, QList<RenderItem> items, double crossfade)
{
    ProgressPrinter printer(stdout, ProgressPrinter::stdoutIsTerminal());
    RenderSession session(std::move(items), crossfade, printer);
    InterruptWatcher interrupts;
    QObject::connect(&interrupts, &InterruptWatcher::interrupted, &session, &RenderSession::interrupt);
    QObject::connect(&session, &RenderSession::finished, &app, [&app](int code) { app.exit(code); });
    session.start();
    return app.exec();
}

int renderSources(const RenderOptions& o, int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString folder = o.outputFolder.isEmpty() ? downloadsFolder() : o.outputFolder;
    if (!ensureFolder(folder))
        return 1;
    const auto lists = songListsFor(o);
    if (!lists)
        return 1;

    QStringList sources;
    for (const QString& s : o.sources)
        sources.append(QFileInfo(s).absoluteFilePath());
    const QStringList outputs = uniqueOutputPaths(sources, folder, QDateTime::currentSecsSinceEpoch());

    QList<RenderItem> items;
    for (qsizetype i = 0; i < sources.size(); ++i)
        items.append({sources[i], (*lists)[i], outputs[i]});
    return runSession(app, std::move(items), o.crossfade);
}

int renderDemo(const RenderOptions& o, int argc, char** argv)
{
    // Text on the test pattern needs a GUI application, but never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QString folder = o.outputFolder.isEmpty()
        ? QDir(downloadsFolder()).filePath(QStringLiteral("Loopcaster Demo"))
        : o.outputFolder;
    if (!ensureFolder(folder))
        return 1;

    QTemporaryDir scratch;
    const auto inputs = scratch.isValid() ? writeDemoInputs(scratch.path()) : std::nullopt;
    if (!inputs) {
        printError(QStringLiteral("cannot write the demo's inputs to a temporary folder"));
        return 1;
    }
    const QString output =
        uniqueOutputPaths({inputs->image}, folder, QDateTime::currentSecsSinceEpoch()).first();
    return runSession(app, {{inputs->image, toUrls(inputs->songs), output}}, kDemoCrossfade);
}

} // namespace

int renderCommandLine(int argc, char** argv, const QStringList& arguments)
{
    const RenderOptionsResult parsed = parseRenderOptions(arguments);
    if (parsed.helpRequested) {
        std::fputs(renderUsage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (!parsed.options) {
        printError(parsed.error);
        std::fputs(renderUsage().toLocal8Bit().constData(), stderr);
        return kUsageExit;
    }
    const RenderOptions& o = *parsed.options;
    // The libraries' informational chatter would bury the progress display;
    // real errors still come through, and ours carry the failing call.
    av_log_set_level(AV_LOG_ERROR);
    return o.demo ? renderDemo(o, argc, argv) : renderSources(o, argc, argv);
}

QStringList renderArguments(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    return args;
}
