#include "core/app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>

void installTranslations() {
    // Installed translations come first, so that one can be updated without a new build; the
    // ones built into the program are the fallback.
    QStringList folders = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                    QStringLiteral("sardoxa/translations"),
                                                    QStandardPaths::LocateDirectory);
    folders.append(QStringLiteral(":/i18n"));
    // English keys name no plural forms: the English table gives them, under every other
    // language's, whatever the locale.
    auto *english = new QTranslator(qApp);
    for (const QString &folder : std::as_const(folders)) {
        if (english->load(QStringLiteral("sardoxa_en"), folder)) {
            QCoreApplication::installTranslator(english);
            break;
        }
    }
    auto *own = new QTranslator(qApp);
    for (const QString &folder : std::as_const(folders)) {
        if (own->load(QLocale(), QStringLiteral("sardoxa"), QStringLiteral("_"), folder)) {
            QCoreApplication::installTranslator(own);
            break;
        }
    }
    auto *qt = new QTranslator(qApp);
    if (qt->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
}
