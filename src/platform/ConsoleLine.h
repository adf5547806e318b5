#pragma once
// Diagnostic lines on standard output: one whole line per call, flushed at
// once so the lines of concurrent runs never interleave mid-line and reach a
// pipe in order. Each line is an info message of its floor's logging
// category and is printed only while that level is enabled, so
// QT_LOGGING_RULES silences a floor's lines without touching their text.

#include <QLoggingCategory>
#include <QString>

void printConsoleLine(const QLoggingCategory& category, const QString& line);
