#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include "Images.h"
#include "TempHome.h"

namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

Outcome sardoxa(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(SARDOXA_BINARY), arguments);
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

class CommandLineRun : public ::testing::Test {
protected:
    QString image(const QString &relative)
    {
        const QString path = home.path() + "/in/" + relative;
        QDir().mkpath(QFileInfo(path).path());
        Images::save(Images::verticalStripes(120, 80, {{10, 200, 10}, {200, 10, 10}}), path);
        return path;
    }
    QString dayFolder() const
    {
        return home.productFolder() + '/' + QDate::currentDate().toString("yyyy-MM-dd");
    }

    TempHome home;
};

} // namespace

TEST_F(CommandLineRun, ResizesFilesAndFoldersAndPrintsTheOutputFolder)
{
    image("a.png");
    image("deep/er/b.jpg");
    QFile notes(home.path() + "/in/deep/notes.txt");
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    const Outcome run = sardoxa({"--size", "60x*", home.path() + "/in"});

    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.trimmed(), dayFolder());
    EXPECT_EQ(QDir(dayFolder()).entryList(QDir::Files, QDir::Name), (QStringList{"a.png", "b.jpg"}));
    const vips::VImage written = Images::load(dayFolder() + "/b.jpg");
    EXPECT_EQ(written.width(), 60);
    EXPECT_EQ(written.height(), 40);
    EXPECT_TRUE(run.err.contains("wrote 2 of 2 images")) << run.err.toStdString();
}

TEST_F(CommandLineRun, ExitsWithOneWhenAnImageIsSkippedOrNoneIsFound)
{
    const QString good = image("good.png");
    const QString bad = home.path() + "/in/bad.gif";
    QFile(bad).open(QIODevice::WriteOnly);
    const Outcome skipped = sardoxa({"--size", "30x30", good, bad});
    EXPECT_EQ(skipped.exitCode, 1);
    EXPECT_TRUE(skipped.err.contains("skipped " + bad + ": not a decodable image")) << skipped.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(dayFolder() + "/good.png"));

    const Outcome nothing = sardoxa({"--size", "30x30", home.path() + "/in/missing.png"});
    EXPECT_EQ(nothing.exitCode, 1);
    EXPECT_TRUE(nothing.err.contains("no images to resize")) << nothing.err.toStdString();
}
