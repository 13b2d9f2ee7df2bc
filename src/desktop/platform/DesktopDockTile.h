#pragma once

#include <QDBusConnection>
#include <QFont>
#include <QIcon>
#include <QRectF>
#include <QString>

#include <memory>

#include "core/platform/DockTile.h"

class QSystemTrayIcon;

// The icon with the remaining count painted in red at its top right, for the tray, drawn anew at
// each size a tray asks for.
QIcon iconWithCount(const QIcon &icon, qint64 count);

// Where the count goes on an icon of `side` pixels, and the bold font of its digits: a disc at
// the top right that grows to the left into a band as wide as the icon, the digits as large as
// fit.
struct CountBadge {
    QRectF area;
    QFont font;
};
CountBadge countBadge(int side, const QString &text);

// Shows the badge where a Linux desktop can: the launcher entry of docks that honour
// com.canonical.Unity.LauncherEntry (KDE Plasma, Ubuntu's dock, Plank), the tray icon where a
// tray exists, and the titles of visible windows. Attention is the launcher's urgent state and an
// alert (the urgent hint) on every visible window of the application.
class DesktopDockTile : public DockTile {
public:
    // `desktopId` is the installed .desktop file's name without its extension.
    DesktopDockTile(const QDBusConnection &bus, const QString &desktopId);
    ~DesktopDockTile() override;

    // The tray icon, where the desktop has a tray.
    QSystemTrayIcon *trayIcon() const { return tray_.get(); }

protected:
    void showBadge(const QString &label) override;
    void showAttention() override;

private:
    void sendLauncherUpdate(const QVariantMap &properties);
    void showInWindowTitles(const QString &label);
    void showInTray(const QString &label);

    QDBusConnection bus_;
    QString appUri_;
    QIcon icon_;
    std::unique_ptr<QSystemTrayIcon> tray_;
};
