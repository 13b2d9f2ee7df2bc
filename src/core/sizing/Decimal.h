#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

// A decimal number read from the start of a text, and how many characters it took.
template <typename T> struct Decimal {
    T value;
    std::size_t length;
};

// The longest decimal number at the start of `text`, the way people write one: a sign, digits
// with a full stop anywhere among them, and an exponent, which counts only with a digit ("12e"
// reads as 12). Rounded to T; a number beyond T's range reads as infinity, one too small as zero.
// Nothing when the text does not start with a digit, or a sign or point before one: neither
// "inf", "nan" nor hexadecimal are numbers here.
template <typename T> std::optional<Decimal<T>> leadingDecimal(std::string_view text);
