#include "core/sizing/TypedSize.h"

#include <cmath>

#include "core/app/Localized.h"
#include "core/sizing/Decimal.h"
#include "core/sizing/DrawRect.h"

float leadingFloat(const QString &text) {
    const std::optional<Decimal<float>> number =
        leadingDecimal<float>(text.trimmed().toStdString());
    return number ? number->value : 0;
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
