#pragma once
// Logging category of the job records and their store:
// QT_LOGGING_RULES turns it on or off on its own, e.g. "loopcaster.models.info=false".

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcModels)
