#include "Images.h"

#include <QFile>
#include <QtEndian>

#include <zlib.h>

#include <cmath>

using vips::VImage;

namespace Images {

namespace {

VImage stripes(int length, int across, const std::vector<Colour> &colours, bool vertical) {
    std::vector<VImage> parts;
    const int count = static_cast<int>(colours.size());
    for (int i = 0; i < count; ++i) {
        const int start = length * i / count;
        const int end = length * (i + 1) / count;
        const VImage block =
            VImage::black(vertical ? end - start : across, vertical ? across : end - start)
                .new_from_image(colours[i])
                .cast(VIPS_FORMAT_UCHAR);
        parts.push_back(block);
    }
    VImage joined = parts[0];
    for (std::size_t i = 1; i < parts.size(); ++i)
        joined =
            joined.join(parts[i], vertical ? VIPS_DIRECTION_HORIZONTAL : VIPS_DIRECTION_VERTICAL);
    const VipsInterpretation interpretation =
        joined.bands() >= 3 ? VIPS_INTERPRETATION_sRGB : VIPS_INTERPRETATION_B_W;
    return joined.copy(VImage::option()->set("interpretation", interpretation));
}

} // namespace

VImage verticalStripes(int width, int height, const std::vector<Colour> &colours) {
    return stripes(width, height, colours, true);
}

VImage horizontalStripes(int width, int height, const std::vector<Colour> &colours) {
    return stripes(height, width, colours, false);
}

void save(const VImage &image, const QString &path, const char *options) {
    image.write_to_file((QFile::encodeName(path) + options).constData());
}

QByteArray encoded(const VImage &image, const char *suffix) {
    void *buffer = nullptr;
    std::size_t size = 0;
    image.write_to_buffer(suffix, &buffer, &size);
    QByteArray bytes(static_cast<const char *>(buffer), qsizetype(size));
    g_free(buffer);
    return bytes;
}

QByteArray pngChunk(const char *type, const QByteArray &data) {
    QByteArray chunk(4, '\0');
    qToBigEndian(quint32(data.size()), chunk.data());
    chunk += QByteArray(type, 4) + data;
    QByteArray crc(4, '\0');
    qToBigEndian(quint32(crc32(0, reinterpret_cast<const Bytef *>(chunk.constData() + 4),
                               uInt(chunk.size() - 4))),
                 crc.data());
    return chunk + crc;
}

QByteArray withPngChunk(const QByteArray &png, const char *type, const QByteArray &data) {
    const qsizetype afterHeader = 8 + 8 + 13 + 4;
    return png.left(afterHeader) + pngChunk(type, data) + png.mid(afterHeader);
}

QByteArray withExifOrientation(const QByteArray &png, int orientation) {
    // A big-endian TIFF header and one directory with one entry: Orientation, a SHORT.
    QByteArray exif = QByteArray::fromHex("4d4d002a00000008"
                                          "0001"
                                          "011200030000000100000000"
                                          "00000000");
    exif[8 + 2 + 8] = char(orientation >> 8);
    exif[8 + 2 + 9] = char(orientation & 0xff);
    return withPngChunk(png, "eXIf", exif);
}

VImage noise(int width, int height) {
    const VImage grain = VImage::gaussnoise(width, height, VImage::option()->set("sigma", 40));
    return VImage::bandjoin({grain, grain.rot180(), grain.flip(VIPS_DIRECTION_HORIZONTAL)})
        .cast(VIPS_FORMAT_UCHAR)
        .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

VImage load(const QString &path) {
    return VImage::new_from_file(QFile::encodeName(path).constData(),
                                 VImage::option()->set("access", VIPS_ACCESS_RANDOM));
}

Colour pixel(const VImage &image, int x, int y) {
    return image.getpoint(x, y);
}

bool near(const Colour &a, const Colour &b, double tolerance) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::abs(a[i] - b[i]) > tolerance)
            return false;
    }
    return true;
}

} // namespace Images
