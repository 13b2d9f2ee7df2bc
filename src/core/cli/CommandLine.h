#pragma once

#include <QString>
#include <QStringList>

#include <optional>

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
    QStringList paths;
    QString message;
    // With --size only:
    QString output;     // -o: the folder for the copies, absolute; empty for the day's folder
    bool quiet = false; // -q: only skipped files and errors on stderr
    bool json = false;  // --json: one JSON object per file on stdout, then a summary
    bool stripLocation = false; // --strip-location: no GPS data in the copies
};

// Reads `--size` values such as 640x480, 640x* and *x480. Each side is a positive number or `*`,
// at the precision of a typed size; not both may be `*`.
std::optional<Size> parseSizeOption(const QString &text);

// Reads the process arguments, the program name first.
CommandLine parseCommandLine(const QStringList &arguments);

QString commandLineHelp();
