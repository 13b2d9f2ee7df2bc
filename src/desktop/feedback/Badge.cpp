#include "desktop/app/ZAVAppDelegate.h"

#include <QCoreApplication>
#include <QThread>

#include "core/feedback/BadgeLabel.h"
#include "core/platform/DockTile.h"
#include "core/platform/MainQueue.h"
#include "core/platform/Platform.h"

void ZAVAppDelegate::prepareBadge() {
    // Only jobs whose images are on their way count: a job still waiting for its size shows none.
    const QString label = badgeLabelForTotal(globalTasks.queuedImages());
    if (QThread::currentThread() == QCoreApplication::instance()->thread())
        platform.dockTile().setBadgeLabel(label);
    else
        platform.mainQueue().post([this, label] { platform.dockTile().setBadgeLabel(label); });
}

void ZAVAppDelegate::updateBadge() {
    DockTile &tile = platform.dockTile();
    if (const std::optional<QString> next = countedDownLabel(tile.badgeLabel()))
        tile.setBadgeLabel(*next);
    else
        tile.requestUserAttention();
}
