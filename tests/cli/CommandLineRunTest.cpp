#include <QDate>
#include <QDir>
#include <QFile>

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
