#pragma once

#include <QDateTime>
#include <QString>

// The output tree on disk: the product folder in the Pictures folder, one folder a day inside it.

// Makes a folder and every missing folder above it. Failing is not fatal: the writes into the
// folder fail later, file by file, so only the cause goes to the log.
void makeFolder(const QString &path);

// The folder the day folders go into: `productFolder`, made when missing; on a first launch
// that finds it present already, an empty sibling named after `now`.
QString targetFolderIn(const QString &productFolder, bool firstLaunch, const QDateTime &now);

// Makes the day folder of a job started at `now` in `target` and returns it, the job's key.
// The day's folder is reused; only in the last second before local midnight does the name one
// second on differ, and the job then goes into the next day's folder.
QString makeDayFolder(const QString &target, const QDateTime &now, const QString &pattern);

// Removes the temporary files that killed runs left in the day folders of `productFolder`, and
// with `deep` in every folder below them, where copies go when folders are kept. Links among the
// folders are not followed.
void removeLeftoversIn(const QString &productFolder, const QString &pattern, bool deep);

// Removes the temporary files that killed runs left in `folder`, an output folder of the user's
// choice, and with `deep` in every folder below it.
void removeLeftoversInFolder(const QString &folder, bool deep);
