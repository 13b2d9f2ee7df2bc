// Sources at the edges of what the engine takes, run through the real program in one batch.
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <map>
#include <thread>

#include "core/resize/ThreadErrors.h"

#include "Fixture.h"
#include "Images.h"
#include "Sardoxa.h"

using Images::Colour;
using vips::VImage;

namespace {

class EngineEdges : public HomeTest {
protected:
    // Runs the program on `paths` at 64 × 48; each skipped file's reason by its path.
    std::map<QString, QString> run(const QStringList &paths, int expectedExit) {
        const Outcome outcome = runSardoxa(QStringList{"--size", "64x48"} + paths);
        EXPECT_FALSE(outcome.crashed) << outcome.err.toStdString();
        EXPECT_EQ(outcome.exitCode, expectedExit) << outcome.err.toStdString();
        std::map<QString, QString> reasons;
        static const QRegularExpression skip(QStringLiteral("^sardoxa: skipped (\\S+): (.*)$"),
                                             QRegularExpression::MultilineOption);
        for (const auto &line : skip.globalMatch(outcome.err))
            reasons[line.captured(1)] = line.captured(2);
        return reasons;
    }
    // The same for a table of cases, each with its `path`.
    template <typename Cases> std::map<QString, QString> runCases(const Cases &cases) {
        QStringList paths;
        for (const auto &c : cases)
            paths << c.path;
        return run(paths, 1);
    }
    // Where the copy of `source` goes.
    QString copyOf(const QString &source) const {
        return today() + '/' + QFileInfo(source).completeBaseName() + ".tif";
    }
};

// An uncompressed TIFF of `image`'s bytes relabelled as 8-bit CIELab: L* in 0..255, a* and b*
// signed.
QByteArray asCieLab(const VImage &image) {
    QByteArray tiff = Images::encoded(image, ".tif");
    const qsizetype rgb = tiff.indexOf(QByteArray::fromHex("06010300010000000200"));
    tiff[rgb + 8] = 8;
    return tiff;
}

// The file with bytes no encoder gives written over its middle.
QByteArray damaged(QByteArray file) {
    for (int i = 0; i < 400; ++i)
        file[file.size() / 2 + i] = char(i * 7919 % 256);
    return file;
}

VImage uniform(const Colour &value, VipsBandFormat format) {
    return (VImage::black(64, 48) + value).cast(format);
}

} // namespace

