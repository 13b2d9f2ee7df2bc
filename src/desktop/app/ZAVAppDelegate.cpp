#include "desktop/app/ZAVAppDelegate.h"

#include <QApplication>
#include <QWidget>

#include "core/app/Preferences.h"
#include "core/platform/MainQueue.h"
#include "core/platform/OperationQueue.h"
#include "core/platform/Platform.h"
#include "core/resize/ImageEngine.h"
#include "desktop/about/daskel/ZAVCore.h"
#include "desktop/app/ZAVWelcomeWindowController.h"
#include "desktop/sizing/ZAVSizePickerWindowController.h"

namespace {

const QString firstLaunchKey = QStringLiteral("SXFirstLaunch");
const QString removeLocationKey = QStringLiteral("SXRemoveLocation");

} // namespace

ZAVAppDelegate::ZAVAppDelegate(Platform &platform, QObject *parent)
    : QObject(parent)
    , platform(platform)
    , core(std::make_unique<ZAVCore>()) {
    lastSizeWrites_.setMaxThreadCount(1);
}

ZAVAppDelegate::~ZAVAppDelegate() {
    if (queue) {
        queue->setEmptiedHandler({});
        queue->cancelAllOperations();
    }
    waitForHandOffs();
    if (queue)
        queue->waitUntilAllOperationsAreFinished();
}

void ZAVAppDelegate::setRemovesLocation(bool remove) {
    if (removesLocation_ == remove)
        return;
    removesLocation_ = remove;
    defaults().setValue(removeLocationKey, remove);
    defaults().save();
    Q_EMIT removesLocationChanged(remove);
}

Preferences &ZAVAppDelegate::defaults() {
    if (!defaults_)
        defaults_ = std::make_unique<Preferences>(platform.preferencesFile());
    return *defaults_;
}

void ZAVAppDelegate::applicationDidFinishLaunching() {
    // A file that is left alone was put there earlier: not a first launch.
    if (!defaults().isLeftAlone() && !defaults().contains(firstLaunchKey)) {
        defaults().setValue(firstLaunchKey, true);
        defaults().save();
    }
    allowedFormats = {QStringLiteral("png"),  QStringLiteral("tiff"), QStringLiteral("tif"),
                      QStringLiteral("jpeg"), QStringLiteral("jpg"),  QStringLiteral("gif"),
                      QStringLiteral("heic"), QStringLiteral("heif"), QStringLiteral("avif"),
                      QStringLiteral("webp"), QStringLiteral("jxl")};
    folderFormat = QStringLiteral("yyyy-MM-dd");
    queue = std::make_unique<OperationQueue>(ImageEngine::imagesAtOnce);
    queue->setEmptiedHandler(
        [this] { platform.mainQueue().post([this] { Q_EMIT activityEnded(); }); });
    removesLocation_ =
        locationChoiceForRun.value_or(defaults().value(removeLocationKey, false).toBool());
    if (isFirstLaunch())
        welcome();
    targetFolder();
    defaults().setValue(firstLaunchKey, false);
    defaults().save();
}

bool ZAVAppDelegate::isFirstLaunch() {
    return defaults().value(firstLaunchKey, false).toBool();
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
    connect(welcomeWindowController.get(), &ZAVWelcomeWindowController::pathsDropped, this,
            &ZAVAppDelegate::applicationOpenFiles);
    connect(welcomeWindowController.get(), &ZAVWelcomeWindowController::removeLocationToggled, this,
            &ZAVAppDelegate::setRemovesLocation);
    connect(this, &ZAVAppDelegate::removesLocationChanged, welcomeWindowController.get(),
            &ZAVWelcomeWindowController::showRemovesLocation);
    welcomeWindowController->showRemovesLocation(removesLocation_);
    QWidget *window = welcomeWindowController->window();
    window->show();
    window->raise();
    window->activateWindow();
}

void ZAVAppDelegate::hideWelcome() {
    if (welcomeWindowController)
        welcomeWindowController->close();
}

bool ZAVAppDelegate::isIdle() {
    return !isBusy() && sizeHandOffs_ == 0 && endActionsWaiting_ == 0 &&
           (!queue || queue->operationCount() == 0);
}
