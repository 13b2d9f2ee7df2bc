#include "core/resize/TiffWriter.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <random>
#include <unistd.h>

#include "Images.h"

using vips::VImage;

namespace {

// Writes `pixels` (packed rows) as a TIFF through the writer and reads it back with libtiff,
// through libvips.
VImage roundTrip(const QString &path, const TiffFormat &format, std::vector<std::uint8_t> pixels) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    TiffWriter writer(fd, format);
    const std::size_t rowBytes = format.bytesPerRow();
    for (int top = 0; top < format.height; top += writer.rowsPerStrip()) {
        const int rows = std::min(writer.rowsPerStrip(), format.height - top);
        EXPECT_TRUE(writer.writeStrip(pixels.data() + top * rowBytes, rows));
    }
    EXPECT_TRUE(writer.finish());
    ::close(fd);
    return Images::load(path).copy_memory();
}

std::vector<std::uint8_t> bytesOf(const VImage &image) {
    std::size_t size = 0;
    void *memory = image.write_to_memory(&size);
    std::vector<std::uint8_t> bytes(static_cast<std::uint8_t *>(memory),
                                    static_cast<std::uint8_t *>(memory) + size);
    g_free(memory);
    return bytes;
}

} // namespace

TEST(TiffWriter, LibtiffReadsBackEveryByteWhateverTheData) {
    // Sizes around the points where the code table fills, and data from constant to random, so
    // that every code width, the table's reset and the end of a strip at each width are met.
    QTemporaryDir dir;
    std::mt19937 random(7);
    for (const int spread : {1, 4, 64, 256}) {
        for (int width = 1; width < 12000; width = width * 3 / 2 + 37) {
            TiffFormat format;
            format.width = width;
            format.height = 3;
            format.samplesPerPixel = 1;
            format.photometric = TiffFormat::Photometric::MinIsBlack;
            std::vector<std::uint8_t> pixels(std::size_t(width) * 3);
            for (std::uint8_t &p : pixels)
                p = static_cast<std::uint8_t>(random() % spread);
            const VImage read = roundTrip(dir.filePath("grey.tif"), format, pixels);
            ASSERT_EQ(read.width(), width);
            ASSERT_EQ(bytesOf(read), pixels) << "width " << width << " spread " << spread;
        }
    }
}

TEST(TiffWriter, LayoutsTagsAndProfileSurviveTheRoundTrip) {
    QTemporaryDir dir;
    std::mt19937 random(11);
    const struct {
        int bands;
        int bits;
        bool floating;
        TiffFormat::Photometric photometric;
        bool alpha;
        VipsInterpretation expected;
    } layouts[] = {
        {1, 8, false, TiffFormat::Photometric::MinIsBlack, false, VIPS_INTERPRETATION_B_W},
        {2, 8, false, TiffFormat::Photometric::MinIsBlack, true, VIPS_INTERPRETATION_B_W},
        {3, 8, false, TiffFormat::Photometric::Rgb, false, VIPS_INTERPRETATION_sRGB},
        {4, 8, false, TiffFormat::Photometric::Rgb, true, VIPS_INTERPRETATION_sRGB},
        {3, 16, false, TiffFormat::Photometric::Rgb, false, VIPS_INTERPRETATION_RGB16},
        {4, 16, false, TiffFormat::Photometric::Rgb, true, VIPS_INTERPRETATION_RGB16},
        {1, 16, false, TiffFormat::Photometric::MinIsBlack, false, VIPS_INTERPRETATION_GREY16},
        {4, 8, false, TiffFormat::Photometric::Separated, false, VIPS_INTERPRETATION_CMYK},
        {3, 32, true, TiffFormat::Photometric::Rgb, false, VIPS_INTERPRETATION_scRGB},
    };
    for (const auto &layout : layouts) {
        TiffFormat format;
        format.width = 301;
        format.height = 517; // several strips, the last one short
        format.samplesPerPixel = layout.bands;
        format.bitsPerSample = layout.bits;
        format.floatingPoint = layout.floating;
        format.photometric = layout.photometric;
        format.alpha = layout.alpha;
        format.dotsPerInch = 144;
        format.iccProfile = {1, 2, 3, 4, 5, 6, 7};
        std::vector<std::uint8_t> pixels(std::size_t(format.bytesPerRow()) * format.height);
        if (layout.floating) {
            auto *values = reinterpret_cast<float *>(pixels.data());
            for (std::size_t i = 0; i < pixels.size() / 4; ++i)
                values[i] = float(random() % 1000) / 997.0f;
        } else {
            for (std::size_t i = 0; i < pixels.size(); ++i)
                pixels[i] = static_cast<std::uint8_t>((i / 7 + random() % 3) & 0xff);
        }
        const std::vector<std::uint8_t> original = pixels;
        const VImage read = roundTrip(dir.filePath("layout.tif"), format, pixels);

        EXPECT_EQ(read.bands(), layout.bands);
        EXPECT_EQ(read.interpretation(), layout.expected) << layout.bands << " " << layout.bits;
        EXPECT_EQ(vips_format_sizeof(read.format()) * 8, std::size_t(layout.bits));
        EXPECT_EQ(bytesOf(read), original) << layout.bands << " " << layout.bits;
        EXPECT_NEAR(read.xres() * 25.4, 144, 1e-4);
        std::size_t length = 0;
        const auto *profile =
            static_cast<const std::uint8_t *>(read.get_blob(VIPS_META_ICC_NAME, &length));
        EXPECT_EQ(std::vector<std::uint8_t>(profile, profile + length), format.iccProfile);
    }
}
