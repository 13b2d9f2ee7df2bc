#include "core/sizing/PanelLayout.h"

#include <algorithm>
#include <cstdio>

int panelHeight(qsizetype presets) {
    if (presets <= 0)
        return 140;
    const qsizetype rows = std::min<qsizetype>((presets + 1) / 2, 5);
    return 154 + 64 * static_cast<int>(rows);
}

QRect presetButtonFrameFromBottom(qsizetype index) {
    const int x = index % 2 == 0 ? 240 : 20;
    const int y = index < 10 ? 84 + 64 * static_cast<int>(index / 2) : 0;
    return {x, y, presetButtonWidth, presetButtonHeight};
}

QRect fromBottom(const QRect &frameFromBottom, int height) {
    return {frameFromBottom.x(), height - frameFromBottom.y() - frameFromBottom.height(),
            frameFromBottom.width(), frameFromBottom.height()};
}

namespace {

// printf's "%.f": the nearest whole number, ties to even.
QString whole(double value) {
    char text[400];
    std::snprintf(text, sizeof text, "%.f", value);
    return QString::fromLatin1(text);
}

} // namespace

QString presetTitle(const Size &size) {
    if (size.width == wildcard)
        return QStringLiteral("* x ") + whole(size.height);
    if (size.height == wildcard)
        return whole(size.width) + QStringLiteral(" x *");
    return whole(size.width) + QStringLiteral(" x ") + whole(size.height);
}
