#include "SourceImage.h"


#include <cmath>
#include <cstring>

#include "ImageEngine.h"
#include "intake/FilePaths.h"

namespace {

// A header claiming more is a decompression bomb or a mistake. JPEG decodes at up to an eighth of
// its size when it is reduced, so it may be larger; every pixel of the other formats is decoded.
constexpr double maxJpegPixels = 1024.0 * 1024 * 1024;
constexpr double maxOtherPixels = 16384.0 * 16384;

// Only the decoders of the formats Sardoxa takes: a file named like an image but holding
// something else (an SVG, a PDF, a matrix) must not reach the decoders of other formats.
bool isAllowedLoader(const char *loader)
{
    for (const char *prefix : {"VipsForeignLoadJpeg", "VipsForeignLoadPng", "VipsForeignLoadSpng",
                               "VipsForeignLoadNsgif", "VipsForeignLoadGif", "VipsForeignLoadTiff"}) {
        if (std::strncmp(loader, prefix, std::strlen(prefix)) == 0)
            return true;
    }
    return false;
}

} // namespace

Size nominalSize(int pixelWidth, int pixelHeight, double xres, double yres)
{
    const bool recorded = xres > 0 && yres > 0 && std::isfinite(xres) && std::isfinite(yres)
                          && !(xres == 1.0 && yres == 1.0);
    if (!recorded)
        return {double(pixelWidth), double(pixelHeight)};
    constexpr double millimetresPerInch = 25.4;
    return {pixelWidth * 72.0 / (xres * millimetresPerInch),
            pixelHeight * 72.0 / (yres * millimetresPerInch)};
}

SourceImage SourceImage::open(const QString &path)
{
    SourceImage source;
    source.path_ = path;
    const QByteArray file = encodePath(path);
    // A pipe, socket or device named like an image would block the reader or never end.
    if (!isRegularFile(path)) {
        source.problem_ = QStringLiteral("not a regular file");
        return source;
    }
    try {
        const char *loader = vips_foreign_find_load(file.constData());
        if (!loader)
            throw vips::VError();
        if (!isAllowedLoader(loader)) {
            source.problem_ = QStringLiteral("not a PNG, JPEG, TIFF or GIF image");
            return source;
        }
        source.jpeg_ = std::strstr(loader, "Jpeg") != nullptr;
        const vips::VImage header = vips::VImage::new_from_file(
            file.constData(), vips::VImage::option()
                                  ->set("access", VIPS_ACCESS_SEQUENTIAL)
                                  ->set("fail_on", VIPS_FAIL_ON_TRUNCATED));
        int width = header.width();
        int height = header.height();
        double xres = header.xres();
        double yres = header.yres();
        if (vips_image_get_orientation_swap(header.get_image())) {
            std::swap(width, height);
            std::swap(xres, yres);
        }
        if (double(width) * height > (source.jpeg_ ? maxJpegPixels : maxOtherPixels)) {
            source.problem_ = QStringLiteral("too large to decode (%1 × %2 pixels)").arg(width).arg(height);
            return source;
        }
        source.pixelWidth_ = width;
        source.pixelHeight_ = height;
        source.size_ = nominalSize(width, height, xres, yres);
        source.valid_ = true;
    } catch (const vips::VError &error) {
        source.problem_ = QStringLiteral("not a decodable image (libvips: %1)").arg(ImageEngine::takeError(error));
    }
    return source;
}
