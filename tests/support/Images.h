#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

#include <vips/vips8>

// Fixtures drawn with libvips for the tests, and what the tests read back.
namespace Images {

using Colour = std::vector<double>;

// An image of `width` × `height` made of equal vertical stripes, one per colour, left to right.
vips::VImage verticalStripes(int width, int height, const std::vector<Colour> &colours);

void save(const vips::VImage &image, const QString &path, const char *options = "");
// The image encoded as a file of the type `suffix` names, such as ".jpg[Q=90,interlace]".
QByteArray encoded(const vips::VImage &image, const char *suffix);
// A PNG file with an EXIF chunk whose only entry is the given orientation.
QByteArray withExifOrientation(const QByteArray &png, int orientation);
// A PNG chunk of `type` (four letters) holding `data`, with its length and checksum.
QByteArray pngChunk(const char *type, const QByteArray &data);
// A PNG of a few bytes whose header claims `side` × `side` grey pixels.
QByteArray claimingPng(quint32 side);
// A PNG file with its chunk `type` (four letters) holding `data`, inserted after the header.
QByteArray withPngChunk(const QByteArray &png, const char *type, const QByteArray &data);

// A photograph's worth of detail: noise that no encoder can squeeze, `width` × `height`, sRGB.
vips::VImage noise(int width, int height);
vips::VImage load(const QString &path);

// Whether two colours differ by no more than `tolerance` in every band.
bool near(const Colour &a, const Colour &b, double tolerance = 12);

} // namespace Images