TEST_F(EngineEdges, EachSourceIsWrittenInItsOwnTonesOrSkippedForItsOwnReason) {
    // Near white with a* and b* below zero, where a misread sign or packing shows at once.
    const Colour lab{250, 254, 253}; // L* 98, a* -2, b* -3
    const Colour white = (VImage::black(1, 1, VImage::option()->set("bands", 3)) +
                          std::vector<double>{250 / 2.55, -2, -3})
                             .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_LAB))
                             .colourspace(VIPS_INTERPRETATION_sRGB)
                             .getpoint(0, 0);
    ASSERT_TRUE(QFile::resize(write("sparse.jpg"), 20LL << 30));
    // LZW data that ends early, which the GIF decoder fills with empty rows.
    QByteArray zeroed = Images::encoded(Images::noise(300, 200), ".gif");
    zeroed.replace(zeroed.size() / 2, 400, QByteArray(400, '\0'));
    const struct {
        QString path;
        Colour written; // empty for a skip
        const char *reason;
    } cases[] = {
        {write("lab.tif", asCieLab(uniform(lab, VIPS_FORMAT_UCHAR))), white, ""},
        {write("lab-alpha.tif", asCieLab(uniform(lab, VIPS_FORMAT_UCHAR).bandjoin_const({255}))),
         Colour{white[0], white[1], white[2], 255}, ""},
        // Integers by their range, as libvips' conversions take them.
        {write("char.tif", Images::encoded(uniform({100}, VIPS_FORMAT_CHAR), ".tif")), {100}, ""},
        {write("short.tif", Images::encoded(uniform({20000}, VIPS_FORMAT_SHORT), ".tif")),
         {78},
         ""},
        {write("int.tif", Images::encoded(uniform({1.5e9}, VIPS_FORMAT_INT), ".tif")), {89}, ""},
        {write("uint.tif", Images::encoded(uniform({3e9}, VIPS_FORMAT_UINT), ".tif")), {178}, ""},
        {write("tall.png", Images::encoded(VImage::black(1, 4000000), ".png")),
         {},
         "too large to scale: it would be drawn at 64 × 256000000 pixels"},
        {in("sparse.jpg"), {}, "not a PNG, JPEG, TIFF, GIF, HEIF, AVIF, WebP or JPEG XL image"},
        {write("zeroed.gif", zeroed), {}, "gifload_source: Invalid frame data"},
        // Damage that libtiff's codecs only warn of.
        {write("packbits.tif",
               damaged(Images::encoded(Images::noise(300, 200), ".tif[compression=packbits]"))),
         {},
         "PackBitsDecode: Discarding"},
        {write("jpeg.tif",
               damaged(Images::encoded(Images::noise(300, 200), ".tif[compression=jpeg]"))),
         {},
         "JPEGLib: Corrupt JPEG data"},
    };
    const std::map<QString, QString> reasons = runCases(cases);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const QString written = copyOf(c.path);
        EXPECT_EQ(QFileInfo::exists(written), !c.written.empty());
        if (!c.written.empty())
            EXPECT_TRUE(Images::near(Images::load(written).getpoint(32, 24), c.written, 2));
        else
            EXPECT_TRUE(reasons.count(c.path) && reasons.at(c.path).contains(c.reason));
    }
}

TEST_F(EngineEdges, DamagedFilesDecodedTogetherEachGiveTheirOwnDecodersReason) {
    const VImage photo = Images::noise(300, 200);
    const std::map<QString, QByteArray> decoders{{"gif", "gif"}, {"jpg", "jpeg"}, {"jxl", "jxl"},
                                                 {"png", "png"}, {"tif", "tiff"}, {"webp", "webp"}};
    QStringList paths;
    for (const auto &[suffix, decoder] : decoders) {
        const QByteArray file = damaged(
            Images::encoded(photo, suffix == "tif"    ? ".tif[compression=lzw]"
                                   : suffix == "webp" ? ".webp[lossless]"
                                                      : ('.' + suffix).toLatin1().constData()));
        for (int i = 0; i < 16; ++i)
            paths << write(QStringLiteral("%1.%2").arg(i).arg(suffix), file);
    }
    // A header whose checksum is wrong: libpng's own words are the only reason there is.
    QByteArray badHeader = Images::encoded(photo, ".png");
    badHeader[29] = char(~badHeader[29]);
    const QString header = write("header.PNG", badHeader);
    const std::map<QString, QString> reasons = run(paths + QStringList{header}, 1);
    EXPECT_TRUE(reasons.count(header) && reasons.at(header).contains("IHDR: CRC error"));
    for (const QString &path : paths) {
        SCOPED_TRACE(path.toStdString());
        const QString reason = reasons.count(path) ? reasons.at(path).toLower() : QString();
        EXPECT_FALSE(reason.isEmpty()) << "not skipped";
        for (const auto &[suffix, decoder] : decoders)
            EXPECT_EQ(reason.contains(decoder), path.endsWith(suffix)) << reason.toStdString();
        EXPECT_FALSE(reason.contains("no reason given"));
    }
}

