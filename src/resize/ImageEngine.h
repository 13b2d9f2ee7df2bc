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

// The source decoded and drawn into `plan`'s canvas: scaled with Lanczos3 to the draw size and
// cut to the canvas. An ordinary canvas is computed here, in memory, so that a source that stops
// decoding halfway is told apart from a file that cannot be written; a huge one stays a lazy
// pipeline that is computed while it is written.
Result render(const SourceImage &source, const PixelPlan &plan);

// Writes the image as an LZW-compressed TIFF at `pixelsPerUnit` × 72 dpi, keeping only the ICC
// profile of the source's metadata. An empty text on success, the cause otherwise.
QString writeTiff(const vips::VImage &image, const QString &path, double pixelsPerUnit);

// The text of libvips' last error, cleared so that the next one starts afresh.
QString takeError(const vips::VError &error);

} // namespace ImageEngine
