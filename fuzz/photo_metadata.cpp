// Metadata comes from anywhere: whatever a photo file holds, in whatever container, the copy its
// metadata is carried into stays a readable image of its own size, with or without it.
#include <sys/mman.h>
#include <unistd.h>

#include "FuzzText.h"
#include "core/files/UniqueFd.h"
#include "core/resize/ImageEngine.h"
#include "core/resize/PhotoMetadata.h"
#include "core/resize/TiffWriter.h"

// The input: a byte whose lowest bit asks for the location to go, then the photo file (a JPEG,
// PNG, WebP, TIFF, GIF, HEIF...).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const bool started = (ImageEngine::initialize("fuzz_photo_metadata"), true);
    (void)started;
    if (size < 1)
        return 0;
    const UniqueFd source(::memfd_create("source", MFD_CLOEXEC));
    FUZZ_ASSERT(::write(source.get(), data + 1, size - 1) == ssize_t(size - 1));
    const PhotoMetadata metadata = PhotoMetadata::read(source.get()).forCopy(24, 16, data[0] & 1);

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
    metadata.writeInto(file.get(), FileType::tiff, &damaged);
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
