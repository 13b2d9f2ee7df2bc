// What the user types into the size picker's fields.
#include <cmath>

#include "FuzzText.h"
#include "core/sizing/TypedSize.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const double side = typedSide(fuzzText(data, size));
    FUZZ_ASSERT(side == -1 || (side > 0 && std::isfinite(side)));
    FUZZ_ASSERT(side == -1 || side == double(static_cast<float>(side))); // single precision
    return 0;
}
