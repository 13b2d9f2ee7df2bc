#include "desktop/app/ZAVAppDelegate.h"

#include <QApplication>
#include <QWidget>

#include "core/platform/Platform.h"
#include "desktop/about/daskel/ZAVCore.h"
#include "desktop/app/ZAVWelcomeWindowController.h"
#include "desktop/preferences/PreferencesDialog.h"
#include "desktop/sizing/ZAVSizePickerWindowController.h"

ZAVAppDelegate::ZAVAppDelegate(Platform &platform, QObject *parent)
    : QObject(parent)
    , platform(platform)
    , batch(std::make_unique<Batch>(platform))
    , globalTasks(batch->globalTasks)
    , core(std::make_unique<ZAVCore>()) {
    batch->askForSize = [this](const QString &key, const std::optional<QStringList> &list) {
        return shouldChooseSize(key, list);
    };
}

ZAVAppDelegate::~ZAVAppDelegate() = default;

void ZAVAppDelegate::applicationDidFinishLaunching() {
    if (batch->launch())
        welcome();
}

bool ZAVAppDelegate::applicationShouldHandleReopen() {
    welcome();
    return true;
}

void ZAVAppDelegate::welcome() {
    if (!platform.hasWindows())
        return;
    welcomeWindowController = std::make_unique<ZAVWelcomeWindowController>();
    connect(welcomeWindowController.get(), &ZAVWelcomeWindowController::quitClicked, qApp,
            &QCoreApplication::quit);
    connect(welcomeWindowController.get(), &ZAVWelcomeWindowController::openImagesClicked, this,
            &ZAVAppDelegate::openImages);
    connect(welcomeWindowController.get(), &ZAVWelcomeWindowController::aboutClicked, this,
            &ZAVAppDelegate::about);
    connect(welcomeWindowController.get(), &ZAVWelcomeWindowController::preferencesClicked, this,
            &ZAVAppDelegate::preferences);
    connect(welcomeWindowController.get(), &ZAVWelcomeWindowController::pathsDropped, this,
            &ZAVAppDelegate::applicationOpenFiles);
    connect(welcomeWindowController.get(), &ZAVWelcomeWindowController::choiceToggled, this,
            &ZAVAppDelegate::setChoice);
    connect(batch.get(), &Batch::choiceChanged, welcomeWindowController.get(),
            &ZAVWelcomeWindowController::showChoice);
    welcomeWindowController->showChoice(Choice::removeLocation, chooses(Choice::removeLocation));
    QWidget *window = welcomeWindowController->window();
    window->show();
    window->raise();
    window->activateWindow();
}

void ZAVAppDelegate::hideWelcome() {
    if (welcomeWindowController)
        welcomeWindowController->close();
}

void ZAVAppDelegate::preferences() {
    if (!platform.hasWindows())
        return;
    if (!preferencesDialog)
        preferencesDialog = std::make_unique<PreferencesDialog>(*batch);
    if (!preferencesDialog->isVisible()) {
        preferencesDialog->showStored();
        preferencesDialog->show();
    }
    preferencesDialog->raise();
    preferencesDialog->activateWindow();
}
