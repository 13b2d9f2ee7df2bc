#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The presets file on disk, in the application's caches folder.

// The file's path in `caches`, which is made when missing: Qt does not make it.
QString presetFilePath(const QString &caches);

// The presets, newest first; nothing when there are none or the file cannot be read. Something
// other than a regular file at the path (a link, a FIFO) is not read.
std::optional<QStringList> readPresetFile(const QString &path);

// Replaces the file with `presets` in one step: a reader sees the old list or the new one, and
// a failed write (a full disk) leaves the old list. Something other than a regular file at the
// path is left as it is. False, with the reason, on failure.
bool writePresetFile(const QString &path, const QStringList &presets, QString *error);
