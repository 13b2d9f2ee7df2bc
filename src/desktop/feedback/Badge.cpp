#include "desktop/app/ZAVAppDelegate.h"

#include <QCoreApplication>
#include <QThread>

#include "core/feedback/BadgeLabel.h"
#include "core/platform/DockTile.h"
#include "core/platform/MainQueue.h"
#include "core/platform/Platform.h"

void ZAVAppDelegate::prepareBadge() {
    qint64 total = 0;
    {
        std::lock_guard lock(registryMutex);
        for (const QStringList &paths : std::as_const(globalTasks))
            total += paths.size();
    }
    const QString label = badgeLabelForTotal(total);
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
