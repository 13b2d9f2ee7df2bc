#pragma once

#include <QString>

#include <optional>

#include "core/resize/CopyFormat.h"

// Which images of a request a run takes, so that several runs, on one machine or many, share one
// request out: shard `index` of `count`, counted from 0.
struct Shard {
    int index = 0;
    int count = 1;
};

// Reads "K/N": whole numbers with 0 ≤ K < N.
std::optional<Shard> parseShard(const QString &text);
QString shardText(const Shard &shard);

// What the copies that could take one name have in common: the folder they go into and the
// plain name of the copy of `type`, letter case folded, as some file systems do not tell case
// apart.
QString copyNameKey(const QString &place, const QString &sourceName, FileType type);

// Whether the copy of key `key` is written by `shard`: by a hash of the key alone, so that every
// machine and every run deals the images out alike, and copies that could take one name stay in
// one shard.
bool belongsTo(const QString &key, const Shard &shard);
