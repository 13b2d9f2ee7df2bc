#include "core/resize/SourceImage.h"
#include "core/sizing/DrawRect.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtEndian>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "Fixture.h"
#include "Images.h"

using Images::Colour;
using vips::VImage;

namespace {

const Colour red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255},
    black{0, 0, 0}, yellow{255, 255, 0};

class ImageEngine : public BatchTest {
protected:
    ImageEngine() { QDir().mkpath(out()); }

    QString out() const { return home.path() + "/out"; }
    QString source(const QString &name, const VImage &image, const char *options = "") {
        QDir().mkpath(QFileInfo(in(name)).path());
        Images::save(image, in(name), options);
        return in(name);
    }
    // Resizes one source into out() and returns the path written.
    QString resize(const QString &path, const Size &size) {
        const SourceImage image = SourceImage::open(path);
        const QStringList before = QDir(out()).entryList(QDir::Files);
        batch->resizeImageWithRawImage(image, batch->calculateSize(size, image),
                                       out() + '/' + QFileInfo(path).fileName());
        for (const QString &name : QDir(out()).entryList(QDir::Files)) {
            if (!before.contains(name))
                return out() + '/' + name;
        }
        return {};
    }
};

// What another program makes of a file: its output, or why it failed.
QString readBy(const QStringList &command) {
    QProcess reader;
    reader.start(command.first(), command.mid(1));
    reader.waitForFinished();
    return reader.exitCode() == 0
               ? QString::fromUtf8(reader.readAllStandardOutput()).trimmed()
               : QStringLiteral("failed: ") + QString::fromUtf8(reader.readAllStandardError());
}

} // namespace

TEST_F(ImageEngine, KeepsTheCentreOfAWiderImage) {
    // Eight stripes; cover-cropping 800 × 200 to 100 × 100 keeps the middle quarter: stripes 3, 4.
    const std::vector<Colour> colours{black, white, red, green, blue, yellow, white, black};
    const VImage wide = Images::load(
        resize(source("wide.png", Images::verticalStripes(800, 200, colours)), {100, 100}));
    ASSERT_EQ(wide.width(), 100);
    ASSERT_EQ(wide.height(), 100);
    EXPECT_TRUE(Images::near(wide.getpoint(20, 50), green));
    EXPECT_TRUE(Images::near(wide.getpoint(80, 50), blue));
    EXPECT_TRUE(Images::near(wide.getpoint(50, 0), wide.getpoint(50, 99), 40));
}

TEST_F(ImageEngine, EveryTargetSizeIsExactWithNoEmptyEdge) {
    // Opaque sources with no black pixel: a black edge row or column would be an empty one.
    const std::vector<Colour> colours{red, green, blue, yellow, white};
    const QString sources[] = {
        source("landscape.jpg", Images::verticalStripes(1600, 1067, colours), "[Q=95]"),
        source("portrait.png", Images::verticalStripes(333, 1000, colours)),
        source("square.tif", Images::verticalStripes(517, 517, colours)),
    };
    for (const QString &path : sources) {
        for (int side = 1000; side >= 100; side -= 75) {
            for (const Size size :
                 {Size{double(side), double(side) * 0.75}, Size{double(side), -1}}) {
                SCOPED_TRACE(::testing::Message()
                             << path.toStdString() << " at " << size.width << " x " << size.height);
                const QString written = resize(path, size);
                if (written.isEmpty()) {
                    ADD_FAILURE() << "nothing written";
                    continue;
                }
                const VImage image = Images::load(written);
                const SourceImage source = SourceImage::open(path);
                const double height = size.height == -1
                                          ? side * source.size().height / source.size().width
                                          : size.height;
                EXPECT_EQ(image.width(), side);
                EXPECT_EQ(image.height(), int(std::lround(height)));
                EXPECT_EQ(image.bands(), 3);
                EXPECT_GT(image.bandmean().min(), 20); // not an empty row or column anywhere
                QFile::remove(written);
            }
        }
    }
}

