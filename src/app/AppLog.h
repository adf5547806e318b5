#pragma once
// Logging category of the application shell: QT_LOGGING_RULES turns it on or
// off on its own, e.g. "loopcaster.app.info=false".

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcApp)
