#pragma once

#include "core/platform/HeadlessDockTile.h"
#include "core/platform/StandardPlatform.h"

// The command line's platform: no display, no windows; what a desktop would show goes to stderr.
class HeadlessPlatform : public StandardPlatform {
public:
    bool hasWindows() const override { return false; }
    Displays displays() const override { return {}; }
    DockTile &dockTile() override { return dockTile_; }
    void runAlert(const QString &message, const QString &informative, const QString &) override;
    // Prints the folder on stdout, where a script can take it.
    void openFolder(const QString &path, std::function<void()> done) override;

    // How many alerts were shown: a refused request.
    int alertCount() const { return alertCount_; }

private:
    HeadlessDockTile dockTile_;
    int alertCount_ = 0;
};
