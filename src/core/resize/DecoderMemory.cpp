#include "core/resize/DecoderMemory.h"

#include <algorithm>
#include <unistd.h>
#include <utility>

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
        return 0;
    case SourceFormat::Heif:
        // The decoded planes, upsampled, converted into the image libvips reads, and the codec's
        // own reference picture: a 12-megapixel HEIC took 11 bytes a pixel.
        return pixels * demand.bands * demand.bytesPerSample * 4;
    case SourceFormat::Webp:
        // The frame decoded as RGBA, the canvas it is drawn on, and the lossless decoder's own
        // ARGB copy, whatever the bands the image reports.
        return pixels * 4 * 3;
    case SourceFormat::Jxl:
        // The image as libvips takes it and libjxl's buffers of the whole frame.
        return pixels * demand.bands * demand.bytesPerSample * 3;
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
