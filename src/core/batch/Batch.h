#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "core/app/Preferences.h"
#include "core/intake/ImageCollection.h"
#include "core/job/JobRegistry.h"
#include "core/job/NameTurns.h"
#include "core/job/Shard.h"
#include "core/resize/CopyFormat.h"
#include "core/resize/ScaledCopy.h"
#include "core/sizing/Size.h"

class OperationQueue;
class Platform;
class SourceImage;

// The user's choices for the copies, each kept in the preferences unless a run sets its own.
enum class Choice {
    removeLocation, // copies leave out where their photos were taken
    keepFolders,    // a folder's copies go into a folder of its name, its subfolders repeated
    skipExisting,   // with keepFolders: an image whose copy stands at its name is passed over
    noEnlarge,      // an image smaller than the size is cropped to its shape, never scaled up
};
constexpr int choiceCount = 4;
// How the desktop names a choice: "Keep Folder Structure".
QString choiceTitle(Choice choice);

// The format kept in the preferences file at `path`; what cannot be read is the default.
CopyFormat storedCopyFormat(const QString &path);

// What a run sets for its batch before it starts.
struct BatchOptions {
    // When set, every job goes into this folder instead of the day's (the command line's
    // --output).
    QString fixedJobFolder;
    // This run's own choices, neither read from nor kept in the preferences (the command line's
    // --strip-location, --keep-folders, --skip-existing, --no-enlarge and their opposites).
    std::map<Choice, bool> choicesForRun;
    // This run's own format, over the stored one (--format, --quality, --lossless).
    CopyFormatOverride formatForRun;
    // When set, only the images of this shard are taken (the command line's --shard).
    std::optional<Shard> shard;
    // Each source's outcome as soon as it is known, from any thread: its output and size, or why
    // it has none (the command line's --json).
    std::function<void(const QString &source, const ScaledCopy &copy)> fileFinished;
};

// The batch: from a request's paths to the end of its job. It owns the one job, the queue of
// image operations and the countdown, for the desktop and the command line alike.
//
// The main thread only hands requests in and hears back. Everything that touches a disk runs on
// workers: a request's folders are walked, its output folder made and the presets read on the
// one request worker, which also writes a chosen size and queues the job's images in the order
// they were chosen; each image is then one operation on the image workers, from opening its
// file to placing its copy. What the user sees (the badge, the alerts, the end of a job) comes
// back through the platform's main queue.
class Batch : public QObject {
    Q_OBJECT

public:
    explicit Batch(Platform &platform, BatchOptions options = {});
    // Stops the batch: images not started are dropped, running ones give up and remove their
    // temporary files, and every request and operation has ended before a member goes. Files
    // already placed stay.
    ~Batch() override;

    // The extensions Sardoxa takes, in lower case.
    static const QStringList allowedFormats;
    // The pattern of the day folders' names.
    static const QString folderFormat;

    // The launch: marks a first launch, reads the stored choices, then makes the output folder
    // and removes what killed runs left, on the request worker. Whether this is a first launch.
    bool launch();
    bool isFirstLaunch() const { return firstLaunch_; }

    // Intake, main thread. Takes `paths` in as one job unless a job is busy: they are collected
    // on the request worker, with folders searched at any depth, the job is registered and
    // `askForSize` asked for its size. `skipped` are sources known to be skipped already, named
    // and counted with the job's.
    void takeIn(const QStringList &paths, const QList<Skip> &skipped = {});
    // Tells the user that a request cannot start while a job is busy.
    void refuseRequest();
    // Asked on the main thread once a job awaits its size, with the presets to offer; false when
    // no size can be asked for now, which refuses the request.
    std::function<bool(const QString &key, const std::optional<QStringList> &presets)> askForSize;
    // The size picker of the job `key` was closed without a size: the job is dropped.
    void abandonJob(const QString &key);
    // The size of the job `key` is chosen, on the main thread: it is remembered as the last size
    // and, with `asPreset`, as the newest preset, and the job starts, all on the request worker.
    void chooseSize(const Size &size, const QString &key, bool asPreset);

