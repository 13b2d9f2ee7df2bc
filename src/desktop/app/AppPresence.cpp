#include "desktop/app/AppPresence.h"

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <array>

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
        std::array<QAction *, choiceCount> choices{};
        for (int index = 0; index < choiceCount; ++index) {
            const auto choice = Choice(index);
            QAction *action = menu_->addAction(choiceTitle(choice));
            action->setCheckable(true);
            action->setChecked(delegate.chooses(choice));
            connect(action, &QAction::toggled, &delegate,
                    [&delegate, choice](bool on) { delegate.setChoice(choice, on); });
            choices[index] = action;
        }
        // Images are passed over only where their copies' names stay the same from run to run.
        QAction *skipExisting = choices[int(Choice::skipExisting)];
        skipExisting->setEnabled(delegate.chooses(Choice::keepFolders));
        connect(delegate.batch.get(), &Batch::choiceChanged, menu_.get(),
                [choices, skipExisting](Choice choice, bool on) {
                    choices[int(choice)]->setChecked(on);
                    if (choice == Choice::keepFolders)
                        skipExisting->setEnabled(on);
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
