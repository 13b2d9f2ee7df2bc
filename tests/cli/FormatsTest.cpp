// Each format through the real program, read back by readers that share no code with it: Pillow
// and libheif's own tools for the pixels, exiftool for the metadata and the profile.
#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "Fixture.h"
#include "Images.h"
#include "Sardoxa.h"
#include "core/files/FilePaths.h"

using vips::VImage;

namespace {

using Formats = HomeTest;

// What Pillow sees of an image file: its mode, its size and the RGBA of two pixels, or what
// libheif's heif-convert makes of an AVIF, as Pillow opens no AVIF.
QString pillow(const QString &path, const QString &scratch) {
    QString readable = path;
    if (path.endsWith(".avif")) {
        readable = scratch + "/avif.png";
        QProcess convert;
        convert.start("heif-convert", {path, readable});
        convert.waitForFinished();
    }
    QProcess python;
    python.start("/usr/bin/python3",
                 {"-c",
                  "import sys; from PIL import Image; i = Image.open(sys.argv[1]); "
                  "r = i.convert('RGBA'); w, h = i.size; "
                  "print(i.mode, w, h, r.getpixel((2, h // 2)), r.getpixel((w - 3, h // 2)))",
                  readable});
    python.waitForFinished();
    return QString::fromUtf8(python.readAllStandardOutput()).trimmed();
}

qint64 mtime(const QString &path) {
    struct stat info {};
    ::stat(encodePath(path).constData(), &info);
    return qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
}

qint64 sizeOf(const QString &path) {
    return QFileInfo(path).size();
}

} // namespace

TEST_F(Formats, EachIsReadBackWithItsSizeMetadataProfileAndTransparency) {
    // A photo turned by its EXIF, in Display P3, with camera data, and a picture whose left half
    // is clear and right half red.
    QDir().mkpath(in(""));
    const QString photo = in("photo.jpg");
    Images::save(Images::noise(96, 64).icc_transform("p3"), photo, "[Q=95]");
    ASSERT_EQ(
        QProcess::execute("exiftool", {"-q", "-overwrite_original", "-Orientation#=6",
                                       "-Make=Canon", "-GPSLatitude=48.1", "-GPSLatitudeRef=N",
                                       "-XMP-dc:Title=Harbour", "-XMP-photoshop:City=Paris",
                                       "-IPTC:City=Paris", "-IPTC:Keywords=boats", photo}),
        0);
    // A picture that holds nothing but where it was taken: its copy holds nothing of it, although
    // libvips reads it too.
    const QString where = in("where.png");
    Images::save(Images::noise(96, 64), where);
    ASSERT_EQ(
        QProcess::execute("exiftool", {"-q", "-overwrite_original", "-GPSLatitude=48.1",
                                       "-GPSLatitudeRef=N", "-XMP-photoshop:City=Paris", where}),
        0);
    const QString clear = in("clear.png");
    Images::save(
        VImage::black(48, 64, VImage::option()->set("bands", 4))
            .join(Images::verticalStripes(48, 64, {{255, 0, 0, 255}}), VIPS_DIRECTION_HORIZONTAL)
            .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB)),
        clear);
    const struct {
        const char *format, *extension, *clearMode, *clearLeft;
        bool iptc;
    } rows[] = {
        {"jpeg", "jpg", "RGB", "(255, 255, 255, 255)", true}, // flattened on white
        {"png", "png", "RGBA", "(0, 0, 0, 0)", true},
        {"webp", "webp", "RGBA", "(0, 0, 0, 0)", false},
        {"avif", "avif", "RGBA", "(0, 0, 0, 0)", false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.format);
        const QString out = home.path() + "/out/" + row.format;
        const Outcome run = runSardoxa({"--size", "48x32", "--format", row.format,
                                        "--strip-location", "-q", "-o", out, photo, clear, where});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QString ext(row.extension);
        EXPECT_EQ(treeOf(out), QStringList({"clear." + ext, "photo." + ext, "where." + ext}));
        const QString photoCopy = out + "/photo." + ext, clearCopy = out + "/clear." + ext;
        EXPECT_TRUE(pillow(photoCopy, home.path()).startsWith("RGB 48 32 "));
        const QString clearRead = pillow(clearCopy, home.path());
        EXPECT_TRUE(
            clearRead.startsWith(QStringLiteral("%1 48 32 %2").arg(row.clearMode, row.clearLeft)))
            << clearRead.toStdString();
        EXPECT_TRUE(clearRead.contains(QRegularExpression(" \\(2[45]\\d, \\d, \\d, 255\\)$")))
            << "red on the right: " << clearRead.toStdString();
        // Made true of the copy: upright, its size, without its location, its profile kept.
        const QJsonObject tags =
            exiftool({"-a", "-G1", "-IFD0:all", "-ExifIFD:ExifImageWidth", "-GPS:all", "-XMP:all",
                      "-IPTC:all", "-ICC_Profile:ProfileDescription", photoCopy});
        EXPECT_EQ(tags["IFD0:Make"].toString(), "Canon");
        EXPECT_EQ(tags["IFD0:Orientation"].toInt(1), 1);
        EXPECT_EQ(tags["ExifIFD:ExifImageWidth"].toInt(), 48);
        EXPECT_EQ(tags["XMP-dc:Title"].toString(), "Harbour");
        for (const char *location : {"GPS:GPSLatitude", "XMP-photoshop:City", "IPTC:City"})
            EXPECT_FALSE(tags.contains(location)) << location;
        EXPECT_EQ(tags["IPTC:Keywords"].toString(), row.iptc ? "boats" : "");
        EXPECT_EQ(tags["ICC_Profile:ProfileDescription"].toString(), "sP3C");
        const QJsonObject bare =
            exiftool({"-a", "-G1", "-GPS:all", "-XMP:all", "-EXIF:all", out + "/where." + ext});
        for (const char *location : {"GPS:GPSLatitude", "XMP-photoshop:City"})
            EXPECT_FALSE(bare.contains(location)) << location;
        EXPECT_EQ(mtime(photoCopy), mtime(photo));
        EXPECT_EQ(mtime(clearCopy), mtime(clear));
    }
}

