#include "core/platform/FakePlatform.h"
#include "core/platform/MainQueue.h"
#include "core/platform/OperationQueue.h"
#include "core/sizing/SizeString.h"
#include "desktop/app/ZAVAppDelegate.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include <random>

#include "Images.h"
#include "TempHome.h"

namespace {

class ResizeJob : public ::testing::Test {
protected:
    ResizeJob() {
        platform.setHasWindows(false);
        delegate.applicationDidFinishLaunching();
        key = delegate.makeJobFolder();
    }

    QString image(const QString &relative, int width = 64, int height = 48) {
        const QString path = home.path() + "/in/" + relative;
        QDir().mkpath(QFileInfo(path).path());
        Images::save(Images::verticalStripes(width, height, {{200, 40, 40}, {40, 40, 200}}), path);
        return path;
    }
    void registerJob(const QStringList &paths, const QString &size = "{32, 24}") {
        std::lock_guard lock(delegate.registryMutex);
        delegate.globalTasks.insert(key, paths);
        delegate.globalSizes.insert(key, size);
    }
    // Runs the job to its end as the main thread would see it.
    void run() {
        delegate.resize(key);
        delegate.queue->waitUntilAllOperationsAreFinished();
        platform.mainQueue().drain();
    }
    QStringList written() const {
        return QDir(key).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    TempHome home;
    FakePlatform platform;
    ZAVAppDelegate delegate{platform};
    QString key;
};

} // namespace

TEST_F(ResizeJob, CountsDownOpensTheFolderOnceAndAsksForAttentionOnce) {
    QStringList paths;
    for (int i = 0; i < 5; ++i)
        paths << image(QStringLiteral("%1.png").arg(i));
    registerJob(paths);
    QSignalSpy ended(&delegate, &ZAVAppDelegate::jobEnded);
    run();

    EXPECT_EQ(platform.shown,
              (QStringList{"badge 5", "badge 4/5", "badge 3/5", "badge 2/5", "badge 1/5",
                           "open " + key, "badge cleared", "attention"}));
    EXPECT_EQ(written(), (QStringList{"0.tif", "1.tif", "2.tif", "3.tif", "4.tif"}));
    EXPECT_EQ(ended.size(), 1);
    EXPECT_TRUE(delegate.isIdle());
}

TEST_F(ResizeJob, EndsExactlyOnceHoweverTheImagesFinish) {
    // Small images first: they finish while the later, larger ones are still being queued.
    QStringList paths;
    for (int i = 0; i < 12; ++i)
        paths << image(QStringLiteral("%1.png").arg(i), 8 + i * 60, 8 + i * 40);
    for (int round = 0; round < 20; ++round) {
        platform.shown.clear();
        registerJob(paths);
        run();
        ASSERT_EQ(platform.shown.count("open " + key), 1) << round;
        ASSERT_EQ(platform.shown.count("attention"), 1) << round;
        ASSERT_EQ(platform.shown.mid(platform.shown.size() - 3),
                  (QStringList{"open " + key, "badge cleared", "attention"}))
            << round;
        ASSERT_EQ(platform.shown.count(), 12 + 3) << round;
    }
    EXPECT_EQ(written().size(), 12 * 20);
}

TEST_F(ResizeJob, SkipsVanishedSourcesAndCountsUndecodableOnes) {
    const QString first = image("first.png");
    const QString gone = image("gone.png");
    const QString broken = home.path() + "/in/broken.jpg";
    QFile(broken).open(QIODevice::WriteOnly);
    registerJob({first, gone, broken});
    QFile::remove(gone);

    ::testing::internal::CaptureStderr();
    run();
    const std::string log = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(platform.shown,
              (QStringList{"badge 3", "badge 2/3", "open " + key, "badge cleared", "attention"}));
    EXPECT_EQ(written(), QStringList{"first.tif"});
    EXPECT_NE(log.find("skipped " + gone.toStdString() + ": it no longer exists"),
              std::string::npos);
    EXPECT_NE(log.find("skipped " + broken.toStdString() + ": not a decodable image"),
              std::string::npos);
    EXPECT_EQ(delegate.skippedSources(), (QStringList{gone, broken}));
}

TEST_F(ResizeJob, AJobWithNothingLeftLeavesTheRegistryAndClearsTheBadge) {
    registerJob({home.path() + "/in/never.png", home.path() + "/in/nor.png"});
    QSignalSpy ended(&delegate, &ZAVAppDelegate::jobEnded);
    ::testing::internal::CaptureStderr();
    run();
    ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(platform.shown, (QStringList{"badge 2", "badge cleared"}));
    EXPECT_EQ(ended.size(), 1);
    EXPECT_TRUE(delegate.globalTasks.isEmpty());
    EXPECT_TRUE(delegate.globalSizes.isEmpty());
}

TEST_F(ResizeJob, AMissingSizeOrListIsReportedAndLeavesTheRegistryAlone) {
    delegate.resize(key);
    platform.mainQueue().drain();
    EXPECT_EQ(
        platform.shown,
        (QStringList{"attention",
                     "alert Failed to resize images | Cannot find a valid target size, please "
                     "try again. | OK",
                     "alert dismissed"}));

    platform.shown.clear();
    delegate.globalSizes.insert(key, "{32, 24}");
    delegate.resize(key);
    platform.mainQueue().drain();
    EXPECT_EQ(
        platform.shown,
        (QStringList{"attention",
                     "alert Failed to resize images | Cannot find images to resize, please try "
                     "again. | OK",
                     "alert dismissed"}));
    EXPECT_EQ(delegate.globalSizes.value(key), "{32, 24}");
    EXPECT_EQ(delegate.queue->operationCount(), 0);
}

TEST_F(ResizeJob, SourcesOfOneNameFromEightFoldersGiveEightFiles) {
    QStringList paths;
    for (int i = 0; i < 8; ++i)
        paths << image(QStringLiteral("folder%1/photo.jpg").arg(i), 400, 300);
    registerJob(paths);
    run();

    QStringList expected{"photo.tif"};
    for (int i = 1; i < 8; ++i)
        expected << QStringLiteral("photo (%1).tif").arg(i);
    expected.sort();
    EXPECT_EQ(written(), expected);
}

TEST_F(ResizeJob, AVanishedOutputFolderSkipsEveryImageAndStillEndsTheJob) {
    registerJob({image("a.png"), image("b.png")});
    ASSERT_TRUE(QDir(key).removeRecursively());
    ::testing::internal::CaptureStderr();
    run();
    const std::string log = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(platform.shown.mid(platform.shown.size() - 3),
              (QStringList{"open " + key, "badge cleared", "attention"}));
    EXPECT_NE(log.find("cannot write into " + key.toStdString()), std::string::npos) << log;
    EXPECT_EQ(delegate.skippedSources().size(), 2);
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
    std::vector<std::uint8_t> bytes(300 * 200 * 3);
    std::mt19937 random(5);
    for (std::uint8_t &byte : bytes)
        byte = static_cast<std::uint8_t>(random());
    const vips::VImage noise =
        vips::VImage::new_from_memory(bytes.data(), bytes.size(), 300, 200, 3, VIPS_FORMAT_UCHAR)
            .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    QDir().mkpath(home.path() + "/in");
    QStringList paths;
    for (int i = 0; i < 6; ++i) {
        paths << home.path() + QStringLiteral("/in/noise%1.png").arg(i);
        Images::save(noise, paths.last());
    }
    registerJob(paths, "{300, 200}");

    ::testing::internal::CaptureStderr();
    run();
    const std::string log = ::testing::internal::GetCapturedStderr();
    const QStringList files = written();
    for (const QString &file : files)
        EXPECT_NO_THROW(Images::load(key + '/' + file).avg()) << file.toStdString(); // complete
    QProcess::execute("umount", {small});

    EXPECT_NE(log.find("No space left on device"), std::string::npos) << log;
    EXPECT_FALSE(files.isEmpty());
    EXPECT_LT(files.size(), 6);
    EXPECT_EQ(files.filter(QRegularExpression("^\\.")), QStringList{}); // no temporary file left
    EXPECT_EQ(platform.shown.mid(platform.shown.size() - 3),
              (QStringList{"open " + key, "badge cleared", "attention"}));
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
        const QString in = home.path() + "/in";
        QDir().mkpath(in);
        const QByteArray photo = Images::encoded(Images::noise(800, 600), ".jpg[Q=90]");
        QStringList paths;
        for (int i = 0; i < 200; ++i) {
            paths << in + QStringLiteral("/%1.jpg").arg(i);
            QFile file(paths.last());
            file.open(QIODevice::WriteOnly);
            file.write(photo);
        }
        {
            std::lock_guard lock(delegate.registryMutex);
            delegate.globalTasks.insert(key, paths);
            delegate.globalSizes.insert(key, "{320, 240}");
        }
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
