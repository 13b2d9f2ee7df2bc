#include "core/files/FilePaths.h"
#include "core/platform/MainQueue.h"
#include "core/platform/OperationQueue.h"
#include "core/resize/OutputFile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Fixture.h"
#include "Images.h"

namespace {

class ResizeJob : public BatchTest {
protected:
    void run(const QStringList &paths, const QString &size = "{32, 24}") {
        runJob(key, paths, size);
    }
    QStringList written() const {
        return QDir(key).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    // The end of a batch that wrote something, told with `told`.
    QStringList ending(const QString &told) const {
        return {"open " + key, "badge cleared", "attention", "ended " + told};
    }
    const QString allWritten = " | The scaled copies are in the output folder.";

    QStringList registered() const {
        const std::shared_ptr<Job> job = batch->globalTasks.find(key);
        return job ? job->sources : QStringList();
    }

    QString key = batch->makeJobFolder();
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
    QSignalSpy ended(batch.get(), &Batch::jobEnded);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        platform.shown.clear();
        run(paths);
        EXPECT_EQ(platform.shown, countdown + ending("12 images resized" + allWritten));
        if (round == 0) {
            EXPECT_EQ(written(), names);
        }
    }
    EXPECT_EQ(written().size(), 12 * 20);
    EXPECT_EQ(ended.size(), 20);
    EXPECT_TRUE(batch->isIdle());
}

TEST_F(ResizeJob, SkipsVanishedUndecodableAndUnwritableSourcesAndStillEnds) {
    const QString first = image("first.png");
    const QString gone = image("gone.png");
    const QString broken = write("broken.jpg");
    QFile::remove(gone);
    std::string log = logOf([&] { run({first, gone, broken}); });
    EXPECT_EQ(platform.shown,
              QStringList({"badge 3", "badge 2/3"}) +
                  ending("1 of 3 images resized | 2 skipped. The scaled copies are in the output "
                         "folder."));
    EXPECT_EQ(written(), QStringList{"first.tif"});
    EXPECT_NE(log.find("skipped " + gone.toStdString() + ": it no longer exists"),
              std::string::npos);
    EXPECT_NE(log.find("skipped " + broken.toStdString() +
                       ": not a PNG, JPEG, TIFF, GIF, HEIF, AVIF, WebP or JPEG XL image"),
              std::string::npos);
    EXPECT_EQ(batch->skippedSources(), (QStringList{gone, broken}));
    ASSERT_EQ(platform.skippedAtEnd.size(), 2); // each with its own reason, for the user to see
    EXPECT_EQ(platform.skippedAtEnd[0], (Skip{gone, "it no longer exists"}));
    EXPECT_EQ(platform.skippedAtEnd[1].path, broken);
    EXPECT_TRUE(platform.skippedAtEnd[1].reason.startsWith(
        "not a PNG, JPEG, TIFF, GIF, HEIF, AVIF, WebP or JPEG XL image"));

    // Nothing written: the end says so, no folder opens, and the job leaves the registry.
    ASSERT_TRUE(QDir(key).removeRecursively()); // a file in its place: every image is skipped
    writeFile(key, "in the way");
    const struct {
        QStringList paths;
        QStringList shown;
    } unwritten[] = {
        {{first},
         {"badge 1", "badge cleared", "attention", "ended No image was resized | 1 skipped"}},
        {{in("never.png"), in("nor.png")},
         {"badge 2", "badge cleared", "attention", "ended No image was resized | 2 skipped"}}};
    for (const auto &row : unwritten) {
        SCOPED_TRACE(row.paths.join(' ').toStdString());
        platform.shown.clear();
        log = logOf([&] { run(row.paths); });
        EXPECT_EQ(platform.shown, row.shown);
        EXPECT_TRUE(batch->globalTasks.isEmpty());
        EXPECT_TRUE(batch->isIdle());
    }
    EXPECT_NE(log.find("skipped " + in("nor.png").toStdString()), std::string::npos) << log;
}

TEST_F(ResizeJob, EverySkipReasonBeginsInLowerCaseSparingNamesAndAcronyms) {
    const std::pair<const char *, const char *> reasons[] = {
        {"No such file or directory", "no such file or directory"},
        {"Permission denied", "permission denied"},
        {"Input/output error", "input/output error"},
        {"A link has taken its place", "a link has taken its place"},
        {"not a PNG, JPEG or TIFF image", "not a PNG, JPEG or TIFF image"},
        {"EXIF block is damaged", "EXIF block is damaged"},
        {"HEIF: too large", "HEIF: too large"},
        {"I/O error", "I/O error"},
        {"VipsJpeg: Premature end of input file", "VipsJpeg: Premature end of input file"},
        {"Holiday.jpg is no photo", "Holiday.jpg is no photo"},
        {"TIFFReadDirectory: Bad IFD", "TIFFReadDirectory: Bad IFD"}};
    const QString path = in("x.png");
    Job job(key, {path}, {{path, reasons[0].first}});
    for (const auto &[given, said] : reasons) {
        SCOPED_TRACE(given);
        job.skipped(path, given);
        EXPECT_NE(logOf([&] {
                      batch->reportSkipped(path, given);
                  }).find("skipped " + path.toStdString() + ": " + said + "\n"),
                  std::string::npos);
    }
    const JobEnd end = job.end();
    EXPECT_EQ(end.skipped.constFirst().reason, reasons[0].second); // unread from the start
    for (std::size_t i = 0; i < std::size(reasons); ++i)
        EXPECT_EQ(end.skipped.at(i + 1).reason, reasons[i].second);
}

TEST_F(ResizeJob, AMissingSizeOrASecondRunIsReportedAndQueuesNothing) {
    batch->resize(key); // no job
    registerJob(key, {image("a.png")});
    batch->resize(key); // no size yet
    platform.mainQueue().drain();
    EXPECT_EQ(platform.shown,
              failureAlert("Cannot find a valid target size, please try again.") +
                  failureAlert("Cannot find a valid target size, please try again."));
    EXPECT_EQ(batch->queue().operationCount(), 0);
    EXPECT_EQ(registered(), QStringList{in("a.png")});

    platform.shown.clear();
    batch->globalTasks.find(key)->setSize({32, 24});
    batch->resize(key);
    batch->resize(key); // its size chosen twice: it runs once
    batch->queue().waitUntilAllOperationsAreFinished();
    platform.mainQueue().drain();
    EXPECT_EQ(platform.shown.filter("alert Failed"),
              failureAlert("Cannot find images to resize, please try again.").mid(1, 1));
    EXPECT_EQ(written(), QStringList{"a.tif"});
}

TEST_F(ResizeJob, ARequestIsCollectedOffTheMainThreadAndAnotherIsRefusedMeanwhile) {
    QStringList asked;
    batch->askForSize = [&](const QString &job, const std::optional<QStringList> &presets) {
        asked << job << presets.value_or(QStringList{"none"});
        return true;
    };
    writePresets({"{40, 30}"});
    image("drop/a.png");
    batch->takeIn({in("drop")});
    EXPECT_TRUE(batch->isBusy()); // collecting: nothing registered yet, but busy
    EXPECT_TRUE(batch->globalTasks.isEmpty());
    batch->takeIn({image("other.png")});
    settle();
    EXPECT_EQ(asked, (QStringList{key, "{40, 30}"}));
    EXPECT_EQ(registered(), QStringList{in("drop/a.png")});
    EXPECT_EQ(platform.shown, failureAlert(busyMessage));

    // Its size goes to the request worker; a job goes one way, so asking again changes nothing.
    batch->chooseSize({32, 24}, key, false);
    batch->globalTasks.find(key)->askForSize();
    settle();
    EXPECT_EQ(written(), QStringList{"a.tif"});
    EXPECT_TRUE(batch->globalTasks.isEmpty());
    EXPECT_TRUE(batch->isIdle());
}

TEST_F(ResizeJob, SourcesOfOneNameGetTheNextFreeNumbersInTheOrderOfTheRequest) {
    // The first source is large and slow to decode, the others small, each of its own colour:
    // the copies' colours tell which source each name went to. No HEIF among them: this test runs
    // under ThreadSanitizer, and libvips' HEIF saver hands libheif's buffers between threads
    // through GLib, where it cannot see.
    using Images::Colour;
    const struct {
        const char *name;
        const char *type;
        Colour colour;
    } sources[] = {{"phone.png", ".png[compression=1]", {200, 30, 40}},
                   {"phone.tif", ".tif", {30, 180, 40}},
                   {"phone.jpeg", ".jpg", {20, 40, 220}},
                   {"phone.webp", ".webp", {220, 200, 30}},
                   {"phone.jxl", ".jxl", {200, 40, 200}},
                   {"phone.jpg", ".jpg", {30, 200, 200}}};
    QStringList paths;
    for (const auto &source : sources) {
        vips::VImage plain = Images::verticalStripes(64, 48, {source.colour});
        if (paths.isEmpty())
            plain = (Images::verticalStripes(2400, 1800, {source.colour}).linear(0.8, 0) +
                     Images::noise(2400, 1800).linear(0.2, 0))
                        .cast(VIPS_FORMAT_UCHAR);
        paths << write(source.name, Images::encoded(plain, source.type));
        if (paths.size() == 2) // one of the name that fails holds up none after it
            paths << write("phone.gif", "not an image");
    }
    // A name taken already is passed over, as ever.
    const QStringList names{"phone.tif",     "phone (1).tif", "phone (3).tif",
                            "phone (4).tif", "phone (5).tif", "phone (6).tif"};
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        key = home.path() + QStringLiteral("/round%1").arg(round);
        writeFile(key + "/phone (2).tif", "taken");
        run(paths);
        QStringList all = names + QStringList{"phone (2).tif"};
        all.sort();
        EXPECT_EQ(written(), all);
        for (int i = 0; i < 6; ++i) {
            const vips::VImage copy = Images::load(key + '/' + names[i]);
            Colour expected = sources[i].colour;
            for (double &band : expected)
                band = i == 0 ? band * 0.8 + 0.2 * 127.5 : band; // the noise averages out
            EXPECT_TRUE(Images::near(copy.getpoint(16, 12), expected, 24))
                << names[i].toStdString() << " is not from " << sources[i].name;
        }
        EXPECT_EQ(QFileInfo(key + "/phone (2).tif").size(), 5);
    }
}

