#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "core/job/Shard.h"
#include "core/job/Skip.h"

// Which dropped or opened paths become a job's images.

// Whether a path may be part of a job: not a folder, and one of `formats` as its extension, in
// any letter case.
bool isImagePath(const QString &path, const QStringList &formats);

struct CollectedImages {
    QStringList images;
    // For each image, the folder its copy goes into when folders are kept: the name of the
    // folder it was found in and the subfolders below, or nothing for a file given by itself.
    QStringList places;
    QList<Skip> unreadable; // each path that could not be read, and why
};

// The images among `paths`, with folders searched at any depth, each folder's entries in the order
// of their names. Hidden files and folders stay out, and links to folders are listed but not
// followed, so that a loop of links ends. A given path that does not exist, a folder that cannot be
// opened or listed and an entry that vanishes meanwhile are named among the unreadable, and the
// walk goes on past them. So is a given file without one of `formats` as its extension; such files
// inside folders are left out.
CollectedImages imagesAmong(const QStringList &paths, const QStringList &formats);

// The images of `found` that `shard` writes, with their places, and every unreadable path. The
// shard of an image follows where its copy of `type` goes: with `keepFolders` its place and name,
// else its name alone.
CollectedImages imagesOfShard(const CollectedImages &found, const Shard &shard, bool keepFolders,
                              FileType type);