TEST_F(ImageEngine, FollowsAllEightExifOrientationsOfPhotoSizedSources) {
    // What the viewer sees: 3000 × 2000 with red at the top left and blue elsewhere. Turning a
    // source this large needs its last rows first, which a reader from the top cannot give.
    VImage shown = Images::verticalStripes(3000, 2000, {blue}).copy_memory();
    shown.draw_rect(red, 0, 0, 1500, 1000, VImage::option()->set("fill", true));
    // The stored pixels for each orientation are the shown ones turned back.
    const VImage stored[] = {
        shown,
        shown.flip(VIPS_DIRECTION_HORIZONTAL),
        shown.rot(VIPS_ANGLE_D180),
        shown.flip(VIPS_DIRECTION_VERTICAL),
        shown.rot(VIPS_ANGLE_D90).flip(VIPS_DIRECTION_HORIZONTAL),
        shown.rot(VIPS_ANGLE_D270),
        shown.rot(VIPS_ANGLE_D270).flip(VIPS_DIRECTION_HORIZONTAL),
        shown.rot(VIPS_ANGLE_D90),
    };
    QStringList paths;
    for (int orientation = 1; orientation <= 8; ++orientation) {
        VImage tagged = stored[orientation - 1].copy();
        tagged.set(VIPS_META_ORIENTATION, orientation);
        paths << source(QStringLiteral("o%1.jpg").arg(orientation), tagged, "[Q=90]");
        if (orientation == 3 || orientation == 6)
            paths << source(QStringLiteral("o%1.tif").arg(orientation), tagged);
        if (orientation == 6)
            paths << source(QStringLiteral("o%1.webp").arg(orientation), tagged);
    }
    paths << write("o4.png", Images::withExifOrientation(Images::encoded(stored[3], ".png"), 4));
    for (const QString &path : paths) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(SourceImage::open(path).size(), (Size{3000, 2000}));
        // Too little reduction for shrink-on-load to make the source small.
        const VImage image = Images::load(resize(path, {1000, -1}));
        EXPECT_EQ(image.width(), 1000);
        EXPECT_EQ(image.height(), 667);
        EXPECT_TRUE(Images::near(image.getpoint(100, 100), red, 40));
        EXPECT_TRUE(Images::near(image.getpoint(800, 500), blue, 40));
    }
}

TEST_F(ImageEngine, TransparentPixelsDoNotBleedIntoVisibleOnes) {
    // Half transparent green, half opaque red: the colour of invisible pixels must not bleed
    // into the visible ones, so every pixel that shows is red. A tenth is box-shrunk by 5 before
    // Lanczos3; at 203 wide the edge falls inside a box, which shrinks colour unweighted by alpha
    // would tint green. libwebp, scaling on load, keeps invisible pixels black, which would darken.
    for (const QString name : {"half200.png", "half203.png", "half200.webp", "half203.webp"}) {
        SCOPED_TRACE(name.toStdString());
        const VImage half = Images::verticalStripes(name.mid(4, 3).toInt(), 100,
                                                    {Colour{0, 255, 0, 0}, Colour{255, 0, 0, 255}});
        const VImage copy = Images::load(
            resize(source(name, half, name.endsWith("webp") ? "[lossless]" : ""), {20, 10}));
        ASSERT_EQ(copy.bands(), 4);
        EXPECT_EQ(copy.getpoint(2, 5)[3], 0);
        EXPECT_TRUE(Images::near(copy.getpoint(17, 5), Colour{255, 0, 0, 255}, 2));
        const VImage shown = copy.extract_band(3) > 0;
        EXPECT_GT(shown.avg(), 0);
        EXPECT_LE(shown.ifthenelse(copy.extract_band(1), 0).max(), 1) << "green in sight";
        EXPECT_GE(shown.ifthenelse(copy.extract_band(0), 255).min(), 254) << "darkened red";
    }
}