    // The steps, public for the delegate's names and for tests; the disk steps belong on a
    // worker.
    bool isValidImage(const QString &path) const;
    CollectedImages collectImages(const QStringList &paths) const;
    QString targetFolder() const;
    // Makes the dated folder of a job started now; its path is the job key.
    QString makeJobFolder() const;
    void removeLeftoverFiles() const;
    QString presetPath() const;
    // The presets that are sizes, newest first; nothing when there are none or the file cannot
    // be used.
    std::optional<QStringList> presets() const;
    // Remembers `size` as the last size and, when new, as the newest preset, then starts the job.
    void addPreset(const Size &size, const QString &key);
    // Records `size` for the job `key` and starts it; the presets stay as they are.
    void startWithSize(const Size &size, const QString &key);
    // Runs the registered job `key` once its size is chosen: one operation per source, at most
    // four at once; after the last image the job ends.
    void resize(const QString &key);
    // The canvas for `image` at `size`, with the drawing scale it was computed for; without
    // `enlarge`, one that never scales the image up.
    Canvas calculateSize(const Size &size, const SourceImage &image, bool enlarge = true) const;
    bool isRetina() const;
    // Scales one image and writes it as `format` into the folder of `targetPath` (and its
    // `subfolder` there) under the first free name, once the earlier sources of its name have
    // placed theirs when it has a `turn`.
    ScaledCopy resizeImageWithRawImage(const SourceImage &image, const Canvas &canvas,
                                       const QString &targetPath, const NameTurn *turn = nullptr,
                                       const QString &subfolder = {},
                                       const CopyFormat &format = {});
    // Logs a source that produced no output, with the reason; from any thread.
    void reportSkipped(const QString &path, const QString &reason);
    QStringList skippedSources() const;

    // Feedback. The badge shows the images of the job on its way; from any thread.
    void prepareBadge();
    // Counts the badge down by one image, or asks for attention when no badge is shown. Main
    // thread only.
    void updateBadge();
    // Reports a request that cannot be carried out, from any thread: the badge update and the
    // modal alert follow on the main queue.
    void failedWithMessage(const QString &message);

    // Whether `choice` is on; read by the workers for each copy.
    bool chooses(Choice choice) const { return choices_[int(choice)]; }
    // The user's choice, kept in the preferences unless this run has its own.
    void setChoice(Choice choice, bool on);
    bool removesLocation() const { return chooses(Choice::removeLocation); }
    // How copies are written: the stored format unless this run has its own. A job keeps the
    // format it started with.
    CopyFormat copyFormat() const;
    // The user's format, kept in the preferences unless this run has its own.
    void setCopyFormat(const CopyFormat &format);

    // Whether a request is being collected or a job has not ended: a request is refused.
    bool isBusy() const;
    // True while nothing is busy, no request or operation waits or runs, no output folder is
    // being opened and no end of a batch can still show its skipped images.
    bool isIdle() const;
    // Returns once every request handed to the request worker has been carried out.
    void waitForRequests();

    OperationQueue &queue() { return *queue_; }
    // The one job, from its registration to its end.
    JobRegistry globalTasks;

Q_SIGNALS:
    // A job has ended: its last image is done, its output folder was opened when anything was
    // written, and the user was told. Emitted from the main queue.
    void jobEnded(const JobEnd &end);
    // Something that kept the batch busy has ended; emitted on the main thread.
    void activityEnded();
    // A request held no image to resize; the user was told.
    void nothingToResize();
    void choiceChanged(Choice choice, bool on);
    void copyFormatChanged(const CopyFormat &format);

private:
    // On the main thread, once a request's images are collected into the job folder `key`; no
    // key when the request held no image.
    void registerJob(const QString &key, const CollectedImages &found,
                     const std::optional<QStringList> &presets);
    // With the images already done passed over: true when `image` needs no copy, as its copy
    // stands at the name of its `turn` in `place` (counted as done) or something else does
    // (skipped, as it is never replaced).
    bool passOverDone(const SourceImage &image, const Canvas &canvas, FileType type, Job &job,
                      const QString &place, const NameTurns::Turn &turn);
    void finishImage(const std::shared_ptr<Job> &job);
    // The end-of-job actions, on the main queue.
    void endJob(const std::shared_ptr<Job> &job);
    // Runs `block` on the main queue, unless the batch has gone by then; from any thread.
    void onMainThread(std::function<void()> block);
    // Runs `request` on the request worker; activityEnded follows on the main thread.
    void onRequestWorker(std::function<void()> request);

    Platform &platform_;
    const BatchOptions options_;
    Preferences defaults_;
    std::atomic<bool> firstLaunch_ = false; // only while launch() runs
    std::array<std::atomic<bool>, choiceCount> choices_{};
    mutable std::mutex formatMutex_;
    CopyFormat format_;                        // under formatMutex_
    std::unique_ptr<OperationQueue> requests_; // one worker: requests run in the order given
    std::unique_ptr<OperationQueue> queue_;
    bool collecting_ = false;   // main thread only
    int endActionsWaiting_ = 0; // folders opening, ends told; main thread only
    mutable std::mutex skippedMutex_;
    QStringList skipped_;
};
