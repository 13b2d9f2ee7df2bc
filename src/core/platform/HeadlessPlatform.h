#pragma once

#include "core/platform/HeadlessDockTile.h"
#include "core/platform/StandardPlatform.h"

// The command line's platform: no display, no windows; what a desktop would show goes to stderr.
class HeadlessPlatform : public StandardPlatform {
public:
    // `quiet`: no progress. `printFolder`: the output folder goes to stdout at the end.
    explicit HeadlessPlatform(bool quiet = false, bool printFolder = true)
        : dockTile_(quiet)
        , printFolder_(printFolder) {}

    bool hasWindows() const override { return false; }
    Displays displays() const override { return {}; }
    DockTile &dockTile() override { return dockTile_; }
    void runAlert(const QString &message, const QString &informative, const QString &) override;
    // Prints the folder on stdout, where a script can take it, unless told not to.
    void openFolder(const QString &path, std::function<void()> done) override;
    // The command line names every skip as it happens and sums up the batch itself.
    void showJobEnded(const JobEnd &, std::function<void()> done) override { done(); }

    // How many alerts were shown: a refused request.
    int alertCount() const { return alertCount_; }

private:
    HeadlessDockTile dockTile_;
    const bool printFolder_;
    int alertCount_ = 0;
};
