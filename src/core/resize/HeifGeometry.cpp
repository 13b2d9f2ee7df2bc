#include "core/resize/HeifGeometry.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "core/files/FileIo.h"

namespace HeifDecoder {

namespace {

using Bytes = std::span<const std::uint8_t>;

// The item properties sit in the `meta` box, which holds no pixels: a few kilobytes, or a few
// hundred for a file of many items. One larger than this is not read.
constexpr std::uint64_t maxMetaBytes = 16 * 1024 * 1024;

constexpr std::uint32_t fourcc(const char (&name)[5]) {
    return std::uint32_t(std::uint8_t(name[0])) << 24 | std::uint32_t(std::uint8_t(name[1])) << 16 |
           std::uint32_t(std::uint8_t(name[2])) << 8 | std::uint32_t(std::uint8_t(name[3]));
}

std::uint64_t bigEndian(Bytes bytes, std::size_t at, std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i)
        value = value << 8 | bytes[at + i];
    return value;
}

struct Box {
    std::uint32_t type;
    Bytes payload;
};

// The boxes `data` holds, one after the other; nothing when one overruns it.
std::optional<std::vector<Box>> boxesIn(Bytes data) {
    std::vector<Box> boxes;
    while (!data.empty()) {
        if (data.size() < 8)
            return std::nullopt;
        std::uint64_t size = bigEndian(data, 0, 4);
        std::size_t header = 8;
        if (size == 1) {
            if (data.size() < 16)
                return std::nullopt;
            size = bigEndian(data, 8, 8);
            header = 16;
        } else if (size == 0) {
            size = data.size();
        }
        if (size < header || size > data.size())
            return std::nullopt;
        boxes.push_back(
            {std::uint32_t(bigEndian(data, 4, 4)), data.subspan(header, size - header)});
        data = data.subspan(size);
    }
    return boxes;
}

const Box *find(const std::vector<Box> &boxes, std::uint32_t type) {
    for (const Box &box : boxes) {
        if (box.type == type)
            return &box;
    }
    return nullptr;
}

// The payload of the file's top-level `meta` box.
std::optional<std::vector<std::uint8_t>> metaBox(int fd) {
    struct stat file {};
    if (::fstat(fd, &file) != 0)
        return std::nullopt;
    off_t offset = 0;
    std::uint8_t head[16];
    while (offset + 8 <= file.st_size && readExactlyAt(fd, head, 8, offset)) {
        std::uint64_t size = bigEndian(head, 0, 4);
        std::uint64_t header = 8;
        if (size == 1) {
            if (!readExactlyAt(fd, head + 8, 8, offset + 8))
                return std::nullopt;
            size = bigEndian(head, 8, 8);
            header = 16;
        } else if (size == 0) {
            size = std::uint64_t(file.st_size - offset);
        }
        if (size < header || size > std::uint64_t(file.st_size - offset))
            return std::nullopt;
        if (bigEndian(head, 4, 4) == fourcc("meta")) {
            if (size - header > maxMetaBytes)
                return std::nullopt;
            std::vector<std::uint8_t> payload(size - header);
            if (!readExactlyAt(fd, payload.data(), payload.size(), offset + off_t(header)))
                return std::nullopt;
            return payload;
        }
        offset += off_t(size);
    }
    return std::nullopt;
}

// The indices (from 1) into `ipco` of the properties of `item`, in the order the file lists
// them, which is the order its rotation, mirroring and crop apply in.
std::vector<std::size_t> propertiesOf(const std::vector<Box> &iprp, std::uint64_t item) {
    std::vector<std::size_t> indices;
    for (const Box &box : iprp) {
        if (box.type != fourcc("ipma") || box.payload.size() < 8)
            continue;
        const Bytes p = box.payload;
        const int version = p[0];
        const bool wide = (bigEndian(p, 1, 3) & 1) != 0;
        const std::uint64_t entries = bigEndian(p, 4, 4);
        std::size_t at = 8;
        for (std::uint64_t e = 0; e < entries; ++e) {
            const std::size_t idBytes = version < 1 ? 2 : 4;
            if (at + idBytes + 1 > p.size())
                return indices;
            const std::uint64_t id = bigEndian(p, at, idBytes);
            const std::size_t count = p[at + idBytes];
            at += idBytes + 1;
            const std::size_t each = wide ? 2 : 1;
            if (at + count * each > p.size())
                return indices;
            for (std::size_t a = 0; a < count; ++a, at += each) {
                const std::uint64_t value = bigEndian(p, at, each);
                if (id == item)
                    indices.push_back(std::size_t(value & (wide ? 0x7FFF : 0x7F)));
            }
        }
    }
    return indices;
}

// Reads bits, most significant first, as the AV1 specification numbers them.
struct BitReader {
    Bytes bytes;
    std::size_t bit = 0;

