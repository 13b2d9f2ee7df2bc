#pragma once

#include <QString>

#include <optional>

#include <vips/vips8>

#include "core/files/UniqueFd.h"
#include "core/resize/DecoderMemory.h"
#include "core/resize/Failure.h"
#include "core/sizing/Size.h"

// What a source's header tells.
struct SourceHeader {
    SourceFormat format = SourceFormat::Jpeg;
    // Pixels, in the displayed orientation.
    int pixelWidth = 0;
    int pixelHeight = 0;
    // The displayed size, of which only the aspect ratio counts (see nominalSize()), after the
    // EXIF orientation.
    Size size;
    // The EXIF orientation, 1 to 8, and the samples as stored.
    int orientation = 1;
    int bands = 0;
    int bytesPerSample = 1;
    // What the decoder holds at once, in bytes.
    double decoderBytes = 0;

    friend bool operator==(const SourceHeader &, const SourceHeader &) = default;
};

// A source file, opened once and its header read: whether it can be drawn, and its nominal size.
// The file stays open, with the reader and header libvips made of it, so that the same operation
// decodes what its header told of, whatever the path names meanwhile. It is opened in the image's
// own operation and goes with it, so that no file stays open while operations wait.
class SourceImage {
public:
    // Opens the file at `path` and reads its header.
    static SourceImage open(const QString &path);

    const QString &path() const { return path_; }
    bool isValid() const { return valid_; }
    // Why the image cannot be drawn; none for a valid one.
    const Failure &failure() const { return failure_; }

    // The displayed size, of which only the aspect ratio counts; 0 × 0 for an invalid image.
    Size size() const { return header_.size; }
    const SourceHeader &header() const { return header_; }

    // What decoding starts from, for a valid image: the open file, libvips' reader of it, and
    // the header as libvips read it, with all its metadata.
    int descriptor() const { return fd_.get(); }
    const vips::VSource &input() const { return *input_; }
    const vips::VImage &loaded() const { return loaded_; }

private:
    QString path_;
    Failure failure_;
    bool valid_ = false;
    SourceHeader header_;
    UniqueFd fd_;
    std::optional<vips::VSource> input_;
    vips::VImage loaded_;
};

// Reads and checks the header of the image `source` holds, `fd` being the file it reads: a format
// Sardoxa takes, and not so large that decoding it would be a decompression bomb. Nothing, with the
// reason, otherwise. `image`, when given, receives the header as libvips read it, with all its
// metadata.
std::optional<SourceHeader> readSourceHeader(int fd, const vips::VSource &source, Failure *failure,
                                             vips::VImage *image = nullptr);

// The nominal size of `pixels` at `xres` × `yres` pixels per millimetre: the size the dots per
// inch give, pixels × 72 / dpi per axis, up to a factor common to both axes, of which only the
// aspect ratio is used. It is given as the pixel counts with the height scaled by xres / yres, so
// that a file with one resolution for both axes has exactly its pixels' aspect ratio: 72 / dpi,
// rounded on each axis, would move a height that falls on a half pixel to the wrong side.
// 1 × 1, what libvips reports when a file records no resolution, counts as none.
Size nominalSize(int pixelWidth, int pixelHeight, double xres, double yres);
