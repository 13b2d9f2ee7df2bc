#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <stop_token>

#include "core/resize/CopyFormat.h"
#include "core/resize/Failure.h"
#include "core/sizing/Size.h"

class SourceImage;

// One image's whole work: scaled to its canvas, written as a TIFF beside the other outputs and
// placed under the first free name of its source.
struct ScaledCopy {
    std::optional<QString> written; // the output's path
    Failure failure;                // why there is none; a stop when `stop` ended the work
    int width = 0;                  // the output's pixels
    int height = 0;
    bool alreadyDone = false; // `written` stood there before: a run taken up again passed it over
};

// How a copy takes its place among those of its job.
struct CopyPlacement {
    // The folder is the job's own, made at intake: made again should it have gone.
    bool remakeFolder = false;
    // The folders under it that the copy goes into, made as needed (when folders are kept).
    QString subfolder;
    // Returns once the copy may take its name; called with no image memory held.
    std::function<void()> awaitTurn;
};

// Scales `image` to `canvas` and writes it as `format` into the folder of `targetPath` (and the
// placement's subfolder there) under the first free name for the last component of `targetPath`,
// with the source's metadata (without its location when asked) and modification time. Gives up,
// writing nothing, once `stop` is asked.
ScaledCopy writeScaledCopy(const SourceImage &image, const Canvas &canvas,
                           const QString &targetPath, const CopyFormat &format,
                           bool withoutLocation, std::stop_token stop,
                           const CopyPlacement &placement = {});
