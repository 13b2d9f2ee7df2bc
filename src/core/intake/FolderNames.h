#pragma once

#include <QDateTime>
#include <QString>

// The name of a day's output folder: the local date of `when` under `pattern` ("yyyy-MM-dd"), in
// the user's locale.
QString datedFolderName(const QDateTime &when, const QString &pattern);

// The sibling folder a first launch makes when the product folder exists already: the product
// folder's path, a blank, and the whole seconds since 1970 truncated toward zero.
QString firstLaunchFolderPath(const QString &productFolder, const QDateTime &when);

// Whether `name` is a day folder's name under `pattern`, as datedFolderName() makes them.
bool isDayFolderName(const QString &name, const QString &pattern);
