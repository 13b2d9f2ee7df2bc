#pragma once

#include <QString>

#include <functional>

#include "core/resize/CopyFormat.h"

// What follows the last dot of a file name; nothing when there is no dot, or only a leading one
// (a hidden name).
QString pathExtension(const QString &fileName);

// The name of the n-th candidate for an output file of `type`: the source's base name (its name
// less the last extension) with the type's extension ("tif") first (n = 0), then
// "base (n).tif". A source already named with one of the type's extensions (.tiff, .JPEG) keeps
// it, letter case and all. A name that would not fit the file system's 255 bytes loses the end of
// its base.
QString outputFileName(const QString &sourceName, qint64 n, FileType type = FileType::tiff);

// The first index that `taken` says is free, for names taken from 0 on without gaps: found in
// a number of looks that grows with the logarithm of the taken count, not with the count.
qint64 firstFreeIndex(const std::function<bool(qint64)> &taken);
