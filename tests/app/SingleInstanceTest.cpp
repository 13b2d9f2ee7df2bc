#include "core/app/SingleInstance.h"
#include "core/app/InstanceMessage.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "Fixture.h"
#include "Images.h"

namespace {

using Status = InstanceMessage::Decoded::Status;

// Starts the real program as a second launch and lets this process's event loop answer it. It
// has no display: the hand-off must not need one.
int launch(const QStringList &arguments, const QString &workingDirectory = QString()) {
    QProcess process;
    QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        bare.remove(name);
    process.setProcessEnvironment(bare);
    process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral(SARDOXA_BINARY), arguments);
    if (!waitFor([&] { return process.state() == QProcess::NotRunning; }))
        process.kill();
    process.waitForFinished();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// Starts the real application as the running instance; it is up once its socket answers.
bool startRunning(QProcess &process, const TempHome &home) {
    process.start(QStringLiteral(SARDOXA_BINARY), {});
    return waitFor([&] {
        QLocalSocket probe;
        probe.connectToServer(home.runtime() + "/sardoxa.socket");
        return probe.waitForConnected(100);
    });
}

} // namespace

TEST(InstanceMessage, RoundTripsAwkwardPathsAndNeedsTheWholeFrame) {
    const QStringList paths{QStringLiteral("/home/u/a b/it's \"quoted\".jpg"),
                            QStringLiteral("/home/u/new\nline.png"),
                            QStringLiteral("/home/u/Ümlaut/日本.gif")};
    const QByteArray frame = InstanceMessage::encode(paths);

    const InstanceMessage::Decoded whole = InstanceMessage::decode(frame);
    EXPECT_EQ(whole.status, Status::Complete);
    EXPECT_EQ(whole.paths, paths);

    for (qsizetype cut = 0; cut < frame.size(); ++cut)
        EXPECT_EQ(InstanceMessage::decode(frame.left(cut)).status, Status::Incomplete) << cut;

    const InstanceMessage::Decoded reopen = InstanceMessage::decode(InstanceMessage::encode({}));
    EXPECT_EQ(reopen.status, Status::Complete);
    EXPECT_TRUE(reopen.paths.isEmpty());
}

TEST(InstanceMessage, RejectsWhatNoLaunchSends) {
    const auto framed = [](quint32 length, const QByteArray &body) {
        QByteArray bytes("SXD1");
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.append(char((length >> shift) & 0xff));
        return bytes + body;
    };
    EXPECT_EQ(InstanceMessage::decode("SX").status, Status::Incomplete);
    for (const QByteArray &bytes : {QByteArray("GET / HTTP/1.1\r\n"), framed(0xffffffff, {}),
                                    framed(3, "abc"), framed(3, QByteArray("a\0\0", 3))})
        EXPECT_EQ(InstanceMessage::decode(bytes).status, Status::Invalid) << bytes.toStdString();
}

TEST(SingleInstance, AfterAHardKillTheNextInstanceGetsTheAbsolutePathsOrAReopenOfLaterLaunches) {
    TempHome home;
    EXPECT_EQ(launch({home.path() + "/a.png"}), 1); // nothing to hand to, nowhere to show windows
    QProcess first;
    ASSERT_TRUE(startRunning(first, home));
    first.kill(); // SIGKILL: the lock and the socket file stay behind
    first.waitForFinished();
    ASSERT_TRUE(QFileInfo::exists(home.runtime() + "/sardoxa.lock"));
    ASSERT_TRUE(QFileInfo::exists(home.runtime() + "/sardoxa.socket"));

    SingleInstance running;
    ASSERT_EQ(running.claim({}), SingleInstance::Role::Primary);
    ASSERT_TRUE(running.listen());
    QSignalSpy opened(&running, &SingleInstance::openRequested);
    QSignalSpy reopened(&running, &SingleInstance::reopenRequested);
    EXPECT_EQ(launch({QStringLiteral("a.jpg"), QStringLiteral("sub dir/b.png")}, home.path()), 0);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0][0].toStringList(),
              (QStringList{home.path() + "/a.jpg", home.path() + "/sub dir/b.png"}));
    EXPECT_EQ(launch({}), 0);
    EXPECT_EQ(reopened.size(), 1);
    EXPECT_EQ(opened.size(), 1);
}

TEST(SingleInstance, TheRunningApplicationTakesInWhatASecondLaunchHandsIt) {
    TempHome home;
    QProcess running;
    ASSERT_TRUE(startRunning(running, home));
    const QString day = home.productFolder() + '/' + QDate::currentDate().toString("yyyy-MM-dd");
    EXPECT_FALSE(QFileInfo::exists(day));

    // The intake of the handed paths makes the day's folder and asks for a size.
    QDir().mkpath(home.path() + "/in");
    Images::save(Images::verticalStripes(20, 10, {{1, 2, 3}}), home.path() + "/in/a.png");
    EXPECT_EQ(launch({home.path() + "/in"}), 0);
    EXPECT_TRUE(waitFor([&] { return QFileInfo::exists(day); }));
    running.kill();
    running.waitForFinished();
}
