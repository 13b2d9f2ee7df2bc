// JPEG sources through the real program: damage refused alike in every layout, padding taken only
// where encoders put it, files of too many scans refused, and large reductions written.
#include <QFileInfo>

#include <tuple>
#include <vector>

#include "Fixture.h"
#include "Images.h"
#include "Sardoxa.h"

using vips::VImage;

namespace {

// One grey pixel in 704 scans, each bit of each coefficient alone: valid, and far more scans than
// any encoder writes. Both Huffman tables hold one code, 0, so each scan is a 0 padded with ones.
QByteArray everyBitAlone() {
    const QByteArray table = '\1' + QByteArray(16, '\0');
    QByteArray jpeg = QByteArray::fromHex("ffd8ffdb004300") + QByteArray(64, '\1') +
                      QByteArray::fromHex("ffc2000b080001000101011100ffc4002600") + table + '\x10' +
                      table;
    for (int k = 0; k < 64; ++k) {
        for (int bit = 10; bit >= 0; --bit)
            jpeg += QByteArray::fromHex("ffda0008010100") + char(k) + char(k) +
                    char((bit == 10 ? 0 : bit + 1) << 4 | bit) + '\x7f';
    }
    return jpeg + QByteArray::fromHex("ffd9");
}

class JpegDamage : public HomeTest {};

} // namespace

TEST_F(JpegDamage, IsRefusedAlikeInEveryLayoutAndLargeReductionsAreWritten) {
    const VImage photo = Images::noise(600, 400);
    const QByteArray cmyk = Images::encoded(photo.bandjoin(photo[0]).copy(VImage::option()->set(
                                                "interpretation", VIPS_INTERPRETATION_CMYK)),
                                            ".jpg");
    const std::pair<const char *, QByteArray> layouts[] = {
        {"grey", Images::encoded(photo[0], ".jpg")},
        {"rgb", Images::encoded(photo, ".jpg")},
        {"layers", Images::encoded(photo, ".jpg[interlace]")},
        {"cmyk", cmyk},
        // Without Adobe's marker, which libvips inverts all the same.
        {"unmarked", QByteArray(cmyk).replace(cmyk.indexOf("Adobe"), 5, "Adobf")}};
    // Source, size, why it is skipped; a copy at its own size holds what libvips' loader reads.
    const QString own = "600x400";
    std::vector<std::tuple<QString, QString, const char *>> cases{
        {write("scans.jpg", everyBitAlone()), own, "(libjpeg-turbo: more than 300 scans"},
        // The resampler reads rows again behind the ones decoded when it reduces this much.
        {write("photo.jpg", Images::encoded(Images::noise(8000, 6000), ".jpg")), "160x90", nullptr},
        {in("photo.jpg"), "200x100", nullptr},
        {write("grey.jpg", Images::encoded(VImage::black(22000, 22000), ".jpg")), "640x480",
         nullptr},
    };
    const QByteArray junk(10, '\x5a');
    for (const auto &[layout, jpeg] : layouts) {
        const qsizetype end = jpeg.size() - 2, lastScan = jpeg.lastIndexOf("\xff\xda");
        const auto file = [&](const char *damage, const QByteArray &bytes) {
            return write(QStringLiteral("%1-%2.jpg").arg(layout, damage), bytes);
        };
        cases.insert(
            cases.end(),
            {
                {file("intact", jpeg), own, nullptr},
                {file("padded", jpeg.left(end) + junk + jpeg.mid(end)), own, nullptr},
                {file("overpadded", jpeg.left(end) + junk.repeated(10) + jpeg.mid(end)), own,
                 "extraneous bytes before marker 0xd9"},
                {file("stray", jpeg.left(lastScan) + junk + jpeg.mid(lastScan)), own,
                 "extraneous bytes before marker 0xda"},
                {file("zeroed",
                      jpeg.left(end - 6000) + QByteArray(5000, '\0') + jpeg.mid(end - 1000)),
                 own, "Corrupt JPEG data"},
                // Where the cut falls in the noise decides libjpeg's words, not whether it
                // is damage.
                {file("ended", jpeg.left(end / 2) + jpeg.mid(end)), own, "(libjpeg-turbo: "},
                {file("cut", jpeg.left(end / 2)), own,
                 "(libjpeg-turbo: Premature end of JPEG file)"},
            });
    }
    for (const auto &[path, size, reason] : cases) {
        SCOPED_TRACE((path + " at " + size).toStdString());
        const QString log = runSardoxa({"--size", size, path}).err;
        const bool skipped = log.contains("skipped " + path + ": ");
        EXPECT_EQ(skipped, reason != nullptr) << log.toStdString();
        EXPECT_TRUE(!reason || log.contains(reason)) << log.toStdString();
        if (!skipped && size == own) {
            const QString copy = today() + '/' + QFileInfo(path).completeBaseName() + ".tif";
            EXPECT_EQ((Images::load(copy) - Images::load(path)).abs().max(), 0);
        }
    }
}
