// A file's first bytes decide which decoder reads it; any bytes at all may come.
#include <cstring>

#include "FuzzText.h"
#include "core/resize/FormatSniffing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::span<const std::uint8_t> head(data, size);
    const std::optional<SourceFormat> format = sniffFormat(head);
    // A format is told from the first twelve bytes at most, and only from a known start.
    FUZZ_ASSERT(sniffFormat(head.first(std::min<std::size_t>(size, 12))) == format);
    FUZZ_ASSERT(!format || size >= 2);
    FUZZ_ASSERT(format != SourceFormat::Png || std::memcmp(data, "\x89PNG", 4) == 0);
    FUZZ_ASSERT(format != SourceFormat::Webp || std::memcmp(data + 8, "WEBP", 4) == 0);
    FUZZ_ASSERT(format != SourceFormat::Heif || std::memcmp(data + 4, "ftyp", 4) == 0);
    return 0;
}
