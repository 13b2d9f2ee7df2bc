#include "desktop/platform/DesktopPlatform.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QUrl>

#include "core/app/Log.h"

namespace {

constexpr int folderAnswerTimeoutMs = 5000;

} // namespace

DesktopPlatform::DesktopPlatform()
    : dockTile_(QDBusConnection::sessionBus(), QGuiApplication::desktopFileName())
    , jobEndNotice_(QDBusConnection::sessionBus()) {
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

bool sessionHasDisplay() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

void showFolder(const QString &path, std::function<void()> done) {
    const QUrl url = QUrl::fromLocalFile(path);
    const auto handOver = [url] {
        if (!QDesktopServices::openUrl(url))
            logLine(QStringLiteral("no program could open the folder %1").arg(url.toLocalFile()));
    };
    const QDBusConnection bus = QDBusConnection::sessionBus();
    // Without a session bus no answer would ever come.
    if (!bus.isConnected()) {
        handOver();
        done();
        return;
    }
    QDBusMessage show = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowFolders"));
    show << QStringList{url.toString()} << QString();
    // A desktop without a file manager on the bus answers with an error, at once or after the
    // timeout; only then is the URL handed to whatever opens folders there.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(show, folderAnswerTimeoutMs), qApp);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                     [handOver, done = std::move(done)](QDBusPendingCallWatcher *call) {
                         if (call->isError())
                             handOver();
                         call->deleteLater();
                         done();
                     });
}
