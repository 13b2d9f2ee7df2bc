#pragma once

#include "HeadlessDockTile.h"
#include "StandardPlatform.h"

// The command line's platform: no display, no windows; what a desktop would show goes to stderr.
class HeadlessPlatform : public StandardPlatform {
public:
    bool hasWindows() const override { return false; }
    Displays displays() const override { return {}; }
    DockTile &dockTile() override { return dockTile_; }
    void runAlert(const QString &message, const QString &informative, const QString &) override;

private:
    HeadlessDockTile dockTile_;
};
