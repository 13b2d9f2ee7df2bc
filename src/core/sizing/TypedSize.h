#pragma once

#include <QString>

#include "core/sizing/Size.h"

// A typed number as the size picker reads it: blanks skipped, then the longest leading decimal
// number (sign, point and exponent allowed; the point is always a full stop), in single
// precision; 0 when the text does not start with a number.
float leadingFloat(const QString &text);

// One side of a typed size: the number, widened to double, when it is positive and finite;
// -1, the wildcard, otherwise.
double typedSide(const QString &text);

// Why the size picker cannot start a job at `typed`, each side as typedSide() read it, for the
// hint under its fields: no side given, or a size at which no image can be written. Empty when
// some image can be written at it.
QString typedSizeProblem(const Size &typed);
