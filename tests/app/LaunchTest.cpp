#include "core/app/Localized.h"
#include "core/app/Translations.h"
#include "core/platform/FakePlatform.h"
#include "core/platform/OperationQueue.h"
#include "desktop/about/daskel/ZAVWindowController.h"
#include "desktop/app/AppPresence.h"
#include "desktop/app/ZAVAppDelegate.h"
#include "desktop/app/ZAVWelcomeWindowController.h"
#include "desktop/platform/DesktopPlatform.h"

#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include "DelegateFixture.h"
#include "Images.h"

namespace {

class Launch : public ::testing::Test {
protected:
    TempHome home;
    FakePlatform platform;
};

} // namespace

TEST_F(Launch, TheLaunchSequenceFollowsTheFirstLaunchFlagAndTheProductFolder) {
    const struct {
        const char *name;
        bool folderThere;
        QVariant flag; // stored before the launch
        bool windows;
        bool welcome;
        QStringList pictures;
    } cases[] = {
        {"first launch", false, {}, true, true, {"Sardoxa"}},
        {"later launch, folder deleted", false, false, true, false, {"Sardoxa"}},
        {"first launch, folder there", true, {}, true, true, {"Sardoxa", "Sardoxa 1717243199"}},
        {"flag stored as true", true, true, true, true, {"Sardoxa", "Sardoxa 1717243199"}},
        {"no windows", false, {}, false, false, {"Sardoxa"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TempHome home;
        FakePlatform platform;
        platform.setHasWindows(c.windows);
        platform.setNow(QDateTime::fromMSecsSinceEpoch(1717243199'999LL));
        if (c.folderThere)
            QDir().mkpath(home.productFolder());
        if (c.flag.isValid())
            QSettings(platform.preferencesFile(), QSettings::IniFormat)
                .setValue("SXFirstLaunch", c.flag);

        ZAVAppDelegate delegate(platform);
        delegate.applicationDidFinishLaunching();
        delegate.waitForHandOffs(); // the folders are made off the main thread
        EXPECT_EQ(bool(delegate.welcomeWindowController), c.welcome);
        delegate.applicationShouldHandleReopen(); // a welcome window wherever there are windows
        EXPECT_EQ(bool(delegate.welcomeWindowController), c.windows);
        EXPECT_EQ(QDir(home.pictures()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name),
                  c.pictures);
        EXPECT_EQ(
            QSettings(platform.preferencesFile(), QSettings::IniFormat).value("SXFirstLaunch"),
            false);
        // With the flag cleared, jobs go into the product folder, never the sibling.
        EXPECT_EQ(delegate.targetFolder(), home.productFolder());
        EXPECT_EQ(delegate.batch->queue().maxConcurrentOperationCount(), 4);
    }
}

TEST_F(Launch, EveryReopenMakesANewWelcomeWindowAndOnlyTheLastOneIsHeldAndHidden) {
    ZAVAppDelegate delegate(platform);
    delegate.hideWelcome(); // nothing shown yet: nothing happens
    delegate.applicationDidFinishLaunching();

    std::vector<QPointer<QWidget>> windows;
    for (int click = 0; click < 3; ++click) {
        EXPECT_TRUE(delegate.applicationShouldHandleReopen());
        windows.emplace_back(delegate.welcomeWindowController->window());
    }
    EXPECT_FALSE(windows[0] || windows[1]); // the earlier ones went with their controllers
    ASSERT_TRUE(windows[2]);
    EXPECT_TRUE(windows[2]->isVisible());

    delegate.hideWelcome();
    ASSERT_TRUE(windows[2]);
    EXPECT_FALSE(windows[2]->isVisible());
}

TEST(Presence, WithoutATrayEveryBatchEndsTheApplicationOnceItsFolderHasBeenOpened) {
    // A session bus with no file manager on it: each request to show a folder gets an error.
    PrivateSessionBus bus;
    ASSERT_FALSE(bus.address.isEmpty());
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address.toUtf8());
    TempHome home;
    const QString image =
        writeFile(home.path() + "/in/a.png", Images::encoded(Images::noise(60, 40), ".png"));

    DesktopPlatform platform;
    ZAVAppDelegate delegate(platform);
    delegate.applicationDidFinishLaunching();
    AppPresence presence(delegate, nullptr); // the offscreen platform has no tray
    QTimer stuck;
    QObject::connect(&stuck, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        const QString key = delegate.makeJobFolder();
        delegate.globalTasks.registerJob(key, {image, image, image});
        // The last window goes, and the batch is what keeps the application: a preset's or a
        // typed size's, which reaches its job on a worker.
        delegate.hideWelcome();
        if (round % 2)
            delegate.handOffPreset({20, -1}, key);
        else
            delegate.addPreset({20, -1}, key);
        stuck.start(30000);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(QApplication::exec(), 0) << "still running, nothing shown";
        // Offscreen, no program opens folders: what the fallback said shows the answer came first.
        const std::string log = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(log.find("no program could open the folder " + key.toStdString()),
                  std::string::npos)
            << log;
    }
    // With nothing to do, hiding the last window ends it.
    delegate.applicationShouldHandleReopen();
    QTimer::singleShot(0, [&] { delegate.hideWelcome(); });
    EXPECT_EQ(QApplication::exec(), 0);
}

TEST_F(Launch, ReturnPressesTheFocusedButtonOfTheWelcomeWindow) {
    ZAVAppDelegate delegate(platform);
    delegate.applicationDidFinishLaunching();
    QWidget *window = delegate.welcomeWindowController->window();
    QApplication::setActiveWindow(window);
    auto *about = window->findChild<QPushButton *>("aboutButton");
    ASSERT_TRUE(about);
    about->setFocus();
    QTest::keyClick(about, Qt::Key_A); // other keys leave it alone
    EXPECT_FALSE(about->isDown());
    QTest::keyClick(about, Qt::Key_Return);
    QTRY_VERIFY(delegate.aboutWindowController &&
                delegate.aboutWindowController->window()->isVisible());
}

TEST_F(Launch, TheWelcomeWindowsChoiceIsRememberedForTheNextLaunch) {
    for (const bool on : {true, false}) {
        SCOPED_TRACE(on ? "on" : "off");
        ZAVAppDelegate delegate(platform);
        delegate.applicationDidFinishLaunching();
        delegate.applicationShouldHandleReopen();
        QWidget *window = delegate.welcomeWindowController->window();
        // The other choices are in the Preferences window.
        EXPECT_EQ(window->findChildren<QCheckBox *>().size(), 1);
        auto *box = window->findChild<QCheckBox *>("removeLocationBox");
        ASSERT_TRUE(box);
        EXPECT_EQ(box->isChecked(), !on); // as the last launch left it
        box->click();
        EXPECT_EQ(delegate.chooses(Choice::removeLocation), on);
        EXPECT_EQ(QSettings(platform.preferencesFile(), QSettings::IniFormat)
                      .value("SXRemoveLocation")
                      .toBool(),
                  on);
        // A choice made elsewhere shows at once.
        delegate.setChoice(Choice::removeLocation, !on);
        EXPECT_EQ(box->isChecked(), !on);
        delegate.setChoice(Choice::removeLocation, on);
    }
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
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(socket); }));

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
    const QDeadlineTimer deadline(30000); // the protocol goes on as long as the window is shown
    while (!(protocol.contains(title) && protocol.contains("ack_configure") &&
             protocol.contains(drawn)) &&
           sardoxa.waitForReadyRead(int(deadline.remainingTime())))
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

TEST(Translations, TheGermanTableIsBuiltInAndUnknownKeysShowTheEnglishText) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    installTranslations();

    EXPECT_EQ(localized("Quit"), QStringLiteral("Beenden"));
    EXPECT_EQ(localized("Open Images…"), QStringLiteral("Bilder öffnen …"));
    EXPECT_EQ(localized("Sardoxa"), QStringLiteral("Sardoxa"));
    EXPECT_EQ(localized("A text nobody translated"), QStringLiteral("A text nobody translated"));
    EXPECT_EQ(localizedCount("%n image(s) resized", 1), QStringLiteral("1 Bild skaliert"));
    EXPECT_EQ(localizedCount("%n image(s) resized", 12), QStringLiteral("12 Bilder skaliert"));
}
