#include "core/resize/DecoderMemory.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include <tiffio.h>

#include "core/files/FileIo.h"

namespace {

// libtiff reading the source through its descriptor, at offsets of its own, so that the
// descriptor's position, which libvips reads from, is left alone.
struct FdReader {
    int fd;
    toff_t offset = 0;
};

toff_t fileSize(thandle_t handle) {
    struct stat info {};
    return ::fstat(static_cast<FdReader *>(handle)->fd, &info) == 0 ? toff_t(info.st_size) : 0;
}

tsize_t readAt(thandle_t handle, tdata_t buffer, tsize_t size) {
    auto &reader = *static_cast<FdReader *>(handle);
    const ssize_t got = readSomeAt(reader.fd, buffer, std::size_t(size), off_t(reader.offset));
    if (got > 0)
        reader.offset += toff_t(got);
    return got;
}

toff_t seekTo(thandle_t handle, toff_t offset, int whence) {
    auto &reader = *static_cast<FdReader *>(handle);
    reader.offset = offset + (whence == SEEK_CUR   ? reader.offset
                              : whence == SEEK_END ? fileSize(handle)
                                                   : 0);
    return reader.offset;
}

} // namespace

int tiffRowsAtOnce(int fd) {
    FdReader reader{fd};
    const std::unique_ptr<TIFF, decltype(&TIFFClose)> tiff(
        TIFFClientOpen(
            "source", "rm", &reader, readAt,
            [](thandle_t, tdata_t, tsize_t) { return tsize_t(-1); }, seekTo,
            [](thandle_t) { return 0; }, fileSize, [](thandle_t, tdata_t *, toff_t *) { return 0; },
            [](thandle_t, tdata_t, toff_t) {}),
        &TIFFClose);
    std::uint32_t rows = 0;
    if (tiff && TIFFIsTiled(tiff.get()))
        TIFFGetField(tiff.get(), TIFFTAG_TILELENGTH, &rows);
    else if (tiff)
        TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_ROWSPERSTRIP, &rows);
    return int(std::min<std::uint32_t>(rows, INT_MAX));
}

double decoderHeldBytes(const DecoderDemand &demand) {
    const double pixels = double(demand.width) * double(demand.height);
    switch (demand.format) {
    case SourceFormat::Jpeg:
        // Coefficients are 16 bits each, at full size whatever the shrink-on-load.
        return demand.interlaced ? pixels * demand.bands * 2 : 0;
    case SourceFormat::Png:
        return demand.interlaced ? pixels * demand.bands * demand.bytesPerSample : 0;
    case SourceFormat::Gif:
        // The frame as RGBA plus its palette indices, with room for the decoder's own state.
        return pixels * 6;
    case SourceFormat::Tiff:
        // libtiff decodes a strip, or a row of tiles, whole: a writer that puts the whole image
        // in one strip makes it hold the whole image.
        return double(demand.width) * std::min(demand.rowsAtOnce, demand.height) * demand.bands *
               demand.bytesPerSample;
    case SourceFormat::Heif:
        // The decoded planes, upsampled, converted into the interleaved picture libvips reads,
        // turned into a new one where the file is rotated, and the codec's own reference picture.
        // Measured (peak RSS less the program's 50 MiB, 12 megapixels): 8-bit RGB 7.2 bytes a
        // pixel in HEIC, 6.7 in AVIF, 6.1 rotated; RGBA 8.0, 9.7 rotated; 12-bit RGB 20.6 in HEIC,
        // 17.7 in AVIF.
        return pixels * demand.bands * demand.bytesPerSample * 4;
    case SourceFormat::Webp:
        // An animation's frame decoded as RGBA, the canvas libvips draws it on, and the lossless
        // decoder's own ARGB copy, whatever the bands the image reports. A still holds less: the
        // file, that ARGB copy and the picture, scaled as it is decoded.
        return pixels * 4 * 3;
    case SourceFormat::Jxl: {
        // libjxl's frame, 4 bytes a sample, and the decoded picture. Only 8-bit RGB is rendered
        // by libjxl 0.7 straight into the picture; grey is worked on as colour, and 16-bit,
        // floating point and lossless files as 32-bit channels, twice over with alpha or another
        // extra channel (whether a file is lossy is not in its header, so the larger counts).
        // Measured (peak RSS less the program's 50 MiB, 25 megapixels): 8-bit RGB 5.7 bytes a
        // pixel lossy, 3.0 lossless; 8-bit grey 16.0 (11000 × 11000: 1.84 GiB), 16-bit grey
        // 16.8, 16-bit RGB 20.8, 8-bit RGBA 37.3 lossy, 4.1 lossless; float RGB 36.1.
        const double decoded = double(demand.bands) * demand.bytesPerSample;
        const bool extra = demand.bands == 2 || demand.bands > 3;
        if (demand.bands == 3 && demand.bytesPerSample == 1)
            return pixels * 6.5;
        return pixels * (16 + decoded) * (extra || demand.bytesPerSample == 4 ? 2 : 1);
    }
    }
    return 0;
}

MemoryBudget::MemoryBudget(double capacity)
    : capacity_(capacity) {}

MemoryBudget::Reservation::Reservation(MemoryBudget &budget, double bytes)
    : budget_(&budget)
    , bytes_(bytes) {}

MemoryBudget::Reservation::~Reservation() {
    if (budget_)
        budget_->release(bytes_);
}

MemoryBudget::Reservation::Reservation(Reservation &&other) noexcept
    : budget_(std::exchange(other.budget_, nullptr))
    , bytes_(other.bytes_) {}

std::optional<MemoryBudget::Reservation> MemoryBudget::reserve(double bytes, std::stop_token stop) {
    if (bytes > capacity_)
        return std::nullopt;
    std::unique_lock lock(mutex_);
    if (!freed_.wait(lock, stop, [&] { return used_ + bytes <= capacity_; }))
        return std::nullopt;
    used_ += bytes;
    return Reservation(*this, bytes);
}

void MemoryBudget::release(double bytes) {
    {
        std::lock_guard lock(mutex_);
        used_ -= bytes;
    }
    freed_.notify_all();
}

MemoryBudget &MemoryBudget::decoders() {
    static MemoryBudget budget([] {
        const double physical = double(::sysconf(_SC_PHYS_PAGES)) * double(::sysconf(_SC_PAGESIZE));
        constexpr double most = 2.0 * 1024 * 1024 * 1024;
        return physical > 0 ? std::min(most, physical / 4) : most;
    }());
    return budget;
}
