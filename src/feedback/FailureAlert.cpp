#include "app/ZAVAppDelegate.h"

#include "app/Localized.h"
#include "platform/MainQueue.h"
#include "platform/Platform.h"

void ZAVAppDelegate::failedWithMessage(const QString &message)
{
    platform.mainQueue().post([this, message] {
        updateBadge();
        platform.runAlert(localized("Failed to resize images"), message, localized("OK"));
    });
}
