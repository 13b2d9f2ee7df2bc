#pragma once

#include <QString>

#include "core/sizing/Size.h"

class SourceImage;

// What stands at the name an image's copy takes, for a run that takes up a stopped batch again.
struct StandingCopy {
    enum class Kind {
        none,  // nothing: the copy is to be made
        same,  // the image's copy, made before: the image is done
        other, // something else, which is never replaced: the image is skipped
    };
    Kind kind = Kind::none;
    QString reason; // for `other`, why it is not the image's copy
    int width = 0;  // for `same`, the copy's pixels
    int height = 0;
};

// Whether `path` holds the copy of the valid `image` drawn on `canvas`. A copy keeps its image's
// modification time, so a file counts as the copy only with that time (within the 2 seconds a
// FAT disk keeps) and with the pixel size this canvas gives: an image changed since, a run at
// another size, or another image's copy under the name does not pass for it.
StandingCopy standingCopyAt(const QString &path, const SourceImage &image, const Canvas &canvas);
