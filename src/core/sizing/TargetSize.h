#pragma once

#include "core/platform/Displays.h"
#include "core/sizing/Size.h"

// Whether the images are drawn for a high-density display: true when there is a main display that
// can report a scale factor and the largest factor of any display, taken in single precision, is
// above 1.
bool isRetina(const Displays &displays);

// The canvas size for an image of nominal size `image` and the requested `size`. A wildcard side
// follows the other one at the image's aspect ratio; on a high-density display both sides are
// halved. Nothing is rounded, and an image that did not load (0 × 0) gives not-a-number for a
// wildcard side.
Size targetSize(const Size &size, const Size &image, bool retina);
