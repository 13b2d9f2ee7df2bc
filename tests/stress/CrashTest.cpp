// Kills the command-line run at random moments of a 200-image batch, again and again, and checks
// what a crash may leave: only complete TIFFs under final names, unchanged sources, a readable
// presets file, and hidden temporary files that the next start removes.
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

} // namespace

TEST(Crash, AKilledRunLeavesOnlyCompleteFilesAndItsLeftoversGoAtTheNextStart) {
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

    ASSERT_EQ(QProcess::execute(QStringLiteral(SARDOXA_BINARY), {"--size", "40x*", in}), 0);

    // Each run is killed when its progress reaches a random point of the batch, so that every
    // machine, fast or slow, sees kills spread over the whole of it.
    QRandomGenerator random(20261207);
    int kills = 0;
    for (int run = 1; run < 24; ++run) {
        QProcess sardoxa;
        sardoxa.setReadChannel(QProcess::StandardError);
        sardoxa.start(QStringLiteral(SARDOXA_BINARY),
                      {"--size", QStringLiteral("%1x*").arg(40 + run), in});
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
        for (const QString &name : QDir(day).entryList(QDir::Files)) {
            const QString path = day + '/' + name;
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

    // What the kills left is hidden; aged past the grace time, it goes at the next start.
    QStringList leftovers = QDir(day).entryList({".sardoxa-*"}, QDir::Files | QDir::Hidden);
    for (const QString &name : leftovers) {
        const struct utimbuf old = {0, 1};
        ASSERT_EQ(::utime(encodePath(day + '/' + name).constData(), &old), 0);
    }
    QProcess next;
    next.start(QStringLiteral(SARDOXA_BINARY), {"--size", "10x10", sources.first()});
    next.waitForFinished();
    EXPECT_EQ(QDir(day).entryList({".sardoxa-*"}, QDir::Files | QDir::Hidden), QStringList{});
}
