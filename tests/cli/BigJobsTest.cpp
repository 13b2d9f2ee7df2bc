#include "core/cli/CommandLine.h"
#include "core/files/FilePaths.h"
#include "core/job/Shard.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include "Fixture.h"
#include "Images.h"
#include "Sardoxa.h"

namespace {

using BigJobs = HomeTest;

// The --json objects of a run, by their source; the summary under "".
QHash<QString, QJsonObject> outcomes(const Outcome &run) {
    QHash<QString, QJsonObject> found;
    for (const QString &line : run.out.trimmed().split('\n')) {
        const QJsonObject object = QJsonDocument::fromJson(line.toUtf8()).object();
        found[object["source"].toString()] = object;
    }
    return found;
}

QString seconds(const QString &path) {
    struct stat info {};
    ::stat(encodePath(path).constData(), &info);
    return QStringLiteral("%1.%2").arg(info.st_mtim.tv_sec).arg(info.st_mtim.tv_nsec);
}

} // namespace

TEST(Shards, OptionsAndAHashThatEveryMachineShares) {
    EXPECT_EQ(parseShard("0/1")->count, 1);
    EXPECT_EQ(parseShard("6/7")->index, 6);
    for (const char *wrong :
         {"3/3", "1/0", "-1/3", "1/", "/3", "1 / 3", "a/b", "1/3/5", "0x1/3", "99999999/99999999"})
        EXPECT_FALSE(parseShard(wrong)) << wrong;
    // Pinned: machines with another build must deal the images out alike.
    const auto shardOf = [](const QString &key, int count) {
        for (int index = 0; index < count; ++index)
            if (belongsTo(key, {index, count}))
                return index;
        return -1;
    };
    EXPECT_EQ(shardOf(copyNameKey("trip/day1", "a.jpg", FileType::tiff), 7), 5);
    EXPECT_EQ(shardOf(copyNameKey("trip/day1", "A.PNG", FileType::tiff), 7),
              5); // one name, one shard
    EXPECT_EQ(shardOf(copyNameKey("", "loose.heic", FileType::tiff), 7), 6);
    EXPECT_EQ(shardOf(copyNameKey("trip", "b.tif", FileType::tiff), 1000), 60);

    const auto parse = [](QStringList arguments) {
        arguments.prepend("sardoxa");
        return parseCommandLine(arguments);
    };
    for (const QStringList &wrong : {QStringList{"--size", "1x1", "--skip-existing", "a"},
                                     {"--size", "1x1", "--skip-existing", "--no-keep-folders", "a"},
                                     {"--size", "1x1", "--keep-folders", "--no-keep-folders", "a"},
                                     {"--size", "1x1", "--shard", "3/3", "a"},
                                     {"--size", "1x1", "--shard", "0/2", "--shard", "1/2", "a"},
                                     {"--keep-folders", "a"},
                                     {"--shard", "0/2", "a"}})
        EXPECT_EQ(parse(wrong).mode, CommandLine::Mode::UsageError)
            << wrong.join(' ').toStdString();
    const CommandLine run =
        parse({"--size", "1x1", "--keep-folders", "--skip-existing", "--shard", "2/5", "a"});
    EXPECT_EQ(run.keepFolders, true);
    EXPECT_EQ(run.skipExisting, true);
    EXPECT_EQ(run.shard->index, 2);
    EXPECT_EQ(parse({"--size", "1x1", "--no-skip-existing", "a"}).skipExisting, false);
}

