// Runs the tests inside an application object: a QApplication on the offscreen platform for the
// desktop's tests, so widget tests need no display, and a QCoreApplication for the core's, which
// link no widgets.
#include <QLocale>
#ifdef SARDOXA_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include <gtest/gtest.h>

#include "core/app/Translations.h"
#include "core/resize/ImageEngine.h"

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TestApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sardoxa"));
    // The texts as the program shows them in English, whatever the machine's language.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    installTranslations();
    ImageEngine::initialize(argv[0]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
