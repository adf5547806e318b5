// The command-line front end on the app's core. Renders sources one after
// another (same naming, song choice, engine and tracklist as the job queue)
// or, with --demo, a movie from inputs it makes itself.

#include "render/RenderMain.h"

#include "render/DemoMedia.h"
#include "render/JobLine.h"
#include "render/OutputNames.h"
#include "render/ProgressPrinter.h"
#include "render/RenderLog.h"
#include "render/RenderOptions.h"
#include "render/RenderSession.h"

#include "platform/QuitSignalWatcher.h"
#include "services/SettingsService.h"
#include "services/SongChooser.h"
#include "services/SongLibraryScanner.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>
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
    if (!o.seed)
        return SongChooser::chooseSongLists(library, o.songCount, int(count));
    // The library scan is sorted, so one seed gives one draw on every machine.
    const quint32 seed[2] {quint32(*o.seed), quint32(*o.seed >> 32)};
    QRandomGenerator generator(seed, 2);
    return SongChooser::chooseSongLists(library, o.songCount, int(count),
                                        [&generator](quint32 bound) { return generator.bounded(bound); });
}

int runSession(QCoreApplication& app, QList<RenderItem> items)
{
    ProgressPrinter printer(stdout, ProgressPrinter::stdoutIsTerminal());
    RenderSession session(std::move(items), printer);
    // A reader that went away (`| head -1`) stops the render as SIGTERM does:
    // its temporaries removed, no half movie left. Later, from the event loop,
    // so the session is never interrupted in the middle of its own step.
    printer.onWriteFailed([&session] {
        qCInfo(lcRender) << "Standard output is gone; stopping the render";
        QMetaObject::invokeMethod(&session, &RenderSession::interrupt, Qt::QueuedConnection);
    });
    // Every SIGTERM or SIGHUP stops the render cleanly; a second Ctrl-C
    // kills at once, for a stop that hangs.
    QuitSignalWatcher quitSignals;
    QObject::connect(&quitSignals, &QuitSignalWatcher::quitRequested, &session, [&session](int signalNumber) {
        if (signalNumber == SIGINT)
            std::signal(SIGINT, SIG_DFL);
        session.interrupt();
    });
    QObject::connect(&session, &RenderSession::finished, &app, [&app](int code) { app.exit(code); });
    session.start();
    return app.exec();
}

// The jobs of a command line: sources, their drawn or given songs, and
// output names made unique within the command.
std::optional<QList<RenderItem>> itemsFor(const RenderOptions& o, const QString& folder)
{
    const auto lists = songListsFor(o);
    if (!lists)
        return std::nullopt;
    QStringList sources;
    for (const QString& s : o.sources)
        sources.append(QFileInfo(s).absoluteFilePath());
    const QStringList outputs = uniqueOutputPaths(sources, QFileInfo(folder).absoluteFilePath(),
                                                  QDateTime::currentSecsSinceEpoch());
    QList<RenderItem> items;
    for (qsizetype i = 0; i < sources.size(); ++i)
        items.append({sources[i], (*lists)[i], outputs[i], o.crossfade, o.mix});
    return items;
}

int renderSources(const RenderOptions& o, int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString folder = o.outputFolder.isEmpty() ? downloadsFolder() : o.outputFolder;
    if (!ensureFolder(folder))
        return 1;
    auto items = itemsFor(o, folder);
    if (!items)
        return 1;
    return runSession(app, std::move(*items));
}

int printPlan(const RenderOptions& o)
{
    const QString folder = o.outputFolder.isEmpty() ? downloadsFolder() : o.outputFolder;
    const auto items = itemsFor(o, folder);
    if (!items)
        return 1;
    for (const RenderItem& item : *items)
        std::fputs((JobLine::format(item) + QLatin1Char('\n')).toUtf8().constData(), stdout);
    return 0;
}

int renderJobs(const RenderOptions& o, int argc, char** argv)
{
    QStringList lines;
    if (!o.jobLine.isEmpty()) {
        lines << o.jobLine;
    } else {
        QFile file(o.jobsFile);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            printError(QStringLiteral("cannot read %1: %2").arg(o.jobsFile, file.errorString()));
            return 1;
        }
        lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    QCoreApplication app(argc, argv);
    QList<RenderItem> items;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Result<RenderItem> item = JobLine::parse(lines[i]);
        if (!item) {
            printError(lines.size() > 1 ? QStringLiteral("job %1: %2").arg(i + 1).arg(item.error()) : item.error());
            return kUsageExit;
        }
        if (!ensureFolder(QFileInfo(item->outputPath).absolutePath()))
            return 1;
        items.append(*item);
    }
    return runSession(app, std::move(items));
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
    return runSession(app, {{inputs->image, toUrls(inputs->songs), output, kDemoCrossfade, o.mix}});
}

} // namespace

int renderCommandLine(int argc, char** argv, const QStringList& arguments)
{
    // A closed stdout is a write error to handle, not a reason to die.
    std::signal(SIGPIPE, SIG_IGN);
    const Result<RenderOptions> parsed = parseRenderOptions(arguments);
    if (!parsed) {
        printError(parsed.error());
        std::fputs(renderUsage().toLocal8Bit().constData(), stderr);
        return kUsageExit;
    }
    const RenderOptions& o = *parsed;
    if (o.showHelp || o.showVersion) {
        const QString text = o.showHelp ? renderUsage() : renderVersion() + QLatin1Char('\n');
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    }
    // The libraries' informational chatter would bury the progress display;
    // real errors still come through, and ours carry the failing call.
    av_log_set_level(AV_LOG_ERROR);
    if (o.planSongs > 0)
        return printPlan(o);
    if (!o.jobLine.isEmpty() || !o.jobsFile.isEmpty())
        return renderJobs(o, argc, argv);
    return o.demo ? renderDemo(o, argc, argv) : renderSources(o, argc, argv);
}

QStringList renderArguments(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    return args;
}