TEST_F(ResizeJob, TheDayFolderGoneSinceIntakeIsMadeAgainButNeitherALinkNorTheUsersOwnFolder) {
    const QString source = image("a.png");
    const QString day = key;
    struct stat atIntake {};
    ASSERT_EQ(::stat(encodePath(day).constData(), &atIntake), 0);
    const QString elsewhere = home.path() + "/elsewhere";
    const QString chosen = home.path() + "/chosen"; // --output
    QDir().mkpath(elsewhere);
    const struct {
        const char *name;
        QString folder;
        bool link;
        QString skip; // empty for a copy
    } rows[] = {{"removed", day, false, {}},
                {"a link in its place", day, true, "a link has taken the folder's place"},
                {"the user's own folder removed", chosen, false, "No such file or directory"}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        key = row.folder;
        BatchOptions options;
        options.fixedJobFolder = row.folder == day ? QString() : row.folder;
        relaunch(options);
        QDir().mkpath(key);
        registerJob(key, {source}, "{32, 24}");
        QDir(key).removeRecursively(); // while the size picker was open
        if (row.link)
            QFile::link(elsewhere, key);
        batch->resize(key);
        batch->queue().waitUntilAllOperationsAreFinished();
        platform.mainQueue().drain();
        if (row.skip.isEmpty()) {
            EXPECT_EQ(written(), QStringList{"a.tif"});
            struct stat remade {};
            ASSERT_EQ(::lstat(encodePath(day).constData(), &remade), 0);
            EXPECT_EQ(remade.st_mode, atIntake.st_mode);
            EXPECT_EQ(platform.shown.constLast(), "ended 1 image resized" + allWritten);
        } else {
            ASSERT_FALSE(platform.skippedAtEnd.isEmpty());
            EXPECT_EQ(platform.skippedAtEnd.constLast(),
                      (Skip{source, "cannot write into " + key + ": " + row.skip}));
            EXPECT_EQ(QDir(elsewhere).entryList(QDir::Files | QDir::Hidden), QStringList{});
            EXPECT_EQ(QFileInfo(key).isDir(), row.link); // the link stays a link
        }
        QFile::remove(key);
    }
}

