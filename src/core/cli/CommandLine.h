#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "core/job/Shard.h"
#include "core/resize/CopyFormat.h"
#include "core/sizing/Size.h"

// What the process was asked to do.
struct CommandLine {
    enum class Mode {
        Desktop, // start the desktop application; paths go to it
        Resize,  // resize the paths to `size` without any window
        Help,
        Version,
        UsageError, // `message` says what is wrong
    };

    Mode mode = Mode::Desktop;
    Size size;
    bool lastSize = false; // --size last: the newest remembered size, which `size` does not hold
    QStringList paths;     // absolute
    QString filesFrom;     // --files-from: a file that lists more paths, `-` for standard input
    bool nulSeparated = false; // -0: its paths are each ended by a NUL rather than a line break
    bool standardInputClosed = false; // with --files-from -: the process has no standard input
    QString message;                  // a usage error's problem, in one line
    // With --size only:
    QString output;     // -o: the folder for the copies, absolute; empty for the day's folder
    bool quiet = false; // -q: only skipped files and errors on stderr
    bool json = false;  // --json: one JSON object per file on stdout, then a summary
    // --strip-location (true) or --keep-location (false): whether the copies leave out the
    // location for this run alone; without either, the choice stored in the preferences holds.
    std::optional<bool> removeLocation;
    // --keep-folders or --no-keep-folders, and --skip-existing or --no-skip-existing, for this run
    // alone; without them, the stored choices hold.
    std::optional<bool> keepFolders;
    std::optional<bool> skipExisting;
    // --format, --quality and --lossless: how this run writes its copies, over the stored format.
    CopyFormatOverride format;
    // --no-enlarge (true) or --enlarge (false), for this run alone.
    std::optional<bool> noEnlarge;
    // --shard K/N: only the images of that shard.
    std::optional<Shard> shard;
    // --notify: the end of the batch, or a usage error, is also a desktop notification. Set
    // with a usage error too, so that it can be shown.
    bool notify = false;
};

// Reads `--size` values such as 640x480, 640x* and *x480. Each side is a positive number or `*`,
// at the precision of a typed size; not both may be `*`.
std::optional<Size> parseSizeOption(const QString &text);

// Why no image can be written at `size`, such as a remembered one: a side neither positive nor `*`,
// or a size too large or too small for any image. Empty when some image can be written at it.
QString sizeProblem(const Size &size);

// Reads the process arguments, the program name first.
CommandLine parseCommandLine(const QStringList &arguments);

QString commandLineHelp();
