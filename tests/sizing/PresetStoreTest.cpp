#include "core/platform/FakePlatform.h"
#include "core/platform/MainQueue.h"
#include "core/sizing/PresetList.h"
#include "desktop/app/ZAVAppDelegate.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "TempHome.h"

namespace {

class PresetStore : public ::testing::Test {
protected:
    PresetStore() {
        platform.setHasWindows(false);
        delegate.applicationDidFinishLaunching();
    }

    QByteArray file() const {
        QFile presets(home.path() + "/.cache/sardoxa/presets");
        return presets.open(QIODevice::ReadOnly) ? presets.readAll() : QByteArray();
    }
    void writeFile(const QByteArray &bytes) {
        QDir().mkpath(home.path() + "/.cache/sardoxa");
        QFile presets(home.path() + "/.cache/sardoxa/presets");
        presets.open(QIODevice::WriteOnly);
        presets.write(bytes);
    }
    QStringList stored() const {
        return readPresetList(file()).value_or(QStringList{"unreadable"});
    }
    static QStringList sizes(int from, int count) {
        QStringList list;
        for (int i = from; i < from + count; ++i)
            list << QStringLiteral("{%1, -1}").arg(i);
        return list;
    }
    // Chooses a size for a job of no images, which starts and ends at once.
    void choose(const Size &size) {
        {
            std::lock_guard lock(delegate.registryMutex);
            delegate.globalTasks.insert(QStringLiteral("/job"), {});
        }
        delegate.addPreset(size, QStringLiteral("/job"));
        platform.mainQueue().drain();
    }

    TempHome home;
    FakePlatform platform;
    ZAVAppDelegate delegate{platform};
};

} // namespace

TEST(PresetList, ReadsWhatItWritesAndNothingElse) {
    const QStringList list{"{640, 480}", "{-1, 1080}", "a < & > \"b\""};
    const QByteArray plist = writePresetList(list);
    EXPECT_TRUE(plist.contains("<plist version=\"1.0\">")) << plist.constData();
    EXPECT_EQ(readPresetList(plist), list);

    EXPECT_EQ(readPresetList(""), std::nullopt);
    EXPECT_EQ(readPresetList(QByteArray("\x89PNG\r\n\x1a\n\0\0garbage", 18)), std::nullopt);
    EXPECT_EQ(readPresetList("<plist><dict><key>a</key><string>b</string></dict></plist>"),
              std::nullopt);
    EXPECT_EQ(readPresetList("<plist><string>{1, 2}</string></plist>"), std::nullopt);
    EXPECT_EQ(readPresetList("<plist><array><string>{1, 2}</string>"), std::nullopt); // cut short
    EXPECT_EQ(readPresetList("<plist><array><integer>5</integer><real>2.5</real></array></plist>"),
              QStringList{});
    EXPECT_EQ(readPresetList("<plist><array><integer>5</integer><string>{1, 2}</string>"
                             "<array><string>{3, 4}</string></array></array></plist>"),
              QStringList{"{1, 2}"});
}

TEST(PresetList, NewSizesGoFirstAndTheListKeepsTen) {
    EXPECT_EQ(withNewPreset({}, "{1, -1}"), QStringList{"{1, -1}"});
    EXPECT_EQ(withNewPreset({"{1, -1}", "{2, -1}"}, "{2, -1}"), std::nullopt);
    const QStringList nine{"a", "b", "c", "d", "e", "f", "g", "h", "i"};
    EXPECT_EQ(withNewPreset(nine, "n"), QStringList{"n"} + nine);
    const QStringList ten = nine + QStringList{"j"};
    EXPECT_EQ(withNewPreset(ten, "n"), QStringList{"n"} + nine);
    const QStringList twelve = ten + QStringList{"k", "l"};
    EXPECT_EQ(withNewPreset(twelve, "n"), QStringList{"n"} + nine);
}

TEST_F(PresetStore, TheFirstChoiceMakesTheFileAndTheJobStarts) {
    EXPECT_EQ(delegate.presets(), std::nullopt);
    choose({300, -1});
    EXPECT_EQ(stored(), QStringList{"{300, -1}"});
    EXPECT_EQ(delegate.presets(), QStringList{"{300, -1}"});
    EXPECT_TRUE(delegate.globalTasks.isEmpty()); // the job ran and left the registry
    EXPECT_TRUE(delegate.globalSizes.isEmpty());
}

TEST_F(PresetStore, AKnownSizeLeavesTheFileByteForByte) {
    writeFile(writePresetList(sizes(1, 12)).replace("\t", "  "));
    const QByteArray before = file();
    choose({7, -1});
    EXPECT_EQ(file(), before);
    EXPECT_TRUE(delegate.globalTasks.isEmpty());

    choose({99, -1}); // a new one cuts the foreign list to nine behind it
    EXPECT_EQ(stored(), QStringList{"{99, -1}"} + sizes(1, 9));
}

TEST_F(PresetStore, ANonNormalEntryCountsAsAnotherSize) {
    writeFile(writePresetList({"{640,480}"}));
    choose({640, 480});
    EXPECT_EQ(stored(), (QStringList{"{640, 480}", "{640,480}"}));
}

TEST_F(PresetStore, AnUnreadableFileIsNoPresetsAndIsReplaced) {
    const QByteArray unreadable[] = {
        QByteArray("\x00\x01\x02garbage\xff", 11),
        "<plist version=\"1.0\"><dict><key>a</key><string>b</string></dict></plist>",
        "<plist version=\"1.0\"><string>{640, 480}</string></plist>",
        "<plist "
        "version=\"1.0\"><array><integer>640</integer><integer>480</integer></array></plist>",
        "<plist version=\"1.0\"><array/></plist>",
    };
    for (const QByteArray &bytes : unreadable) {
        writeFile(bytes);
        EXPECT_EQ(delegate.presets(), std::nullopt) << bytes.constData();
        choose({50, 50});
        EXPECT_EQ(stored(), QStringList{"{50, 50}"}) << bytes.constData();
    }
}

TEST_F(PresetStore, ACachesFolderThatCannotBeWrittenStillRunsTheJob) {
    // A file where the caches folder should be.
    QDir().mkpath(home.path() + "/.cache");
    QFile blocker(home.path() + "/.cache/sardoxa");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    ::testing::internal::CaptureStderr();
    choose({120, 80});
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("could not remember the size {120, 80}"), std::string::npos) << log;
    EXPECT_TRUE(delegate.globalTasks.isEmpty());
    EXPECT_EQ(platform.shown.filter("alert"), QStringList{});
}
