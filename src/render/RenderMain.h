#pragma once
// loopcaster-render's whole command line, callable from the app too (which
// renders the demo this way on a machine without a display).

#include <QStringList>

// `arguments` excludes the program name; argc/argv are handed to the
// application object. Returns the process exit code.
int renderCommandLine(int argc, char** argv, const QStringList& arguments);

// argv[1..] as QStrings.
QStringList renderArguments(int argc, char** argv);