TEST_F(Formats, QualityLosslessAndNoEnlargingReachTheCopies) {
    QDir().mkpath(in(""));
    const QString photo = in("photo.png");
    Images::save(Images::noise(60, 40), photo);
    const QString big = in("big.png");
    Images::save(Images::noise(400, 300), big);
    const QString out = home.path() + "/out";
    const auto bytes = [&](const QStringList &options, const QString &name) {
        runSardoxa(QStringList{"--size", "60x40", "-q", "-o", out} + options + QStringList{photo});
        const qint64 size = sizeOf(out + '/' + name);
        QFile::remove(out + '/' + name);
        return size;
    };
    for (const char *format : {"jpeg", "webp", "avif"}) {
        SCOPED_TRACE(format);
        const QString name = QString("photo.") + (format == QString("jpeg") ? "jpg" : format);
        const qint64 low = bytes({"--format", format, "--quality", "10"}, name);
        const qint64 high = bytes({"--format", format, "--quality", "95"}, name);
        EXPECT_GT(low, 0);
        EXPECT_LT(low, high);
    }
    // Lossless WebP holds every pixel the lossless PNG holds.
    for (const QStringList &options :
         {QStringList{"--format", "png"}, QStringList{"--format", "webp", "--lossless"}})
        runSardoxa(QStringList{"--size", "30x40", "-q", "-o", out} + options + QStringList{photo});
    EXPECT_EQ((Images::load(out + "/photo.png") - Images::load(out + "/photo.webp")).abs().max(),
              0);

    // A smaller image is only cropped to the size's shape, pixel for pixel, or kept at its size
    // with a * side; a larger one is scaled down as ever.
    const VImage source = Images::load(photo);
    const struct {
        const char *size;
        VImage expected;
    } rows[] = {
        {"120x120", source.crop(10, 0, 40, 40)},
        {"120x*", source},
        {"100x50", source.crop(0, 5, 60, 30)},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.size);
        const Outcome run = runSardoxa({"--size", row.size, "--no-enlarge", "--format", "png", "-q",
                                        "-o", out + "/small", photo, big});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        const VImage copy = Images::load(out + "/small/photo.png");
        EXPECT_EQ(copy.width(), row.expected.width());
        EXPECT_EQ(copy.height(), row.expected.height());
        if (copy.width() == row.expected.width() && copy.height() == row.expected.height()) {
            EXPECT_EQ((copy - row.expected).abs().max(), 0);
        }
        EXPECT_EQ(Images::load(out + "/small/big.png").width(),
                  row.size == QString("120x*") ? 120
                                               : QString(row.size).section('x', 0, 0).toInt());
        QDir(out + "/small").removeRecursively();
    }
}
