#include "core/intake/FolderNames.h"
#include "core/platform/FakePlatform.h"
#include "desktop/app/ZAVAppDelegate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "TempHome.h"

namespace {

QDateTime local(int year, int month, int day, int hour, int minute, int second) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}

class OutputFolders : public ::testing::Test {
protected:
    OutputFolders() {
        platform.setHasWindows(false);
        delegate.applicationDidFinishLaunching();
    }

    QString dated(const QString &name) const { return home.productFolder() + '/' + name; }

    TempHome home;
    FakePlatform platform;
    ZAVAppDelegate delegate{platform};
};

} // namespace

TEST(FolderNames, DayNamesAndFirstLaunchSiblings) {
    EXPECT_EQ(datedFolderName(local(2024, 6, 1, 12, 0, 0), "yyyy-MM-dd"), "2024-06-01");
    EXPECT_EQ(datedFolderName(local(2018, 12, 31, 23, 59, 59), "yyyy-MM-dd"), "2018-12-31");
    EXPECT_EQ(datedFolderName(local(2019, 1, 1, 0, 0, 0), "yyyy-MM-dd"), "2019-01-01");
    EXPECT_EQ(joinPath("/a/b", "c"), "/a/b/c");
    EXPECT_EQ(joinPath("/", "c"), "/c");
    EXPECT_EQ(firstLaunchFolderPath("/p/Sardoxa", QDateTime::fromMSecsSinceEpoch(1999)),
              "/p/Sardoxa 1");
    // Before 1970 the seconds are truncated toward zero, not floored.
    EXPECT_EQ(firstLaunchFolderPath("/p/Sardoxa", QDateTime::fromMSecsSinceEpoch(-1500)),
              "/p/Sardoxa -1");
}

TEST_F(OutputFolders, JobsOfOneDayShareTheDayFolder) {
    platform.setNow(local(2024, 6, 1, 9, 30, 0));
    const QString first = delegate.makeJobFolder();
    platform.setNow(local(2024, 6, 1, 17, 45, 0));
    const QString second = delegate.makeJobFolder();

    EXPECT_EQ(first, dated("2024-06-01"));
    EXPECT_EQ(second, first);
    EXPECT_TRUE(QFileInfo(first).isDir());
}

TEST_F(OutputFolders, TheLastSecondBeforeMidnightGoesToTheNextDayOnlyWhenTodaysFolderExists) {
    platform.setNow(local(2018, 12, 31, 23, 59, 59));
    EXPECT_EQ(delegate.makeJobFolder(), dated("2018-12-31"));
    EXPECT_EQ(delegate.makeJobFolder(), dated("2019-01-01"));
    EXPECT_TRUE(QFileInfo(dated("2019-01-01")).isDir());

    platform.setNow(local(2019, 1, 1, 0, 0, 0));
    EXPECT_EQ(delegate.makeJobFolder(), dated("2019-01-01"));
    platform.setNow(local(2019, 1, 1, 23, 59, 58));
    EXPECT_EQ(delegate.makeJobFolder(), dated("2019-01-01"));
}

TEST_F(OutputFolders, ADeletedProductFolderIsMadeAgainByTheNextJob) {
    platform.setNow(local(2024, 6, 1, 12, 0, 0));
    ASSERT_TRUE(QDir(home.productFolder()).removeRecursively());
    EXPECT_EQ(delegate.makeJobFolder(), dated("2024-06-01"));
    EXPECT_TRUE(QFileInfo(dated("2024-06-01")).isDir());
}

TEST_F(OutputFolders, AFileInTheWayIsLoggedAndTheJobKeyStillGiven) {
    platform.setNow(local(2024, 6, 1, 12, 0, 0));
    ASSERT_TRUE(QDir(home.productFolder()).removeRecursively());
    QFile blocker(home.productFolder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    ::testing::internal::CaptureStderr();
    const QString key = delegate.makeJobFolder();
    const std::string log = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(key, dated("2024-06-01"));
    EXPECT_NE(log.find("could not make the folder " + key.toStdString()), std::string::npos) << log;
    EXPECT_NE(log.find("Not a directory"), std::string::npos) << log;
    EXPECT_TRUE(QFileInfo(home.productFolder()).isFile());
}

TEST_F(OutputFolders, AMissingPicturesFolderIsMadeWithTheProductFolder) {
    platform.setPicturesDirectory(home.path() + "/gone/Pictures");
    platform.setNow(local(2024, 6, 1, 12, 0, 0));
    EXPECT_EQ(delegate.makeJobFolder(), home.path() + "/gone/Pictures/Sardoxa/2024-06-01");
    EXPECT_TRUE(QFileInfo(home.path() + "/gone/Pictures/Sardoxa/2024-06-01").isDir());
}
