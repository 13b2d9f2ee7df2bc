#include "core/sizing/TypedSize.h"

#include "core/app/Localized.h"
#include "core/sizing/DrawRect.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The length of the decimal number at the start of `text`, or 0.
std::size_t numberLength(const std::string &text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i]))
        ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return 0;
    // An exponent counts only with at least one digit: "12e" reads as 12.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j]))
                ++j;
            i = j;
        }
    }
    return i;
}

} // namespace

float leadingFloat(const QString &text) {
    const std::string bytes = text.trimmed().toStdString();
    const std::size_t length = numberLength(bytes);
    if (length == 0)
        return 0;
    const bool negative = bytes[0] == '-';
    const std::size_t start = (bytes[0] == '+' || bytes[0] == '-') ? 1 : 0;
    float value = 0;
    const auto [end, error] = std::from_chars(bytes.data() + start, bytes.data() + length, value);
    if (error == std::errc::result_out_of_range) {
        // Overflow reads as infinity, underflow as zero, like the C library's strtof.
        const std::size_t e = bytes.find_first_of("eE", start);
        value = (e != std::string::npos && e < length && bytes[e + 1] == '-') ? 0.0f : HUGE_VALF;
    }
    (void)end;
    return negative ? -value : value;
}

double typedSide(const QString &text) {
    const float value = leadingFloat(text);
    return value > 0 && std::isfinite(value) ? static_cast<double>(value) : wildcard;
}

QString typedSizeProblem(const Size &typed) {
    if (typed.width == wildcard && typed.height == wildcard)
        return localized("Type a width, a height or both, as numbers above 0.");
    // A free side follows the image and can come down to a single pixel, so only the given
    // sides decide whether any image can be written at all.
    const Size smallest{typed.width == wildcard ? 1.0 : typed.width,
                        typed.height == wildcard ? 1.0 : typed.height};
    // Drawn at two pixels per unit, the halved canvas has the same pixels.
    const std::optional<CanvasFault> fault = canvasFault({smallest, 1.0});
    if (!fault)
        return {};
    return *fault == CanvasFault::tooLarge
               ? localized("Too large: no image can be written at this size.")
               : localized("Too small: this size has no whole pixel.");
}
