#include "core/sizing/SizeString.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

QString decimal(double value) {
    char buffer[400]; // the largest double written out in full has 309 digits
    const bool whole = std::isfinite(value) && value == std::trunc(value);
    const auto result =
        whole ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed)
              : std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Where a number starts: a digit, or a sign or point right before one (".5", "-1", "+.5").
bool startsNumber(const std::string &text, std::size_t at) {
    std::size_t i = at;
    if (text[i] == '-' || text[i] == '+')
        ++i;
    if (i < text.size() && text[i] == '.')
        ++i;
    return i < text.size() && isDigit(text[i]);
}

// Reads the number that starts at `at` and moves `at` past it.
double readNumber(const std::string &text, std::size_t &at) {
    const bool negative = text[at] == '-';
    if (text[at] == '-' || text[at] == '+')
        ++at;
    const char *first = text.data() + at;
    const char *last = text.data() + text.size();
    double value = 0;
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        // Too large gives infinity, too small gives zero, as a scanner of decimals would.
        const std::string number(first, end);
        const auto exponent = number.find_first_of("eE");
        const bool tiny = exponent != std::string::npos && exponent + 1 < number.size() &&
                          number[exponent + 1] == '-';
        value = tiny ? 0.0 : HUGE_VAL;
    }
    at = static_cast<std::size_t>(end - text.data());
    return negative ? -value : value;
}

} // namespace

QString stringFromSize(const Size &size) {
    return QLatin1Char('{') + decimal(size.width) + QStringLiteral(", ") + decimal(size.height) +
           QLatin1Char('}');
}

Size sizeFromString(const QString &text) {
    const std::string bytes = text.toStdString();
    double numbers[2] = {0, 0};
    int found = 0;
    for (std::size_t at = 0; at < bytes.size() && found < 2;) {
        if (startsNumber(bytes, at))
            numbers[found++] = readNumber(bytes, at);
        else
            ++at;
    }
    return {numbers[0], numbers[1]};
}
