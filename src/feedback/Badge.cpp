#include "app/ZAVAppDelegate.h"

#include <QCoreApplication>
#include <QThread>

#include "BadgeLabel.h"
#include "platform/DockTile.h"
#include "platform/MainQueue.h"
#include "platform/Platform.h"

void ZAVAppDelegate::prepareBadge()
{
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

void ZAVAppDelegate::updateBadge()
{
    DockTile &tile = platform.dockTile();
    if (const std::optional<QString> next = countedDownLabel(tile.badgeLabel()))
        tile.setBadgeLabel(*next);
    else
        tile.requestUserAttention();
}
