#include "DesktopPlatform.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

DesktopPlatform::DesktopPlatform()
    : dockTile_(QDBusConnection::sessionBus(), QGuiApplication::desktopFileName())
{
}

Displays DesktopPlatform::displays() const
{
    Displays displays;
    displays.hasMainDisplay = QGuiApplication::primaryScreen() != nullptr;
    displays.mainReportsScaleFactor = displays.hasMainDisplay;
    for (const QScreen *screen : QGuiApplication::screens())
        displays.scaleFactors.push_back(screen->devicePixelRatio());
    return displays;
}

void DesktopPlatform::runAlert(const QString &message, const QString &informative,
                               const QString &button)
{
    QMessageBox alert;
    alert.setText(message);
    alert.setInformativeText(informative);
    alert.addButton(button, QMessageBox::AcceptRole);
    alert.exec();
}
