#include "core/sizing/Decimal.h"

#include <cctype>
#include <charconv>
#include <limits>

namespace {

// Whether an unsigned number that T cannot hold is too small rather than too large: its exponent
// is negative or, without one, its whole part is zero. Only hundreds of digits could fool this.
bool belowOne(std::string_view number) {
    const std::size_t exponent = number.find_first_of("eE");
    if (exponent != std::string_view::npos)
        return number[exponent + 1] == '-';
    return number.substr(0, number.find('.')).find_first_not_of('0') == std::string_view::npos;
}

} // namespace

template <typename T> std::optional<Decimal<T>> leadingDecimal(std::string_view text) {
    const bool negative = text.starts_with('-');
    const std::size_t start = negative || text.starts_with('+') ? 1 : 0;
    // from_chars takes no '+', but does take "inf" and "nan", which are no numbers here.
    if (start >= text.size() ||
        !(std::isdigit(static_cast<unsigned char>(text[start])) || text[start] == '.'))
        return std::nullopt;
    const char *first = text.data() + start;
    T value = 0;
    const auto [end, error] = std::from_chars(first, text.data() + text.size(), value);
    if (error == std::errc::invalid_argument)
        return std::nullopt;
    if (error == std::errc::result_out_of_range)
        value = belowOne({first, end}) ? T(0) : std::numeric_limits<T>::infinity();
    return Decimal<T>{negative ? -value : value, static_cast<std::size_t>(end - text.data())};
}

template std::optional<Decimal<float>> leadingDecimal<float>(std::string_view);
template std::optional<Decimal<double>> leadingDecimal<double>(std::string_view);
