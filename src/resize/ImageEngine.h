#pragma once

#include <QString>

#include <memory>

#include <vips/vips8>

#include "DrawRect.h"

class SourceImage;

// Decoding, scaling and TIFF encoding with libvips.
namespace ImageEngine {

// Starts libvips; call once, on the main thread, before any image is touched.
void initialize(const char *argv0);

// A canvas's lazy pipeline. libvips compiles liborc programs while it builds a pipeline and
// frees them with it, and liborc's code memory is not safe to change from several threads at
// once (a 10,000-image batch crashed in orc_code_free), so pipelines are built and released
// under one lock; computing their pixels runs in parallel.
class Pipeline {
public:
    explicit Pipeline(vips::VImage image);
    ~Pipeline();
    Pipeline(const Pipeline &) = delete;
    Pipeline &operator=(const Pipeline &) = delete;

    const vips::VImage &image() const { return image_; }

private:
    vips::VImage image_;
};

struct Result {
    std::unique_ptr<Pipeline> canvas;
    QString problem; // why there is no canvas
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
