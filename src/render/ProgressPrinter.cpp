#include "render/ProgressPrinter.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <unistd.h>

namespace {

QString elapsedText(qint64 ms)
{
    const qint64 s = ms / 1000;
    if (s >= 3600)
        return QString::asprintf("%lld:%02lld:%02lld", s / 3600, (s % 3600) / 60, s % 60);
    return QString::asprintf("%02lld:%02lld", s / 60, s % 60);
}

} // namespace

ProgressPrinter::ProgressPrinter(FILE* out, bool interactive) : m_out(out), m_interactive(interactive) {}

bool ProgressPrinter::stdoutIsTerminal()
{
    return isatty(STDOUT_FILENO) == 1;
}

void ProgressPrinter::begin(int index, int count, const QString& sourcePath)
{
    end();
    m_prefix = QStringLiteral("[%1/%2] %3").arg(index + 1).arg(count).arg(QFileInfo(sourcePath).fileName());
    m_fraction = 0;
    m_message.clear();
    m_lastDrawMs = -1;
    m_clock.start();
    if (!m_interactive)
        line(m_prefix + QStringLiteral(": ") + sourcePath);
}

void ProgressPrinter::update(float fraction, const QString& message)
{
    const bool messageChanged = message != m_message;
    m_fraction = std::clamp(fraction, 0.0f, 1.0f);
    m_message = message;
    if (!m_interactive) {
        if (messageChanged)
            line(QStringLiteral("%1: %2% %3").arg(m_prefix).arg(int(std::lround(m_fraction * 100))).arg(message));
        return;
    }
    // A run may report many times a second; a redraw per 100 ms is enough to
    // look live without flooding the terminal.
    const qint64 now = m_clock.elapsed();
    if (!messageChanged && m_lastDrawMs >= 0 && now - m_lastDrawMs < 100)
        return;
    m_lastDrawMs = now;
    drawBar();
}

void ProgressPrinter::drawBar()
{
    constexpr int width = 30;
    const int filled = int(m_fraction * width);
    const QString bar = QString(filled, QLatin1Char('#')) + QString(width - filled, QLatin1Char('-'));
    const QString text = QStringLiteral("\r\x1b[K%1 [%2] %3%  %4  %5")
                             .arg(m_prefix, bar)
                             .arg(int(std::lround(m_fraction * 100)), 3)
                             .arg(elapsedText(m_clock.elapsed()), m_message);
    write(text);
    m_barShown = true;
}

void ProgressPrinter::end()
{
    if (m_barShown) {
        drawBar();
        write(QStringLiteral("\n"));
        m_barShown = false;
    }
}

void ProgressPrinter::line(const QString& text)
{
    write((m_barShown ? QStringLiteral("\r\x1b[K") : QString()) + text + QLatin1Char('\n'));
    if (m_barShown)
        drawBar();
}

void ProgressPrinter::write(const QString& text)
{
    const bool written = std::fputs(text.toLocal8Bit().constData(), m_out) >= 0 && std::fflush(m_out) == 0;
    if (!written && !m_failed) {
        m_failed = true;
        if (m_writeFailed)
            m_writeFailed();
    }
}
