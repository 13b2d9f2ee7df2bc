#include "desktop/platform/DesktopDockTile.h"

#include <QApplication>
#include <QCursor>
#include <QDBusMessage>
#include <QFontMetricsF>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QToolTip>
#include <QWidget>

#include <algorithm>

#include "core/feedback/BadgeLabel.h"
#include "core/feedback/TrayCount.h"
#include "desktop/app/AppIcon.h"

namespace {

const char *const launcherInterface = "com.canonical.Unity.LauncherEntry";
const char *const baseTitleProperty = "sardoxaBaseTitle";

QIcon applicationIcon() {
    return QIcon::fromTheme(QStringLiteral("sardoxa"), appIcon());
}

} // namespace

CountBadge countBadge(int side, const QString &text) {
    const qreal height = side * 0.6;
    const qreal ends = height * 0.2; // room left at the rounded ends
    QFont font;
    font.setBold(true);
    // As large as fits across the icon; a short count keeps a disc at the top right.
    qreal width = side;
    for (int pixelSize = static_cast<int>(height * 0.8); pixelSize > 1; --pixelSize) {
        font.setPixelSize(pixelSize);
        width = QFontMetricsF(font).horizontalAdvance(text) + ends;
        if (width <= side)
            break;
    }
    width = std::clamp(width, height, qreal(side));
    return {QRectF(side - width, 0, width, height), font};
}

QIcon iconWithCount(const QIcon &icon, qint64 count) {
    const QString text = trayCountText(count);
    QIcon counted;
    // Drawn at each size rather than shrunk from a large one, where the digits would blur.
    for (const int side : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap = icon.pixmap(side, side);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const CountBadge badge = countBadge(side, text);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0xd9, 0x30, 0x25));
        const qreal radius = badge.area.height() / 2;
        painter.drawRoundedRect(badge.area, radius, radius);
        painter.setFont(badge.font);
        painter.setPen(Qt::white);
        painter.drawText(badge.area, Qt::AlignCenter, text);
        painter.end();
        counted.addPixmap(pixmap);
    }
    return counted;
}

DesktopDockTile::DesktopDockTile(const QDBusConnection &bus, const QString &desktopId)
    : bus_(bus)
    , appUri_(QStringLiteral("application://%1.desktop").arg(desktopId))
    , icon_(applicationIcon()) {
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        tray_ = std::make_unique<QSystemTrayIcon>(icon_);
        tray_->setToolTip(trayToolTip({}));
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
    const QString shown = tray_->toolTip();
    tray_->setToolTip(trayToolTip(label));
    // A tray that leaves the tooltip to Qt shows the text it had when the pointer came; the one
    // on screen is told the new count.
    if (QToolTip::isVisible() && QToolTip::text() == shown)
        QToolTip::showText(QCursor::pos(), tray_->toolTip(),
                           QApplication::widgetAt(QCursor::pos()));
}
