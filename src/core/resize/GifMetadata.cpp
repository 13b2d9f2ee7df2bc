#include "core/resize/GifMetadata.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <sys/stat.h>

#include "core/resize/FileMapping.h"

namespace {

// Far beyond any real profile.
constexpr qsizetype maxProfile = 16 << 20;

bool isIccProfile(const QByteArray &profile) {
    return profile.size() >= 128 &&
           qFromBigEndian<quint32>(profile.constData()) == quint32(profile.size()) &&
           profile.mid(36, 4) == "acsp";
}

// Skips the data sub-blocks at `at`; returns where they end, or `size` when they run past it.
std::size_t skipSubBlocks(const unsigned char *data, std::size_t size, std::size_t at) {
    while (at < size && data[at] != 0)
        at += 1 + std::size_t(data[at]);
    return at < size ? at + 1 : size;
}

} // namespace

GifMetadata readGifMetadata(const unsigned char *data, std::size_t size) {
    GifMetadata found;
    if (size < 13 || (std::memcmp(data, "GIF87a", 6) != 0 && std::memcmp(data, "GIF89a", 6) != 0))
        return found;
    const auto colourTable = [](unsigned char flags) {
        return (flags & 0x80) ? std::size_t(3) << ((flags & 7) + 1) : 0;
    };
    for (std::size_t at = 13 + colourTable(data[10]); at < size;) {
        if (data[at] == 0x2c) { // an image: its descriptor, colour table, LZW code size, data
            if (at + 10 >= size)
                break;
            at = skipSubBlocks(data, size, at + 10 + colourTable(data[at + 9]) + 1);
        } else if (data[at] == 0x21 && at + 2 < size) {
            const std::size_t body = at + 2;
            const bool application = data[at + 1] == 0xff && data[body] == 11 && body + 12 <= size;
            const std::string_view name =
                application ? std::string_view(reinterpret_cast<const char *>(data + body + 1), 11)
                            : std::string_view();
            const std::size_t blocks = application ? body + 12 : body;
            const std::size_t end = skipSubBlocks(data, size, blocks);
            if (name == "XMP DataXMP") {
                // The packet's own bytes are the sub-blocks; its trailer of 258 bytes follows.
                const std::string_view raw(reinterpret_cast<const char *>(data + blocks),
                                           end - blocks);
                const std::size_t close = raw.find("<?xpacket end=");
                const std::size_t last = close == raw.npos ? raw.npos : raw.find("?>", close);
                if (last != raw.npos)
                    found.xmp = QByteArray(raw.data(), qsizetype(last + 2));
            } else if (name == "ICCRGBG1012") {
                QByteArray profile;
                for (std::size_t block = blocks;
                     block < size && data[block] != 0 && profile.size() <= maxProfile;
                     block += 1 + data[block])
                    profile.append(reinterpret_cast<const char *>(data + block + 1),
                                   qsizetype(std::min<std::size_t>(data[block], size - block - 1)));
                if (isIccProfile(profile))
                    found.profile = profile;
            }
            at = end;
        } else {
            break; // the trailer, or damage
        }
    }
    return found;
}

std::optional<QByteArray> embeddedGifProfile(int fd) {
    struct stat info = {};
    if (::fstat(fd, &info) != 0)
        return std::nullopt;
    const FileMapping file(fd, std::size_t(info.st_size));
    if (!file.isValid())
        return std::nullopt;
    QByteArray profile = readGifMetadata(file.data(), file.size()).profile;
    return profile.isEmpty() ? std::nullopt : std::optional(profile);
}
