#pragma once

#include <QLocale>

class QCoreApplication;

namespace views {

// Installs Qt's own texts (dialog buttons, file dialogs) and Loopcaster's for
// `locale` into `app`; the system locale follows LANGUAGE, LC_ALL and LANG.
// A language without a translation keeps the English texts.
void installTranslations(QCoreApplication& app, const QLocale& locale = QLocale::system());

} // namespace views
