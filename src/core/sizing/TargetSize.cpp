#include "core/sizing/TargetSize.h"

bool isRetina(const Displays &displays) {
    if (!displays.hasMainDisplay || !displays.mainReportsScaleFactor)
        return false;
    float most = 1.0f;
    for (const double factor : displays.scaleFactors) {
        const float f = static_cast<float>(factor);
        if (f > most) // not-a-number never is
            most = f;
    }
    return most > 1.0f;
}

Size targetSize(const Size &size, const Size &image, bool retina) {
    const double ratio = image.width / image.height;
    double width = size.width == wildcard ? ratio * size.height : size.width;
    double height = size.height == wildcard ? width / ratio : size.height;
    if (retina) {
        // Always one half, whatever the factor: the canvas is drawn at two pixels per unit.
        width *= 0.5;
        height *= 0.5;
    }
    return {width, height};
}
