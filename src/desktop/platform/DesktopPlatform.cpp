#include "desktop/platform/DesktopPlatform.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QUrl>

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

void DesktopPlatform::openFolder(const QString &path)
{
    const QUrl url = QUrl::fromLocalFile(path);
    QDBusMessage show = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowFolders"));
    show << QStringList{url.toString()} << QString();
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(show), qApp);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [url](QDBusPendingCallWatcher *call) {
        if (call->isError())
            QDesktopServices::openUrl(url);
        call->deleteLater();
    });
}
