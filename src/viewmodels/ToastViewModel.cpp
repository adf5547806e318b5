#include "viewmodels/ToastViewModel.h"

ToastViewModel::ToastViewModel(ToastManager& toasts, QObject* parent) : QObject(parent), m_toasts(toasts)
{
    connect(&m_toasts, &ToastManager::activeToastChanged, this, &ToastViewModel::activeToastChanged);
}

std::optional<Toast> ToastViewModel::activeToast() const
{
    return m_toasts.activeToast();
}

void ToastViewModel::dismiss()
{
    m_toasts.dismiss();
}
