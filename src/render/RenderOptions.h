#pragma once
// Command line of loopcaster-render: which sources to render with which songs,
// or the self-contained demo.

#include "models/Crossfade.h"
#include "models/MixOptions.h"
#include "platform/Result.h"

#include <QString>
#include <QStringList>

#include <optional>

struct RenderOptions {
    bool showHelp = false;    // -h/--help: print renderUsage() and stop
    bool showVersion = false; // --version: print renderVersion() and stop
    bool demo = false;
    QStringList sources;      // videos or still images, rendered in this order
    QString playlistFolder;   // draw songCount songs per source from here...
    int songCount = 15;
    QStringList songs;        // ...or use this exact list for every source
    double crossfade = crossfade::defaultSeconds; // seconds; 0 plays the songs back to back
    MixOptions mix;           // --loudness LUFS, --titles tags|files
    QString outputFolder;     // empty: the default for the mode
    // Fan-out: print the jobs (planSongs songs each) instead of rendering...
    int planSongs = 0;
    std::optional<quint64> seed; // reproducible song draw
    // ...and render such job lines, one given or a file of them.
    QString jobLine;
    QString jobsFile;
};

// `arguments` excludes the program name. Fails, saying why, when the command
// line is not valid.
Result<RenderOptions> parseRenderOptions(const QStringList& arguments);

QString renderUsage();
// "loopcaster-render <version>".
QString renderVersion();
