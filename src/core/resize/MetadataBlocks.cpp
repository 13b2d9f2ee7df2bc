#include "core/resize/MetadataBlocks.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace {

using Bytes = unsigned char;

// One block and how to hide it from exiv2: the bytes that make exiv2 take it for what it is,
// replaced with bytes that make it skip it.
struct Found {
    Block kind;
    long long size;
    std::size_t patchAt;
    std::string_view patch;
};

bool startsWith(const Bytes *data, std::size_t size, std::string_view mark) {
    return size >= mark.size() && std::memcmp(data, mark.data(), mark.size()) == 0;
}

constexpr std::string_view exifMark("Exif\0\0", 6);
constexpr std::string_view xmpMark("http://ns.adobe.com/xap/1.0/\0", 29);
constexpr std::string_view extendedXmpMark("http://ns.adobe.com/xmp/extension/\0", 35);
constexpr std::string_view photoshopMark("Photoshop 3.0\0", 14);

// Calls `segment(marker, payload, size)` for each marker segment before the scan data.
void eachJpegSegment(const Bytes *data, std::size_t size,
                     const std::function<void(Bytes, std::size_t, std::size_t)> &segment) {
    if (size < 4 || data[0] != 0xff || data[1] != 0xd8)
        return;
    for (std::size_t at = 2; at + 4 <= size;) {
        if (data[at] != 0xff)
            return;
        const Bytes marker = data[at + 1];
        if (marker == 0xff || marker == 0x01 || (marker >= 0xd0 && marker <= 0xd8)) {
            at += marker == 0xff ? 1 : 2;
            continue;
        }
        if (marker == 0xda || marker == 0xd9)
            return;
        const std::size_t length = qFromBigEndian<quint16>(data + at + 2);
        if (length < 2 || at + 2 + length > size)
            return;
        segment(marker, at + 4, length - 2);
        at += 2 + length;
    }
}

void findJpeg(const Bytes *data, std::size_t size, std::vector<Found> &found) {
    eachJpegSegment(data, size, [&](Bytes marker, std::size_t at, std::size_t length) {
        const Bytes *payload = data + at;
        // exiv2 knows a block by its mark; one letter changed, it passes over it.
        if (marker == 0xe1 && startsWith(payload, length, exifMark))
            found.push_back({Block::Exif, (long long)length, at, "e"});
        else if (marker == 0xe1 && startsWith(payload, length, xmpMark))
            found.push_back({Block::Xmp, (long long)length, at, "H"});
        else if (marker == 0xed && startsWith(payload, length, photoshopMark))
            found.push_back({Block::Iptc, (long long)length, at, "p"});
    });
}

void findPng(const Bytes *data, std::size_t size, std::vector<Found> &found) {
    if (!startsWith(data, size, std::string_view("\x89PNG\r\n\x1a\n", 8)))
        return;
    for (std::size_t at = 8; at + 12 <= size;) {
        const std::size_t length = qFromBigEndian<quint32>(data + at);
        const std::string_view type(reinterpret_cast<const char *>(data + at + 4), 4);
        if (length > size - at - 12 || type == "IEND")
            return;
        const Bytes *chunk = data + at + 8;
        const std::string_view keyword(
            reinterpret_cast<const char *>(chunk),
            ::strnlen(reinterpret_cast<const char *>(chunk), std::min<std::size_t>(length, 80)));
        std::optional<Block> kind;
        if (type == "eXIf" ||
            ((type == "tEXt" || type == "zTXt" || type == "iTXt") &&
             (keyword == "Raw profile type exif" || keyword == "Raw profile type APP1")))
            kind = Block::Exif;
        else if ((type == "tEXt" || type == "zTXt" || type == "iTXt") &&
                 (keyword == "XML:com.adobe.xmp" || keyword == "Raw profile type xmp"))
            kind = Block::Xmp;
        else if ((type == "tEXt" || type == "zTXt" || type == "iTXt") &&
                 keyword == "Raw profile type iptc")
            kind = Block::Iptc;
        // A chunk type exiv2 does not read.
        if (kind)
            found.push_back({*kind, (long long)length, at + 4, "skIp"});
        at += 12 + length;
    }
}

