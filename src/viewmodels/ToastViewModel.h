#pragma once
// The toast banner's state for the window: the active toast, if any, and the
// user's close button.

#include "services/ToastManager.h"

#include <QObject>

#include <optional>

class ToastViewModel : public QObject {
    Q_OBJECT
public:
    explicit ToastViewModel(ToastManager& toasts, QObject* parent = nullptr);

    std::optional<Toast> activeToast() const;
    void dismiss();

signals:
    void activeToastChanged();

private:
    ToastManager& m_toasts;
};
