#include "desktop/app/AppPresence.h"

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include "core/app/Localized.h"
#include "desktop/app/ZAVAppDelegate.h"

AppPresence::AppPresence(Batch &batch)
    : batch_(batch) {
    QApplication::setQuitOnLastWindowClosed(false);
    qApp->installEventFilter(this);
    connect(&batch_, &Batch::activityEnded, this, &AppPresence::quitIfIdle);
}

AppPresence::AppPresence(ZAVAppDelegate &delegate, QSystemTrayIcon *tray)
    : AppPresence(*delegate.batch) {
    tray_ = tray;
    if (tray_) {
        menu_ = std::make_unique<QMenu>();
        menu_->addAction(localized("Open Images…"), &delegate, &ZAVAppDelegate::openImages);
        menu_->addAction(localized("About Sardoxa"), &delegate, &ZAVAppDelegate::about);
        menu_->addSeparator();
        QAction *removeLocation = menu_->addAction(localized("Remove Location from Copies"));
        removeLocation->setCheckable(true);
        removeLocation->setChecked(delegate.removesLocation());
        connect(removeLocation, &QAction::toggled, &delegate, &ZAVAppDelegate::setRemovesLocation);
        connect(delegate.batch.get(), &Batch::removesLocationChanged, removeLocation,
                &QAction::setChecked);
        menu_->addSeparator();
        menu_->addAction(localized("Quit"), qApp, &QCoreApplication::quit);
        tray_->setContextMenu(menu_.get());
        connect(tray_, &QSystemTrayIcon::activated, this,
                [&delegate](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger)
                        delegate.applicationShouldHandleReopen();
                });
    }
}

AppPresence::~AppPresence() = default;

void AppPresence::quitIfIdle() {
    if (tray_)
        return;
    const QWidgetList windows = QApplication::topLevelWidgets();
    const bool anyVisible = std::any_of(windows.cbegin(), windows.cend(),
                                        [](const QWidget *window) { return window->isVisible(); });
    if (!anyVisible && batch_.isIdle())
        QCoreApplication::quit();
}

bool AppPresence::eventFilter(QObject *watched, QEvent *event) {
    // A hidden window may have been the last one; look once the hiding is over.
    if (event->type() == QEvent::Hide && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->isWindow())
        QTimer::singleShot(0, this, &AppPresence::quitIfIdle);
    return false;
}