void findWebp(const Bytes *data, std::size_t size, std::vector<Found> &found) {
    if (size < 12 || !startsWith(data, size, "RIFF") || !startsWith(data + 8, 4, "WEBP"))
        return;
    for (std::size_t at = 12; at + 8 <= size;) {
        const std::size_t length = qFromLittleEndian<quint32>(data + at + 4);
        if (length > size - at - 8)
            return;
        if (startsWith(data + at, 4, "EXIF"))
            found.push_back({Block::Exif, (long long)length, at, "SKIP"});
        else if (startsWith(data + at, 4, "XMP "))
            found.push_back({Block::Xmp, (long long)length, at, "SKIP"});
        at += 8 + length + (length & 1);
    }
}

// A TIFF keeps its XMP and IPTC in tags of its first directory; a count of 0 leaves exiv2 an
// empty tag. The rest of its EXIF is the file's own directories, measured once exiv2 has them.
void findTiff(const Bytes *data, std::size_t size, std::vector<Found> &found) {
    if (size < 8)
        return;
    const bool little = startsWith(data, size, std::string_view("II*\0", 4));
    if (!little && !startsWith(data, size, std::string_view("MM\0*", 4)))
        return;
    const auto u16 = [&](std::size_t at) {
        return little ? qFromLittleEndian<quint16>(data + at) : qFromBigEndian<quint16>(data + at);
    };
    const auto u32 = [&](std::size_t at) {
        return little ? qFromLittleEndian<quint32>(data + at) : qFromBigEndian<quint32>(data + at);
    };
    const std::size_t directory = u32(4);
    if (directory > size - 2)
        return;
    const std::size_t entries = u16(directory);
    static const std::map<quint16, long long> typeBytes{{1, 1}, {2, 1},  {3, 2},  {4, 4},
                                                        {5, 8}, {6, 1},  {7, 1},  {8, 2},
                                                        {9, 4}, {10, 8}, {11, 4}, {12, 8}};
    for (std::size_t entry = 0; entry < entries; ++entry) {
        const std::size_t at = directory + 2 + 12 * entry;
        if (at + 12 > size)
            return;
        const quint16 tag = u16(at);
        const auto bytes = typeBytes.find(u16(at + 2));
        const long long length = (bytes == typeBytes.end() ? 1 : bytes->second) * u32(at + 4);
        if (tag == 700)
            found.push_back({Block::Xmp, length, at + 4, std::string_view("\0\0\0\0", 4)});
        else if (tag == 33723 || tag == 34377)
            found.push_back({Block::Iptc, length, at + 4, std::string_view("\0\0\0\0", 4)});
    }
}

} // namespace

BlockBytes hideOversizedBlocks(unsigned char *data, std::size_t size) {
    std::vector<Found> found;
    findJpeg(data, size, found);
    findPng(data, size, found);
    findWebp(data, size, found);
    findTiff(data, size, found);
    BlockBytes total{};
    for (const Found &block : found)
        total[std::size_t(block.kind)] += block.size;
    BlockBytes hidden{};
    for (const Found &block : found) {
        const std::size_t kind = std::size_t(block.kind);
        if (total[kind] <= blockLimits[kind])
            continue;
        hidden[kind] = total[kind];
        std::memcpy(data + block.patchAt, block.patch.data(), block.patch.size());
    }
    return hidden;
}

QByteArray jpegExtendedXmp(const unsigned char *data, std::size_t size, std::string_view guid,
                           long long limit, bool *tooLarge) {
    *tooLarge = false;
    QByteArray packet;
    long long filled = 0;
    // Each chunk: the mark, the packet's GUID (32 hex digits), its full length, this chunk's
    // offset in it, then the chunk.
    constexpr std::size_t header = extendedXmpMark.size() + 32 + 8;
    eachJpegSegment(data, size, [&](Bytes marker, std::size_t at, std::size_t length) {
        const Bytes *payload = data + at;
        if (*tooLarge || marker != 0xe1 || length <= header ||
            !startsWith(payload, length, extendedXmpMark) ||
            !startsWith(payload + extendedXmpMark.size(), 32, guid))
            return;
        const Bytes *numbers = payload + extendedXmpMark.size() + 32;
        const long long full = qFromBigEndian<quint32>(numbers);
        const long long offset = qFromBigEndian<quint32>(numbers + 4);
        const long long chunk = (long long)(length - header);
        if (full > limit) {
            *tooLarge = true;
            return;
        }
        if (packet.isEmpty())
            packet = QByteArray(qsizetype(full), '\0');
        if (full != packet.size() || offset + chunk > full)
            return;
        std::memcpy(packet.data() + offset, payload + header, std::size_t(chunk));
        filled += chunk;
    });
    return !*tooLarge && filled == packet.size() ? packet : QByteArray();
}
