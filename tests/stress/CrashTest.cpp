// Kills the command-line run at random moments of a 200-image batch, again and again, and checks
// what a crash may leave: only complete TIFFs under final names, unchanged sources, a readable
// presets file; no temporary file at all, in a folder on disk as on a file system that keeps no
// extended attributes, and where unnamed files cannot be given a name, only hidden ones that the
// next start removes.
#include "core/files/FilePaths.h"
#include "core/sizing/PresetList.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <utime.h>

#include "Images.h"
#include "TempHome.h"

namespace {

QByteArray digestOf(const QStringList &files) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString &name : files) {
        QFile file(name);
        file.open(QIODevice::ReadOnly);
        hash.addData(file.readAll());
    }
    return hash.result();
}

// Where a run writes: the day folder, an --output folder on a RAM file system without extended
// attributes, or an --output folder of a run that finds no /proc, whose temporary files
// therefore have names.
struct Place {
    const char *name;
    QString folder;
    bool named = false;
};

// Mounted for the test where the machine allows it, unmounted whatever its end.
struct Mount {
    explicit Mount(const QString &at, const char *type)
        : at_(encodePath(at)) {
        QDir().mkpath(at);
        mounted = ::mount(type, at_.constData(), type, 0, nullptr) == 0;
    }
    ~Mount() {
        if (mounted)
            ::umount2(at_.constData(), MNT_DETACH);
    }
    QByteArray at_;
    bool mounted;
};

QStringList hidden(const QString &folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden).filter(QRegularExpression("^\\."));
}

} // namespace

TEST(Crash, AKilledRunLeavesOnlyCompleteFilesAndNoTemporaryOneThatStays) {
    TempHome home;
    const QString in = home.path() + "/in";
    QDir().mkpath(in);
    QStringList sources;
    for (int i = 0; i < 200; ++i) {
        const Images::Colour colour{double(i), double(255 - i), 128};
        sources
            << in + QStringLiteral("/%1.%2").arg(i, 3, 10, QChar('0')).arg(i % 2 ? "png" : "jpg");
        Images::save(Images::verticalStripes(600, 400, {colour, {20, 20, 20}, colour}),
                     sources.last());
    }
    const QByteArray before = digestOf(sources);
    const QString day = home.productFolder() + '/' + QDate::currentDate().toString("yyyy-MM-dd");
    const QString presets = home.path() + "/.cache/sardoxa/presets";
    // A mount namespace of its own, and a RAM file system, need root.
    const Mount ram(home.path() + "/ram", "ramfs");
    std::vector<Place> places = {{"day folder", day}};
    if (ram.mounted)
        places.insert(places.end(), {{"ramfs", home.path() + "/ram"},
                                     {"no /proc", home.path() + "/named", true}});

    ASSERT_EQ(QProcess::execute(QStringLiteral(SARDOXA_BINARY), {"--size", "40x*", in}), 0);

    // Each run is killed when its progress reaches a random point of the batch, so that every
    // machine, fast or slow, sees kills spread over the whole of it.
    QRandomGenerator random(20261207);
    int kills = 0;
    for (int run = 1; run < 24; ++run) {
        const Place &place = places[std::size_t(run) % places.size()];
        QProcess sardoxa;
        sardoxa.setReadChannel(QProcess::StandardError);
        if (place.named) {
            sardoxa.setChildProcessModifier([] {
                // An empty /proc of its own, seen by this process alone.
                if (::unshare(CLONE_NEWNS) != 0 ||
                    ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                    ::mount("tmpfs", "/proc", "tmpfs", 0, nullptr) != 0)
                    ::_exit(3);
            });
        }
        QStringList arguments = {"--size", QStringLiteral("%1x*").arg(40 + run), in};
        if (place.folder != day)
            arguments << "--output" << place.folder;
        sardoxa.start(QStringLiteral(SARDOXA_BINARY), arguments);
        ASSERT_TRUE(sardoxa.waitForStarted());
        const int killAt = 1 + int(random.bounded(199)); // images still to go
        const QRegularExpression progress(QStringLiteral("(\\d+) of 200 images to go"));
        bool killed = false;
        while (!killed && sardoxa.waitForReadyRead(60000)) {
            while (sardoxa.canReadLine()) {
                const QRegularExpressionMatch line =
                    progress.match(QString::fromLocal8Bit(sardoxa.readLine()));
                // A run that already ended has no pid: kill(0) would hit this test.
                if (line.hasMatch() && line.captured(1).toInt() <= killAt &&
                    sardoxa.processId() > 0) {
                    ::kill(static_cast<pid_t>(sardoxa.processId()), SIGKILL);
                    killed = true;
                    break;
                }
            }
        }
        kills += killed;
        sardoxa.waitForFinished();

        // Every file under a final name is a whole TIFF of the run's width.
        for (const QString &name : QDir(place.folder).entryList(QDir::Files)) {
            const QString path = place.folder + '/' + name;
            vips::VImage image;
            ASSERT_NO_THROW(image = Images::load(path)) << name.toStdString();
            ASSERT_NO_THROW(image.avg()) << name.toStdString();
            ASSERT_GE(image.width(), 40);
        }
        if (QFileInfo::exists(presets)) {
            QFile file(presets);
            file.open(QIODevice::ReadOnly);
            ASSERT_TRUE(readPresetList(file.readAll())) << "run " << run;
        }
    }
    EXPECT_EQ(kills, 23);
    EXPECT_EQ(digestOf(sources), before);

    // Unnamed files leave nothing; named ones are hidden, and go at the next start once aged
    // past the grace time.
    for (const Place &place : places) {
        SCOPED_TRACE(place.name);
        const QStringList leftovers = hidden(place.folder);
        if (!place.named) {
            EXPECT_EQ(leftovers, QStringList{});
            continue;
        }
        EXPECT_FALSE(leftovers.isEmpty()); // else it did not make named files
        for (const QString &name : leftovers) {
            const struct utimbuf old = {0, 1};
            ASSERT_EQ(::utime(encodePath(place.folder + '/' + name).constData(), &old), 0);
        }
        QProcess::execute(QStringLiteral(SARDOXA_BINARY),
                          {"--size", "10x10", "--output", place.folder, sources.first()});
        EXPECT_EQ(hidden(place.folder), QStringList{});
    }
}
