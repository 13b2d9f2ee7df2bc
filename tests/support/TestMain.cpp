// Runs the tests inside a QApplication on the offscreen platform, so widget tests need no display.
#include <QApplication>

#include <gtest/gtest.h>

#include "core/resize/ImageEngine.h"

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sardoxa"));
    ImageEngine::initialize(argv[0]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
