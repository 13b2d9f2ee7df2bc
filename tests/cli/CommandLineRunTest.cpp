#include <QDate>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include "Images.h"
#include "Sardoxa.h"
#include "TempHome.h"

namespace {

class CommandLineRun : public ::testing::Test {
protected:
    QString image(const QString &relative) {
        const QString path = home.path() + "/in/" + relative;
        QDir().mkpath(QFileInfo(path).path());
        Images::save(Images::verticalStripes(120, 80, {{10, 200, 10}, {200, 10, 10}}), path);
        return path;
    }
    QString dayFolder() const {
        return home.productFolder() + '/' + QDate::currentDate().toString("yyyy-MM-dd");
    }

    TempHome home;
};

} // namespace

TEST_F(CommandLineRun, ResizesFilesAndFoldersAndPrintsTheOutputFolder) {
    image("a.png");
    image("deep/er/b.jpg");
    QFile notes(home.path() + "/in/deep/notes.txt");
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    const Outcome run = runSardoxa({"--size", "60x*", home.path() + "/in"});

    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.trimmed(), dayFolder());
    EXPECT_EQ(QDir(dayFolder()).entryList(QDir::Files, QDir::Name),
              (QStringList{"a.tif", "b.tif"}));
    const vips::VImage written = Images::load(dayFolder() + "/b.tif");
    EXPECT_EQ(written.width(), 60);
    EXPECT_EQ(written.height(), 40);
    EXPECT_TRUE(run.err.contains("wrote 2 of 2 images")) << run.err.toStdString();
}

TEST_F(CommandLineRun, ExitsWithOneWhenAnImageIsSkippedOrNoneIsFound) {
    const QString good = image("good.png");
    // A name that holds a line break cannot forge a line of the log.
    const QString bad = home.path() + "/in/bad\nsardoxa: forged.gif";
    QFile(bad).open(QIODevice::WriteOnly);
    const Outcome skipped = runSardoxa({"--size", "30x30", good, bad});
    EXPECT_EQ(skipped.exitCode, 1);
    EXPECT_TRUE(skipped.err.contains("skipped " + home.path() +
                                     "/in/bad\\x0asardoxa: forged.gif: not a decodable image"))
        << skipped.err.toStdString();
    EXPECT_FALSE(skipped.err.contains("\nsardoxa: forged")) << skipped.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(dayFolder() + "/good.tif"));

    const Outcome nothing = runSardoxa({"--size", "30x30", home.path() + "/in/missing.png"});
    EXPECT_EQ(nothing.exitCode, 1);
    EXPECT_TRUE(nothing.err.contains("no images to resize")) << nothing.err.toStdString();
}

TEST_F(CommandLineRun, WritesIntoTheOutputFolderAndReportsEveryFileAsJson) {
    image("a.png");
    image("other/a.jpg");
    const QString bad = home.path() + "/in/bad.gif";
    QFile(bad).open(QIODevice::WriteOnly);
    const QString out = home.path() + "/made/for/it";
    const Outcome run = runSardoxa({"--size", "60x*", "--json", "-o", out, home.path() + "/in"});

    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_EQ(QDir(out).entryList(QDir::Files, QDir::Name), (QStringList{"a (1).tif", "a.tif"}));
    QStringList written;
    QJsonObject summary;
    const QStringList lines = run.out.trimmed().split('\n');
    for (const QString &line : lines) {
        const QJsonObject object = QJsonDocument::fromJson(line.toUtf8()).object();
        ASSERT_FALSE(object.isEmpty()) << line.toStdString(); // every line one object
        if (object.contains("output")) {
            written << QFileInfo(object["output"].toString()).fileName();
            EXPECT_EQ(object["width"].toInt(), 60);
            EXPECT_EQ(object["height"].toInt(), 40);
        } else if (object.contains("skipped") && object["skipped"].isString()) {
            EXPECT_EQ(object["source"].toString(), bad);
        } else {
            summary = object;
        }
    }
    written.sort();
    EXPECT_EQ(written, (QStringList{"a (1).tif", "a.tif"}));
    EXPECT_EQ(summary, (QJsonObject{{"folder", out}, {"written", 2}, {"skipped", 1}}));
}

TEST_F(CommandLineRun, AnOutputFolderThatCannotBeMadeIsAUsageErrorAndNothingIsWritten) {
    const QString source = image("a.png");
    QFile file(home.path() + "/a file");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (const QString &folder : {home.path() + "/a file", home.path() + "/a file/below"}) {
        const Outcome run = runSardoxa({"--size", "60x*", "--output", folder, source});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains("cannot use " + folder + " as the output folder"))
            << run.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(home.pictures()));
    EXPECT_FALSE(QFileInfo::exists(home.path() + "/.config/sardoxa"));
    EXPECT_EQ(runSardoxa({"--quiet", source}).exitCode, 2); // only with --size
}

TEST_F(CommandLineRun, ProgressIsOneLineOnATerminalAndQuietLeavesOnlySkips) {
    for (int i = 0; i < 6; ++i)
        image(QStringLiteral("%1.png").arg(i));
    QFile(home.path() + "/in/bad.png").open(QIODevice::WriteOnly);
    // script(1) gives the program a terminal and writes what it showed to stdout.
    const Outcome terminal = runSardoxa(
        {}, {},
        {"script", "-qfec", QStringLiteral("%1 --size 30x* %2/in").arg(SARDOXA_BINARY, home.path()),
         "/dev/null"});
    const QString shown = terminal.out;
    EXPECT_TRUE(shown.contains("\r\033[Ksardoxa: 3 of 7 done, ")) << shown.toStdString();
    EXPECT_TRUE(shown.contains(" images/s, about ")) << shown.toStdString();
    EXPECT_FALSE(shown.contains("images to go")) << shown.toStdString();
    // A skip and the summary each stand on a line of their own.
    EXPECT_TRUE(
        shown.contains(QRegularExpression("\r\033\\[Ksardoxa: skipped [^\r]*bad.png: [^\r]*\r\n")))
        << shown.toStdString();
    EXPECT_TRUE(
        shown.contains(QRegularExpression("\r\033\\[Ksardoxa: wrote 6 of 7 images to [^\r]*\r\n$")))
        << shown.toStdString();

    const Outcome quiet = runSardoxa({"--size", "30x*", "-q", home.path() + "/in"});
    EXPECT_EQ(quiet.exitCode, 1);
    EXPECT_EQ(quiet.err.count('\n'), 1) << quiet.err.toStdString();
    EXPECT_TRUE(quiet.err.startsWith("sardoxa: skipped ")) << quiet.err.toStdString();
}
