#include "platform/ConsoleLine.h"

#include <cstdio>

void printConsoleLine(const QLoggingCategory& category, const QString& line)
{
    if (!category.isInfoEnabled())
        return;
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}
