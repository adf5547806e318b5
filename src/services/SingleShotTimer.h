#pragma once
// A one-off wait: calls `expire` after `ms` unless `context` is gone first.
// Services take their waits of seconds and minutes through this, so tests
// fire them by hand instead of sleeping through them.

#include <QObject>
#include <QTimer>

#include <functional>

using SingleShotTimer = std::function<void(int ms, QObject* context, std::function<void()> expire)>;

inline SingleShotTimer realSingleShotTimer()
{
    return [](int ms, QObject* context, std::function<void()> expire) {
        QTimer::singleShot(ms, context, std::move(expire));
    };
}
