#include "render/ProgressPrinter.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

QString elapsedText(qint64 ms)
{
    const qint64 s = ms / 1000;
    if (s >= 3600)
        return QString::asprintf("%lld:%02lld:%02lld", s / 3600, (s % 3600) / 60, s % 60);
    return QString::asprintf("%02lld:%02lld", s / 60, s % 60);
}

// A line longer than the terminal wraps, and "\r" then redraws only its end.
int terminalColumns(FILE* out)
{
    winsize size {};
    return ::ioctl(fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}

} // namespace

ProgressPrinter::ProgressPrinter(FILE* out, bool interactive)
    : m_out(out), m_interactive(interactive), m_timeLeft([this] { return m_sessionClock.elapsed(); })
{
    m_sessionClock.start();
}

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
    m_lineStep.clear();
    m_lineFraction = 0;
    m_clock.start();
    m_timeLeft.jobEnded(m_run, false); // a run that never reported its end
    m_run = QUuid::createUuid();
    m_timeLeft.jobStarted(m_run);
    if (!m_interactive)
        line(m_prefix + QStringLiteral(": ") + sourcePath);
}

void ProgressPrinter::update(float fraction, const QString& message)
{
    const bool messageChanged = message != m_message;
    m_fraction = std::clamp(fraction, 0.0f, 1.0f);
    m_message = message;
    m_timeLeft.progressed(m_run, m_fraction);
    // A new estimate once a second, as the window takes them.
    const qint64 sessionMs = m_sessionClock.elapsed();
    if (m_lastEstimateMs < 0 || sessionMs - m_lastEstimateMs >= 1000) {
        m_timeLeft.update();
        m_lastEstimateMs = sessionMs;
    }
    if (!m_interactive) {
        static const QRegularExpression numbers(QStringLiteral("[0-9]+"));
        const QString step = QString(message).remove(numbers);
        if (step == m_lineStep && m_fraction < m_lineFraction + 0.05f)
            return;
        m_lineStep = step;
        m_lineFraction = m_fraction;
        const QString left = timeLeftText();
        line(QStringLiteral("%1: %2% %3").arg(m_prefix).arg(int(std::lround(m_fraction * 100))).arg(message)
             + (left.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(left)));
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

QString ProgressPrinter::timeLeftText() const
{
    const std::optional<double> left = m_timeLeft.secondsLeft(m_run);
    return left ? TimeLeftEstimator::format(*left) + QStringLiteral(" left") : QString();
}

void ProgressPrinter::drawBar()
{
    constexpr int width = 30;
    const int filled = int(m_fraction * width);
    const QString bar = QString(filled, QLatin1Char('#')) + QString(width - filled, QLatin1Char('-'));
    const QString left = timeLeftText();
    const QString text = QStringLiteral("%1 [%2] %3%  %4  %5")
                             .arg(m_prefix, bar)
                             .arg(int(std::lround(m_fraction * 100)), 3)
                             .arg(elapsedText(m_clock.elapsed()),
                                  left.isEmpty() ? m_message : left + QStringLiteral("  ") + m_message);
    write(QStringLiteral("\r\x1b[K") + text.left(terminalColumns(m_out) - 1));
    m_barShown = true;
}

void ProgressPrinter::mixPlanned(double seconds)
{
    m_timeLeft.mixLengthKnown(m_run, seconds);
}

void ProgressPrinter::finish(bool completed)
{
    m_timeLeft.jobEnded(m_run, completed);
    end();
}

void ProgressPrinter::end()
{
    if (m_barShown) {
        write(QStringLiteral("\r\x1b[K"));
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
