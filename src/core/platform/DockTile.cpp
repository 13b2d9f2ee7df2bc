#include "core/platform/DockTile.h"

void DockTile::setBadgeLabel(const QString &label) {
    label_ = label;
    showBadge(label);
}

void DockTile::requestUserAttention() {
    showAttention();
}
