// What an attacker or a careless user could do to the real program: leftovers named like real
// files, links, a full disk, another user's socket, a launch without a display, a kill.
#include "core/sizing/PresetList.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utime.h>

#include "DelegateFixture.h"
#include "Images.h"
#include "Sardoxa.h"

namespace {

class Safety : public HomeTest {
protected:
    // A file left alone long enough for a start to take it for a leftover, marked as the
    // program marks the named temporary files it makes where unnamed ones cannot be, or not:
    // then the user's own.
    static void plantOld(const QString &path, uid_t owner = ::geteuid(), bool marked = true) {
        writeFile(path, {});
        if (marked) { // braces: the macro holds an if of its own
            ASSERT_EQ(
                ::setxattr(QFile::encodeName(path).constData(), "user.sardoxa", "partial", 7, 0),
                0);
        }
        const struct utimbuf old = {0, 1};
        ::utime(QFile::encodeName(path).constData(), &old);
        if (owner != ::geteuid()) { // braces: the macro holds an if of its own
            ASSERT_EQ(::chown(QFile::encodeName(path).constData(), owner, owner), 0);
        }
    }
};

constexpr uid_t nobody = 65534;

} // namespace

TEST_F(Safety, TheStartUpCleanUpRemovesOnlyItsOwnLeftoversInDayAndOutputFolders) {
    const QString out = home.path() + "/out";
    const QString leftover = today() + "/.sardoxa-k3j2h1.partial";
    const QString leftoverOut = out + "/.sardoxa-k3j2h6.partial";
    const QString output = today() + "/.sardoxa-holiday.tif"; // a real output, of such a source
    const QString atTop = home.productFolder() + "/.sardoxa-k3j2h2.partial";
    const QString elsewhere = home.path() + "/other-disk/.sardoxa-k3j2h3.partial";
    const QString others = today() + "/.sardoxa-k3j2h4.partial";
    const QString usersOwn[] = {today() + "/.sardoxa-k3j2h5.partial", out + "/.sardoxa-x.partial"};
    for (const QString &path : {leftover, leftoverOut, output, atTop, elsewhere})
        plantOld(path);
    for (const QString &path : usersOwn)
        plantOld(path, ::geteuid(), false);
    if (::geteuid() == 0)
        plantOld(others, nobody);
    ASSERT_TRUE(QFile::link(home.path() + "/other-disk", home.productFolder() + "/2020-01-01"));

    const Outcome run = runSardoxa({"--size", "30x20", "-o", out, image("a.png", 300, 200)});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(leftover));
    EXPECT_FALSE(QFileInfo::exists(leftoverOut));
    for (const QString &kept : {output, atTop, elsewhere, usersOwn[0], usersOwn[1]})
        EXPECT_TRUE(QFileInfo::exists(kept)) << kept.toStdString();
    if (::geteuid() == 0) {
        EXPECT_TRUE(QFileInfo::exists(others));
    }
}

TEST_F(Safety, AWriteThatFailsKeepsTheOldPresetsAndPreferencesAndSaysSo) {
    const QString presets = home.presetsFile();
    const QByteArray old = writePresetList({"{640, 480}", "{100, -1}"});
    QFile file(writeFile(presets, old));
    const QString preferences = home.path() + "/.config/sardoxa/sardoxa.conf";
    // Read whole, but too long once the first-launch flag is added.
    const QByteArray oldPreferences = "[General]\nkept=" + QByteArray(80, 'k') + '\n';
    writeFile(preferences, oldPreferences);
    const QString source = image("a.png", 300, 200);

    // No file of the run may grow past 100 bytes, as if the disk were full.
    QProcess sardoxa;
    sardoxa.setChildProcessModifier([] {
        std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {100, 100};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    sardoxa.start(QStringLiteral(SARDOXA_BINARY), {"--size", "31x*", source});
    ASSERT_TRUE(sardoxa.waitForFinished());
    const QString log = QString::fromLocal8Bit(sardoxa.readAllStandardError());

    EXPECT_EQ(sardoxa.exitCode(), 1);
    EXPECT_TRUE(log.contains("could not remember the size {31, -1}")) << log.toStdString();
    EXPECT_TRUE(log.contains("could not save the preferences to " + preferences))
        << log.toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), old);
    QFile keptPreferences(preferences);
    ASSERT_TRUE(keptPreferences.open(QIODevice::ReadOnly));
    EXPECT_EQ(keptPreferences.readAll(), oldPreferences);
    // No temporary file is left; the last size, a few bytes, fitted.
    EXPECT_EQ(QDir(QFileInfo(presets).path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"last-size", "presets"}));
}

