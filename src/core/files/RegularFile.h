#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Small files of the program's own, such as the presets and the preferences, read and replaced as
// the regular files they are. Whatever else is put at their path (a link, a FIFO, a folder, a
// device) is left alone: never opened in a way that could block, never written through.

// The file's bytes, empty when there is no file yet. Nothing, with the reason, when something
// other than a regular file is at the path, it holds more than `limit` bytes (which are then not
// read: no such file of ours is ever that large) or it cannot be read.
std::optional<QByteArray> readRegularFile(const QString &path, qint64 limit, QString *error);

// Replaces the file with `bytes` in one step: a reader sees the old contents or the new ones, and
// a failed write (a full disk) leaves the old. False, with the reason, when something other than
// a regular file is at the path or the file cannot be written.
bool replaceRegularFile(const QString &path, const QByteArray &bytes, QString *error);
