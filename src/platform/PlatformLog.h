#pragma once
// Logging category of the platform adapters: QT_LOGGING_RULES turns it on or
// off on its own, e.g. "loopcaster.platform.info=false".

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
