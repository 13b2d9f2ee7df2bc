#pragma once

#include <QString>

#include <optional>

#include "core/sizing/Size.h"

// Where the source lands on the canvas, in canvas units: it covers the canvas at the source's
// aspect ratio, and what overflows is cut off equally on both sides.
struct DrawRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    friend bool operator==(const DrawRect &, const DrawRect &) = default;
};

// The centred cover rectangle of a source of nominal size `source` on a canvas of size `target`,
// in the single-precision arithmetic the sizes have always been drawn with.
DrawRect drawRect(const Size &source, const Size &target);

// The canvas for a source of `pixelWidth` × `pixelHeight` pixels and nominal size `source` that
// is never drawn larger than it is: where covering the canvas would scale the source up, the
// canvas keeps its shape at the size that covers at a scale of one, so the source is only
// cropped to that shape. Other canvases are as they were.
Canvas withoutEnlarging(const Canvas &canvas, const Size &source, int pixelWidth, int pixelHeight);

// The same in pixels, ready for the engine.
struct PixelPlan {
    int canvasWidth = 0;
    int canvasHeight = 0;
    DrawRect draw; // in canvas pixels
};

// Why a canvas has nothing to write: it has no whole pixel (under one, or not finite), or it is
// too large to write. pixelPlan() refuses these canvases before anything else.
enum class CanvasFault { noWholePixel, tooLarge };
std::optional<CanvasFault> canvasFault(const Canvas &canvas);

// Turns a canvas and its draw rectangle into pixels: the canvas is its size times the drawing
// scale, rounded to whole pixels. Nothing, with the reason in `problem`, for a canvas that is
// under one pixel, not finite, or too large to write.
std::optional<PixelPlan> pixelPlan(const Canvas &canvas, const DrawRect &draw, QString *problem);

// The largest JPEG shrink-on-load factor (1, 2, 4 or 8) that leaves the decoded image at least
// twice the draw size, so that Lanczos3 does the last part of the reduction.
int jpegShrinkFactor(int sourceWidth, int sourceHeight, const DrawRect &draw);

// The scale at which libwebp decodes, which scales by any factor on load: the smallest that leaves
// the decoded image at least three times the draw size, and never above 1. Its averaging strays
// further from Lanczos3 than the JPEG decoder's; at a factor of two, photographs came out below
// 47 dB against a Lanczos3 reduction of the whole image, at three above it.
double webpScaleOnLoad(int sourceWidth, int sourceHeight, const DrawRect &draw);

// The rows (or columns) of a source, [first, end), whose pixels reach a canvas drawn from it by the
// engine: those the canvas shows, widened by the reach of the resampler. The rest need not be
// decoded.
struct SourceSpan {
    int first = 0;
    int end = 0;
};

// The span of a source side of `sourceLength` pixels drawn at `drawOrigin` over `drawLength`
// canvas pixels, on a canvas side of `canvasLength`.
SourceSpan spanReachingCanvas(int sourceLength, double drawOrigin, double drawLength,
                              int canvasLength);
