#include "desktop/app/ZAVAppDelegate.h"

#include "core/app/Localized.h"
#include "core/platform/MainQueue.h"
#include "core/platform/Platform.h"

void ZAVAppDelegate::failedWithMessage(const QString &message) {
    platform.mainQueue().post([this, message] {
        updateBadge();
        platform.runAlert(localized("Failed to resize images"), message, localized("OK"));
    });
}