TEST_F(EngineEdges, ASkipNamesWhoFailedAndNeverTakesAnotherThreadsWordsFromLibvips) {
    // libvips fails inside itself on a thread of its own while another image's words wait in its
    // shared buffer: this build either hears libvips on that thread or says it cannot.
    vips_error("elsewhere", "another image's failure");
    QString heard;
    std::thread([&heard] {
        VipsImage *pixel = nullptr, *outside = nullptr;
        vips_black(&pixel, 1, 1, nullptr);
        EXPECT_NE(vips_extract_area(pixel, &outside, 0, 0, 2, 2, nullptr), 0);
        g_object_unref(pixel);
        heard = ThreadErrors::takeReason();
        vips_thread_shutdown();
    }).join();
    vips_error_clear();
    ThreadErrors::clear();
    const QString unheard = "(libvips: no reason this build of libvips keeps apart from other "
                            "images')";
    const struct {
        const char *name;
        QString reason, skip;
    } rows[] = {
        {"libvips on its thread", heard,
         ThreadErrors::errorsReachThreads() ? "(libvips: extract_area: bad extract area)"
                                            : unheard},
        {"libvips silent", ThreadErrors::reasonFrom("", true), "(libvips: no reason given)"},
        {"libvips unheard", ThreadErrors::reasonFrom("", false), unheard},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ThreadErrors::undecodable(row.reason).toStdString(),
                  ("not a decodable image " + row.skip).toStdString());
    }
}

TEST_F(EngineEdges, PhonesAndWebFormatsAreWrittenAtTheSizeAndTruncatedOnesSkipped) {
    const Colour red{200, 30, 40};
    const VImage photo = Images::verticalStripes(300, 200, {red});
    // Two frames, red over blue: only the first is drawn.
    VImage frames =
        photo.join(Images::verticalStripes(300, 200, {{20, 40, 220}}), VIPS_DIRECTION_VERTICAL);
    frames.set(VIPS_META_PAGE_HEIGHT, 200);
    const auto cut = [](QByteArray file) { return file.left(file.size() * 2 / 3); };
    // The header whole, the coded picture's first bytes zeroed: libvips reads it, libheif fails.
    const auto spoiled = [](QByteArray file) {
        return file.replace(file.indexOf("mdat") + 4, 8, QByteArray(8, '\0'));
    };
    const QByteArray heic = Images::encoded(photo, ".heic");
    const QByteArray avif = Images::encoded(photo, ".heif[compression=av1]");
    const QByteArray webp = Images::encoded(photo, ".webp");
    const QByteArray jxl = Images::encoded(photo, ".jxl");
    const struct {
        QString path;
        const char *reason; // empty for a copy
    } cases[] = {
        {write("photo.heic", heic), ""},
        {write("photo.avif", avif), ""},
        {write("photo.webp", webp), ""},
        {write("photo.jxl", jxl), ""},
        {write("UPPER.HEIF", heic), ""},
        {write("frames.webp", Images::encoded(frames, ".webp")), ""},
        {write("cut.heic", cut(heic)), "heif: Invalid input: Unexpected end of file"},
        {write("cut.avif", cut(avif)), "heif: Invalid input: Unexpected end of file"},
        {write("spoiled.heic", spoiled(heic)), "(libheif: Invalid input"},
        {write("spoiled.avif", spoiled(avif)), "(libheif: "},
        {write("cut.webp", cut(webp)), "webp: unable to parse image"},
        {write("cut.jxl", cut(jxl)), "(libjxl: the image data is damaged or cut short)"},
        {write("notes.txt", "no photo"), "not an image Sardoxa reads"},
    };
    const std::map<QString, QString> reasons = runCases(cases);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const QString written = copyOf(c.path);
        const bool copied = QFileInfo::exists(written);
        EXPECT_EQ(copied, !*c.reason);
        if (*c.reason || !copied) {
            EXPECT_TRUE(reasons.count(c.path) && reasons.at(c.path).contains(c.reason))
                << (reasons.count(c.path) ? reasons.at(c.path).toStdString() : "not skipped");
            continue;
        }
        const VImage copy = Images::load(written);
        EXPECT_EQ(copy.width(), 64);
        EXPECT_EQ(copy.height(), 48);
        EXPECT_TRUE(Images::near(copy.getpoint(32, 24), red));
    }
}
