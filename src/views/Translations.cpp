#include "views/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace views {

void installTranslations(QCoreApplication& app, const QLocale& locale)
{
    const auto install = [&](const QString& name, const QString& folder) {
        auto* translator = new QTranslator(&app);
        if (translator->load(locale, name, QStringLiteral("_"), folder))
            QCoreApplication::installTranslator(translator);
        else
            delete translator;
    };
    install(QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    install(QStringLiteral("loopcaster"), QStringLiteral(":/i18n"));
}

} // namespace views
