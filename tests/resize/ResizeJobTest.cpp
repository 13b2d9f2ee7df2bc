#include "core/platform/MainQueue.h"
#include "core/platform/OperationQueue.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QThread>

#include <random>

#include "Fixture.h"
#include "Images.h"

namespace {

class ResizeJob : public DelegateTest {
protected:
    void run(const QStringList &paths, const QString &size = "{32, 24}") {
        runJob(key, paths, size);
    }
    QStringList written() const {
        return QDir(key).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    QStringList ending() const { return {"open " + key, "badge cleared", "attention"}; }

    QString key = delegate.makeJobFolder();
};

} // namespace

TEST_F(ResizeJob, CountsDownOpensTheFolderAndAsksForAttentionOnceHoweverTheImagesFinish) {
    // Small images first: they finish while the later, larger ones are still being queued.
    QStringList paths, countdown{"badge 12"}, names;
    for (int i = 0; i < 12; ++i) {
        paths << image(QStringLiteral("%1.png").arg(i, 2, 10, QChar('0')), 8 + i * 60, 8 + i * 40);
        names << QStringLiteral("%1.tif").arg(i, 2, 10, QChar('0'));
        if (i < 11)
            countdown << QStringLiteral("badge %1/12").arg(11 - i);
    }
    QSignalSpy ended(&delegate, &ZAVAppDelegate::jobEnded);
    for (int round = 0; round < 20; ++round) {
        platform.shown.clear();
        run(paths);
        ASSERT_EQ(platform.shown, countdown + ending()) << round;
        if (round == 0) {
            EXPECT_EQ(written(), names);
        }
    }
    EXPECT_EQ(written().size(), 12 * 20);
    EXPECT_EQ(ended.size(), 20);
    EXPECT_TRUE(delegate.isIdle());
}

TEST_F(ResizeJob, SkipsVanishedUndecodableAndUnwritableSourcesAndStillEnds) {
    const QString first = image("first.png");
    const QString gone = image("gone.png");
    const QString broken = write("broken.jpg");
    QFile::remove(gone);
    std::string log = logOf([&] { run({first, gone, broken}); });
    EXPECT_EQ(platform.shown, QStringList({"badge 3", "badge 2/3"}) + ending());
    EXPECT_EQ(written(), QStringList{"first.tif"});
    EXPECT_NE(log.find("skipped " + gone.toStdString() + ": it no longer exists"),
              std::string::npos);
    EXPECT_NE(log.find("skipped " + broken.toStdString() + ": not a PNG, JPEG, TIFF or GIF image"),
              std::string::npos);
    EXPECT_EQ(delegate.skippedSources(), (QStringList{gone, broken}));

    // The output folder vanished: every image is skipped, and the job still ends.
    ASSERT_TRUE(QDir(key).removeRecursively());
    platform.shown.clear();
    log = logOf([&] { run({first}); });
    EXPECT_EQ(platform.shown.mid(1), ending());
    EXPECT_NE(log.find("cannot write into " + key.toStdString()), std::string::npos) << log;

    // Nothing left at all: the job leaves the registry and the badge clears.
    platform.shown.clear();
    logOf([&] { run({in("never.png")}); });
    EXPECT_EQ(platform.shown, (QStringList{"badge 1", "badge cleared"}));
    EXPECT_TRUE(delegate.globalTasks.isEmpty() && delegate.globalSizes.isEmpty());
}

TEST_F(ResizeJob, AMissingSizeOrListIsReportedAndLeavesTheRegistryAlone) {
    delegate.resize(key);
    platform.mainQueue().drain();
    EXPECT_EQ(platform.shown, failureAlert("Cannot find a valid target size, please try again."));
    platform.shown.clear();
    delegate.globalSizes.insert(key, "{32, 24}");
    delegate.resize(key);
    platform.mainQueue().drain();
    EXPECT_EQ(platform.shown, failureAlert("Cannot find images to resize, please try again."));
    EXPECT_EQ(delegate.globalSizes.value(key), "{32, 24}");
    EXPECT_EQ(delegate.queue->operationCount(), 0);
}

TEST_F(ResizeJob, SourcesOfOneNameGetTheNextFreeNumbersAndReplaceNothing) {
    writeFile(key + "/photo (1).tif", "taken");
    QStringList paths;
    QStringList expected{"photo (1).tif", "photo.tif"};
    for (int i = 0; i < 8; ++i) {
        paths << image(QStringLiteral("folder%1/photo.jpg").arg(i), 400, 300);
        if (i > 0)
            expected << QStringLiteral("photo (%1).tif").arg(i + 1);
    }
    run(paths);
    expected.sort();
    EXPECT_EQ(written(), expected);
    EXPECT_EQ(QFileInfo(key + "/photo (1).tif").size(), 5);
}

TEST_F(ResizeJob, AFullDiskSkipsWhatDoesNotFitAndLeavesNoPartialFile) {
    // A small file system of its own, where the machine allows mounting one.
    const QString small = home.path() + "/small";
    QDir().mkpath(small);
    if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=600k", "tmpfs", small}) != 0)
        GTEST_SKIP() << "cannot mount a small file system here";
    key = small + "/job";
    QDir().mkpath(key);
    // Noise does not compress: each output takes about 180 KB, so three fit.
    const QByteArray noise = Images::encoded(Images::noise(300, 200), ".png");
    QStringList paths;
    for (int i = 0; i < 6; ++i)
        paths << write(QStringLiteral("noise%1.png").arg(i), noise);
    const std::string log = logOf([&] { run(paths, "{300, 200}"); });
    const QStringList files = written();
    for (const QString &file : files)
        EXPECT_NO_THROW(Images::load(key + '/' + file).avg()) << file.toStdString(); // complete
    QProcess::execute("umount", {small});

    EXPECT_NE(log.find("No space left on device"), std::string::npos) << log;
    EXPECT_FALSE(files.isEmpty());
    EXPECT_LT(files.size(), 6);
    EXPECT_EQ(files.filter(QRegularExpression("^\\.")), QStringList{}); // no temporary file left
    EXPECT_EQ(platform.shown.mid(platform.shown.size() - 3), ending());
}

TEST(ResizeJobQuit, DestroyingTheDelegateMidBatchStopsAtOnceAndLeavesOnlyWholeFiles) {
    TempHome home;
    FakePlatform platform;
    platform.setHasWindows(false);
    QString key;
    {
        ZAVAppDelegate delegate(platform);
        delegate.applicationDidFinishLaunching();
        key = delegate.makeJobFolder();
        QDir().mkpath(home.path() + "/in");
        const QByteArray photo = Images::encoded(Images::noise(800, 600), ".jpg[Q=90]");
        QStringList paths;
        for (int i = 0; i < 200; ++i) {
            QFile file(home.path() + QStringLiteral("/in/%1.jpg").arg(i));
            file.open(QIODevice::WriteOnly);
            file.write(photo);
            paths << file.fileName();
        }
        delegate.globalTasks.insert(key, paths);
        delegate.globalSizes.insert(key, "{320, 240}");
        delegate.resize(key);
        while (QDir(key).entryList(QDir::Files).isEmpty())
            QThread::yieldCurrentThread();
    } // quits: the destructor stops the batch before any member goes
    const QStringList written = QDir(key).entryList(QDir::Files);
    EXPECT_LT(written.size(), 200);
    EXPECT_EQ(QDir(key).entryList(QDir::Hidden | QDir::Files).size(),
              written.size()); // no leftover
    for (const QString &name : written)
        EXPECT_NO_THROW(Images::load(key + '/' + name).avg()) << name.toStdString();
}
