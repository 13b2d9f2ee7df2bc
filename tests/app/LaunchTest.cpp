#include "core/platform/FakePlatform.h"
#include "core/platform/OperationQueue.h"
#include "desktop/about/daskel/ZAVWindowController.h"
#include "desktop/app/AppPresence.h"
#include "desktop/app/ZAVAppDelegate.h"
#include "desktop/app/ZAVWelcomeWindowController.h"
#include "desktop/platform/DesktopPlatform.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include "Images.h"
#include "TempHome.h"

namespace {

class Launch : public ::testing::Test {
protected:
    QVariant storedFlag() const {
        return QSettings(platform.preferencesFile(), QSettings::IniFormat)
            .value(QStringLiteral("SXFirstLaunch"));
    }
    void storeFlag(bool value) {
        QSettings settings(platform.preferencesFile(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("SXFirstLaunch"), value);
    }
    bool welcomeVisible(const ZAVAppDelegate &delegate) const {
        return delegate.welcomeWindowController &&
               delegate.welcomeWindowController->window()->isVisible();
    }
    QStringList picturesEntries() const {
        return QDir(home.pictures()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
    }

    TempHome home;
    FakePlatform platform;
};

} // namespace

TEST_F(Launch, FirstLaunchShowsTheWelcomeWindowMakesTheProductFolderAndClearsTheFlag) {
    ZAVAppDelegate delegate(platform);
    delegate.applicationDidFinishLaunching();

    EXPECT_TRUE(welcomeVisible(delegate));
    EXPECT_TRUE(QFileInfo(home.productFolder()).isDir());
    EXPECT_EQ(picturesEntries(), QStringList{QStringLiteral("Sardoxa")});
    EXPECT_EQ(storedFlag(), QVariant(false));
    EXPECT_EQ(delegate.allowedFormats, (QStringList{"png", "tiff", "tif", "jpeg", "jpg", "gif"}));
    EXPECT_EQ(delegate.folderFormat, QStringLiteral("yyyy-MM-dd"));
    EXPECT_EQ(delegate.queue->maxConcurrentOperationCount(), 4);
    EXPECT_TRUE(delegate.globalTasks.isEmpty());
    EXPECT_TRUE(delegate.globalSizes.isEmpty());
}

TEST_F(Launch, LaterLaunchShowsNoWindowAndMakesADeletedProductFolderAgain) {
    ZAVAppDelegate(platform).applicationDidFinishLaunching();
    ASSERT_TRUE(QDir(home.productFolder()).removeRecursively());

    ZAVAppDelegate later(platform);
    later.applicationDidFinishLaunching();

    EXPECT_FALSE(later.welcomeWindowController);
    EXPECT_TRUE(QFileInfo(home.productFolder()).isDir());
    EXPECT_EQ(picturesEntries(), QStringList{QStringLiteral("Sardoxa")});
    EXPECT_EQ(storedFlag(), QVariant(false));
}

TEST_F(Launch, FirstLaunchThatFindsTheProductFolderMakesAnEmptySiblingNamedAfterTheSeconds) {
    ASSERT_TRUE(QDir().mkpath(home.productFolder()));
    platform.setNow(QDateTime::fromMSecsSinceEpoch(1717243199'999LL));

    ZAVAppDelegate delegate(platform);
    delegate.applicationDidFinishLaunching();

    EXPECT_EQ(picturesEntries(),
              (QStringList{QStringLiteral("Sardoxa"), QStringLiteral("Sardoxa 1717243199")}));
    EXPECT_TRUE(QDir(home.productFolder() + QStringLiteral(" 1717243199")).isEmpty());
    // With the flag cleared, jobs go into the product folder, not the sibling.
    EXPECT_EQ(delegate.targetFolder(), home.productFolder());
}

TEST_F(Launch, AFlagFoundStoredAsTrueRepeatsTheFirstLaunch) {
    ASSERT_TRUE(QDir().mkpath(home.productFolder()));
    storeFlag(true);
    platform.setNow(QDateTime::fromSecsSinceEpoch(1500000000));

    ZAVAppDelegate delegate(platform);
    delegate.applicationDidFinishLaunching();

    EXPECT_TRUE(welcomeVisible(delegate));
    EXPECT_TRUE(QFileInfo(home.productFolder() + QStringLiteral(" 1500000000")).isDir());
    EXPECT_EQ(storedFlag(), QVariant(false));
}

TEST_F(Launch, EveryReopenMakesANewWelcomeWindowAndOnlyTheLastOneIsHeldAndHidden) {
    ZAVAppDelegate delegate(platform);
    delegate.hideWelcome(); // nothing shown yet: nothing happens
    delegate.applicationDidFinishLaunching();

    std::vector<QPointer<QWidget>> windows;
    std::vector<ZAVWelcomeWindowController *> controllers;
    for (int click = 0; click < 3; ++click) {
        EXPECT_TRUE(delegate.applicationShouldHandleReopen());
        controllers.push_back(delegate.welcomeWindowController.get());
        windows.emplace_back(delegate.welcomeWindowController->window());
    }
    EXPECT_NE(controllers[0], controllers[2]);
    EXPECT_NE(controllers[1], controllers[2]);
    EXPECT_FALSE(windows[0]);
    EXPECT_FALSE(windows[1]);
    ASSERT_TRUE(windows[2]);
    EXPECT_TRUE(windows[2]->isVisible());

    delegate.hideWelcome();
    ASSERT_TRUE(windows[2]);
    EXPECT_FALSE(windows[2]->isVisible());
}

TEST_F(Launch, WithoutWindowsTheLaunchStillMakesItsFoldersAndFlag) {
    platform.setHasWindows(false);
    ZAVAppDelegate delegate(platform);
    delegate.applicationDidFinishLaunching();
    delegate.applicationShouldHandleReopen();

    EXPECT_FALSE(delegate.welcomeWindowController);
    EXPECT_TRUE(QFileInfo(home.productFolder()).isDir());
    EXPECT_EQ(storedFlag(), QVariant(false));
}

TEST_F(Launch, WithoutATrayTheApplicationQuitsOnceNothingIsShownAndNoJobWaits) {
    ZAVAppDelegate delegate(platform);
    delegate.applicationDidFinishLaunching();
    AppPresence presence(delegate, nullptr);
    ASSERT_TRUE(welcomeVisible(delegate)); // the offscreen platform has no tray

    // 99 when the application is still there once the window's hiding has been dealt with.
    const auto exitCodeAfterHiding = [&] {
        delegate.applicationShouldHandleReopen();
        QTimer stillThere;
        stillThere.setSingleShot(true);
        // One more turn of the loop: a quit asked for in this one ends the loop first.
        QObject::connect(&stillThere, &QTimer::timeout, [&stillThere] {
            QTimer::singleShot(0, &stillThere, [] { QCoreApplication::exit(99); });
        });
        QTimer::singleShot(0, [&] {
            delegate.hideWelcome(); // the look at whether to quit is queued here, before ours
            stillThere.start(0);
        });
        return QApplication::exec();
    };

    // A typed size on its way to its job keeps the application, though no window is left: the
    // hand-off waits here for the registry.
    std::unique_lock registry(delegate.registryMutex);
    delegate.handOffPreset({300, -1}, QStringLiteral("/job"));
    EXPECT_EQ(exitCodeAfterHiding(), 99);

    registry.unlock();
    delegate.waitForHandOffs();
    platform.mainQueue().drain();
    EXPECT_EQ(exitCodeAfterHiding(), 0);
}

TEST(Presence, WithoutATrayEveryBatchEndsTheApplicationOnceItsFolderHasBeenOpened) {
    // A session bus with no file manager on it: each request to show a folder gets an error.
    QProcess bus;
    bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    ASSERT_TRUE(bus.waitForReadyRead(10000));
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.readLine().trimmed());
    TempHome home;
    const QString image = home.path() + "/in/a.png";
    QDir().mkpath(home.path() + "/in");
    Images::save(Images::verticalStripes(60, 40, {{10, 20, 30}}), image);

    DesktopPlatform platform;
    ZAVAppDelegate delegate(platform);
    delegate.applicationDidFinishLaunching();
    delegate.hideWelcome();
    AppPresence presence(delegate, nullptr); // the offscreen platform has no tray
    for (int round = 0; round < 20; ++round) {
        const QString key = delegate.makeJobFolder();
        {
            std::lock_guard lock(delegate.registryMutex);
            delegate.globalTasks.insert(key, {image, image, image});
        }
        delegate.addPreset({20, -1}, key);
        QTimer stuck;
        QObject::connect(&stuck, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        stuck.start(30000);
        ::testing::internal::CaptureStderr();
        ASSERT_EQ(QApplication::exec(), 0) << "round " << round << ": still running, nothing shown";
        // Offscreen, no program opens folders: what the fallback said shows the answer came first.
        const std::string log = ::testing::internal::GetCapturedStderr();
        ASSERT_NE(log.find("no program could open the folder " + key.toStdString()),
                  std::string::npos)
            << "round " << round << "\n"
            << log;
    }
    bus.kill();
    bus.waitForFinished();
}

TEST_F(Launch, ReturnPressesTheFocusedButtonOfTheWelcomeWindow) {
    ZAVAppDelegate delegate(platform);
    delegate.applicationDidFinishLaunching();
    QWidget *window = delegate.welcomeWindowController->window();
    QApplication::setActiveWindow(window);
    auto *about = window->findChild<QPushButton *>("aboutButton");
    ASSERT_TRUE(about);
    about->setFocus();
    QTest::keyClick(about, Qt::Key_Return);
    QTRY_VERIFY(delegate.aboutWindowController &&
                delegate.aboutWindowController->window()->isVisible());
}

TEST(Wayland, TheApplicationShowsItsWindowOnAWaylandCompositor) {
    if (QStandardPaths::findExecutable("weston").isEmpty())
        GTEST_SKIP() << "no weston here";
    TempHome home;
    // Weston's headless back end: a real compositor, no screen.
    QProcess weston;
    weston.start("weston",
                 {"--backend=headless-backend.so", "--socket=sardoxa-test", "--idle-time=0"});
    ASSERT_TRUE(weston.waitForStarted());
    const QString socket = home.runtime() + "/sardoxa-test";
    for (int wait = 0; wait < 100 && !QFileInfo::exists(socket); ++wait)
        QThread::msleep(100);
    ASSERT_TRUE(QFileInfo::exists(socket));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "wayland");
    environment.insert("WAYLAND_DISPLAY", "sardoxa-test");
    environment.insert("WAYLAND_DEBUG", "client"); // the protocol as the client speaks it
    environment.remove("DISPLAY");
    QProcess sardoxa;
    sardoxa.setProcessEnvironment(environment);
    sardoxa.setReadChannel(QProcess::StandardError);
    sardoxa.start(SARDOXA_BINARY, {});
    // The welcome window gets its title, the compositor's configure, and a first picture.
    const QRegularExpression title("xdg_toplevel@\\d+\\.set_title\\(\"Sardoxa\"\\)");
    const QRegularExpression drawn("wl_surface@\\d+\\.attach\\(wl_buffer@\\d+");
    QString protocol;
    while (!(protocol.contains(title) && protocol.contains("ack_configure") &&
             protocol.contains(drawn)) &&
           sardoxa.waitForReadyRead(20000))
        protocol += QString::fromUtf8(sardoxa.readAll());
    EXPECT_TRUE(protocol.contains(title));
    EXPECT_TRUE(protocol.contains("ack_configure"));
    EXPECT_TRUE(protocol.contains(drawn)) << protocol.right(2000).toStdString();
    EXPECT_EQ(sardoxa.state(), QProcess::Running);
    sardoxa.kill();
    sardoxa.waitForFinished();
    weston.kill();
    weston.waitForFinished();
}
