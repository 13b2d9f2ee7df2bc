#pragma once

#include <stop_token>

#include <vips/vips8>

#include "core/resize/CopyFormat.h"
#include "core/resize/PhotoMetadata.h"

// Writing a canvas as a JPEG, PNG, WebP or AVIF file through libvips' savers. The TIFF has a
// writer of its own (TiffWriter).
namespace FileSaver {

// The canvas, in a layout the engine's TIFFs take (8-bit grey, grey with alpha, RGB, RGBA or CMYK,
// 16-bit grey, RGB or RGBA), turned into one that `type` holds as it is: a JPEG is flattened on
// white and 8-bit; PNG, WebP and AVIF take CMYK as sRGB through its profile; WebP and AVIF are
// 8-bit. The ICC profile stays where the colours stay; no other metadata of the source does.
vips::VImage saveable(const vips::VImage &canvas, FileType type);

// The memory an encoder holds beyond the canvas's rows while it writes a canvas of `width` ×
// `height` pixels: libwebp and libheif take the whole picture and compress it in memory; libjpeg
// and libpng take it row by row.
double encoderBytes(FileType type, int width, int height);

// How a save went.
struct Outcome {
    bool saved = false;
    bool stopped = false; // the stop request ended it
    int writeError = 0;   // errno of the write that failed, if one did
};

// Writes `image`, made saveable(), to `fd` from where it stands, at `pixelsPerUnit` × 72 dpi
// where the format keeps a resolution, with `embedded` where the format is AVIF.
Outcome save(const vips::VImage &image, int fd, const CopyFormat &format, double pixelsPerUnit,
             const EmbeddedMetadata &embedded, std::stop_token stop);

} // namespace FileSaver
