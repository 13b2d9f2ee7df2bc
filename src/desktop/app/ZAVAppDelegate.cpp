#include "desktop/app/ZAVAppDelegate.h"

#include <QApplication>
#include <QWidget>

#include "core/app/Log.h"
#include "core/platform/MainQueue.h"
#include "core/platform/OperationQueue.h"
#include "core/platform/Platform.h"
#include "core/resize/ImageEngine.h"
#include "desktop/about/daskel/ZAVCore.h"
#include "desktop/app/ZAVWelcomeWindowController.h"
#include "desktop/sizing/ZAVSizePickerWindowController.h"

namespace {

const QString firstLaunchKey = QStringLiteral("SXFirstLaunch");

} // namespace

ZAVAppDelegate::ZAVAppDelegate(Platform &platform, QObject *parent)
    : QObject(parent)
    , platform(platform)
    , core(std::make_unique<ZAVCore>()) {}

ZAVAppDelegate::~ZAVAppDelegate() {
    if (queue) {
        queue->setEmptiedHandler({});
        queue->cancelAllOperations();
    }
    waitForHandOffs();
    if (queue)
        queue->waitUntilAllOperationsAreFinished();
}

QSettings &ZAVAppDelegate::defaults() {
    if (!defaults_)
        defaults_ = std::make_unique<QSettings>(platform.preferencesFile(), QSettings::IniFormat);
    return *defaults_;
}

static void synchronize(QSettings &settings) {
    settings.sync();
    if (settings.status() != QSettings::NoError)
        logLine(QStringLiteral("could not save the preferences to %1").arg(settings.fileName()));
}

void ZAVAppDelegate::applicationDidFinishLaunching() {
    if (!defaults().contains(firstLaunchKey)) {
        defaults().setValue(firstLaunchKey, true);
        synchronize(defaults());
    }
    {
        std::lock_guard lock(registryMutex);
        globalSizes.clear();
        globalTasks.clear();
    }
    allowedFormats = {QStringLiteral("png"),  QStringLiteral("tiff"), QStringLiteral("tif"),
                      QStringLiteral("jpeg"), QStringLiteral("jpg"),  QStringLiteral("gif")};
    folderFormat = QStringLiteral("yyyy-MM-dd");
    queue = std::make_unique<OperationQueue>(ImageEngine::imagesAtOnce);
    queue->setEmptiedHandler(
        [this] { platform.mainQueue().post([this] { Q_EMIT activityEnded(); }); });
    if (isFirstLaunch())
        welcome();
    targetFolder();
    defaults().setValue(firstLaunchKey, false);
    synchronize(defaults());
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
    return sizeHandOffs_ == 0 && foldersOpening_ == 0 && (!queue || queue->operationCount() == 0);
}
