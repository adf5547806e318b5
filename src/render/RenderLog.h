#pragma once
// Logging category of the loopcaster-render command line:
// QT_LOGGING_RULES turns it on or off on its own, e.g. "loopcaster.render.info=false".

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcRender)