TEST_F(ImageEngine, BadSourcesAndDegenerateSizesWriteNothingAndSayWhy) {
    // A progressive JPEG claiming 32768 × 32768: under the pixel cap, but its decoder would hold
    // every coefficient, gigabytes of them.
    QByteArray progressive =
        Images::encoded(Images::verticalStripes(16, 16, {red}), ".jpg[interlace]");
    progressive.replace(progressive.indexOf("\xff\xc2") + 5, 4, QByteArray::fromHex("80008000"));
    // A lossless WebP claiming 16383 × 16383, the most the format holds: its decoder would hold
    // 12 bytes a pixel.
    QByteArray webp = Images::encoded(Images::verticalStripes(16, 16, {red}), ".webp[lossless]");
    webp.replace(24, 3, QByteArray::fromHex("fe3f00"))
        .replace(27, 3, QByteArray::fromHex("fe3f00"));
    const qsizetype vp8l = webp.indexOf("VP8L") + 9;
    const quint32 sides = qFromLittleEndian<quint32>(webp.constData() + vp8l);
    qToLittleEndian((sides & ~0xFFFFFFFu) | 16382u | (16382u << 14), webp.data() + vp8l);
    // A TIFF of one compressed strip, which its decoder reads whole, claiming 16384 × 16384
    // float RGBA.
    const QString strip =
        source("strip.tif",
               VImage::black(64, 64, VImage::option()->set("bands", 4)).cast(VIPS_FORMAT_FLOAT));
    readBy({"tiffcp", "-c", "lzw", "-r", "64", strip, in("one-strip.tif")});
    for (const char *tag : {"256", "257", "278"}) // its width, height and rows in a strip
        readBy({"tiffset", "-s", tag, "16384", in("one-strip.tif")});
    // Turned by its EXIF orientation, which needs the whole scaled image at once: 72 GB here.
    VImage turned = VImage::black(100, 10000).copy();
    turned.set(VIPS_META_ORIENTATION, 6);
    const struct {
        QString path;
        Size size;
        const char *reason;
    } cases[] = {
        {write("empty.png", {}),
         {10, 10},
         "not a PNG, JPEG, TIFF, GIF, HEIF, AVIF, WebP or JPEG XL image"},
        {write("notes.jpg", "just some text\n"),
         {10, 10},
         "not a PNG, JPEG, TIFF, GIF, HEIF, AVIF, WebP or JPEG XL image"},
        {write("garbage.gif", QByteArray(4096, '\x5a')),
         {10, 10},
         "not a PNG, JPEG, TIFF, GIF, HEIF, AVIF, WebP or JPEG XL image"},
        {write("bomb.png", Images::claimingPng(100000)), {10, 10}, "too large to decode"},
        {write("progressive.jpg", progressive), {10, 10}, "would need 6144 MB of memory"},
        {write("claims.webp", webp), {10, 10}, "16383 × 16383 pixels would need 3072 MB"},
        {in("one-strip.tif"), {10, 10}, "16384 × 16384 pixels would need 4096 MB"},
        {image("whole.jpg"), {-1, -1}, "has no whole pixel"},
        {in("whole.jpg"), {0.2, 100}, "has no whole pixel"},
        {in("whole.jpg"), {100000, 100000}, "too large to write"},
        {write("turned.jpg", Images::encoded(turned, ".jpg")), {16000, 16000}, "too large to turn"},
        {write("tall.jpg", Images::encoded(VImage::black(1, 65500), ".jpg")),
         {40000, 1},
         "too large to scale"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const std::string log = logOf([&] { EXPECT_TRUE(resize(c.path, c.size).isEmpty()); });
        EXPECT_NE(log.find("skipped " + c.path.toStdString() + ": "), std::string::npos) << log;
        EXPECT_NE(log.find(c.reason), std::string::npos) << log;
    }
    EXPECT_TRUE(QDir(out()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(ImageEngine, WhatIsDecodedIsTheFileWhoseHeaderWasReadWhateverThePathNowNames) {
    const QString path = source("swapped.png", Images::verticalStripes(40, 30, {red}));
    // A pipe would block the reader for good; it is refused without being opened for a read.
    const QString pipe = in("pipe.png");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_EQ(SourceImage::open(pipe).failure().text(), "not a regular file");

    const SourceImage image = SourceImage::open(path);
    QFile::remove(path);
    source("swapped.png", Images::verticalStripes(4000, 3000, {blue}));
    const ScaledCopy copy = batch->resizeImageWithRawImage(
        image, batch->calculateSize({20, 20}, image), out() + "/swapped.png");
    ASSERT_TRUE(copy.written) << copy.failure.text().toStdString();
    EXPECT_TRUE(Images::near(Images::load(*copy.written).getpoint(10, 10), red));
}

TEST_F(ImageEngine, RealWorldLayoutsReadBackTheSameInEveryReader) {
    const VImage photo = Images::noise(600, 400);
    const auto sixteen = [](const VImage &image, VipsInterpretation interpretation) {
        return image.cast(VIPS_FORMAT_USHORT)
            .linear(257, 0)
            .cast(VIPS_FORMAT_USHORT)
            .copy(VImage::option()->set("interpretation", interpretation));
    };
    const VImage grey16 = sixteen(photo[0], VIPS_INTERPRETATION_GREY16);
    const VImage opaque16 = grey16 * 0 + 65535;
    const VImage profiled = Images::verticalStripes(8, 8, {red}).icc_transform("srgb");
    std::size_t length = 0;
    const auto *profile = static_cast<const char *>(profiled.get_blob(VIPS_META_ICC_NAME, &length));
    // qCompress gives a zlib stream behind four bytes of length.
    const QByteArray deflated = qCompress(QByteArray(profile, qsizetype(length))).mid(4);
    VImage turned = photo.rot(VIPS_ANGLE_D270).copy();
    turned.set(VIPS_META_ORIENTATION, 6);
    const VImage cmyk = photo.bandjoin(photo[0]).copy(
        VImage::option()->set("interpretation", VIPS_INTERPRETATION_CMYK));
    // An ICC profile whose chunk has an empty name, which libvips' PNG reader drops.
    const QByteArray unnamed = Images::withPngChunk(Images::encoded(photo, ".png"), "iCCP",
                                                    QByteArray(2, '\0') + deflated);

    const struct {
        QString path;
        const char *has; // "alpha", "profile" or ""
    } cases[] = {
        {source("grey16.png", grey16), ""},
        {source("grey16-alpha.png", grey16.bandjoin(opaque16)), "alpha"},
        {source("palette.png", photo.bandjoin((photo[0] > 100) & 255), "[palette]"), "alpha"},
        {write("unnamed.png", unnamed), "profile"},
        {source("profiled.webp", photo.icc_transform("srgb")), "profile"},
        {source("float.tif", photo.cast(VIPS_FORMAT_FLOAT)), ""},
        {source("rgba16.tif", sixteen(photo, VIPS_INTERPRETATION_RGB16).bandjoin(opaque16)),
         "alpha"},
        {source("cmyk.jpg", cmyk), ""},
        {source("turned.jpg", turned, "[Q=90,interlace]"), ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(QFileInfo(c.path).fileName().toStdString());
        const QString written = resize(c.path, {300, -1});
        if (written.isEmpty()) {
            ADD_FAILURE() << "nothing written";
            continue;
        }
        const VImage output = Images::load(written);
        const bool alpha = QByteArray(c.has) == "alpha";
        EXPECT_EQ(output.width(), 300);
        EXPECT_EQ(output.height(), 200);
        EXPECT_EQ(output.has_alpha(), alpha);
        EXPECT_EQ(output.get_typeof(VIPS_META_ICC_NAME) != 0, QByteArray(c.has) == "profile");

        const QString pillow =
            readBy({"/usr/bin/python3", "-c",
                    "import sys; from PIL import Image; im = Image.open(sys.argv[1]); "
                    "im.load(); print(im.mode, *im.size)",
                    written});
        EXPECT_EQ(pillow.section(' ', 1), "300 200");
        EXPECT_EQ(pillow.section(' ', 0, 0).contains('A'), alpha) << pillow.toStdString();
        const QString copy = out() + "/libtiff-" + QFileInfo(written).fileName();
        EXPECT_EQ(readBy({"tiff2rgba", written, copy}), ""); // libtiff's own decoder
        // libtiff turns ink into light its own way, and premultiplies partly transparent pixels.
        if (output.interpretation() != VIPS_INTERPRETATION_CMYK) {
            VImage mine = output.colourspace(VIPS_INTERPRETATION_sRGB); // 8 bits, as libtiff's
            if (!mine.has_alpha())
                mine = mine.bandjoin_const({255});
            const VImage difference =
                (mine.cast(VIPS_FORMAT_INT) - Images::load(copy).cast(VIPS_FORMAT_INT)).abs();
            EXPECT_LE((difference * (mine[3] == 255) / 255).max(), 1);
        }
        QFile::remove(copy);
    }
    // 427.5 rows by the size rule: the half rounds up, at any dots per inch.
    const VImage dpi =
        Images::noise(1280, 855).copy(VImage::option()->set("xres", 3.78)->set("yres", 3.78));
    const QString written = resize(source("dpi.jpg", dpi), {640, -1});
    EXPECT_EQ(Images::load(written).height(), 428);
    const QString info = readBy({"tiffinfo", written});
    EXPECT_TRUE(info.contains("Compression Scheme: LZW") &&
                info.contains("Predictor: horizontal differencing"));
}

TEST_F(ImageEngine, AJpegDecodesOnlyWhatTheCropKeepsYetMatchesItsWholeDecoding) {
    // Noise, so that a row or column the resampler reads but the decoder skipped shows.
    const VImage portrait = Images::noise(1200, 1600);
    const VImage cmyk =
        portrait.bandjoin(portrait[0])
            .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_CMYK));
    const auto turned = [](VImage image, int orientation) {
        image = image.copy();
        image.set(VIPS_META_ORIENTATION, orientation);
        return image;
    };
    const struct {
        QString path;
        Size target;
    } cases[] = {
        {source("rows.jpg", portrait, "[Q=90]"), {160, 120}},
        {source("rows-whole-size.jpg", portrait, "[Q=90]"), {500, 300}},
        {source("columns.jpg", portrait.rot90(), "[Q=90]"), {120, 160}},
        {source("grey.jpg", portrait[1], "[Q=90]"), {300, 100}},
        {source("progressive.jpg", portrait, "[Q=90,interlace]"), {200, 100}},
        {source("cmyk.jpg", cmyk.rot90(), "[Q=90]"), {100, 300}},
        {source("turned-3.jpg", turned(portrait, 3), "[Q=90]"), {300, 100}},
        {source("turned-6.jpg", turned(portrait, 6), "[Q=90]"), {300, 100}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(QFileInfo(c.path).fileName().toStdString());
        const VImage copy = Images::load(resize(c.path, c.target));
        // libvips' own loader decodes the whole file at the same shrink; the reference is that,
        // resampled alike, turned, and cut at the same pixel.
        const VImage header = Images::load(c.path);
        const bool swap = vips_image_get_orientation_swap(header.get_image());
        const Size shown{double(swap ? header.height() : header.width()),
                         double(swap ? header.width() : header.height())};
        const DrawRect draw = drawRect(shown, c.target);
        const VImage whole = VImage::jpegload(
            c.path.toUtf8().constData(),
            VImage::option()->set("shrink",
                                  jpegShrinkFactor(int(shown.width), int(shown.height), draw)));
        const VImage reference =
            whole
                .resize((swap ? draw.height : draw.width) / whole.width(),
                        VImage::option()
                            ->set("vscale", (swap ? draw.width : draw.height) / whole.height())
                            ->set("kernel", VIPS_KERNEL_LANCZOS3))
                .autorot()
                .crop(-int(std::lround(draw.x)), -int(std::lround(draw.y)), int(c.target.width),
                      int(c.target.height));
        EXPECT_LE((copy.cast(VIPS_FORMAT_INT) - reference.cast(VIPS_FORMAT_INT)).abs().max(), 1);
    }
}
