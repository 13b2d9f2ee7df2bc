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
        menu_->addAction(localized("Preferences…"), &delegate, &ZAVAppDelegate::preferences);
        menu_->addAction(localized("About Sardoxa"), &delegate, &ZAVAppDelegate::about);
        menu_->addSeparator();
        // The one choice at hand here; the others are in the Preferences window.
        QAction *removeLocation = menu_->addAction(choiceTitle(Choice::removeLocation));
        removeLocation->setCheckable(true);
        removeLocation->setChecked(delegate.chooses(Choice::removeLocation));
        connect(removeLocation, &QAction::toggled, &delegate,
                [&delegate](bool on) { delegate.setChoice(Choice::removeLocation, on); });
        connect(delegate.batch.get(), &Batch::choiceChanged, removeLocation,
                [removeLocation](Choice choice, bool on) {
                    if (choice == Choice::removeLocation)
                        removeLocation->setChecked(on);
                });
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
