#pragma once

#include <QObject>

#include <mutex>

#include "core/platform/StandardPlatform.h"
#include "desktop/platform/DesktopDockTile.h"
#include "desktop/platform/JobEndNotice.h"

class QScreen;

// Whether the session names a display that windows could be shown on.
bool sessionHasDisplay();

// Asks the file manager over D-Bus to show the folder, or hands its URL to the desktop; `done`
// runs once either has answered. Needs a QGuiApplication.
void showFolder(const QString &path, std::function<void()> done);

// The desktop session's platform: Qt windows and screens, the session bus and the system tray.
class DesktopPlatform : public StandardPlatform {
public:
    // Made on the main thread, after the application.
    DesktopPlatform();

    bool hasWindows() const override { return true; }
    // Qt's screens may only be asked on the main thread; this answers from a copy taken there,
    // at start and whenever a screen comes, goes or changes.
    Displays displays() const override;
    DesktopDockTile &dockTile() override { return dockTile_; }
    void runAlert(const QString &message, const QString &informative,
                  const QString &button) override;
    void openFolder(const QString &path, std::function<void()> done) override {
        showFolder(path, std::move(done));
    }
    // A desktop notification whose action lists the skipped images.
    void showJobEnded(const JobEnd &end, std::function<void()> done) override {
        jobEndNotice_.show(end, std::move(done));
    }
    JobEndNotice &jobEndNotice() { return jobEndNotice_; }

private:
    void takeDisplays();
    void followScreen(QScreen *screen);

    DesktopDockTile dockTile_;
    JobEndNotice jobEndNotice_;
    QObject screenWatch_; // connections to the screens' signals, which go with it
    mutable std::mutex displaysMutex_;
    Displays displays_;
};
