#include "core/sizing/SizeString.h"

#include <charconv>
#include <cmath>
#include <string>

#include "core/sizing/Decimal.h"

namespace {

QString decimal(double value) {
    char buffer[400]; // the largest double written out in full has 309 digits
    const bool whole = std::isfinite(value) && value == std::trunc(value);
    const auto result =
        whole ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed)
              : std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, result.ptr - buffer);
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
        const std::optional<Decimal<double>> number =
            leadingDecimal<double>(std::string_view(bytes).substr(at));
        if (number)
            numbers[found++] = number->value;
        at += number ? number->length : 1;
    }
    return {numbers[0], numbers[1]};
}
