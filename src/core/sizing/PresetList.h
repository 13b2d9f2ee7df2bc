#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

#include "core/sizing/Size.h"

// The presets file: an XML property list whose root is an array of size strings, newest first.

// The strings of the array at the root of `plist`; entries that are not strings are passed over.
// Nothing when the text is not an XML property list with an array at its root.
std::optional<QStringList> readPresetList(const QByteArray &plist);

// The XML property list (version 1.0) of an array of strings.
QByteArray writePresetList(const QStringList &presets);

// The size an entry stands for, when it is one: "{W, H}", each side -1 for the wildcard or a
// positive number within the single precision sizes are typed in, not both -1. Nothing for text
// of another form, and for a side that is infinite, NaN, zero or negative. A size that no image
// can be written at is still one: the size picker shows it and says why it cannot start.
std::optional<Size> presetSize(const QString &entry);

// The entries that are sizes, in their order.
QStringList sizesAmong(const QStringList &entries);

// The list after choosing `entry`: unchanged (nothing) when it is already there, otherwise
// `entry` first and at most nine of the earlier entries after it.
std::optional<QStringList> withNewPreset(const QStringList &presets, const QString &entry);
