#pragma once

#include <QRect>
#include <QString>

#include "core/sizing/Size.h"

// The size picker's geometry: the panel grows with the presets, two columns of buttons that fill
// from the bottom up, the newer preset of each pair on the right.

inline constexpr int presetButtonWidth = 200;
inline constexpr int presetButtonHeight = 50;

// The height of the panel's client area for `presets` presets.
int panelHeight(qsizetype presets);

// A preset button's frame measured up from the bottom of the client area, as the buttons are
// laid out; index 10 and beyond sit at the very bottom.
QRect presetButtonFrameFromBottom(qsizetype index);

// A frame measured up from the bottom, in Qt's coordinates, measured down from the top of an
// area of `height`.
QRect fromBottom(const QRect &frameFromBottom, int height);

// A preset button's title: "640 x *", "* x 480" or "1024 x 768", each side rounded to a whole
// number with ties to even.
QString presetTitle(const Size &size);
