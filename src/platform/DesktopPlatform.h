#pragma once

#include "StandardPlatform.h"

// The desktop session's platform: Qt windows, the session bus and the system tray.
class DesktopPlatform : public StandardPlatform {
public:
    bool hasWindows() const override { return true; }
};
