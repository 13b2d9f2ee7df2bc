#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

#include "core/job/Skip.h"

struct CommandLine;

// The paths of a list such as --files-from reads.
struct ListedPaths {
    QStringList paths;   // absolute, each once
    QList<Skip> skipped; // entries longer than any path, each named by its start
};

// Reads the list from `fd` to its end, a block at a time: one path a line, or each ended by a NUL
// when `nulSeparated`, as bytes of the file system. Empty entries are passed over, a path listed
// again is taken once, and relative ones are taken from `workingFolder`. An entry longer than
// any path can be is skipped, and only its start is held: memory follows the number of different
// paths, never the length of the list or of an entry. Nothing, with the reason in `error`, when
// it cannot be read.
std::optional<ListedPaths> readPathList(int fd, bool nulSeparated, const QString &workingFolder,
                                        QString *error);

// The paths listed in `command.filesFrom`, a file or `-` for standard input, read to its end.
std::optional<ListedPaths> readFilesFrom(const CommandLine &command, QString *error);