TEST_F(BigJobs, KeptFoldersAreRepeatedAndARerunPassesOverWhatIsDoneAndReplacesNothing) {
    // Sorted by name, a.jpg comes first and takes the plain name of the two. The folder is
    // given as trip/., which is still trip, and its images are named as found under it.
    image("trip/day1/a.jpg", 120, 80);
    image("trip/day1/a.png", 80, 120);
    const QString wide = in("trip/./day1/a.jpg"), tall = in("trip/./day1/a.png");
    image("trip/day2/b.png", 120, 80);
    image("trip/.hidden/c.png");
    const QString loose = image("loose.gif", 120, 80);
    const QString out = home.path() + "/out";
    const QStringList command = {"--size",     "60x*", "--keep-folders", "-o", out,
                                 in("trip/."), loose};

    const Outcome first = runSardoxa(command);
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    const QStringList tree = {"loose.tif", "trip/day1/a (1).tif", "trip/day1/a.tif",
                              "trip/day2/b.tif"};
    ASSERT_EQ(treeOf(out), tree);
    EXPECT_EQ(Images::load(out + "/trip/day1/a.tif").height(), 40);
    EXPECT_EQ(Images::load(out + "/trip/day1/a (1).tif").height(), 90);
    // Without the option the copies lie flat, as before.
    ASSERT_EQ(runSardoxa({"--size", "60x*", "-o", home.path() + "/flat", in("trip")}).exitCode, 0);
    EXPECT_EQ(treeOf(home.path() + "/flat"), (QStringList{"a (1).tif", "a.tif", "b.tif"}));

    // A stopped run: one copy is missing, and where no unnamed files can be made, a temporary
    // one of ours is left in a kept folder. The rerun makes the copy, passes over the rest
    // untouched, and takes the leftover away.
    ASSERT_TRUE(QFile::remove(out + "/trip/day1/a.tif"));
    const QByteArray leftover =
        encodePath(writeFile(out + "/trip/day1/.sardoxa-k1ll3d.partial", "half"));
    ::setxattr(leftover.constData(), "user.sardoxa", "partial", 7, 0);
    const struct timespec old[2] = {{1, 0}, {1, 0}};
    ::utimensat(AT_FDCWD, leftover.constData(), old, 0);
    const QString kept = seconds(out + "/trip/day1/a (1).tif");
    const Outcome rerun = runSardoxa(QStringList(command) << "--skip-existing"
                                                          << "--json");
    EXPECT_EQ(rerun.exitCode, 0) << rerun.err.toStdString();
    EXPECT_EQ(treeOf(out), tree);
    EXPECT_EQ(seconds(out + "/trip/day1/a (1).tif"), kept);
    EXPECT_EQ(Images::load(out + "/trip/day1/a.tif").height(), 40);
    QHash<QString, QJsonObject> told = outcomes(rerun);
    EXPECT_EQ(told[wide]["already_done"], false);
    EXPECT_EQ(told[tall]["already_done"], true);
    EXPECT_EQ(told[tall]["output"], out + "/trip/day1/a (1).tif");
    EXPECT_EQ(told[tall]["height"], 90);
    EXPECT_EQ(told[""],
              (QJsonObject{{"folder", out}, {"written", 1}, {"skipped", 0}, {"already_done", 3}}));
    EXPECT_TRUE(rerun.err.contains("wrote 1 of 4 images to " + out + ", 3 already done"))
        << rerun.err.toStdString();

    // An image changed since its copy, or a run at another size, finds a file that is not its
    // copy at the name: it stays, and the image is skipped with the reason.
    ::utimensat(AT_FDCWD, encodePath(tall).constData(), nullptr, 0);
    ::utimensat(AT_FDCWD, encodePath(out + "/trip/day1/a (1).tif").constData(), old, 0);
    const Outcome changed = runSardoxa(QStringList(command) << "--skip-existing");
    EXPECT_EQ(changed.exitCode, 1);
    EXPECT_TRUE(changed.err.contains("skipped " + tall +
                                     ": its copy's name holds a file of another time: the image "
                                     "has changed since, or that is another image's copy; remove " +
                                     out + "/trip/day1/a (1).tif to make the copy again"))
        << changed.err.toStdString();
    QStringList resized = command;
    resized[1] = "30x*";
    const Outcome smaller = runSardoxa(resized << "--skip-existing");
    EXPECT_EQ(smaller.exitCode, 1);
    EXPECT_TRUE(smaller.err.contains("its copy's name holds a copy of 60 × 40 pixels, not 30 × 20; "
                                     "remove " +
                                     out + "/trip/day2/b.tif to make the copy again"))
        << smaller.err.toStdString();
    EXPECT_EQ(treeOf(out), tree);
    EXPECT_EQ(Images::load(out + "/trip/day2/b.tif").width(), 60);
}

TEST_F(BigJobs, ShardsWriteEveryImageOnceAndKeepCopiesOfOneNameTogether) {
    for (int i = 0; i < 10; ++i)
        image(QStringLiteral("set/%1/p%2.png").arg(i % 3).arg(i), 40, 30);
    image("set/0/q.jpg", 40, 30);
    image("set/0/q.png", 30, 40);
    const QString whole = home.path() + "/whole", shared = home.path() + "/shared";
    ASSERT_EQ(runSardoxa({"--size", "20x*", "--keep-folders", "-o", whole, in("set")}).exitCode, 0);
    qint64 written = 0;
    for (int k = 0; k < 3; ++k) {
        const QString shard = QStringLiteral("%1/3").arg(k);
        const Outcome run = runSardoxa({"--size", "20x*", "--keep-folders", "--json", "--shard",
                                        shard, "-o", shared, in("set")});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QJsonObject summary = outcomes(run)[""];
        EXPECT_EQ(summary["shard"], shard);
        written += summary["written"].toInteger();
    }
    EXPECT_EQ(written, 12);
    EXPECT_EQ(treeOf(shared), treeOf(whole));
    EXPECT_EQ(Images::load(shared + "/set/0/q.tif").width(), 20); // the jpg, first by name

    // A shard that the request's images all pass by has nothing to do, and that is no failure.
    int empty = 0;
    for (int k = 0; k < 4; ++k) {
        const Outcome run = runSardoxa({"--size", "20x*", "--shard", QStringLiteral("%1/4").arg(k),
                                        "-o", home.path() + "/one", in("set/1/p1.png")});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        empty += run.err.contains("wrote 0 of 0 images");
    }
    EXPECT_EQ(empty, 3);
}
