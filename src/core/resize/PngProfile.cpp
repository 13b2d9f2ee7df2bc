#include "core/resize/PngProfile.h"

#include <QtEndian>

#include <unistd.h>
#include <zlib.h>

#include "core/files/FileIo.h"

namespace {

// Far beyond any real profile; a larger claim is not one.
constexpr quint32 maxChunk = 4u << 20;
constexpr qsizetype maxProfile = 16 << 20;

QByteArray readAt(int fd, off_t offset, qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    return readExactlyAt(fd, bytes.data(), std::size_t(size), offset) ? bytes : QByteArray();
}

std::optional<QByteArray> inflated(const QByteArray &compressed) {
    z_stream stream = {};
    if (inflateInit(&stream) != Z_OK)
        return std::nullopt;
    QByteArray out;
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(compressed.constData()));
    stream.avail_in = uInt(compressed.size());
    int status = Z_OK;
    while (status == Z_OK && out.size() < maxProfile) {
        char buffer[16384];
        stream.next_out = reinterpret_cast<Bytef *>(buffer);
        stream.avail_out = sizeof buffer;
        status = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, qsizetype(sizeof buffer - stream.avail_out));
    }
    inflateEnd(&stream);
    return status == Z_STREAM_END ? std::optional(out) : std::nullopt;
}

// An ICC profile gives its own length first and carries "acsp" at byte 36.
bool isIccProfile(const QByteArray &profile) {
    return profile.size() >= 128 &&
           qFromBigEndian<quint32>(profile.constData()) == quint32(profile.size()) &&
           profile.mid(36, 4) == "acsp";
}

} // namespace

std::optional<QByteArray> embeddedPngProfile(int fd) {
    if (readAt(fd, 0, 8) != QByteArray("\x89PNG\r\n\x1a\n", 8))
        return std::nullopt;
    // The profile must come before the image data.
    for (off_t offset = 8;;) {
        const QByteArray header = readAt(fd, offset, 8);
        if (header.size() != 8)
            return std::nullopt;
        const quint32 length = qFromBigEndian<quint32>(header.constData());
        const QByteArray type = header.mid(4);
        if (type == "IDAT" || type == "IEND" || length > maxChunk)
            return std::nullopt;
        if (type == "iCCP") {
            const QByteArray data = readAt(fd, offset + 8, length);
            const qsizetype name = data.indexOf('\0');
            if (name < 0 || name + 2 > data.size() || data[name + 1] != 0) // 0: deflate
                return std::nullopt;
            const std::optional<QByteArray> profile = inflated(data.mid(name + 2));
            return profile && isIccProfile(*profile) ? profile : std::nullopt;
        }
        offset += 12 + off_t(length);
    }
}
