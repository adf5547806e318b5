#pragma once
// Captures what the process writes to standard output (file descriptor 1,
// whether through stdio or write()) between construction and take(), so tests
// can check the exact diagnostic lines the product prints.

#include <QStringList>

namespace testtools {

class StdoutCapture {
public:
    StdoutCapture();
    ~StdoutCapture() { take(); }
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    // Restores stdout and returns the captured lines (without newlines).
    QStringList take();

private:
    int m_savedFd = -1;
    int m_captureFd = -1;
    bool m_done = false;
};

} // namespace testtools
