#pragma once

#include "desktop/platform/DesktopDockTile.h"
#include "core/platform/StandardPlatform.h"

// The desktop session's platform: Qt windows and screens, the session bus and the system tray.
class DesktopPlatform : public StandardPlatform {
public:
    DesktopPlatform();

    bool hasWindows() const override { return true; }
    Displays displays() const override;
    DesktopDockTile &dockTile() override { return dockTile_; }
    void runAlert(const QString &message, const QString &informative,
                  const QString &button) override;
    // Asks the file manager over D-Bus to show the folder, or hands its URL to the desktop.
    void openFolder(const QString &path) override;

private:
    DesktopDockTile dockTile_;
};
