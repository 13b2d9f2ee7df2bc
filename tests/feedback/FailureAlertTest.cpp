#include "core/platform/DockTile.h"
#include "desktop/platform/DesktopPlatform.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <thread>

#include "Fixture.h"

namespace {

const QString busy = QStringLiteral("It seems that you have not finished the last task, please "
                                    "check the process and try again later.");

class FailureAlert : public DelegateTest {};

} // namespace

TEST_F(FailureAlert, ReturnsAtOnceFromAnyThreadAndCountsTheBadgeDownBeforeTheAlert) {
    platform.dockTile().setBadgeLabel("3/5");
    platform.shown.clear();

    std::thread worker([&] { delegate.failedWithMessage(busy); });
    worker.join();
    EXPECT_TRUE(platform.shown.isEmpty());

    platform.mainQueue().drain();
    EXPECT_EQ(platform.shown,
              (QStringList{"badge 2/5", "alert Failed to resize images | " + busy + " | OK",
                           "alert dismissed"}));
}

TEST(DesktopAlert, IsAModalMessageBoxWithTheTextsAndOneButton) {
    QGuiApplication::setDesktopFileName(QStringLiteral("sardoxa"));
    DesktopPlatform platform;
    QString text;
    QString informative;
    QStringList buttons;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        modal = box->isModal();
        text = box->text();
        informative = box->informativeText();
        for (QAbstractButton *button : box->buttons())
            buttons.append(button->text());
        box->buttons().constFirst()->click();
    });
    platform.runAlert("Failed to resize images", busy, "OK");

    EXPECT_TRUE(modal);
    EXPECT_EQ(text, "Failed to resize images");
    EXPECT_EQ(informative, busy);
    EXPECT_EQ(buttons, QStringList{"OK"});
}
