#include "core/app/Translations.h"
#include "core/app/Localized.h"

#include <QLocale>

#include <gtest/gtest.h>

TEST(Translations, TheGermanTableIsBuiltInAndUnknownKeysShowTheEnglishText) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    installTranslations();

    EXPECT_EQ(localized("Quit"), QStringLiteral("Beenden"));
    EXPECT_EQ(localized("Open Images…"), QStringLiteral("Bilder öffnen …"));
    EXPECT_EQ(localized("Sardoxa"), QStringLiteral("Sardoxa"));
    EXPECT_EQ(localized("A text nobody translated"), QStringLiteral("A text nobody translated"));
}
