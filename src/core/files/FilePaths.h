#pragma once

#include <QByteArray>

#include <QList>
#include <QString>
#include <QStringList>
#include <cerrno>

class QUrl;

// Paths as the file system has them: bytes, usually UTF-8 but not always. A path goes through
// the program as a QString; bytes that are not UTF-8 are carried as the lone surrogates
// U+DC80 to U+DCFF, so that every name, however it is encoded, comes back to the same bytes.

QString decodePath(const QByteArray &bytes);
QByteArray encodePath(const QString &path);

// What is at a path, symbolic links followed.
bool pathExists(const QString &path);
bool isDirectory(const QString &path);

// The path of a file URL with its bytes as they were percent-encoded; empty for other URLs.
QString localPathOf(const QUrl &url);
// The paths of the file URLs among `urls`, in their order; other URLs are passed over.
QStringList localPathsOf(const QList<QUrl> &urls);

// The text of a system error number, `errno` unless another is given.
QString systemError(int error = errno);

// Joins a folder and a name with one separator; an empty name gives the folder itself.
QString joinPath(const QString &folder, const QString &name);
// `path` as it stands, when absolute, or taken from `folder`.
QString absolutePath(const QString &path, const QString &folder);
// The process's working folder.
QString workingFolder();

// The last component of a path.
QString fileNameOf(const QString &path);
// Everything before the last component.
QString folderOf(const QString &path);
