#pragma once
// Logging category of the media engine: QT_LOGGING_RULES turns it on or
// off on its own, e.g. "loopcaster.media.info=false".

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcMedia)
