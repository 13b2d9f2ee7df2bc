#include "core/platform/DockTile.h"

void DockTile::setBadgeLabel(const QString &label) {
    label_ = label;
    badgeSinceAttention_ |= !label.isEmpty();
    showBadge(label);
}

void DockTile::requestUserAttention() {
    showAttention(badgeSinceAttention_);
    badgeSinceAttention_ = false;
}