TEST(OutputFile, AFolderRemovedWhileTheCopyIsWrittenIsMadeAgainWhenItIsTheJobsOwn) {
    TempHome home;
    const QString folder = home.path() + "/day";
    for (const bool own : {true, false}) {
        SCOPED_TRACE(own);
        QDir().mkpath(folder);
        OutputFile file(folder, own);
        ASSERT_TRUE(file.isOpen());
        ASSERT_EQ(::write(file.descriptor(), "copy", 4), 4);
        QDir(folder).removeRecursively(); // its temporary file with it
        const std::optional<QString> placed = file.place("photo.jpg");
        if (own) {
            ASSERT_EQ(placed, folder + "/photo.tif") << file.error().toStdString();
            struct stat written {
            }, found{};
            ::fstat(file.descriptor(), &written);
            ::stat(encodePath(*placed).constData(), &found);
            EXPECT_EQ(found.st_ino, written.st_ino); // linked there, not copied
            QFile copy(*placed);
            ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
            EXPECT_EQ(copy.readAll(), "copy");
            EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"photo.tif"});
        } else {
            EXPECT_FALSE(placed);
            EXPECT_EQ(file.error(), "No such file or directory");
            EXPECT_FALSE(pathExists(folder));
        }
    }
}

TEST_F(ResizeJob, AFullDiskSkipsWhatDoesNotFitAndLeavesNoPartialFile) {
    // A small file system of its own, where the machine allows mounting one.
    const QString small = home.path() + "/small";
    QDir().mkpath(small);
    // Mounted by the call itself: a child process started from the threaded test blinds
    // ThreadSanitizer to the locks taken before it.
    if (::mount("tmpfs", encodePath(small).constData(), "tmpfs", 0, "size=600k") != 0)
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
    ::umount(encodePath(small).constData());

    EXPECT_NE(log.find("No space left on device"), std::string::npos) << log;
    EXPECT_FALSE(files.isEmpty());
    EXPECT_LT(files.size(), 6);
    EXPECT_EQ(files.filter(QRegularExpression("^\\.")), QStringList{}); // no temporary file left
    EXPECT_EQ(platform.shown.mid(platform.shown.size() - 4, 3), ending({}).mid(0, 3));
    EXPECT_TRUE(platform.shown.constLast().contains(" of 6 images resized | "));
}

