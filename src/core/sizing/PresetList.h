#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The presets file: an XML property list whose root is an array of size strings, newest first.

// The strings of the array at the root of `plist`; entries that are not strings are passed over.
// Nothing when the text is not an XML property list with an array at its root.
std::optional<QStringList> readPresetList(const QByteArray &plist);

// The XML property list (version 1.0) of an array of strings.
QByteArray writePresetList(const QStringList &presets);

// The list after choosing `entry`: unchanged (nothing) when it is already there, otherwise
// `entry` first and at most nine of the earlier entries after it.
std::optional<QStringList> withNewPreset(const QStringList &presets, const QString &entry);
