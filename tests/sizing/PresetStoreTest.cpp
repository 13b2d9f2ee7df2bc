#include "core/platform/MainQueue.h"
#include "core/sizing/PresetList.h"
#include "desktop/app/ZAVWelcomeWindowController.h"
#include "desktop/sizing/ZAVButton.h"
#include "desktop/sizing/ZAVSizePickerView.h"
#include "desktop/sizing/ZAVSizePickerWindow.h"
#include "desktop/sizing/ZAVSizePickerWindowController.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>

#include "DelegateFixture.h"
#include "Images.h"
#include "Sardoxa.h"

namespace {

class PresetStore : public DelegateTest {
protected:
    QByteArray file() const {
        QFile presets(home.presetsFile());
        return presets.open(QIODevice::ReadOnly) ? presets.readAll() : QByteArray();
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
        registerJob("/job", {});
        delegate.addPreset(size, QStringLiteral("/job"));
        platform.mainQueue().drain();
    }
};

// The size picker's real widgets, as the user works them.
class LastSize : public DelegateTest {
protected:
    LastSize()
        : DelegateTest(true) {
        delegate.welcomeWindowController.reset();
    }
    // Opens the size picker for a job of no images and lets `choose` work it.
    void pick(const QString &key,
              const std::function<void(ZAVSizePickerWindowController &)> &choose) {
        registerJob(key, {});
        ASSERT_TRUE(delegate.shouldChooseSize(key, delegate.presets()));
        QApplication::setActiveWindow(delegate.sizeWindowController->window());
        choose(*delegate.sizeWindowController);
        delegate.waitForHandOffs();
        platform.mainQueue().drain();
        EXPECT_TRUE(delegate.globalTasks.isEmpty()); // the job ran
    }
};

} // namespace

TEST_F(PresetStore, TheFirstChoiceMakesTheFileAndAKnownSizeLeavesItByteForByte) {
    EXPECT_EQ(delegate.presets(), std::nullopt);
    choose({300, -1});
    EXPECT_EQ(stored(), QStringList{"{300, -1}"});
    EXPECT_TRUE(delegate.globalTasks.isEmpty()); // the job ran

    const QStringList awkward{"{640, 480}", "{-1, 1080}", "a < & > \"b\"", "\r\n\r"};
    EXPECT_EQ(readPresetList(writePresetList(awkward)), awkward);
    writeFile(home.presetsFile(), writePresetList(sizes(1, 12)).replace("\t", "  "));
    const QByteArray before = file();
    choose({7, -1});
    EXPECT_EQ(file(), before);
    choose({99, -1}); // a new one cuts the foreign list to nine behind it
    EXPECT_EQ(stored(), QStringList{"{99, -1}"} + sizes(1, 9));

    writePresets({"{640,480}"}); // not written as we write it: another size
    choose({640, 480});
    EXPECT_EQ(stored(), (QStringList{"{640, 480}", "{640,480}"}));
}

TEST_F(PresetStore, AnUnreadableFileIsNoPresetsAndIsReplaced) {
    const QByteArray unreadable[] = {
        QByteArray("\x00\x01\x02garbage\xff", 11),
        "",
        "<plist version=\"1.0\"><dict><key>a</key><string>b</string></dict></plist>",
        "<plist version=\"1.0\"><string>{640, 480}</string></plist>",
        "<plist><array><string>{1, 2}</string>", // cut short
        "<plist version=\"1.0\"><array><integer>640</integer><real>2.5</real></array></plist>",
        "<plist version=\"1.0\"><array/></plist>",
        writePresetList({"{640, 480}"}) + QByteArray(64 * 1024, ' '), // far larger than sizes take
        writePresetList({"{nan, 5}", "{0, 0}", "{-2, 5}", "{1e39, 1}", "640x480", "{1, 2, 3}"}),
    };
    for (const QByteArray &bytes : unreadable) {
        writeFile(home.presetsFile(), bytes);
        EXPECT_EQ(delegate.presets(), std::nullopt) << bytes.constData();
        choose({50, 50});
        EXPECT_EQ(stored(), QStringList{"{50, 50}"}) << bytes.constData();
    }
    // Entries that are not sizes are passed over, and go when the file is written.
    writePresets({"{nan, 5}", "{640, 480}", "{-1, -1}", "{99999, 99999}"});
    EXPECT_EQ(delegate.presets(), (QStringList{"{640, 480}", "{99999, 99999}"}));
    choose({50, 50});
    EXPECT_EQ(stored(), (QStringList{"{50, 50}", "{640, 480}", "{99999, 99999}"}));
    // Entries that are not strings are passed over, nested arrays too.
    EXPECT_EQ(readPresetList("<plist><array><integer>5</integer><string>{1, 2}</string>"
                             "<array><string>{3, 4}</string></array></array></plist>"),
              QStringList{"{1, 2}"});
}

TEST_F(PresetStore, ACachesFolderThatCannotBeWrittenStillRunsTheJob) {
    QDir().mkpath(home.path() + "/.cache");
    QFile blocker(home.path() + "/.cache/sardoxa"); // a file where the caches folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const std::string log = logOf([&] { choose({120, 80}); });
    EXPECT_NE(log.find("could not remember the size {120, 80}"), std::string::npos) << log;
    EXPECT_TRUE(delegate.globalTasks.isEmpty());
    EXPECT_EQ(platform.shown.filter("alert"), QStringList{});
}

TEST_F(LastSize, IsTheSizeTypedClickedOrGivenLastWhereverItStandsAmongThePresets) {
    writePresets({"{150, 150}"});
    pick("/typed", [](ZAVSizePickerWindowController &picker) {
        picker.widthField()->setText("80");
        picker.heightField()->setText("60");
        picker.heightField()->setFocus();
        QTest::keyClick(picker.heightField(), Qt::Key_Return);
    });
    pick("/clicked", [](ZAVSizePickerWindowController &picker) {
        for (ZAVButton *button : picker.view()->findChildren<ZAVButton *>()) {
            if (button->text() == "150 x 150")
                QTest::mouseClick(button, Qt::LeftButton);
        }
    });
    // The clicked size keeps its place among the presets.
    EXPECT_EQ(delegate.presets(), (QStringList{"{80, 60}", "{150, 150}"}));

    const QString source = image("a.png", 300, 300);
    const auto lastWidth = [&](const QString &out) {
        EXPECT_EQ(runSardoxa({"--size", "last", "-o", out, source}).exitCode, 0);
        return Images::load(out + "/a.tif").width();
    };
    EXPECT_EQ(lastWidth(home.path() + "/clicked"), 150);
    EXPECT_EQ(runSardoxa({"--size", "70x*", "-o", home.path() + "/given", source}).exitCode, 0);
    EXPECT_EQ(lastWidth(home.path() + "/after"), 70);
}
