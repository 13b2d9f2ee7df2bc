#pragma once

#include <QString>

#include "core/sizing/Size.h"

// The text form of a size that the job registry and the presets file hold: "{640, -1}".

// Each number is the shortest decimal that reads back as the same double; whole numbers are
// written without a point or an exponent.
QString stringFromSize(const Size &size);

// Takes the first two numbers anywhere in the text as width and height; a missing one reads as 0.
// Never fails.
Size sizeFromString(const QString &text);
