#pragma once
// Progress of one source at a time on standard output: a bar redrawn in place
// on a terminal, plain lines (one per message change) when piped or logged.

#include <QElapsedTimer>
#include <QString>

#include <cstdio>
#include <functional>

class ProgressPrinter {
public:
    // `interactive`: stdout is a terminal that understands "\r" and erase-line.
    ProgressPrinter(FILE* out, bool interactive);

    void begin(int index, int count, const QString& sourcePath);
    void update(float fraction, const QString& message);
    // Ends the bar's line; later output starts on a fresh line.
    void end();
    // Plain line to stdout that does not tear the bar.
    void line(const QString& text);

    static bool stdoutIsTerminal();

    // Called once, at the first write that fails (a closed pipe, a full
    // disk): nobody reads the progress any more.
    void onWriteFailed(std::function<void()> handler) { m_writeFailed = std::move(handler); }

private:
    void drawBar();
    void write(const QString& text);

    FILE* m_out;
    bool m_interactive;
    bool m_barShown = false;
    QString m_prefix;
    float m_fraction = 0;
    QString m_message;
    QElapsedTimer m_clock;
    qint64 m_lastDrawMs = -1;
    std::function<void()> m_writeFailed;
    bool m_failed = false;
};
