#include "MainLoopLateness.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QList>
#include <QTimer>

#include <algorithm>

MainLoopLateness sampleMainLoop(const std::function<bool()>& done, int maxMs, int intervalMs)
{
    QList<double> late;
    QElapsedTimer clock;
    clock.start();
    qint64 expected = intervalMs;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(intervalMs);
    QEventLoop loop;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        late << double(std::max<qint64>(0, now - expected));
        expected = now + intervalMs;
        if (done() || now > maxMs)
            loop.quit();
    });
    timer.start();
    loop.exec();
    MainLoopLateness r;
    std::sort(late.begin(), late.end());
    r.samples = int(late.size());
    if (!late.isEmpty()) {
        r.maxMs = late.last();
        r.p50Ms = late[late.size() / 2];
        r.p99Ms = late[std::min<qsizetype>(late.size() - 1, qsizetype(late.size() * 0.99))];
    }
    return r;
}
