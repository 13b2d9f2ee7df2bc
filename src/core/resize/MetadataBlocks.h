#pragma once

#include <QByteArray>

#include <array>
#include <cstddef>
#include <string_view>

// The metadata blocks a JPEG, PNG, WebP or TIFF file keeps, measured by walking its container
// before exiv2 parses any of them: parsing is what costs, hundreds of MB and many seconds for a
// hostile XMP packet of 50 MB.
enum class Block { Exif, Xmp, Iptc };
constexpr std::size_t blockKinds = 3;
using BlockBytes = std::array<long long, blockKinds>;

// More than any camera or photo manager writes; a block beyond these is hostile or broken, and
// carrying it would cost every copy its time and memory.
constexpr BlockBytes blockLimits{1024 * 1024, 4 * 1024 * 1024, 1024 * 1024};

// Makes the blocks of each kind whose sizes together exceed its limit unreadable to exiv2, in the
// privately mapped file `data`, so that it reads the other blocks alone. Returns the size of each
// kind hidden, 0 for those left.
BlockBytes hideOversizedBlocks(unsigned char *data, std::size_t size);

// The extended XMP a JPEG carries beyond its first packet's 64 KB, the chunks of the packet named
// `guid` put together in order. Empty when there is none, it is incomplete, or larger than
// `limit` (`*tooLarge` is then set).
QByteArray jpegExtendedXmp(const unsigned char *data, std::size_t size, std::string_view guid,
                           long long limit, bool *tooLarge);
