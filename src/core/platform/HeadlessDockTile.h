#pragma once

#include "core/platform/DockTile.h"

// Shows the badge as a progress line on stderr: updated in place on a terminal, one plain line
// per change otherwise.
class HeadlessDockTile : public DockTile {
protected:
    void showBadge(const QString &label) override;
    void showAttention(bool) override {}

private:
    bool lineOpen_ = false;
};
