#pragma once
// Logging category of the services (queue, renders, files, settings):
// QT_LOGGING_RULES turns it on or off on its own, e.g.
// "loopcaster.services.info=false".

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcServices)
