#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The presets file on disk, in the application's caches folder.

// The file's path in `caches`, which is made when missing: Qt does not make it.
QString presetFilePath(const QString &caches);

// The entries as stored, newest first; empty when there is no file. Nothing, with what is wrong
// in `error`, when the file cannot be used: something other than a regular file at the path (a
// link, a FIFO, a folder; never opened in a way that could block), a file far larger than ten
// sizes take, which is not read, or text that is not an XML property list with an array at its
// root. Entries that are not sizes are kept: see sizesAmong().
std::optional<QStringList> readPresetFile(const QString &path, QString *error);

// Replaces the file with `presets` in one step: a reader sees the old list or the new one, and
// a failed write (a full disk) leaves the old list. Something other than a regular file at the
// path is left as it is. False, with the reason, on failure.
bool writePresetFile(const QString &path, const QStringList &presets, QString *error);
