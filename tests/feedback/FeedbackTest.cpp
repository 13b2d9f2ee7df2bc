#include "core/feedback/BadgeLabel.h"
#include "core/job/Job.h"
#include "core/platform/DockTile.h"
#include "core/platform/MainQueue.h"
#include "desktop/platform/DesktopPlatform.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <limits>
#include <thread>

#include "DelegateFixture.h"

TEST(BadgeLabel, CountsDownTheFirstNumberOverTheLastPiece) {
    const struct {
        const char *label;
        std::optional<QString> next;
    } cases[] = {{"5", "4/5"},    {"12/40", "11/40"}, {"1/5", "0/5"},
                 {"0/5", "0/5"},  {"abc", "0/abc"},   {"7/10/20", "6/20"},
                 {" 3/4", "2/4"}, {"-2/5", "-2/5"},   {"", std::nullopt}};
    for (const auto &c : cases)
        EXPECT_EQ(countedDownLabel(QString::fromUtf8(c.label)), c.next) << c.label;
    EXPECT_EQ(countedDownLabel("9223372036854775807"), "9223372036854775806/9223372036854775807");
}

TEST(BadgeLabel, LeadingIntegersAndProgress) {
    constexpr qint64 most = std::numeric_limits<qint64>::max();
    const std::pair<const char *, qint64> integers[] = {
        {"  -12x", -12}, {"+5", 5}, {"abc", 0}, {"- 5", 0}, {"", 0}};
    for (const auto &[text, value] : integers)
        EXPECT_EQ(leadingInteger(text), value) << text;
    EXPECT_EQ(leadingInteger("99999999999999999999"), most);
    EXPECT_EQ(leadingInteger("-99999999999999999999"), -most - 1);
    EXPECT_EQ(badgeLabelForTotal(8), "8");
    EXPECT_EQ(badgeLabelForTotal(0), "");
    const std::pair<const char *, double> progress[] = {
        {"3/5", 0.4}, {"5", 0.0}, {"0/abc", 0.0}, {"-3/9223372036854775807", 1.0}}; // no overflow
    for (const auto &[label, fraction] : progress)
        EXPECT_DOUBLE_EQ(badgeProgress(label)->fractionDone(), fraction) << label;
    EXPECT_FALSE(badgeProgress(""));
}

namespace {

class Badge : public DelegateTest {
protected:
    // A job of `images` whose size was chosen and whose run has begun.
    std::shared_ptr<Job> startJob(const QString &key, int images) {
        registerJob(key, QStringList(images, "/a.png"), "{32, 24}");
        const std::shared_ptr<Job> job = delegate.globalTasks.find(key);
        job->start();
        return job;
    }
};

using FailureAlert = DelegateTest;

} // namespace

TEST(JobEndText, ImagesAlreadyDoneCountApartFromThoseTheBatchWasToMake) {
    const QList<Skip> skip{{"/in/b.png", "too large"}};
    const struct {
        JobEnd end;
        const char *summary;
        const char *body;
    } cases[] = {
        {{"/out", 6, 3, skip, 2},
         "3 of 4 images resized",
         "2 already done, 1 skipped. The scaled copies are in the output folder."},
        {{"/out", 5, 2, {}, 3},
         "2 images resized",
         "3 already done. The scaled copies are in the output folder."},
        {{"/out", 4, 0, {}, 4}, "Every image was resized already", "4 already done"},
        {{"/out", 4, 0, skip, 3}, "No image was resized", "3 already done, 1 skipped"},
        {{"/out", 0, 0, {}, 0}, "No image was resized", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.summary);
        const JobEndText text = jobEndText(c.end);
        EXPECT_EQ(text.summary, c.summary);
        EXPECT_EQ(text.body, c.body);
    }
}

TEST_F(Badge, CountsOnlyAJobOnItsWayAndClearsWhenItHasLeft) {
    const auto prepare = [this] {
        delegate.prepareBadge();
        platform.mainQueue().drain();
    };
    registerJob("/waiting", QStringList(5, "/a.png"));
    prepare(); // no count before a size is chosen
    delegate.globalTasks.remove("/waiting");
    startJob("/running", 3);
    prepare();
    delegate.updateBadge();
    delegate.globalTasks.remove("/running"); // its end
    prepare();
    delegate.updateBadge(); // its last image's own countdown
    EXPECT_EQ(platform.shown,
              (QStringList{"badge cleared", "badge 3", "badge 2/3", "badge cleared", "attention"}));
}

TEST_F(Badge, AJobStartedOnAWorkerShowsItsTotalAheadOfItsCountdowns) {
    startJob("/job", 5);
    std::thread worker([&] {
        delegate.prepareBadge();
        platform.mainQueue().post([&] { delegate.updateBadge(); });
    });
    worker.join();
    EXPECT_TRUE(platform.shown.isEmpty()); // nothing touches the badge off the main thread

    platform.mainQueue().drain();
    EXPECT_EQ(platform.shown, (QStringList{"badge 5", "badge 4/5"}));
}

TEST_F(FailureAlert, ReturnsAtOnceFromAnyThreadAndCountsTheBadgeDownBeforeTheAlert) {
    platform.dockTile().setBadgeLabel("3/5");
    platform.shown.clear();

    std::thread worker([&] { delegate.failedWithMessage(busyMessage); });
    worker.join();
    EXPECT_TRUE(platform.shown.isEmpty());

    platform.mainQueue().drain();
    // The badge counts down first; the alert asks for no attention of its own.
    EXPECT_EQ(platform.shown, QStringList{"badge 2/5"} + failureAlert(busyMessage).mid(1));
}

TEST(DesktopAlert, IsAModalMessageBoxWithTheTextsAndOneButton) {
    QGuiApplication::setDesktopFileName(QStringLiteral("sardoxa"));
    DesktopPlatform platform;
    QStringList seen; // modal or not, the texts, the buttons
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        seen << (box->isModal() ? "modal" : "modeless") << box->text() << box->informativeText();
        for (QAbstractButton *button : box->buttons())
            seen << button->text();
        box->buttons().constFirst()->click();
    });
    platform.runAlert("Failed to resize images", busyMessage, "OK");
    EXPECT_EQ(seen, (QStringList{"modal", "Failed to resize images", busyMessage, "OK"}));
}
