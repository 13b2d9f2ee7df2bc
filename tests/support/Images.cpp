#include "Images.h"

#include <QFile>
#include <QtEndian>

#include <zlib.h>

#include <cmath>

using vips::VImage;

namespace Images {

VImage verticalStripes(int width, int height, const std::vector<Colour> &colours) {
    const int count = int(colours.size());
    VImage joined;
    for (int i = 0; i < count; ++i) {
        const VImage stripe = VImage::black(width * (i + 1) / count - width * i / count, height)
                                  .new_from_image(colours[i])
                                  .cast(VIPS_FORMAT_UCHAR);
        joined = i == 0 ? stripe : joined.join(stripe, VIPS_DIRECTION_HORIZONTAL);
    }
    return joined.copy(VImage::option()->set("interpretation", joined.bands() >= 3
                                                                   ? VIPS_INTERPRETATION_sRGB
                                                                   : VIPS_INTERPRETATION_B_W));
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

QByteArray claimingPng(quint32 side) {
    QByteArray header = QByteArray::fromHex("00000000000000000800000000");
    qToBigEndian(side, header.data());
    qToBigEndian(side, header.data() + 4);
    const QByteArray png = encoded(verticalStripes(8, 8, {{0}}), ".png");
    return png.left(8) + pngChunk("IHDR", header) + png.mid(8 + 25);
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
