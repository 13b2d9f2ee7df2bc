#pragma once

#include <QByteArray>
#include <QIcon>

// The application's icon "AppIcon", in every size it is drawn in.
QIcon appIcon();

// The icon as TIFF bytes, its largest size, for the About window's logo.
QByteArray appIconTiff();