    bool ok() const { return bit <= bytes.size() * 8; }
    std::uint64_t take(int count) {
        std::uint64_t value = 0;
        for (int i = 0; i < count; ++i, ++bit)
            value =
                value << 1 | (bit < bytes.size() * 8 ? (bytes[bit / 8] >> (7 - bit % 8)) & 1 : 0);
        return value;
    }
    void uvlc() {
        int zeros = 0;
        while (ok() && take(1) == 0)
            ++zeros;
        take(std::min(zeros, 32));
    }
};

// The coded frame size in an `av1C` box's sequence header, when the box carries one (libavif and
// most AVIF encoders put it there; libheif 1.15 does not). That is the size the rotation and crop
// apply to, whatever the `ispe` beside it says.
std::optional<std::pair<int, int>> av1CodedSize(Bytes av1C) {
    if (av1C.size() < 6)
        return std::nullopt;
    Bytes obu = av1C.subspan(4);
    const int type = (obu[0] >> 3) & 0xF;
    const bool extension = (obu[0] & 0x4) != 0;
    if (type != 1 || (obu[0] & 0x2) == 0) // a sequence header, with its size
        return std::nullopt;
    std::size_t at = extension ? 2 : 1;
    std::uint64_t size = 0;
    for (int shift = 0; at < obu.size(); shift += 7) {
        size |= std::uint64_t(obu[at] & 0x7F) << shift;
        if ((obu[at++] & 0x80) == 0)
            break;
    }
    if (at + size > obu.size())
        return std::nullopt;
    BitReader bits{obu.subspan(at, size)};
    bits.take(3); // seq_profile
    bits.take(1); // still_picture
    if (bits.take(1) != 0) {
        bits.take(5); // reduced_still_picture_header: seq_level_idx
    } else {
        bool decoderModel = false;
        int delayBits = 0;
        if (bits.take(1) != 0) { // timing_info_present_flag
            bits.take(32);
            bits.take(32);
            if (bits.take(1) != 0)
                bits.uvlc();
            decoderModel = bits.take(1) != 0;
            if (decoderModel) {
                delayBits = int(bits.take(5)) + 1;
                bits.take(32);
                bits.take(10);
            }
        }
        const bool displayDelay = bits.take(1) != 0;
        const int points = int(bits.take(5)) + 1;
        for (int i = 0; i < points && bits.ok(); ++i) {
            bits.take(12);
            if (bits.take(5) > 7)
                bits.take(1);
            if (decoderModel && bits.take(1) != 0)
                bits.take(2 * delayBits + 1);
            if (displayDelay && bits.take(1) != 0)
                bits.take(4);
        }
    }
    const int widthBits = int(bits.take(4)) + 1;
    const int heightBits = int(bits.take(4)) + 1;
    const int width = int(bits.take(widthBits)) + 1;
    const int height = int(bits.take(heightBits)) + 1;
    if (!bits.ok())
        return std::nullopt;
    return std::pair(width, height);
}

// libheif's rounding of a clean aperture's fraction: to the nearest whole pixel.
int rounded(Bytes clap, std::size_t at) {
    const auto numerator = std::int64_t(std::int32_t(bigEndian(clap, at, 4)));
    const auto denominator = std::int64_t(std::int32_t(bigEndian(clap, at + 4, 4)));
    return denominator > 0 ? int((numerator + denominator / 2) / denominator) : 0;
}

} // namespace

std::optional<Geometry> geometry(int fd) {
    const std::optional<std::vector<std::uint8_t>> meta = metaBox(fd);
    if (!meta || meta->size() < 4)
        return std::nullopt;
    const auto children = boxesIn(Bytes(*meta).subspan(4)); // after its version and flags
    if (!children)
        return std::nullopt;
    const Box *pitm = find(*children, fourcc("pitm"));
    const Box *iprp = find(*children, fourcc("iprp"));
    if (!pitm || !iprp || pitm->payload.size() < 6)
        return std::nullopt;
    const std::uint64_t primary =
        pitm->payload[0] == 0 ? bigEndian(pitm->payload, 4, 2)
                              : (pitm->payload.size() < 8 ? 0 : bigEndian(pitm->payload, 4, 4));
    const auto properties = boxesIn(iprp->payload);
    const Box *ipco = properties ? find(*properties, fourcc("ipco")) : nullptr;
    const auto listed = ipco ? boxesIn(ipco->payload) : std::nullopt;
    if (!listed)
        return std::nullopt;
    std::vector<const Box *> held;
    for (const std::size_t index : propertiesOf(*properties, primary)) {
        if (index > 0 && index <= listed->size())
            held.push_back(&(*listed)[index - 1]);
    }
    // The rotation and crop apply to the decoded picture in the order they are listed. The size
    // they apply to is the coded one where the codec's configuration gives it. Elsewhere it is
    // the `ispe` size, as libheif takes it: turned and cropped only by what is listed after it,
    // since libheif 1.15 itself writes a rotated picture's `ispe`, listed after its rotation, at
    // the size shown.
    Geometry geometry;
    bool coded = false;
    std::size_t from = 0;
    for (std::size_t i = 0; i < held.size(); ++i) {
        const Box *property = held[i];
        if (property->type == fourcc("ispe") && property->payload.size() >= 12 && !coded) {
            geometry.storedWidth = geometry.width = int(bigEndian(property->payload, 4, 4));
            geometry.storedHeight = geometry.height = int(bigEndian(property->payload, 8, 4));
            from = i + 1;
        } else if (property->type == fourcc("av1C")) {
            if (const auto size = av1CodedSize(property->payload)) {
                std::tie(geometry.storedWidth, geometry.storedHeight) = *size;
                geometry.width = geometry.storedWidth;
                geometry.height = geometry.storedHeight;
                coded = true;
                from = 0;
            }
        }
    }
    for (std::size_t i = from; i < held.size(); ++i) {
        const Box *property = held[i];
        const Bytes p = property->payload;
        if (property->type == fourcc("irot") && !p.empty() && (p[0] & 1) != 0) {
            std::swap(geometry.width, geometry.height);
        } else if (property->type == fourcc("clap") && p.size() >= 32) {
            geometry.width = rounded(p, 0);
            geometry.height = rounded(p, 8);
        }
    }
    if (geometry.storedWidth <= 0 || geometry.storedHeight <= 0 || geometry.width <= 0 ||
        geometry.height <= 0)
        return std::nullopt;
    return geometry;
}

} // namespace HeifDecoder
