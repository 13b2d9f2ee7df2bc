#include "core/resize/FormatSniffing.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <string_view>
#include <unistd.h>

#include "core/files/FileIo.h"

namespace {

using namespace std::string_view_literals;

// Bytes a file holds from `offset` on.
struct Mark {
    std::size_t offset;
    std::string_view bytes;
};

struct Signature {
    SourceFormat format;
    Mark mark;
    Mark also = {0, {}};
};

bool holds(std::span<const std::uint8_t> head, const Mark &mark) {
    return head.size() >= mark.offset + mark.bytes.size() &&
           std::equal(mark.bytes.begin(), mark.bytes.end(), head.begin() + mark.offset,
                      [](char a, std::uint8_t b) { return std::uint8_t(a) == b; });
}

// What libvips' loaders of these formats look for. HEIF and AVIF files are ISO media files whose
// `ftyp` box names one of the brands libheif reads.
constexpr Signature signatures[] = {
    {SourceFormat::Jpeg, {0, "\xFF\xD8\xFF"sv}},
    {SourceFormat::Png, {0, "\x89PNG\r\n\x1A\n"sv}},
    {SourceFormat::Gif, {0, "GIF8"sv}},
    {SourceFormat::Tiff, {0, "II\x2A\0"sv}},
    {SourceFormat::Tiff, {0, "MM\0\x2A"sv}},
    {SourceFormat::Tiff, {0, "II\x2B\0"sv}}, // BigTIFF
    {SourceFormat::Tiff, {0, "MM\0\x2B"sv}},
    {SourceFormat::Webp, {0, "RIFF"sv}, {8, "WEBP"sv}},
    {SourceFormat::Jxl, {0, "\xFF\x0A"sv}},                 // a bare codestream
    {SourceFormat::Jxl, {0, "\0\0\0\x0CJXL \r\n\x87\n"sv}}, // its container
    {SourceFormat::Heif, {4, "ftypheic"sv}},
    {SourceFormat::Heif, {4, "ftypheix"sv}},
    {SourceFormat::Heif, {4, "ftyphevc"sv}},
    {SourceFormat::Heif, {4, "ftypheim"sv}},
    {SourceFormat::Heif, {4, "ftypheis"sv}},
    {SourceFormat::Heif, {4, "ftyphevm"sv}},
    {SourceFormat::Heif, {4, "ftyphevs"sv}},
    {SourceFormat::Heif, {4, "ftypmif1"sv}},
    {SourceFormat::Heif, {4, "ftypmsf1"sv}},
    {SourceFormat::Heif, {4, "ftypavif"sv}},
    {SourceFormat::Heif, {4, "ftypavis"sv}},
};

} // namespace

std::optional<SourceFormat> sniffFormat(std::span<const std::uint8_t> head) {
    for (const Signature &signature : signatures) {
        if (holds(head, signature.mark) && holds(head, signature.also))
            return signature.format;
    }
    return std::nullopt;
}

std::optional<SourceFormat> sniffFile(int fd) {
    std::array<std::uint8_t, sniffedBytes> head;
    const ssize_t got = readSomeAt(fd, head.data(), head.size(), 0);
    if (got <= 0)
        return std::nullopt;
    return sniffFormat(std::span(head.data(), std::size_t(got)));
}

const char *loaderName(SourceFormat format) {
    switch (format) {
    case SourceFormat::Jpeg:
        return "jpegload_source";
    case SourceFormat::Png:
        return "pngload_source";
    case SourceFormat::Gif:
        return "gifload_source";
    case SourceFormat::Heif:
        return "heifload_source";
    case SourceFormat::Webp:
        return "webpload_source";
    case SourceFormat::Jxl:
        return "jxlload_source";
    case SourceFormat::Tiff:
        break;
    }
    return "tiffload_source";
}

vips::VImage loadAs(SourceFormat format, const vips::VSource &source, vips::VOption *options) {
    vips::VImage image;
    // A GIF is damaged where its decoder warns (libnsgif decodes LZW data that ends early to
    // empty rows, and only warns); the other decoders fail on damage themselves.
    vips::VImage::call(loaderName(format),
                       (options ? options : vips::VImage::option())
                           ->set("access", VIPS_ACCESS_SEQUENTIAL)
                           ->set("fail_on", format == SourceFormat::Gif ? VIPS_FAIL_ON_WARNING
                                                                        : VIPS_FAIL_ON_TRUNCATED)
                           ->set("out", &image)
                           ->set("source", source));
    return image;
}
