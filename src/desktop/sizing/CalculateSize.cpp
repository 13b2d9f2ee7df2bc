#include "desktop/app/ZAVAppDelegate.h"

#include "core/platform/Platform.h"
#include "core/resize/SourceImage.h"
#include "core/sizing/TargetSize.h"

bool ZAVAppDelegate::isRetina() {
    return ::isRetina(platform.displays());
}

Canvas ZAVAppDelegate::calculateSize(const Size &size, const SourceImage &image) {
    const bool retina = isRetina();
    // A canvas halved for a high-density display is drawn at two pixels per unit, so that the
    // written image has the requested pixel size on every display.
    return {targetSize(size, image.size(), retina), retina ? 2.0 : 1.0};
}
