#include "render/RenderOptions.h"

#include "models/Crossfade.h"
#include "services/SettingsService.h"

#include <QCommandLineParser>

#include <cmath>
#include <limits>

namespace {

// Every option that takes a value, by its long name.
const char* const kValueOptions[] = {"playlist", "songs", "song", "crossfade", "loudness", "titles",
                                     "out", "plan", "seed", "job", "jobs"};

void declareOptions(QCommandLineParser& parser)
{
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    parser.addOption(QCommandLineOption(QStringList {QStringLiteral("h"), QStringLiteral("help")}));
    parser.addOption(QCommandLineOption(QStringLiteral("version")));
    parser.addOption(QCommandLineOption(QStringLiteral("demo")));
    for (const char* name : kValueOptions)
        parser.addOption(QCommandLineOption(QLatin1String(name), {}, QStringLiteral("value")));
}

// The parser's own wording names neither the option nor the fix; ours do.
QString parserError(const QCommandLineParser& parser, const QStringList& arguments)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString& name = unknown.first();
        return QStringLiteral("unknown option %1%2").arg(QLatin1String(name.size() == 1 ? "-" : "--"), name);
    }
    const QString last = arguments.isEmpty() ? QString() : arguments.last();
    for (const char* name : kValueOptions) {
        if (last == QLatin1String("--") + QLatin1String(name))
            return QStringLiteral("%1 needs a value").arg(last);
    }
    return parser.errorText();
}

template <typename T>
Result<T> wholeNumber(const QString& text, T low, T high, const QString& refusal)
{
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok);
    if (!ok || value < qulonglong(low) || value > qulonglong(high))
        return Failure(refusal.arg(text));
    return T(value);
}

Result<double> crossfadeSeconds(const QString& text)
{
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds < crossfade::minSeconds || seconds > crossfade::maxSeconds)
        return Failure(QStringLiteral("--crossfade needs a number of seconds from %1 to %2, not \"%3\"")
                           .arg(crossfade::minSeconds)
                           .arg(crossfade::maxSeconds)
                           .arg(text));
    return seconds;
}

Result<double> loudnessTarget(const QString& text)
{
    bool ok = false;
    const double lufs = text.toDouble(&ok);
    if (!ok || !loudness::isValidTarget(lufs))
        return Failure(QStringLiteral("--loudness needs a target in LUFS from %1 to %2, not \"%3\"")
                           .arg(loudness::minTarget)
                           .arg(loudness::maxTarget)
                           .arg(text));
    return lufs;
}

Result<void> readMixOptions(const QCommandLineParser& p, MixOptions* mix)
{
    if (p.isSet(QStringLiteral("loudness"))) {
        const Result<double> lufs = loudnessTarget(p.value(QStringLiteral("loudness")));
        if (!lufs)
            return Failure(lufs.error());
        mix->loudnessTarget = *lufs;
    }
    if (p.isSet(QStringLiteral("titles"))) {
        const QString titles = p.value(QStringLiteral("titles"));
        if (titles != QLatin1String("tags") && titles != QLatin1String("files"))
            return Failure(QStringLiteral("--titles takes tags or files, not \"%1\"").arg(titles));
        mix->titlesFromTags = titles == QLatin1String("tags");
    }
    return {};
}

// The values, each checked against its own bounds.
Result<RenderOptions> readValues(const QCommandLineParser& p)
{
    RenderOptions o;
    o.demo = p.isSet(QStringLiteral("demo"));
    o.sources = p.positionalArguments();
    if (p.values(QStringLiteral("playlist")).size() > 1)
        return Failure(QStringLiteral("--playlist given twice"));
    o.playlistFolder = p.value(QStringLiteral("playlist"));
    o.songs = p.values(QStringLiteral("song"));
    o.outputFolder = p.value(QStringLiteral("out"));
    o.jobLine = p.value(QStringLiteral("job"));
    o.jobsFile = p.value(QStringLiteral("jobs"));
    if (p.isSet(QStringLiteral("songs"))) {
        const auto count = wholeNumber<int>(p.value(QStringLiteral("songs")), 1, SettingsService::maxSongCount,
                                            QStringLiteral("--songs needs a whole number from 1 to %1, not \"%2\"")
                                                .arg(SettingsService::maxSongCount));
        if (!count)
            return Failure(count.error());
        o.songCount = *count;
    }
    if (p.isSet(QStringLiteral("crossfade"))) {
        const Result<double> seconds = crossfadeSeconds(p.value(QStringLiteral("crossfade")));
        if (!seconds)
            return Failure(seconds.error());
        o.crossfade = *seconds;
    }
    if (const Result<void> mix = readMixOptions(p, &o.mix); !mix)
        return Failure(mix.error());
    if (p.isSet(QStringLiteral("plan"))) {
        const auto songs = wholeNumber<int>(p.value(QStringLiteral("plan")), 1, std::numeric_limits<int>::max(),
                                            QStringLiteral("--plan needs a whole number of at least 1, not \"%1\""));
        if (!songs)
            return Failure(songs.error());
        o.planSongs = *songs;
    }
    if (p.isSet(QStringLiteral("seed"))) {
        const auto seed = wholeNumber<quint64>(p.value(QStringLiteral("seed")), 0, std::numeric_limits<quint64>::max(),
                                               QStringLiteral("--seed needs a whole number, not \"%1\""));
        if (!seed)
            return Failure(seed.error());
        o.seed = *seed;
    }
    return o;
}

