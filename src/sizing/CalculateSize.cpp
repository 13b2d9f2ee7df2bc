#include "app/ZAVAppDelegate.h"

#include "TargetSize.h"
#include "platform/Platform.h"

bool ZAVAppDelegate::isRetina()
{
    return ::isRetina(platform.displays());
}

Size ZAVAppDelegate::calculateSize(const Size &size, const Size &imageSize)
{
    return targetSize(size, imageSize, isRetina());
}
