#pragma once

#include <QString>

// The remaining count as the tray icon shows it, in at most three or four narrow glyphs so that
// it stays legible at 22 pixels: exact up to 999, then whole thousands ("1k" for 1000 to 1999)
// and whole millions. The tooltip carries the exact count.
QString trayCountText(qint64 count);

// What the tray icon's tooltip says of the badge `label`: "156 of 200 images left", "200 images
// left" before the first is done, and only the application's name without a label.
QString trayToolTip(const QString &label);
