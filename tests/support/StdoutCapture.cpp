#include "StdoutCapture.h"

#include <QString>

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

StdoutCapture::~StdoutCapture()
{
    take();
}

QStringList StdoutCapture::take()
{
    if (m_done || m_captureFd < 0)
        return {};
    m_done = true;
    std::fflush(stdout);
    ::dup2(m_savedFd, STDOUT_FILENO);
    ::close(m_savedFd);

    QByteArray bytes;
    ::lseek(m_captureFd, 0, SEEK_SET);
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(m_captureFd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, n);
    ::close(m_captureFd);

    QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace testtools
