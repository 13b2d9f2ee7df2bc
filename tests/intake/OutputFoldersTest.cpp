#include "core/intake/FolderNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "Fixture.h"

namespace {

QDateTime local(int year, int month, int day, int hour, int minute, int second) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}

class OutputFolders : public DelegateTest {
protected:
    QString dated(const QString &name) const { return home.productFolder() + '/' + name; }
};

} // namespace

TEST(FolderNames, DayNamesAndFirstLaunchSiblings) {
    EXPECT_EQ(joinPath("/", "c"), "/c");
    EXPECT_TRUE(isDayFolderName("2024-06-01", "yyyy-MM-dd"));
    for (const char *name : {"2024-6-1", "2024-13-01", "holiday", ""})
        EXPECT_FALSE(isDayFolderName(name, "yyyy-MM-dd")) << name;
    EXPECT_EQ(firstLaunchFolderPath("/p/Sardoxa", QDateTime::fromMSecsSinceEpoch(1999)),
              "/p/Sardoxa 1");
    // Before 1970 the seconds are truncated toward zero, not floored.
    EXPECT_EQ(firstLaunchFolderPath("/p/Sardoxa", QDateTime::fromMSecsSinceEpoch(-1500)),
              "/p/Sardoxa -1");
}

TEST_F(OutputFolders, JobsOfOneDayShareItsFolderAndTheLastSecondGoesOnOnlyWhenItExists) {
    platform.setNow(local(2024, 6, 1, 9, 30, 0));
    const QString first = delegate.makeJobFolder();
    platform.setNow(local(2024, 6, 1, 17, 45, 0));
    EXPECT_EQ(first, dated("2024-06-01"));
    EXPECT_EQ(delegate.makeJobFolder(), first);
    EXPECT_TRUE(QFileInfo(first).isDir());

    platform.setNow(local(2018, 12, 31, 23, 59, 59));
    EXPECT_EQ(delegate.makeJobFolder(), dated("2018-12-31"));
    EXPECT_EQ(delegate.makeJobFolder(), dated("2019-01-01"));
    EXPECT_TRUE(QFileInfo(dated("2019-01-01")).isDir());
    platform.setNow(local(2019, 1, 1, 23, 59, 58));
    EXPECT_EQ(delegate.makeJobFolder(), dated("2019-01-01"));
}

TEST_F(OutputFolders, MissingFoldersAreMadeAgainAndAFileInTheWayIsLogged) {
    platform.setNow(local(2024, 6, 1, 12, 0, 0));
    ASSERT_TRUE(QDir(home.productFolder()).removeRecursively());
    EXPECT_EQ(delegate.makeJobFolder(), dated("2024-06-01"));
    EXPECT_TRUE(QFileInfo(dated("2024-06-01")).isDir());
    platform.setPicturesDirectory(home.path() + "/gone/Pictures");
    EXPECT_EQ(delegate.makeJobFolder(), home.path() + "/gone/Pictures/Sardoxa/2024-06-01");
    EXPECT_TRUE(QFileInfo(home.path() + "/gone/Pictures/Sardoxa/2024-06-01").isDir());

    platform.setPicturesDirectory(home.pictures());
    ASSERT_TRUE(QDir(home.productFolder()).removeRecursively());
    QFile blocker(home.productFolder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString key;
    const std::string log = logOf([&] { key = delegate.makeJobFolder(); });
    EXPECT_EQ(key, dated("2024-06-01"));
    EXPECT_NE(log.find("could not make the folder " + key.toStdString()), std::string::npos) << log;
    EXPECT_NE(log.find("Not a directory"), std::string::npos) << log;
    EXPECT_TRUE(QFileInfo(home.productFolder()).isFile());
}
