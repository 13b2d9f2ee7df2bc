// Files built to hurt a decoder: each ends in bounded time and memory, written or skipped with a
// reason, and the job ends.
#include "core/resize/OutputName.h"

#include <QDir>

#include "Fixture.h"
#include "Images.h"

class HostileFiles : public BatchTest {};

TEST_F(HostileFiles, EachEndsWrittenOrSkippedAndTheJobEnds) {
    // A TIFF of 5000 one-pixel pages, a GIF of 3000 frames, a JPEG claiming 65000 × 65000.
    vips::VImage pages = Images::verticalStripes(1, 5000, {{10, 20, 30}});
    pages.set("page-height", 1);
    vips::VImage frames = Images::verticalStripes(4, 12000, {{200, 0, 0, 255}});
    frames.set("page-height", 4);
    QByteArray huge = Images::encoded(Images::verticalStripes(16, 16, {{90, 90, 90}}), ".jpg");
    huge.replace(huge.indexOf("\xff\xc0") + 5, 4, QByteArray::fromHex("fde8fde8"));
    const QStringList paths{
        write("bomb.png", Images::claimingPng(40000)), // 1.6 gigapixels of nothing
        // 256 megapixels, truly there.
        write("under.png",
              Images::encoded(vips::VImage::black(16000, 16000), ".png[compression=9]")),
        write("huge.jpg", huge),
        write("pages.tif", Images::encoded(pages, ".tif")),
        write("frames.gif", Images::encoded(frames, ".gif")),
        write("svg.png", "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'/>"),
    };
    const QString key = batch->makeJobFolder();
    const std::string log = logOf([&] { runJob(key, paths, "{32, 32}"); });

    const QStringList written = QDir(key).entryList(QDir::Files);
    for (const QString &path : paths) {
        const QString name = outputFileName(path.mid(path.lastIndexOf('/') + 1), 0);
        const bool skipped = log.find("skipped " + path.toStdString() + ": ") != std::string::npos;
        EXPECT_NE(written.contains(name), skipped) << name.toStdString() << "\n" << log;
    }
    EXPECT_NE(log.find("bomb.png: too large to decode"), std::string::npos) << log;
    EXPECT_NE(log.find("huge.jpg: too large to decode"), std::string::npos) << log;
    EXPECT_NE(log.find("svg.png: not a PNG, JPEG, TIFF, GIF, HEIF, AVIF, WebP or JPEG XL image"),
              std::string::npos)
        << log;
    EXPECT_TRUE(written.contains("pages.tif") && written.contains("frames.tif"));
    EXPECT_EQ(platform.shown.mid(platform.shown.size() - 4, 3),
              (QStringList{"open " + key, "badge cleared", "attention"}));
    EXPECT_TRUE(platform.shown.constLast().contains(QStringLiteral(" skipped. ")));
}
