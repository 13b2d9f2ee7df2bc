#pragma once

#include "StandardPlatform.h"

// The command line's platform: no display, no windows; what a desktop would show goes to stderr.
class HeadlessPlatform : public StandardPlatform {
public:
    bool hasWindows() const override { return false; }
};
