// Metadata comes from anywhere: whatever an EXIF block, XMP packet and IPTC block hold, the copy
// they are carried into stays a readable image of its own size, with or without them.
#include <sys/mman.h>

#include "FuzzText.h"
#include "core/files/UniqueFd.h"
#include "core/resize/ImageEngine.h"
#include "core/resize/PhotoMetadata.h"
#include "core/resize/TiffWriter.h"

// The input: the EXIF block's length and the XMP packet's, two bytes each, little-endian, a byte
// whose lowest bit asks for the location to go, then the three blocks one after another.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const bool started = (ImageEngine::initialize("fuzz_photo_metadata"), true);
    (void)started;
    if (size < 5)
        return 0;
    const QByteArray bytes = fuzzBytes(data + 5, size - 5);
    const qsizetype exifSize = data[0] | data[1] << 8, xmpSize = data[2] | data[3] << 8;
    const PhotoMetadata metadata =
        PhotoMetadata::fromBlocks(bytes.left(exifSize), bytes.mid(exifSize, xmpSize),
                                  bytes.mid(exifSize + xmpSize))
            .forCopy(24, 16, data[4] & 1);

    const UniqueFd file(::memfd_create("copy", MFD_CLOEXEC));
    TiffFormat format;
    format.width = 24;
    format.height = 16;
    format.samplesPerPixel = 3;
    format.iccProfile.assign(512, 7);
    std::vector<std::uint8_t> pixels(std::size_t(format.bytesPerRow() * format.height), 128);
    {
        TiffWriter writer(file.get(), format);
        FUZZ_ASSERT(writer.rowsPerStrip() == 16 && writer.writeStrip(pixels.data(), 16) &&
                    writer.finish());
    }
    bool damaged = false;
    metadata.writeInto(file.get(), &damaged);
    FUZZ_ASSERT(!damaged);
    const vips::VImage copy = vips::VImage::new_from_file(
        QStringLiteral("/proc/self/fd/%1").arg(file.get()).toUtf8().constData());
    FUZZ_ASSERT(copy.width() == 24 && copy.height() == 16 && copy.bands() == 3);
    FUZZ_ASSERT(copy.avg() == 128);
    std::size_t profile = 0;
    copy.get_blob(VIPS_META_ICC_NAME, &profile);
    FUZZ_ASSERT(profile == 512);
    return 0;
}
