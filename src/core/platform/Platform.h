#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

#include "core/platform/Displays.h"

class DockTile;
class MainQueue;
struct JobEnd;

// What Sardoxa needs of the desktop it runs on. One implementation talks to the real desktop, one
// serves the command line without any display, and a fake stands in for both in tests.
class Platform {
public:
    virtual ~Platform() = default;

    // The serial queue of blocks that run on the main thread.
    virtual MainQueue &mainQueue() = 0;

    // The current time; the output folders are named after it. This and the folders below are
    // asked for from any thread: the batch makes its folders and reads its presets off the main
    // thread.
    virtual QDateTime now() const = 0;

    // The user's Pictures folder, an absolute path.
    virtual QString picturesDirectory() const = 0;
    // The application's own caches folder, an absolute path; it may not exist yet.
    virtual QString cachesDirectory() const = 0;
    // The file that holds the application's preferences.
    virtual QString preferencesFile() const = 0;

    // Whether windows can be shown at all; the command line has none.
    virtual bool hasWindows() const = 0;

    // The displays attached right now. Any thread may ask: a job's sizes are computed on the
    // thread that starts it.
    virtual Displays displays() const = 0;

    // The badge and attention requests; main thread only.
    virtual DockTile &dockTile() = 0;

    // Opens a folder in the file browser; best effort, never blocking. `done` runs on the main
    // thread once the request is answered or given up: until then the application stays.
    virtual void openFolder(const QString &path, std::function<void()> done) = 0;

    // Shows a modal alert with one button and returns once it is dismissed; main thread only.
    virtual void runAlert(const QString &message, const QString &informative,
                          const QString &button) = 0;

    // Tells the user how a batch ended: how many images were written and which were skipped,
    // each with its reason; main thread only. `done` runs on the main thread once nothing more
    // can come of it (such as a choice to list the skips): until then the application stays.
    virtual void showJobEnded(const JobEnd &end, std::function<void()> done) = 0;
};
