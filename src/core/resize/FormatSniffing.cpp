#include "core/resize/FormatSniffing.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <unistd.h>

namespace {

struct Signature {
    std::array<std::uint8_t, 8> bytes;
    std::size_t length;
    SourceFormat format;
};

// What libvips' loaders of these formats look for.
constexpr Signature signatures[] = {
    {{0xFF, 0xD8, 0xFF}, 3, SourceFormat::Jpeg},
    {{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, 8, SourceFormat::Png},
    {{'G', 'I', 'F', '8'}, 4, SourceFormat::Gif},
    {{'I', 'I', 42, 0}, 4, SourceFormat::Tiff},
    {{'M', 'M', 0, 42}, 4, SourceFormat::Tiff},
    {{'I', 'I', 43, 0}, 4, SourceFormat::Tiff}, // BigTIFF
    {{'M', 'M', 0, 43}, 4, SourceFormat::Tiff},
};

} // namespace

std::optional<SourceFormat> sniffFormat(std::span<const std::uint8_t> head) {
    for (const Signature &signature : signatures) {
        if (head.size() >= signature.length &&
            std::equal(signature.bytes.begin(), signature.bytes.begin() + signature.length,
                       head.begin()))
            return signature.format;
    }
    return std::nullopt;
}

std::optional<SourceFormat> sniffFile(int fd) {
    std::array<std::uint8_t, sniffedBytes> head;
    ssize_t got;
    do
        got = ::pread(fd, head.data(), head.size(), 0);
    while (got < 0 && errno == EINTR);
    if (got <= 0)
        return std::nullopt;
    return sniffFormat(std::span(head.data(), std::size_t(got)));
}

vips::VImage loadAs(SourceFormat format, const vips::VSource &source, vips::VOption *options) {
    switch (format) {
    case SourceFormat::Jpeg:
        return vips::VImage::jpegload_source(source, options);
    case SourceFormat::Png:
        return vips::VImage::pngload_source(source, options);
    case SourceFormat::Gif:
        return vips::VImage::gifload_source(source, options);
    case SourceFormat::Tiff:
        break;
    }
    return vips::VImage::tiffload_source(source, options);
}
