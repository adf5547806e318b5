#pragma once
// Progress of one source at a time on standard output, with the time left
// once it can be told: one line redrawn in place on a terminal (cleared when
// the source ends), plain lines when piped or logged (at each new step and
// every few percent).

#include "services/TimeLeftEstimator.h"

#include <QElapsedTimer>
#include <QString>
#include <QUuid>

#include <cstdio>
#include <functional>

class ProgressPrinter {
public:
    // `interactive`: stdout is a terminal that understands "\r" and erase-line.
    ProgressPrinter(FILE* out, bool interactive);

    void begin(int index, int count, const QString& sourcePath);
    void update(float fraction, const QString& message);
    // The source's mix is this long: its time left is then told from the
    // pace of the sources rendered before it, whatever their lengths.
    void mixPlanned(double seconds);
    // The source's run ended; a completed one teaches the pace. Ends the line.
    void finish(bool completed);
    // Clears the progress line; later output starts on a fresh line.
    void end();
    // Plain line to stdout that does not tear the progress line.
    void line(const QString& text);

    static bool stdoutIsTerminal();

    // Called once, at the first write that fails (a closed pipe, a full
    // disk): nobody reads the progress any more.
    void onWriteFailed(std::function<void()> handler) { m_writeFailed = std::move(handler); }

private:
    void drawBar();
    void write(const QString& text);
    QString timeLeftText() const; // "0:41 left", or empty

    FILE* m_out;
    bool m_interactive;
    bool m_barShown = false;
    QString m_prefix;
    float m_fraction = 0;
    QString m_message;
    QElapsedTimer m_clock;
    qint64 m_lastDrawMs = -1;
    // Piped: the step (the message without its numbers) and fraction last written.
    QString m_lineStep;
    float m_lineFraction = 0;
    // The time left, over every source of the session.
    QElapsedTimer m_sessionClock;
    TimeLeftEstimator m_timeLeft;
    QUuid m_run;
    qint64 m_lastEstimateMs = -1;
    std::function<void()> m_writeFailed;
    bool m_failed = false;
};
