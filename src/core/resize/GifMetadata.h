#pragma once

#include <QByteArray>

#include <cstddef>
#include <optional>

// What a GIF keeps besides its pictures, in application extensions that neither libvips nor exiv2
// reads: an ICC profile ("ICCRGBG1012", in data sub-blocks) and an XMP packet ("XMP DataXMP",
// written raw through the sub-blocks, with a trailer that makes a reader's sub-block walk end).
struct GifMetadata {
    QByteArray profile;
    QByteArray xmp;
};

// The GIF in `data`; nothing for another format.
GifMetadata readGifMetadata(const unsigned char *data, std::size_t size);

// The ICC profile of the GIF file open at `fd`, for its pixels; nothing when it has none.
std::optional<QByteArray> embeddedGifProfile(int fd);
