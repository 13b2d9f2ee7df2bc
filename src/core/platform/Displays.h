#pragma once

#include <vector>

// The attached displays as the desktop reports them.
struct Displays {
    bool hasMainDisplay = false;
    // Whether the main display can tell its pixels per point.
    bool mainReportsScaleFactor = false;
    // Pixels per point of every attached display.
    std::vector<double> scaleFactors;
};
