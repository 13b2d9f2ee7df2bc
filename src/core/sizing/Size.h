#pragma once

// A width and a height; exactly -1 in either is the wildcard `*`, which follows the other side and
// keeps each image's aspect ratio.
struct Size {
    double width = 0;
    double height = 0;

    friend bool operator==(const Size &, const Size &) = default;
};

inline constexpr double wildcard = -1.0;

// Where an image is drawn: a canvas of `size` units at `scale` pixels per unit.
struct Canvas {
    Size size;
    double scale = 1;
};
