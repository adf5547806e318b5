#include "StdoutCapture.h"

#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace testtools {

StdoutCapture::StdoutCapture()
{
    std::fflush(stdout);
    char name[] = "/tmp/lc-stdout-XXXXXX";
    m_captureFd = ::mkstemp(name);
    if (m_captureFd < 0)
        return;
    ::unlink(name);
    m_savedFd = ::dup(STDOUT_FILENO);
    ::dup2(m_captureFd, STDOUT_FILENO);
}

QStringList StdoutCapture::take()
{
    if (m_done || m_captureFd < 0)
        return {};
    m_done = true;
    std::fflush(stdout);
    ::dup2(m_savedFd, STDOUT_FILENO);
    ::close(m_savedFd);

    QFile captured;
    captured.open(m_captureFd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    captured.seek(0);
    QStringList lines = QString::fromUtf8(captured.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace testtools
