#pragma once

#include <stop_token>

#include <vips/vips8>

#include "core/sizing/DrawRect.h"

// JPEG sources decoded with libjpeg-turbo directly rather than through libvips' loader, which
// never reads a file's tail: damaged entropy data that decodes to grey without an error (a
// photo with a run of its bytes zeroed) is only caught once the decoder finds data left over
// before the end marker. Every layout goes through it, grey, colour and CMYK alike, so that
// damage is refused the same way in each; every warning of damage, truncation included, fails
// the decode here.
namespace JpegDecoder {

// The part of a source, in its full-size pixels, that a copy reads.
struct Window {
    SourceSpan rows;
    SourceSpan columns;
};

// The JPEG in `fd` as a lazy, sequential image decoded at `eighths` / 8 of its size, carrying
// the ICC profile, orientation and resolution of `header`, the file as libvips read its header.
// Only the `window` is decoded: rows above it are skipped and columns beside it cropped by
// libjpeg-turbo, and read as zero. The image keeps the source's whole size, so that the resampler
// places every pixel it uses as it would in the whole image.
// Rows are decoded as they are asked for; a damaged file, one of too many scans, or a `stop`
// request fails the computation of the image, its reason noted in ThreadErrors on the thread that
// computed it. Throws vips::VError, the reason noted alike, when the file cannot be decoded at all.
// The descriptor is read with pread() and may be closed after.
vips::VImage decode(int fd, int eighths, const vips::VImage &header, const Window &window,
                    std::stop_token stop);

} // namespace JpegDecoder
