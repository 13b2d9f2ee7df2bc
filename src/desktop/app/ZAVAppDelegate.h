#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "core/intake/ImageCollection.h"
#include "core/job/JobRegistry.h"
#include "core/resize/ScaledCopy.h"
#include "core/sizing/Size.h"

class NameTurn;
class OperationQueue;
class Platform;
class Preferences;
class SourceImage;
class ZAVButton;
class ZAVCore;
class ZAVWindowController;
class ZAVSizePickerWindowController;
class ZAVWelcomeWindowController;

// Holds all of the application's state; nearly all of its behaviour is written as methods of this
// class, each defined in the folder of its subsystem.
class ZAVAppDelegate : public QObject {
    Q_OBJECT

public:
    explicit ZAVAppDelegate(Platform &platform, QObject *parent = nullptr);
    // Quitting stops the batch before anything goes: images not started are dropped, running
    // ones give up and remove their temporary files, and every hand-off and operation has ended
    // before a member is destroyed. Files already placed stay.
    ~ZAVAppDelegate() override;

    // Application shell
    void applicationDidFinishLaunching();
    bool applicationShouldHandleReopen();
    void welcome();
    void hideWelcome();

    // Intake
    // Takes dropped or opened paths in as one job: its images are collected, with folders
    // searched at any depth, and the size picker asks for its size.
    void applicationOpenFiles(const QStringList &paths);
    // The same, with sources already known to be skipped, such as the command line's entries of
    // a list that cannot be paths: they are named and counted with the job's.
    void openFiles(const QStringList &paths, const QList<Skip> &skipped);
    // Lets the user pick images in a file dialog and takes them in as one job.
    void openImages();
    // Whether a path may be part of a job: not a folder, and an allowed extension.
    bool isValidImage(const QString &path);
    // The images among `paths`, with dropped folders searched at any depth, in the order found,
    // and every path that could not be read, with its reason.
    CollectedImages collectImages(const QStringList &paths);

    // Output folders
    QString targetFolder();
    // Makes the dated folder of a job started now; its path is the job key.
    QString makeJobFolder();
    // Removes what killed runs left in the day folders and the fixed job folder: unfinished,
    // hidden temporary files.
    void removeLeftoverFiles();

    // Sizing
    // The presets file, in the application's caches folder.
    QString presetPath();
    // The presets that are sizes, newest first; nothing when there are none or the file cannot
    // be used.
    std::optional<QStringList> presets();
    // Remembers `size` as the last size and, when new, as the newest preset; records it for the
    // job `key` and starts the job.
    void addPreset(const Size &size, const QString &key);
    // Records `size` for the job `key` and starts the job; the presets stay as they are.
    void startWithSize(const Size &size, const QString &key);
    // Opens a new size picker for the job `key`; false, and nothing else, while one is shown.
    bool shouldChooseSize(const QString &key);
    // The size picker of the job `key` was closed without a size: the job is dropped.
    void abandonJob(const QString &key);
    // A preset button for the job `key`, not yet placed.
    ZAVButton *presetButtonWithKey(const QString &key, const Size &size);
    // Chooses the clicked preset's size for its job, then hides the size picker.
    void buttonPressed(ZAVButton *sender);
    // Hands a typed size to addPreset on a background worker; the application stays meanwhile.
    void handOffPreset(const Size &size, const QString &key);
    // Returns once every size handed off has reached its job and been remembered as the last.
    void waitForHandOffs() {
        handOffs_.waitForDone();
        lastSizeWrites_.waitForDone();
    }
    bool isRetina();
    // The canvas for `image` at the requested size, with the drawing scale it was computed for.
    Canvas calculateSize(const Size &size, const SourceImage &image);

    // Resizing
    // Runs the registered job `key` once its size is chosen: one operation per source that still
    // exists, at most four at once; after the last image the job ends (see jobEnded).
    void resize(const QString &key);
    // Scales one image and writes it into the folder of `targetPath` under the first free name,
    // once the earlier sources of its name have placed theirs when it has a `turn`; a skip is
    // logged.
    ScaledCopy resizeImageWithRawImage(const SourceImage &image, const Canvas &canvas,
                                       const QString &targetPath, const NameTurn *turn = nullptr);
    // Logs a source that produced no output, with the reason; from any thread.
    void reportSkipped(const QString &path, const QString &reason);
    // Each source's outcome as soon as it is known, from any thread: its output and size, or why
    // it has none. Set before a job starts; the command line's --json reports through it.
    std::function<void(const QString &source, const ScaledCopy &copy)> fileFinished;
    // When set, every job goes into this folder instead of the day's (the command line's
    // --output).
    QString fixedJobFolder;
    // Every source skipped so far.
    QStringList skippedSources();
    // Whether copies leave out where their photos were taken: the user's choice, remembered in
    // the preferences; read by the workers for each copy.
    bool removesLocation() const { return removesLocation_; }
    void setRemovesLocation(bool remove);
    // When set, this run's choice, neither read from nor kept in the preferences (the command
    // line's --strip-location or --keep-location).
    std::optional<bool> locationChoiceForRun;

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

    // Whether a job is registered and its end-of-job actions have not run yet: a request is
    // refused meanwhile.
    bool isBusy();
    // About
    // Shows the About window, made once by the maker's framework.
    void about();

    // True while no job is busy, no size is on its way to a job, no operation waits or runs, no
    // output folder is being opened and no end of a batch can still show its skipped images.
    bool isIdle();
    // The first-launch flag: true only during the launch sequence of a first launch.
    bool isFirstLaunch();

    Platform &platform;

    std::unique_ptr<OperationQueue> queue;
    // The job registry: job key → the job, with its sources and, once chosen, its size.
    JobRegistry globalTasks;
    QStringList allowedFormats;
    QString folderFormat;
    std::unique_ptr<ZAVSizePickerWindowController> sizeWindowController;
    std::unique_ptr<ZAVWelcomeWindowController> welcomeWindowController;
    std::unique_ptr<ZAVWindowController> aboutWindowController;
    // The maker's framework; tests put a counting one in its place.
    std::unique_ptr<ZAVCore> core;

Q_SIGNALS:
    // A job has ended: its last image is done, its output folder was opened when anything was
    // written, and the user was told. Emitted from the main queue.
    void jobEnded(const JobEnd &end);
    // Something that kept the application busy has ended: the last operation, a size's hand-off,
    // the opening of a folder, the end of a batch told. Emitted on the main thread; isIdle() may
    // have changed.
    void activityEnded();
    // A request held no image to resize; the user was told.
    void nothingToResize();
    // The user's choice of leaving out the location has changed.
    void removesLocationChanged(bool remove);

private:
    Preferences &defaults();
    void finishImage(const std::shared_ptr<Job> &job);
    // The end-of-job actions, on the main queue.
    void endJob(const std::shared_ptr<Job> &job);

    void layOutPresets(const QString &key);
    // Writes the last size on a worker of its own.
    void rememberLastSize(const QString &entry);
    // Registers the images of a request as a job and asks for its size. The paths that could not
    // be read are the job's first skips; they are named unless the request is refused.
    void takeIn(const QStringList &images, const QList<Skip> &unreadable = {});

    std::unique_ptr<Preferences> defaults_;
    std::atomic<bool> removesLocation_ = false;
    QThreadPool handOffs_;
    QThreadPool lastSizeWrites_; // one thread: the last size written is the last chosen
    std::atomic<int> sizeHandOffs_{0};
    int endActionsWaiting_ = 0; // folders opening, ends told; main thread only
    std::mutex skippedMutex_;
    QStringList skipped_;
};
