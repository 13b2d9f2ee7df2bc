#pragma once

#include <QElapsedTimer>

#include "core/platform/DockTile.h"

// Shows the badge as progress on stderr: on a terminal one line that updates in place, with the
// images done, the rate and the time left; otherwise one plain line per change. Quiet, nothing.
class HeadlessDockTile : public DockTile {
public:
    explicit HeadlessDockTile(bool quiet = false)
        : quiet_(quiet) {}

protected:
    void showBadge(const QString &label) override;
    void showAttention() override {}

private:
    const bool quiet_;
    QElapsedTimer batch_; // since the batch's total was shown
};
