#pragma once

#include "DesktopDockTile.h"
#include "StandardPlatform.h"

// The desktop session's platform: Qt windows and screens, the session bus and the system tray.
class DesktopPlatform : public StandardPlatform {
public:
    DesktopPlatform();

    bool hasWindows() const override { return true; }
    Displays displays() const override;
    DesktopDockTile &dockTile() override { return dockTile_; }
    void runAlert(const QString &message, const QString &informative,
                  const QString &button) override;

private:
    DesktopDockTile dockTile_;
};
