#include "desktop/platform/DesktopDockTile.h"

#include <QApplication>
#include <QDBusMessage>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QWidget>

#include "core/app/Localized.h"
#include "core/feedback/BadgeLabel.h"
#include "desktop/app/AppIcon.h"

namespace {

const char *const launcherInterface = "com.canonical.Unity.LauncherEntry";
const char *const baseTitleProperty = "sardoxaBaseTitle";

QIcon applicationIcon() {
    return QIcon::fromTheme(QStringLiteral("sardoxa"), appIcon());
}

} // namespace

QIcon iconWithCount(const QIcon &icon, qint64 count) {
    constexpr int side = 64;
    QPixmap pixmap = icon.pixmap(side, side);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF disc(side * 0.4, 0, side * 0.6, side * 0.6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xd9, 0x30, 0x25));
    painter.drawEllipse(disc);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(count > 99 ? side / 5 : side / 3);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(disc, Qt::AlignCenter,
                     count > 999 ? QStringLiteral("999+") : QString::number(count));
    return QIcon(pixmap);
}

DesktopDockTile::DesktopDockTile(const QDBusConnection &bus, const QString &desktopId)
    : bus_(bus)
    , appUri_(QStringLiteral("application://%1.desktop").arg(desktopId))
    , icon_(applicationIcon()) {
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        tray_ = std::make_unique<QSystemTrayIcon>(icon_);
        tray_->setToolTip(localized("Sardoxa"));
        tray_->show();
    }
}

DesktopDockTile::~DesktopDockTile() = default;

void DesktopDockTile::showBadge(const QString &label) {
    const std::optional<BadgeProgress> progress = badgeProgress(label);
    sendLauncherUpdate({
        {QStringLiteral("count"), QVariant::fromValue<qint64>(progress ? progress->remaining : 0)},
        {QStringLiteral("count-visible"), progress.has_value()},
        {QStringLiteral("progress"), progress ? progress->fractionDone() : 0.0},
        {QStringLiteral("progress-visible"), progress.has_value()},
        {QStringLiteral("urgent"), false},
    });
    showInWindowTitles(label);
    showInTray(label);
}

void DesktopDockTile::showAttention() {
    sendLauncherUpdate({{QStringLiteral("urgent"), true}});
    // The tray's own icon window bypasses the window manager; it is no window of the user's.
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && !window->windowFlags().testFlag(Qt::BypassWindowManagerHint) &&
            (window->windowType() == Qt::Window || window->windowType() == Qt::Dialog))
            QApplication::alert(window);
    }
}

void DesktopDockTile::sendLauncherUpdate(const QVariantMap &properties) {
    QDBusMessage update = QDBusMessage::createSignal(
        QStringLiteral("/com/canonical/unity/launcherentry/sardoxa"),
        QString::fromLatin1(launcherInterface), QStringLiteral("Update"));
    update << appUri_ << properties;
    bus_.send(update);
}

void DesktopDockTile::showInWindowTitles(const QString &label) {
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->windowType() != Qt::Window && window->windowType() != Qt::Dialog)
            continue;
        const QVariant stored = window->property(baseTitleProperty);
        if (!window->isVisible() && stored.isNull())
            continue;
        const QString base = stored.isNull() ? window->windowTitle() : stored.toString();
        if (label.isEmpty()) {
            window->setWindowTitle(base);
            window->setProperty(baseTitleProperty, QVariant());
        } else {
            // The count first: the desktop adds the application's name to a title that does not
            // end with it already, and the welcome window's own title is that name.
            window->setProperty(baseTitleProperty, base);
            window->setWindowTitle(label + QStringLiteral(" — ") + base);
        }
    }
}

void DesktopDockTile::showInTray(const QString &label) {
    if (!tray_)
        return;
    const std::optional<BadgeProgress> progress = badgeProgress(label);
    tray_->setIcon(progress ? iconWithCount(icon_, progress->remaining) : icon_);
    tray_->setToolTip(label.isEmpty() ? localized("Sardoxa")
                                      : label + QStringLiteral(" — ") + localized("Sardoxa"));
}
