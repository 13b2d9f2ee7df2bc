// Runs the tests inside a QApplication on the offscreen platform, so widget tests need no display.
#include <QApplication>
#include <QLocale>

#include <gtest/gtest.h>

#include "core/app/Translations.h"
#include "core/resize/ImageEngine.h"

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sardoxa"));
    // The texts as the program shows them in English, whatever the machine's language.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    installTranslations();
    ImageEngine::initialize(argv[0]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
