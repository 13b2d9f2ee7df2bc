#pragma once

#include <QString>

#include <optional>

#include "core/sizing/Size.h"

// The size chosen last, whether typed, clicked as a preset or given on the command line: one size
// string in a small file of its own next to the presets. Not in the presets file, where a size
// chosen again keeps its place, and not in the preferences, which the desktop application
// rewrites whole from what it read at its start: a size a command-line run remembered meanwhile
// would be lost.

// The file's path in `caches`, which is made when missing.
QString lastSizeFilePath(const QString &caches);

// Replaces the file with `entry` in one step. False, with the reason, on failure.
bool writeLastSize(const QString &path, const QString &entry, QString *error);

// What --size last stands for: the size chosen last, from the file at `lastPath`, or, when none
// was remembered yet, the newest entry of the presets file at `presetsPath`, which older versions
// kept alone. Otherwise why there is none: nothing
// remembered, or a file that cannot be used or an entry that is not a size, each named.
struct RememberedSize {
    std::optional<Size> size;
    QString problem;         // when there is no size
    bool nothingYet = false; // no size was ever chosen, rather than a file that cannot be used
};
RememberedSize rememberedSize(const QString &lastPath, const QString &presetsPath);
