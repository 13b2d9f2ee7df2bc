#pragma once

#include <QString>

#include "sizing/Size.h"

// A source file as far as its header tells: whether it can be drawn, and its nominal size. Only
// the header is read; the pixels are decoded later, in the image's own operation, so that memory
// does not grow with the batch and no file stays open while operations wait.
class SourceImage {
public:
    // Reads the header of the file at `path`.
    static SourceImage open(const QString &path);

    const QString &path() const { return path_; }
    bool isValid() const { return valid_; }
    // Why the image cannot be drawn; empty for a valid one.
    const QString &problem() const { return problem_; }

    // The displayed size in points: pixels × 72 / dpi per axis where a resolution is recorded,
    // pixels otherwise, after the EXIF orientation. 0 × 0 for an invalid image.
    Size size() const { return size_; }
    // Pixels, in the displayed orientation.
    int pixelWidth() const { return pixelWidth_; }
    int pixelHeight() const { return pixelHeight_; }
    // Whether shrink-on-load can decode it at a fraction of its size.
    bool isJpeg() const { return jpeg_; }

private:
    QString path_;
    QString problem_;
    bool valid_ = false;
    bool jpeg_ = false;
    Size size_;
    int pixelWidth_ = 0;
    int pixelHeight_ = 0;
};

// The nominal size of `pixels` at `xres` × `yres` pixels per millimetre. 1 × 1, what libvips
// reports when a file records no resolution, counts as none: the size is the pixel count.
Size nominalSize(int pixelWidth, int pixelHeight, double xres, double yres);
