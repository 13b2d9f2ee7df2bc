#pragma once

#include <QHash>
#include <QObject>
#include <QSettings>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>

#include "sizing/Size.h"

class OperationQueue;
class Platform;
class ZAVWelcomeWindowController;

// Holds all of the application's state; nearly all of its behaviour is written as methods of this
// class, each defined in the folder of its subsystem.
class ZAVAppDelegate : public QObject {
    Q_OBJECT

public:
    explicit ZAVAppDelegate(Platform &platform, QObject *parent = nullptr);
    ~ZAVAppDelegate() override;

    // Application shell
    void applicationDidFinishLaunching();
    bool applicationShouldHandleReopen();
    void welcome();
    void hideWelcome();

    // Output folders
    QString targetFolder();
    // Makes the dated folder of a job started now; its path is the job key.
    QString makeJobFolder();

    // Sizing
    bool isRetina();
    // The canvas size for an image whose nominal size is `imageSize`.
    Size calculateSize(const Size &size, const Size &imageSize);

    // Feedback
    // Sets the badge to the number of images of every registered job. Off the main thread the
    // total is taken at once and shown through the main queue, ahead of later countdowns.
    void prepareBadge();
    // Counts the badge down by one image, or asks for attention when no badge is shown. Main
    // thread only.
    void updateBadge();
    // Reports a request that cannot be carried out, from any thread: returns at once; the badge
    // update and the modal alert follow on the main queue.
    void failedWithMessage(const QString &message);

    // True while no job is registered and no operation waits or runs.
    bool isIdle();

    Platform &platform;

    std::unique_ptr<OperationQueue> queue;
    // The job registry: job key → source paths, and job key → size string. Both maps are
    // reached from the main thread and from the thread that starts a job, so every access holds
    // registryMutex.
    QHash<QString, QStringList> globalTasks;
    QHash<QString, QString> globalSizes;
    std::mutex registryMutex;
    QStringList allowedFormats;
    QString folderFormat;
    std::unique_ptr<ZAVWelcomeWindowController> welcomeWindowController;

    // The first-launch flag: true only during the launch sequence of a first launch.
    bool isFirstLaunch();

private:
    QSettings &defaults();

    std::unique_ptr<QSettings> defaults_;
};
