#pragma once

#include <QString>
#include <QStringList>

// Which dropped or opened paths become a job's images.

// Whether a path may be part of a job: not a folder, and one of `formats` as its extension, in
// any letter case.
bool isImagePath(const QString &path, const QStringList &formats);

// The images among `paths`, with folders searched at any depth, in the order found. Hidden files
// and folders stay out, links to folders are listed but not followed, so that a loop of links
// ends, and folders that cannot be read are passed over.
QStringList imagesAmong(const QStringList &paths, const QStringList &formats);
