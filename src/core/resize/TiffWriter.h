#pragma once

#include <cstdint>
#include <vector>

#include "core/resize/LzwEncoder.h"

// The layout of a TIFF image: chunky samples, little-endian.
struct TiffFormat {
    enum class Photometric : std::uint16_t { MinIsBlack = 1, Rgb = 2, Separated = 5 };

    int width = 0;
    int height = 0;
    int samplesPerPixel = 0;
    int bitsPerSample = 8; // 8 or 16 for whole numbers, 32 for floats
    bool floatingPoint = false;
    Photometric photometric = Photometric::Rgb;
    bool alpha = false; // the last sample is unassociated alpha
    double dotsPerInch = 72;
    std::vector<std::uint8_t> iccProfile;

    int bytesPerRow() const { return width * samplesPerPixel * (bitsPerSample / 8); }
};

// Writes one LZW-compressed TIFF image to a file descriptor, strip by strip from top to bottom,
// so that memory stays at one strip whatever the image's size. Whole-number samples get the
// horizontal predictor, without which LZW barely shrinks a photograph.
class TiffWriter {
public:
    TiffWriter(int fd, const TiffFormat &format);

    int rowsPerStrip() const { return rowsPerStrip_; }

    // Compresses and writes the next `rows` rows, packed, at most rowsPerStrip() of them. The
    // rows are changed in place by the predictor.
    bool writeStrip(std::uint8_t *rows, int rowCount);
    // Writes the directory that describes the image; the file is complete after it.
    bool finish();

    // The errno of the failed write.
    int error() const { return error_; }

private:
    bool write(const void *data, std::size_t size);
    bool writeAt(std::uint64_t offset, const void *data, std::size_t size);
    void predict(std::uint8_t *rows, int rowCount) const;

    int fd_;
    TiffFormat format_;
    int rowsPerStrip_;
    std::uint64_t offset_ = 0;
    std::vector<std::uint32_t> stripOffsets_;
    std::vector<std::uint32_t> stripByteCounts_;
    LzwEncoder encoder_;
    std::vector<std::uint8_t> compressed_;
    int error_ = 0;
};
