#pragma once
// ToastManager: the one transient message shown over the main window. A new
// toast replaces the current one at once; each toast removes itself after its
// duration unless a toast with a different text has replaced it.

#include "services/SingleShotTimer.h"

#include <QMetaType>
#include <QObject>
#include <QString>
#include <QUuid>

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
    // Each toast's lifetime is waited for through `timer` (a real timer by
    // default); tests pass a clock they advance by hand.
    explicit ToastManager(SingleShotTimer timer = {}, QObject* parent = nullptr);

    std::optional<Toast> activeToast() const { return m_activeToast; }
    void setActiveToast(const std::optional<Toast>& toast);

    void show(const QString& message, ToastType type = ToastType::info, double duration = 3.0);
    // The user closed the toast by hand.
    void dismiss();

signals:
    void activeToastChanged();

private:
    SingleShotTimer m_timer;
    std::optional<Toast> m_activeToast;
};

Q_DECLARE_METATYPE(Toast)