TEST(ResizeJobQuit, DestroyingTheBatchMidwayStopsAtOnceAndLeavesOnlyWholeFiles) {
    TempHome home;
    FakePlatform platform;
    platform.setHasWindows(false);
    QString key;
    {
        Batch batch(platform);
        batch.launch();
        batch.waitForRequests();
        key = batch.makeJobFolder();
        QDir().mkpath(home.path() + "/in");
        const QByteArray photo = Images::encoded(Images::noise(800, 600), ".jpg[Q=90]");
        QStringList paths;
        for (int i = 0; i < 200; ++i) {
            // All of one name: the copies waiting for their turn stop as well.
            QDir().mkpath(home.path() + QStringLiteral("/in/%1").arg(i));
            QFile file(home.path() + QStringLiteral("/in/%1/photo.jpg").arg(i));
            file.open(QIODevice::WriteOnly);
            file.write(photo);
            paths << file.fileName();
        }
        batch.globalTasks.registerJob(key, paths)->setSize({320, 240});
        batch.resize(key);
        // Generous: a sanitizer build decodes the first four photos slowly.
        ASSERT_TRUE(waitFor([&] { return !QDir(key).entryList(QDir::Files).isEmpty(); }, 120000))
            << "no copy written";
    } // quits: the destructor stops the batch before any member goes
    const QStringList written = QDir(key).entryList(QDir::Files);
    EXPECT_LT(written.size(), 200);
    EXPECT_EQ(QDir(key).entryList(QDir::Hidden | QDir::Files).size(),
              written.size()); // no leftover
    for (const QString &name : written)
        EXPECT_NO_THROW(Images::load(key + '/' + name).avg()) << name.toStdString();
}
