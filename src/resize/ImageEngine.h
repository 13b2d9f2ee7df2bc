#pragma once

#include <QString>

#include <optional>

#include <vips/vips8>

#include "DrawRect.h"

class SourceImage;

// Decoding, scaling and TIFF encoding with libvips.
namespace ImageEngine {

// Starts libvips; call once, on the main thread, before any image is touched.
void initialize(const char *argv0);

struct Result {
    std::optional<vips::VImage> image;
    QString problem; // why there is no image
};

// The source drawn into `plan`'s canvas: scaled with Lanczos3 to the draw size and cut to the
// canvas, in a layout a TIFF can hold. The pipeline is lazy; the source is decoded while the
// image is written.
Result render(const SourceImage &source, const PixelPlan &plan);

struct Written {
    enum class Failure { None, Decoding, Writing };
    Failure failure = Failure::None;
    QString cause;
};

// Computes the image and writes it to `fd`, strip by strip, as an LZW-compressed TIFF at
// `pixelsPerUnit` × 72 dpi, with the source's ICC profile and no other metadata.
Written writeTiff(const vips::VImage &image, int fd, double pixelsPerUnit);

// The text of libvips' last error, cleared so that the next one starts afresh.
QString takeError(const vips::VError &error);

} // namespace ImageEngine
