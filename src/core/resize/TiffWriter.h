#pragma once

#include <QString>

#include <cstdint>
#include <sys/types.h>
#include <vector>

#include <tiffio.h>

// The layout of a TIFF image: chunky whole-number samples.
struct TiffFormat {
    enum class Photometric : std::uint16_t { MinIsBlack = 1, Rgb = 2, Separated = 5 };

    int width = 0;
    int height = 0;
    int samplesPerPixel = 0;
    int bitsPerSample = 8; // 8 or 16
    Photometric photometric = Photometric::Rgb;
    bool alpha = false; // the last sample is unassociated alpha
    double dotsPerInch = 72;
    std::vector<std::uint8_t> iccProfile;

    int bytesPerRow() const { return width * samplesPerPixel * (bitsPerSample / 8); }
};

// Writes one LZW-compressed TIFF image with the horizontal predictor (without it LZW barely
// shrinks a photograph) to a file descriptor through libtiff, strip by strip from top to bottom,
// so that memory stays at one strip whatever the image's size. The descriptor stays open.
class TiffWriter {
public:
    TiffWriter(int fd, const TiffFormat &format);
    ~TiffWriter();
    TiffWriter(const TiffWriter &) = delete;
    TiffWriter &operator=(const TiffWriter &) = delete;

    int rowsPerStrip() const { return rowsPerStrip_; }

    // Compresses and writes the next `rows` rows, packed, at most rowsPerStrip() of them. The
    // rows may be changed in place by the predictor.
    bool writeStrip(std::uint8_t *rows, int rowCount);
    // Writes the directory that describes the image; the file is complete after it.
    bool finish();

    // Why a write failed.
    QString error() const;

private:
    static tsize_t read(thandle_t self, tdata_t data, tsize_t size);
    static tsize_t write(thandle_t self, tdata_t data, tsize_t size);
    static toff_t seek(thandle_t self, toff_t offset, int whence);
    static int close(thandle_t self);
    static toff_t size(thandle_t self);
    static int reportError(TIFF *, void *self, const char *module, const char *format,
                           va_list arguments);

    int fd_;
    off_t offset_ = 0;
    off_t end_ = 0;
    int rowsPerStrip_;
    std::size_t rowBytes_;
    std::uint32_t strip_ = 0;
    int errno_ = 0;
    QString libtiffError_;
    TIFF *tiff_ = nullptr;
};
