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
    : dockTile_(QDBusConnection::sessionBus(), QGuiApplication::desktopFileName()) {
    auto *application = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    QObject::connect(application, &QGuiApplication::screenAdded, &screenWatch_,
                     [this](QScreen *screen) {
                         followScreen(screen);
                         takeDisplays();
                     });
    QObject::connect(application, &QGuiApplication::screenRemoved, &screenWatch_,
                     [this] { takeDisplays(); });
    QObject::connect(application, &QGuiApplication::primaryScreenChanged, &screenWatch_,
                     [this] { takeDisplays(); });
    for (QScreen *screen : QGuiApplication::screens())
        followScreen(screen);
    takeDisplays();
}

void DesktopPlatform::followScreen(QScreen *screen) {
    // A changed scale factor comes with a changed logical resolution or geometry.
    QObject::connect(screen, &QScreen::logicalDotsPerInchChanged, &screenWatch_,
                     [this] { takeDisplays(); });
    QObject::connect(screen, &QScreen::physicalDotsPerInchChanged, &screenWatch_,
                     [this] { takeDisplays(); });
    QObject::connect(screen, &QScreen::geometryChanged, &screenWatch_, [this] { takeDisplays(); });
}

void DesktopPlatform::takeDisplays() {
    Displays displays;
    displays.hasMainDisplay = QGuiApplication::primaryScreen() != nullptr;
    displays.mainReportsScaleFactor = displays.hasMainDisplay;
    for (const QScreen *screen : QGuiApplication::screens())
        displays.scaleFactors.push_back(screen->devicePixelRatio());
    std::lock_guard lock(displaysMutex_);
    displays_ = std::move(displays);
}

Displays DesktopPlatform::displays() const {
    std::lock_guard lock(displaysMutex_);
    return displays_;
}

void DesktopPlatform::runAlert(const QString &message, const QString &informative,
                               const QString &button) {
    QMessageBox alert;
    alert.setText(message);
    alert.setInformativeText(informative);
    alert.addButton(button, QMessageBox::AcceptRole);
    alert.exec();
}

void DesktopPlatform::openFolder(const QString &path) {
    const QUrl url = QUrl::fromLocalFile(path);
    QDBusMessage show = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowFolders"));
    show << QStringList{url.toString()} << QString();
    auto *watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(show), qApp);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                     [url](QDBusPendingCallWatcher *call) {
                         if (call->isError())
                             QDesktopServices::openUrl(url);
                         call->deleteLater();
                     });
}