// Which options go together: one mode per command line.
Result<void> checkCombination(const RenderOptions& o, const QCommandLineParser& p, qsizetype argumentCount)
{
    const bool songCountGiven = p.isSet(QStringLiteral("songs"));
    if (o.planSongs > 0 && (o.playlistFolder.isEmpty() || !o.songs.isEmpty() || songCountGiven))
        return Failure(QStringLiteral("--plan draws from --playlist DIR (and takes no --song or --songs)"));
    if (o.seed && o.playlistFolder.isEmpty())
        return Failure(QStringLiteral("--seed only applies to --playlist"));
    if (!o.jobLine.isEmpty() || !o.jobsFile.isEmpty()) {
        if (argumentCount > 2 || !o.sources.isEmpty() || (!o.jobLine.isEmpty() && !o.jobsFile.isEmpty()))
            return Failure(QStringLiteral("--job LINE and --jobs FILE stand alone"));
        return {};
    }
    if (o.demo) {
        if (!o.sources.isEmpty() || !o.playlistFolder.isEmpty() || !o.songs.isEmpty() || songCountGiven
            || p.isSet(QStringLiteral("crossfade")) || p.isSet(QStringLiteral("loudness"))
            || p.isSet(QStringLiteral("titles")))
            return Failure(QStringLiteral("--demo takes no sources or songs, only --out"));
        return {};
    }
    if (o.sources.isEmpty())
        return Failure(QStringLiteral("no source video or image given"));
    if (o.playlistFolder.isEmpty() == o.songs.isEmpty())
        return Failure(QStringLiteral("give either --playlist DIR or one or more --song FILE"));
    if (songCountGiven && o.playlistFolder.isEmpty())
        return Failure(QStringLiteral("--songs only applies to --playlist"));
    if (o.songs.size() > SettingsService::maxSongCount)
        return Failure(QStringLiteral("at most %1 --song files per mix").arg(SettingsService::maxSongCount));
    return {};
}

} // namespace

QString renderUsage()
{
    return QStringLiteral(
        "Usage:\n"
        "  loopcaster-render [--playlist DIR [--songs N] | --song FILE...] [--crossfade S]\n"
        "                    [--loudness LUFS] [--titles tags|files] [--out DIR] SOURCE...\n"
        "  loopcaster-render --demo [--out DIR]\n"
        "  loopcaster-render --plan N --playlist DIR [--seed S] [--crossfade S] [--loudness LUFS]\n"
        "                    [--titles tags|files] [--out DIR] SOURCE...\n"
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
        "  --loudness LUFS  play every song at this integrated loudness, %4 to %5 (EBU R128;\n"
        "                   one gain per song, lowered to keep true peaks under %6 dBTP;\n"
        "                   default: each song at its own level)\n"
        "  --titles tags    title the songs in the tracklist and chapters by their artist and\n"
        "                   title tags (default: files, by the file name)\n"
        "  --out DIR        output folder (default: the Downloads folder)\n"
        "  --demo           render a demo from generated tones and a test pattern\n"
        "                   (default output: <Downloads>/Loopcaster Demo)\n"
        "  --plan N         print one JSON line per source (its N drawn songs, crossfade and\n"
        "                   output path) instead of rendering\n"
        "  --seed S         draw the songs reproducibly from seed S\n"
        "  --job LINE       render one such line; --jobs FILE renders a file of them\n"
        "  -h, --help       show this text\n"
        "  --version        print the version\n")
        .arg(crossfade::minSeconds)
        .arg(crossfade::maxSeconds)
        .arg(crossfade::defaultSeconds)
        .arg(loudness::minTarget)
        .arg(loudness::maxTarget)
        .arg(loudness::defaultCeiling);
}


QString renderVersion()
{
    return QStringLiteral("loopcaster-render " LOOPCASTER_VERSION);
}

Result<RenderOptions> parseRenderOptions(const QStringList& arguments)
{
    QCommandLineParser parser;
    declareOptions(parser);
    // The parser skips the first entry as the program's name.
    if (!parser.parse(QStringList {QStringLiteral("loopcaster-render")} + arguments))
        return Failure(parserError(parser, arguments));
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("version"))) {
        RenderOptions request;
        request.showHelp = parser.isSet(QStringLiteral("help"));
        request.showVersion = !request.showHelp;
        return request;
    }
    Result<RenderOptions> o = readValues(parser);
    if (!o)
        return o;
    if (const Result<void> combination = checkCombination(*o, parser, arguments.size()); !combination)
        return Failure(combination.error());
    if (o->planSongs > 0)
        o->songCount = o->planSongs;
    return o;
}
