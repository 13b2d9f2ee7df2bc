// The end of a batch reaches the notification server on a private session bus; its action opens
// the list of skipped images.
#include "desktop/platform/JobEndNotice.h"
#include "desktop/feedback/SkippedFilesWindow.h"

#include <QDBusConnection>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "DelegateFixture.h"
#include "NotificationServer.h"

TEST(JobEndNotice, TellsTheCountsAndItsActionListsEachSkipWithItsReason) {
    const PrivateSessionBus bus;
    NotificationServer server(bus.address);
    ASSERT_TRUE(server.serving());
    JobEndNotice notice(QDBusConnection::connectToBus(bus.address, "app"));
    // Each notification keeps the application while its action may still be chosen.
    bool done[3] = {};
    const QList<Skip> skips{{"/in/a.jpg", "not a JPEG"}, {"/in/b.png", "too large"}};
    notice.show({"/out", 1, 1, {}}, [] {});
    notice.show({"/out", 3, 3, {}}, [&] { done[0] = true; });
    EXPECT_TRUE(done[0]);
    notice.show({"/out", 3, 1, skips}, [&] { done[1] = true; });
    ASSERT_TRUE(waitFor([&] { return server.received().size() == 3; }));
    EXPECT_EQ(server.received(),
              (QStringList{"1 image resized | The scaled copies are in the output folder. | ",
                           "3 images resized | The scaled copies are in the output folder. | ",
                           "1 of 3 images resized | 2 skipped. The scaled copies are in the output "
                           "folder. | show-skipped,Show Skipped Images"}));

    EXPECT_FALSE(done[1]);
    server.send("ActionInvoked", 3, QStringLiteral("show-skipped"));
    ASSERT_TRUE(waitFor([&] { return notice.skippedWindow() != nullptr; }));
    EXPECT_TRUE(done[1]);
    EXPECT_TRUE(notice.skippedWindow()->isVisible());
    const QTreeWidget *list = notice.skippedWindow()->findChild<QTreeWidget *>();
    ASSERT_TRUE(list);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "/in/a.jpg");
    EXPECT_EQ(list->topLevelItem(0)->text(1), "not a JPEG");
    EXPECT_EQ(list->topLevelItem(1)->text(1), "too large");
    // Named in full wherever it opens from, and closed by its button or Escape.
    SkippedFilesWindow *window = notice.skippedWindow();
    EXPECT_EQ(window->windowTitle(), "Skipped Images — Sardoxa");
    for (const bool escape : {false, true}) {
        window->show();
        if (escape)
            QTest::keyClick(list->viewport(), Qt::Key_Escape);
        else
            window->findChild<QDialogButtonBox *>()->buttons().constFirst()->click();
        EXPECT_FALSE(window->isVisible()) << escape;
    }
    EXPECT_EQ(window->findChild<QDialogButtonBox *>()->buttons().constFirst()->text(), "Close");

    notice.show({"/out", 2, 0, skips}, [&] { done[2] = true; });
    ASSERT_TRUE(waitFor([&] { return server.received().size() == 4; }));
    EXPECT_TRUE(server.received().constLast().startsWith("No image was resized | 2 skipped | "));
    server.send("NotificationClosed", 4, 1u); // expired
    EXPECT_TRUE(waitFor([&] { return done[2]; }));
}

TEST(JobEndNotice, AnActionChosenBeforeTheAnswerNamingItsNotificationIsStillTaken) {
    const PrivateSessionBus bus;
    NotificationServer server(bus.address, NotificationServer::AtOnce::ChooseItsAction);
    ASSERT_TRUE(server.serving());
    JobEndNotice notice(QDBusConnection::connectToBus(bus.address, "acts at once"));
    bool done = false;
    notice.show({"/out", 2, 1, {{"/in/a.jpg", "not a JPEG"}}}, [&] { done = true; });
    EXPECT_TRUE(waitFor([&] { return notice.skippedWindow() != nullptr; }));
    EXPECT_TRUE(done);
}
