// How long the desktop application's main thread is ever kept from its events while a large drop
// is taken in and run by one preset click: a timer on the main thread notes the longest gap
// between its ticks, from the drop to the end of the batch. Run it in a throwaway home on
// Qt's offscreen platform:
//   HOME=$(mktemp -d) QT_QPA_PLATFORM=offscreen sardoxa-bench-stall FOLDER
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

#include "core/resize/ImageEngine.h"
#include "core/sizing/PresetFile.h"
#include "desktop/app/ZAVAppDelegate.h"
#include "desktop/platform/DesktopPlatform.h"
#include "desktop/sizing/ZAVButton.h"
#include "desktop/sizing/ZAVSizePickerView.h"
#include "desktop/sizing/ZAVSizePickerWindowController.h"

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    ImageEngine::initialize(argv[0]);
    DesktopPlatform platform;
    QString error;
    if (!writePresetFile(presetFilePath(platform.cachesDirectory()), {"{64, 48}"}, &error)) {
        std::fprintf(stderr, "cannot write the presets: %s\n", qPrintable(error));
        return 1;
    }
    ZAVAppDelegate delegate(platform);
    delegate.applicationDidFinishLaunching();

    QElapsedTimer clock;
    qint64 lastTick = 0, longestStall = 0, pickerShown = -1, clicked = -1, pickerHidden = -1;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestStall = std::max(longestStall, now - lastTick);
        lastTick = now;
        const bool visible =
            delegate.sizeWindowController && delegate.sizeWindowController->isVisible();
        if (pickerShown < 0 && visible) {
            pickerShown = now;
            const auto buttons = delegate.sizeWindowController->view()->findChildren<ZAVButton *>();
            if (!buttons.isEmpty()) {
                clicked = clock.elapsed();
                buttons.first()->click();
            }
        } else if (pickerShown >= 0 && pickerHidden < 0 && !visible) {
            pickerHidden = now;
        }
    });
    qint64 written = 0, total = 0;
    QObject::connect(delegate.batch.get(), &Batch::jobEnded, [&](const JobEnd &end) {
        written = end.written;
        total = end.total;
        QCoreApplication::quit();
    });
    clock.start();
    ticks.start(2);
    delegate.applicationOpenFiles({QString::fromLocal8Bit(argv[1])});
    QCoreApplication::exec();
    std::printf("images %lld written %lld\npicker shown after %lld ms\npicker hidden %lld ms after "
                "the click\nbatch ended after %lld ms\nlongest main-thread stall %lld ms\n",
                total, written, pickerShown, pickerHidden - clicked, clock.elapsed(), longestStall);
    return 0;
}
