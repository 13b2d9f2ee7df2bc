#include "core/sizing/DrawRect.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <vips/vips.h>

namespace {

// Beyond this a canvas is a mistake, not a picture: 256 megapixels, a 16384 × 16384 square.
constexpr double maxCanvasPixels = 256.0 * 1024 * 1024;

// The canvas in whole pixels: its size times the drawing scale, rounded.
std::pair<double, double> canvasPixels(const Canvas &canvas) {
    return {std::round(canvas.size.width * canvas.scale),
            std::round(canvas.size.height * canvas.scale)};
}

} // namespace

DrawRect drawRect(const Size &source, const Size &target) {
    const float targetWidth = static_cast<float>(target.width);
    const float targetHeight = static_cast<float>(target.height);
    DrawRect rect;
    if (source == target) {
        rect.width = targetWidth;
        rect.height = targetHeight;
        return rect;
    }
    const float sourceWidth = static_cast<float>(source.width);
    const float sourceHeight = static_cast<float>(source.height);
    const float ratioWidth = targetWidth / sourceWidth;
    const float ratioHeight = targetHeight / sourceHeight;
    const float scale = ratioWidth > ratioHeight ? ratioWidth : ratioHeight;
    const float drawWidth = sourceWidth * scale;
    const float drawHeight = sourceHeight * scale;
    if (ratioWidth > ratioHeight)
        rect.y = static_cast<double>(targetHeight - drawHeight) * 0.5;
    else if (ratioHeight > ratioWidth)
        rect.x = static_cast<double>(targetWidth - drawWidth) * 0.5;
    rect.width = drawWidth;
    rect.height = drawHeight;
    return rect;
}

Canvas withoutEnlarging(const Canvas &canvas, const Size &source, int pixelWidth, int pixelHeight) {
    if (pixelWidth <= 0 || pixelHeight <= 0)
        return canvas;
    const DrawRect draw = drawRect(source, canvas.size);
    const double enlargement =
        std::max(draw.width * canvas.scale / pixelWidth, draw.height * canvas.scale / pixelHeight);
    if (!(enlargement > 1) || !std::isfinite(enlargement))
        return canvas;
    // A side the source now fills is made its size exactly: a hair more would have the engine
    // resample at a scale a hair above one, softening every pixel instead of copying it.
    const auto side = [&](double length, int pixels) {
        const double shrunk = length / enlargement;
        return std::abs(shrunk * canvas.scale - pixels) < 1e-6 * pixels ? pixels / canvas.scale
                                                                        : shrunk;
    };
    return {{side(canvas.size.width, pixelWidth), side(canvas.size.height, pixelHeight)},
            canvas.scale};
}

std::optional<CanvasFault> canvasFault(const Canvas &canvas) {
    const auto [width, height] = canvasPixels(canvas);
    if (!std::isfinite(width) || !std::isfinite(height) || width < 1 || height < 1)
        return CanvasFault::noWholePixel;
    if (width * height > maxCanvasPixels || width > VIPS_MAX_COORD || height > VIPS_MAX_COORD)
        return CanvasFault::tooLarge;
    return std::nullopt;
}

std::optional<PixelPlan> pixelPlan(const Canvas &canvas, const DrawRect &draw, QString *problem) {
    const auto fail = [problem](const QString &reason) {
        if (problem)
            *problem = reason;
        return std::nullopt;
    };
    const auto [width, height] = canvasPixels(canvas);
    if (const std::optional<CanvasFault> fault = canvasFault(canvas))
        return fail(*fault == CanvasFault::noWholePixel
                        ? QStringLiteral("the size %1 × %2 has no whole pixel")
                              .arg(canvas.size.width)
                              .arg(canvas.size.height)
                        : QStringLiteral("the size %1 × %2 pixels is too large to write")
                              .arg(width, 0, 'f', 0)
                              .arg(height, 0, 'f', 0));
    const double s = canvas.scale;
    const DrawRect pixels{draw.x * s, draw.y * s, draw.width * s, draw.height * s};
    if (!std::isfinite(pixels.x) || !std::isfinite(pixels.y) || !(pixels.width > 0) ||
        !(pixels.height > 0) || !std::isfinite(pixels.width) || !std::isfinite(pixels.height))
        return fail(QStringLiteral("the image cannot be fitted into %1 × %2")
                        .arg(canvas.size.width)
                        .arg(canvas.size.height));
    // The source scaled to the draw size is an image of its own before it is cut to the canvas,
    // and libvips aborts on a side it cannot address rather than failing.
    if (std::ceil(pixels.width) > VIPS_MAX_COORD || std::ceil(pixels.height) > VIPS_MAX_COORD)
        return fail(QStringLiteral("too large to scale: it would be drawn at %1 × %2 pixels")
                        .arg(std::ceil(pixels.width), 0, 'f', 0)
                        .arg(std::ceil(pixels.height), 0, 'f', 0));
    return PixelPlan{static_cast<int>(width), static_cast<int>(height), pixels};
}

int jpegShrinkFactor(int sourceWidth, int sourceHeight, const DrawRect &draw) {
    // The decoder's shrink is a block average that aliases; Lanczos3 keeps its quality only
    // when it still does at least half of the reduction.
    for (const int factor : {8, 4, 2}) {
        if (sourceWidth / factor >= 2 * draw.width && sourceHeight / factor >= 2 * draw.height)
            return factor;
    }
    return 1;
}

double webpScaleOnLoad(int sourceWidth, int sourceHeight, const DrawRect &draw) {
    return std::min(1.0, 3 * std::max(draw.width / sourceWidth, draw.height / sourceHeight));
}

SourceSpan spanReachingCanvas(int sourceLength, double drawOrigin, double drawLength,
                              int canvasLength) {
    const double scale = drawLength / sourceLength; // canvas pixels per source pixel
    // The canvas starts at the scaled pixel nearest the draw origin, as the engine crops it.
    const double shownFirst = -double(std::lround(drawOrigin));
    const double shownEnd = shownFirst + canvasLength;
    // Lanczos3 reaches three scaled pixels to either side and libvips' integer shrink before it
    // less than one more; each is 1 / scale source pixels when reducing. Eight pixels more
    // stand for the rounding of both.
    const double reach = 4 / std::min(scale, 1.0) + 8;
    const auto clamped = [sourceLength](double at) {
        return int(std::clamp(at, 0.0, double(sourceLength)));
    };
    return {clamped(std::floor(shownFirst / scale - reach)),
            clamped(std::ceil(shownEnd / scale + reach))};
}
