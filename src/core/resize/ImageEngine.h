#pragma once

#include <QString>

#include <memory>
#include <optional>
#include <stop_token>
#include <sys/stat.h>

#include <vips/vips8>

#include "core/resize/CopyFormat.h"
#include "core/resize/DecoderMemory.h"
#include "core/resize/Failure.h"
#include "core/resize/FailureNote.h"
#include "core/resize/PhotoMetadata.h"
#include "core/sizing/DrawRect.h"

class SourceImage;

// Decoding and scaling with libvips, and encoding: TIFF with libtiff, the other formats with
// libvips' savers.
namespace ImageEngine {

// How many images are computed at once, at most.
inline constexpr int imagesAtOnce = 4;

// Starts libvips; call once, on the main thread, before any image is touched.
void initialize(const char *argv0);

// A canvas's lazy pipeline. libvips compiles liborc programs while it builds a resampler and
// frees them with it, and liborc's code memory is not safe to change from several threads at
// once, so resamplers are built and pipelines released under one lock (see ImageEngine.cpp);
// reading sources and computing their pixels run in parallel.
class Pipeline {
public:
    // `memory` holds what the source's decoder needs until the pipeline goes, and `turn` its place
    // among the pipelines that hold much memory while they wait for a core; `failure` is where the
    // decoding of `image` notes why it failed.
    Pipeline(vips::VImage image, MemoryBudget::Reservation memory,
             std::shared_ptr<const FailureNote> failure,
             std::optional<MemoryBudget::Reservation> turn = std::nullopt);
    ~Pipeline();
    Pipeline(const Pipeline &) = delete;
    Pipeline &operator=(const Pipeline &) = delete;

    const vips::VImage &image() const { return image_; }
    // Why computing the image failed, as the thread that failed saw it; empty while it has not.
    QString failure() const { return failure_->reason(); }

private:
    vips::VImage image_;
    MemoryBudget::Reservation memory_;
    std::shared_ptr<const FailureNote> failure_;
    std::optional<MemoryBudget::Reservation> turn_;
};

struct Result {
    std::unique_ptr<Pipeline> canvas;
    Failure failure; // why there is no canvas: a stop when `stop` ended the wait for memory
    // What the source carries for its copy, read from the file that was decoded.
    PhotoMetadata metadata = {};
    struct stat file = {}; // that file's times
};

// The source drawn into `plan`'s canvas: scaled with Lanczos3 to the draw size and cut to the
// canvas, in a layout a TIFF can hold, decoded from the file `source` holds open. The pipeline is
// lazy; the source is decoded while the image is written as `type`, whose encoder's memory is
// charged with the decoder's. Waits while other decoders hold the memory this one needs.
Result render(const SourceImage &source, const PixelPlan &plan, std::stop_token stop,
              FileType type = FileType::tiff);

// Computes the canvas and writes it to `fd`, strip by strip, as an LZW-compressed TIFF at
// `pixelsPerUnit` × 72 dpi, with the source's ICC profile and no other metadata.
// Why it could not, or none: a stop once `stop` is requested, an undecodable source, or a
// write that failed (its cause alone; the caller names the folder).
Failure writeTiff(const Pipeline &canvas, int fd, double pixelsPerUnit, std::stop_token stop);

// Computes the canvas and writes it to `fd` as `format`: a TIFF as writeTiff() does, the others
// through libvips' savers in a layout the format holds (a JPEG flattened on white), with the
// source's ICC profile, `embedded` where exiv2 cannot add the metadata afterwards (AVIF), and no
// other metadata. Fails as writeTiff() does.
Failure writeCopy(const Pipeline &canvas, int fd, const CopyFormat &format, double pixelsPerUnit,
                  const EmbeddedMetadata &embedded, std::stop_token stop);

} // namespace ImageEngine
