#include "core/feedback/BadgeLabel.h"
#include "core/platform/MainQueue.h"

#include <gtest/gtest.h>

#include <limits>
#include <thread>

#include "Fixture.h"

TEST(BadgeLabel, CountsDownTheFirstNumberOverTheLastPiece) {
    const struct {
        const char *label;
        std::optional<QString> next;
    } cases[] = {
        {"5", "4/5"},
        {"12/40", "11/40"},
        {"1/5", "0/5"},
        {"0/5", "0/5"},
        {"abc", "0/abc"},
        {"7/10/20", "6/20"},
        {" 3/4", "2/4"},
        {"-2/5", "-2/5"},
        {"9223372036854775807", "9223372036854775806/9223372036854775807"},
        {"", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(countedDownLabel(QString::fromUtf8(c.label)), c.next) << c.label;
}

TEST(BadgeLabel, LeadingIntegersAndProgress) {
    constexpr qint64 most = std::numeric_limits<qint64>::max();
    EXPECT_EQ(leadingInteger("  -12x"), -12);
    EXPECT_EQ(leadingInteger("+5"), 5);
    EXPECT_EQ(leadingInteger("abc"), 0);
    EXPECT_EQ(leadingInteger("- 5"), 0);
    EXPECT_EQ(leadingInteger(""), 0);
    EXPECT_EQ(leadingInteger("99999999999999999999"), most);
    EXPECT_EQ(leadingInteger("-99999999999999999999"), std::numeric_limits<qint64>::min());

    EXPECT_EQ(badgeLabelForTotal(8), "8");
    EXPECT_EQ(badgeLabelForTotal(0), "");
    EXPECT_DOUBLE_EQ(badgeProgress("3/5")->fractionDone(), 0.4);
    EXPECT_DOUBLE_EQ(badgeProgress("5")->fractionDone(), 0.0);
    EXPECT_DOUBLE_EQ(badgeProgress("0/abc")->fractionDone(), 0.0);
    EXPECT_DOUBLE_EQ(badgeProgress("-3/9223372036854775807")->fractionDone(), 1.0); // no overflow
    EXPECT_FALSE(badgeProgress(""));
}

namespace {

class Badge : public DelegateTest {
protected:
    void unregisterJob(const QString &key) {
        std::lock_guard lock(delegate.registryMutex);
        delegate.globalTasks.remove(key);
    }
};

} // namespace

TEST_F(Badge, CountsEveryRegisteredJobAndClearsWhenNothingIsLeft) {
    delegate.prepareBadge();
    registerJob("/first", QStringList(5, "/a.png"));
    registerJob("/second", QStringList(3, "/a.png"));
    registerJob("/empty", {});
    delegate.prepareBadge();
    unregisterJob("/first"); // a job leaves the registry once its images are queued
    delegate.prepareBadge();
    delegate.updateBadge();
    unregisterJob("/second");
    delegate.prepareBadge(); // the end of the last job
    delegate.updateBadge();  // its last image's own countdown
    EXPECT_EQ(platform.shown, (QStringList{"badge cleared", "badge 8", "badge 3", "badge 2/3",
                                           "badge cleared", "attention"}));
}

TEST_F(Badge, AJobStartedOnAWorkerShowsItsTotalAheadOfItsCountdowns) {
    registerJob("/job", QStringList(5, "/a.png"));
    std::thread worker([&] {
        delegate.prepareBadge();
        unregisterJob("/job");
        platform.mainQueue().post([&] { delegate.updateBadge(); });
    });
    worker.join();
    EXPECT_TRUE(platform.shown.isEmpty()); // nothing touches the badge off the main thread

    platform.mainQueue().drain();
    EXPECT_EQ(platform.shown, (QStringList{"badge 5", "badge 4/5"}));
}
