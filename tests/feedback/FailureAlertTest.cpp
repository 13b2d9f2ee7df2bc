#include "core/platform/DockTile.h"
#include "core/platform/FakePlatform.h"
#include "desktop/app/ZAVAppDelegate.h"
#include "desktop/platform/DesktopPlatform.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <thread>

#include "TempHome.h"

namespace {

const QString busy = QStringLiteral("It seems that you have not finished the last task, please "
                                    "check the process and try again later.");

class FailureAlert : public ::testing::Test {
protected:
    FailureAlert() {
        platform.setHasWindows(false);
        delegate.applicationDidFinishLaunching();
    }

    TempHome home;
    FakePlatform platform;
    ZAVAppDelegate delegate{platform};
};

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

TEST_F(FailureAlert, AlertsFollowOneAnotherAndWorkPostedMeanwhileWaits) {
    // While the first alert is up, an image finishes and posts its countdown; the nested drain
    // a modal loop would attempt must not run it.
    bool acted = false;
    platform.setWhileAlertShown([&] {
        if (acted)
            return;
        acted = true;
        platform.mainQueue().post([&] { delegate.updateBadge(); });
        platform.mainQueue().drain();
    });
    delegate.failedWithMessage("first");
    delegate.failedWithMessage("");
    platform.mainQueue().drain();

    EXPECT_EQ(platform.shown,
              (QStringList{"attention", "alert Failed to resize images | first | OK",
                           "alert dismissed", "attention", "alert Failed to resize images |  | OK",
                           "alert dismissed", "attention"}));
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
