#pragma once

#include <QString>

// What follows the last dot of a file name; nothing when there is no dot, or only a leading one
// (a hidden name).
QString pathExtension(const QString &fileName);

// The name of the n-th candidate for an output file: the source's own name first (n = 0), then
// "base (n).extension" with the extension's letter case kept.
QString outputFileName(const QString &sourceName, qint64 n);
