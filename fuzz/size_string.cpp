// Size strings are read from the registry and from presets files that anyone may have edited.
#include <cmath>

#include "FuzzText.h"
#include "core/sizing/SizeString.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const Size read = sizeFromString(fuzzText(data, size));
    FUZZ_ASSERT(!std::isnan(read.width) && !std::isnan(read.height));
    if (std::isfinite(read.width) && std::isfinite(read.height)) {
        // What is written reads back as the same numbers.
        const Size again = sizeFromString(stringFromSize(read));
        FUZZ_ASSERT(again == read);
    }
    return 0;
}
