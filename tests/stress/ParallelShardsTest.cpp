#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

#include "Images.h"
#include "Sardoxa.h"
#include "TempHome.h"

namespace {

// The process of this user whose arguments hold `argument`, or 0.
pid_t processWith(const QByteArray &argument) {
    for (const QString &entry : QDir("/proc").entryList(QDir::Dirs)) {
        QFile arguments("/proc/" + entry + "/cmdline");
        if (entry.toInt() > 0 && arguments.open(QIODevice::ReadOnly) &&
            arguments.readAll().split('\0').contains(argument))
            return entry.toInt();
    }
    return 0;
}

} // namespace

// The GNU parallel recipe of the large-jobs guide on one machine: three shards at once, one of
// them killed outright half-way, then the same command again.
TEST(ParallelShards, AKilledShardFinishesOnARerunAndEveryImageHasExactlyOneCopy) {
    if (QStandardPaths::findExecutable("parallel").isEmpty())
        GTEST_SKIP() << "no GNU parallel here";
    TempHome home;
    const QString in = home.path() + "/photos", out = home.path() + "/web";
    QStringList expected;
    for (int i = 0; i < 90; ++i) {
        const QString name = QStringLiteral("day%1%2/%3")
                                 .arg(i % 3)
                                 .arg(i % 2 ? "/raw" : "")
                                 .arg(i, 3, 10, QChar('0'));
        QDir().mkpath(QFileInfo(in + '/' + name).path());
        Images::save(Images::noise(900, 600), in + '/' + name + (i % 2 ? ".png" : ".jpg"));
        expected << "photos/" + name + ".tif";
    }
    expected.sort();
    const QStringList recipe = {"-j3",
                                SARDOXA_BINARY,
                                "--size",
                                "40x30",
                                "--keep-folders",
                                "--skip-existing",
                                "--quiet",
                                "--output",
                                out,
                                "--shard",
                                "{}/3",
                                in,
                                ":::",
                                "0",
                                "1",
                                "2"};

    QProcess parallel;
    parallel.start("parallel", recipe);
    ASSERT_TRUE(parallel.waitForStarted());
    // Shard 1 is killed once the shards together have written a few copies.
    pid_t victim = 0;
    while (victim == 0 && parallel.state() == QProcess::Running) {
        if (treeOf(out).size() >= 6)
            victim = processWith("1/3");
        QThread::msleep(5);
    }
    ASSERT_GT(victim, 0) << "the shards ended before one could be killed";
    ::kill(victim, SIGKILL);
    ASSERT_TRUE(parallel.waitForFinished(300000));
    EXPECT_EQ(parallel.exitCode(), 1); // the one shard that failed
    const qsizetype stopped = treeOf(out).size();
    EXPECT_LT(stopped, expected.size());

    parallel.start("parallel", recipe);
    ASSERT_TRUE(parallel.waitForFinished(300000));
    EXPECT_EQ(parallel.exitCode(), 0) << parallel.readAllStandardError().toStdString();
    EXPECT_EQ(treeOf(out), expected);
}
