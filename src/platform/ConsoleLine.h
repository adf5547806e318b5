#pragma once
// Diagnostic lines on standard output: one whole line per call, flushed at
// once so the lines of concurrent runs never interleave mid-line and reach a
// pipe in order.

#include <QString>

void printConsoleLine(const QString& line);
