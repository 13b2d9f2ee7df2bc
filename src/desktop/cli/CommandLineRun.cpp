#include "desktop/cli/CommandLineRun.h"

#include <QCoreApplication>

#include "core/app/Log.h"
#include "core/app/Translations.h"
#include "core/cli/CommandLine.h"
#include "core/platform/HeadlessPlatform.h"
#include "core/platform/MainQueue.h"
#include "core/platform/TerminationSignals.h"
#include "desktop/app/ZAVAppDelegate.h"
#include "desktop/sizing/ZAVSizePickerWindowController.h"

int runCommandLine(int &argc, char **argv, const CommandLine &command) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sardoxa"));
    installTranslations();

    TerminationSignals signals;
    QObject::connect(&signals, &TerminationSignals::terminationRequested, &application,
                     &QCoreApplication::quit);
    HeadlessPlatform platform;
    ZAVAppDelegate delegate(platform);
    delegate.applicationDidFinishLaunching();
    delegate.removeLeftoverFiles();

    // The paths go in as a drop would; without a window the size picker only holds the job
    // key, and the size comes from the command line.
    bool nothingToResize = false;
    QObject::connect(&delegate, &ZAVAppDelegate::nothingToResize, [&] { nothingToResize = true; });
    delegate.applicationOpenFiles(command.paths);
    if (!delegate.sizeWindowController) {
        platform.mainQueue().drain(); // the alert, to stderr
        return nothingToResize ? 1 : 2;
    }
    const QString key = delegate.sizeWindowController->key;
    QStringList images;
    {
        std::lock_guard lock(delegate.registryMutex);
        images = delegate.globalTasks.value(key);
    }
    // The last image's countdown is posted right after the end of its job; quit behind it.
    QObject::connect(&delegate, &ZAVAppDelegate::jobEnded, &application,
                     [&platform] { platform.mainQueue().post([] { QCoreApplication::quit(); }); });
    delegate.addPreset(command.size, key);
    QCoreApplication::exec();
    if (TerminationSignals::received()) {
        logLine(
            QStringLiteral("stopped before the end; the images written so far are in %1").arg(key));
        return 1;
    }

    if (platform.alertCount() > 0)
        return 2;
    const qsizetype skipped = delegate.skippedSources().size();
    logLine(QStringLiteral("wrote %1 of %2 images to %3")
                .arg(images.size() - skipped)
                .arg(images.size())
                .arg(key));
    return skipped > 0 ? 1 : 0;
}
