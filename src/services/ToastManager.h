#pragma once
// ToastManager: the one transient message shown over the main window. A new
// toast replaces the current one at once; each toast removes itself after its
// duration unless a toast with a different text has replaced it.

#include <QMetaType>
#include <QObject>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

enum class ToastType { info, success, error, warning };

struct Toast {
    QUuid id;
    QString message;
    ToastType type = ToastType::info;
    double duration = 3.0; // seconds

    friend bool operator==(const Toast&, const Toast&) = default;
};

class ToastManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<Toast> activeToast READ activeToast WRITE setActiveToast NOTIFY activeToastChanged)

public:
    // Calls `expire` once, `ms` milliseconds from now, unless `context` is
    // gone by then. The default is a Qt single-shot timer; tests pass a clock
    // they advance by hand so toast lifetimes need no real waiting.
    using Timer = std::function<void(int ms, QObject* context, std::function<void()> expire)>;
    explicit ToastManager(Timer timer = {}, QObject* parent = nullptr);

    std::optional<Toast> activeToast() const { return m_activeToast; }
    void setActiveToast(const std::optional<Toast>& toast);

    void show(const QString& message, ToastType type = ToastType::info, double duration = 3.0);
    // The user closed the toast by hand.
    void dismiss();

signals:
    void activeToastChanged();

private:
    Timer m_timer;
    std::optional<Toast> m_activeToast;
};

Q_DECLARE_METATYPE(Toast)
