#include "render/RenderOptions.h"

#include "models/Crossfade.h"
#include "services/SettingsService.h"

#include <cmath>

namespace {

RenderOptionsResult refuse(const QString& why)
{
    RenderOptionsResult r;
    r.error = why;
    return r;
}

} // namespace

QString renderUsage()
{
    return QStringLiteral(
        "Usage:\n"
        "  loopcaster-render [--playlist DIR [--songs N] | --song FILE...] [--crossfade S] [--out DIR] SOURCE...\n"
        "  loopcaster-render --demo [--out DIR]\n"
        "  loopcaster-render --plan N --playlist DIR [--seed S] [--crossfade S] [--out DIR] SOURCE...\n"
        "  loopcaster-render --job LINE | --jobs FILE\n"
        "\n"
        "Turns each video or still image SOURCE into a music video: a crossfaded mix of\n"
        "songs with the clip looped (or the image held) for the length of the mix, written\n"
        "as <source>_mix_<unix seconds>.mp4 plus a .txt tracklist.\n"
        "\n"
        "  --playlist DIR   draw a song list per source from the songs in DIR\n"
        "  --songs N        songs per video with --playlist, 1 to 1000 (default 15)\n"
        "  --song FILE      use FILE as the next song of every mix (repeatable, in order)\n"
        "  --crossfade S    crossfade in seconds, %1 to %2 (default %3; 0 plays the songs back to back)\n"
        "  --out DIR        output folder (default: the Downloads folder)\n"
        "  --demo           render a demo from generated tones and a test pattern\n"
        "                   (default output: <Downloads>/Loopcaster Demo)\n"
        "  --plan N         print one JSON line per source (its N drawn songs, crossfade and\n"
        "                   output path) instead of rendering\n"
        "  --seed S         draw the songs reproducibly from seed S\n"
        "  --job LINE       render one such line; --jobs FILE renders a file of them\n"
        "  -h, --help       show this text\n")
        .arg(crossfade::minSeconds)
        .arg(crossfade::maxSeconds)
        .arg(crossfade::defaultSeconds);
}

RenderOptionsResult parseRenderOptions(const QStringList& arguments)
{
    RenderOptions o;
    bool songCountGiven = false;
    bool crossfadeGiven = false;
    bool sourcesOnly = false;

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (sourcesOnly || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            o.sources.append(arg);
            continue;
        }
        if (arg == QLatin1String("--")) {
            sourcesOnly = true;
            continue;
        }
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            RenderOptionsResult r;
            r.helpRequested = true;
            return r;
        }
        if (arg == QLatin1String("--demo")) {
            o.demo = true;
            continue;
        }

        // Every other option takes a value, given as "--opt VALUE" or "--opt=VALUE".
        QString name = arg;
        QString value;
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        if (eq > 0) {
            name = arg.left(eq);
            value = arg.mid(eq + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            return refuse(QStringLiteral("%1 needs a value").arg(arg));
        }

        if (name == QLatin1String("--playlist")) {
            if (!o.playlistFolder.isEmpty())
                return refuse(QStringLiteral("--playlist given twice"));
            o.playlistFolder = value;
        } else if (name == QLatin1String("--songs")) {
            bool ok = false;
            o.songCount = value.toInt(&ok);
            if (!ok || o.songCount < 1 || o.songCount > SettingsService::maxSongCount)
                return refuse(QStringLiteral("--songs needs a whole number from 1 to %1, not \"%2\"")
                                  .arg(SettingsService::maxSongCount).arg(value));
            songCountGiven = true;
        } else if (name == QLatin1String("--song")) {
            o.songs.append(value);
        } else if (name == QLatin1String("--crossfade")) {
            bool ok = false;
            const double seconds = value.toDouble(&ok);
            if (!ok || !std::isfinite(seconds) || seconds < crossfade::minSeconds || seconds > crossfade::maxSeconds)
                return refuse(QStringLiteral("--crossfade needs a number of seconds from %1 to %2, not \"%3\"")
                                  .arg(crossfade::minSeconds)
                                  .arg(crossfade::maxSeconds)
                                  .arg(value));
            o.crossfade = seconds;
            crossfadeGiven = true;
        } else if (name == QLatin1String("--plan")) {
            bool ok = false;
            o.planSongs = value.toInt(&ok);
            if (!ok || o.planSongs < 1)
                return refuse(QStringLiteral("--plan needs a whole number of at least 1, not \"%1\"").arg(value));
        } else if (name == QLatin1String("--seed")) {
            bool ok = false;
            o.seed = value.toULongLong(&ok);
            if (!ok)
                return refuse(QStringLiteral("--seed needs a whole number, not \"%1\"").arg(value));
        } else if (name == QLatin1String("--job")) {
            o.jobLine = value;
        } else if (name == QLatin1String("--jobs")) {
            o.jobsFile = value;
        } else if (name == QLatin1String("--out")) {
            o.outputFolder = value;
        } else {
            return refuse(QStringLiteral("unknown option %1").arg(name));
        }
    }

    if (o.planSongs > 0) {
        if (o.playlistFolder.isEmpty() || !o.songs.isEmpty() || songCountGiven)
            return refuse(QStringLiteral("--plan draws from --playlist DIR (and takes no --song or --songs)"));
        o.songCount = o.planSongs;
    }
    if (o.seed && o.playlistFolder.isEmpty())
        return refuse(QStringLiteral("--seed only applies to --playlist"));
    if (!o.jobLine.isEmpty() || !o.jobsFile.isEmpty()) {
        if (arguments.size() > 2 || !o.sources.isEmpty() || (!o.jobLine.isEmpty() && !o.jobsFile.isEmpty()))
            return refuse(QStringLiteral("--job LINE and --jobs FILE stand alone"));
        RenderOptionsResult r;
        r.options = o;
        return r;
    }

    if (o.demo) {
        if (!o.sources.isEmpty() || !o.playlistFolder.isEmpty() || !o.songs.isEmpty() || songCountGiven
            || crossfadeGiven)
            return refuse(QStringLiteral("--demo takes no sources or songs, only --out"));
    } else {
        if (o.sources.isEmpty())
            return refuse(QStringLiteral("no source video or image given"));
        if (o.playlistFolder.isEmpty() == o.songs.isEmpty())
            return refuse(QStringLiteral("give either --playlist DIR or one or more --song FILE"));
        if (songCountGiven && o.playlistFolder.isEmpty())
            return refuse(QStringLiteral("--songs only applies to --playlist"));
        if (o.songs.size() > SettingsService::maxSongCount)
            return refuse(QStringLiteral("at most %1 --song files per mix").arg(SettingsService::maxSongCount));
    }

    RenderOptionsResult r;
    r.options = o;
    return r;
}
