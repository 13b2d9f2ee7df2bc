#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <stop_token>

// Most decoders stream: they hold a few rows of the image at a time, whatever its size. Others
// cannot, and hold the whole image while they decode it: a progressive JPEG keeps every DCT
// coefficient, an interlaced PNG every pixel, a GIF its whole frame, and libheif, libwebp and
// libjxl decode the whole picture before libvips hands on its first row. What they hold is known
// from the header, so it is counted before decoding starts.
enum class SourceFormat { Jpeg, Png, Gif, Tiff, Heif, Webp, Jxl }; // Heif: HEIC and AVIF alike

struct DecoderDemand {
    SourceFormat format = SourceFormat::Jpeg;
    bool interlaced = false; // progressive JPEG, Adam7 PNG
    int width = 0;           // pixels as stored
    int height = 0;
    int bands = 0;
    int bytesPerSample = 1;
    int rowsAtOnce = 0; // TIFF: the rows of one strip, or of one row of tiles
};

// The bytes the decoder holds at once for such a source; 0 for a streaming one.
double decoderHeldBytes(const DecoderDemand &demand);

// The rows a TIFF's decoder reads at once: one strip, which some writers make of the whole
// image, or one row of tiles; 0 when the file cannot be read as a TIFF.
int tiffRowsAtOnce(int fd);

// A number of bytes shared by the operations that decode at once, so that a batch of large
// sources of the kinds that decode whole runs them one after another rather than together.
class MemoryBudget {
public:
    explicit MemoryBudget(double capacity);

    double capacity() const { return capacity_; }

    class Reservation {
    public:
        Reservation(MemoryBudget &budget, double bytes);
        ~Reservation();
        Reservation(Reservation &&other) noexcept;
        Reservation(const Reservation &) = delete;
        Reservation &operator=(const Reservation &) = delete;
        Reservation &operator=(Reservation &&) = delete;

    private:
        MemoryBudget *budget_;
        double bytes_;
    };

    // Waits until `bytes` are free and holds them; nothing when `stop` is requested first or the
    // bytes are more than the whole budget.
    std::optional<Reservation> reserve(double bytes, std::stop_token stop);

    // The decoders' budget: a quarter of the machine's memory, at most 2 GiB.
    static MemoryBudget &decoders();

private:
    void release(double bytes);

    const double capacity_;
    std::mutex mutex_;
    std::condition_variable_any freed_;
    double used_ = 0;
};
