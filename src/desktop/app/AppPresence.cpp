#include "desktop/app/AppPresence.h"

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include "core/app/Localized.h"
#include "desktop/app/ZAVAppDelegate.h"

AppPresence::AppPresence(ZAVAppDelegate &delegate, QSystemTrayIcon *tray)
    : delegate_(delegate)
    , tray_(tray) {
    QApplication::setQuitOnLastWindowClosed(false);
    if (tray_) {
        menu_ = std::make_unique<QMenu>();
        menu_->addAction(localized("Open Images…"), &delegate_, &ZAVAppDelegate::openImages);
        menu_->addAction(localized("About Sardoxa"), &delegate_, &ZAVAppDelegate::about);
        menu_->addSeparator();
        QAction *removeLocation = menu_->addAction(localized("Remove Location from Copies"));
        removeLocation->setCheckable(true);
        removeLocation->setChecked(delegate_.removesLocation());
        connect(removeLocation, &QAction::toggled, &delegate_, &ZAVAppDelegate::setRemovesLocation);
        connect(&delegate_, &ZAVAppDelegate::removesLocationChanged, removeLocation,
                &QAction::setChecked);
        menu_->addSeparator();
        menu_->addAction(localized("Quit"), qApp, &QCoreApplication::quit);
        tray_->setContextMenu(menu_.get());
        connect(tray_, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger)
                        delegate_.applicationShouldHandleReopen();
                });
    }
    qApp->installEventFilter(this);
    connect(&delegate_, &ZAVAppDelegate::activityEnded, this, &AppPresence::quitIfIdle);
}

AppPresence::~AppPresence() = default;

void AppPresence::quitIfIdle() {
    if (tray_)
        return;
    const QWidgetList windows = QApplication::topLevelWidgets();
    const bool anyVisible = std::any_of(windows.cbegin(), windows.cend(),
                                        [](const QWidget *window) { return window->isVisible(); });
    if (!anyVisible && delegate_.isIdle())
        QCoreApplication::quit();
}

bool AppPresence::eventFilter(QObject *watched, QEvent *event) {
    // A hidden window may have been the last one; look once the hiding is over.
    if (event->type() == QEvent::Hide && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->isWindow())
        QTimer::singleShot(0, this, &AppPresence::quitIfIdle);
    return false;
}