TEST_F(Safety, PresetsAndPreferencesAreReadAndWrittenOnlyAsTheirOwnRegularFiles) {
    const QString source = image("a.png", 300, 200);
    const QString preferences = home.path() + "/.config/sardoxa/sardoxa.conf";
    const QString target = home.path() + "/target";
    enum Kind { Fifo, Link, Unparsable };
    const std::pair<QString, Kind> rows[] = {{home.presetsFile(), Fifo},
                                             {home.presetsFile(), Link},
                                             {preferences, Fifo},
                                             {preferences, Link},
                                             {preferences, Unparsable}};
    for (const auto &[path, kind] : rows) {
        SCOPED_TRACE(path.toStdString() + " " + "FLU"[kind]);
        QFile::remove(path);
        QDir().mkpath(QFileInfo(path).path());
        writeFile(target, "theirs");
        const bool planted = kind == Fifo ? ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0
                             : kind == Link ? QFile::link(target, path)
                                            : !writeFile(path, "no [INI here\n").isEmpty();
        if (!planted) {
            ADD_FAILURE() << "cannot plant it";
            continue;
        }

        // Neither blocks the run nor is written through, and each is said once.
        const Outcome run = runSardoxa({"--size", "30x20", source});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.err.count(path), kind == Unparsable ? 0 : 1) << run.err.toStdString();
        struct stat info = {};
        EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &info), 0);
        EXPECT_EQ(info.st_mode & S_IFMT, (QList{S_IFIFO, S_IFLNK, S_IFREG}[kind]));
        QFile theirs(target);
        EXPECT_TRUE(theirs.open(QIODevice::ReadOnly));
        EXPECT_EQ(theirs.readAll(), "theirs");
    }
    QFile saved(preferences); // the unparsable one, replaced
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().contains("SXFirstLaunch=false"));
}

TEST_F(Safety, AnotherUsersRuntimeFolderOrSocketIsNeverUsed) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "planting another user's files needs root";
    // Without XDG_RUNTIME_DIR, another user got to the shared temporary folder first: a lock
    // held by a live process, and sockets listening where this user's would go.
    QTemporaryDir shared;
    QLockFile held(shared.path() + "/sardoxa.lock");
    ASSERT_TRUE(held.tryLock());
    QLocalServer traps[3];
    int trap = 0;
    for (const QString folder : {"", "/runtime-root", "/sardoxa-0"}) {
        QDir().mkpath(shared.path() + folder);
        ASSERT_TRUE(traps[trap++].listen(shared.path() + folder + "/sardoxa.socket"));
        ASSERT_EQ(::chown(QFile::encodeName(shared.path() + folder).constData(), nobody, nobody),
                  0);
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("XDG_RUNTIME_DIR");
    environment.insert("TMPDIR", shared.path());
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess sardoxa;
    sardoxa.setProcessEnvironment(environment);
    sardoxa.setReadChannel(QProcess::StandardError);
    sardoxa.start(QStringLiteral(SARDOXA_BINARY), {image("a.png", 300, 200)});
    // It starts on its own, and says why nothing can reach it.
    ASSERT_TRUE(sardoxa.waitForReadyRead(20000));
    const QString log = QString::fromLocal8Bit(sardoxa.readAllStandardError());
    EXPECT_TRUE(log.contains("later launches cannot hand their files to this one"))
        << log.toStdString();
    for (QLocalServer &server : traps)
        EXPECT_FALSE(server.waitForNewConnection(200));
    EXPECT_EQ(sardoxa.state(), QProcess::Running);
    sardoxa.kill();
    sardoxa.waitForFinished();
}

TEST_F(Safety, ATerminatedBatchLeavesOnlyWholeFilesAndNoTemporaryOne) {
    const QByteArray photo = Images::encoded(Images::noise(1600, 1200), ".jpg[Q=90]");
    for (int i = 0; i < 200; ++i)
        write(QStringLiteral("%1.jpg").arg(i, 3, 10, QChar('0')), photo);
    QProcess sardoxa;
    sardoxa.setReadChannel(QProcess::StandardError);
    sardoxa.start(QStringLiteral(SARDOXA_BINARY), {"--size", "640x480", in("")});
    // Stopped once the batch is under way, whatever the speed of the machine.
    QByteArray log;
    while (!log.contains("190 of 200") && sardoxa.waitForReadyRead(60000))
        log += sardoxa.readAll();
    ASSERT_GT(sardoxa.processId(), 0) << "it ended by itself"; // kill(0) would hit this test
    ::kill(pid_t(sardoxa.processId()), SIGTERM);
    ASSERT_TRUE(sardoxa.waitForFinished(60000));

    EXPECT_EQ(sardoxa.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(sardoxa.exitCode(), SIGTERM);
    const QStringList written = QDir(today()).entryList(QDir::Files);
    EXPECT_GT(written.size(), 0);
    EXPECT_LT(written.size(), 200);
    EXPECT_EQ(QDir(today()).entryList(QDir::Files | QDir::Hidden), written); // nothing hidden
    for (const QString &name : written)
        EXPECT_NO_THROW(Images::load(today() + '/' + name).avg()) << name.toStdString();
}
