#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

#include "core/batch/Batch.h"

class NameTurn;
class Platform;
class PreferencesDialog;
class SourceImage;
class ZAVButton;
class ZAVCore;
class ZAVWindowController;
class ZAVSizePickerWindowController;
class ZAVWelcomeWindowController;

// The desktop application: its windows and menus, over the batch that does the work. The methods
// of the batch keep their names here as thin forwards, so that the application reads as one.
class ZAVAppDelegate : public QObject {
    Q_OBJECT

public:
    explicit ZAVAppDelegate(Platform &platform, QObject *parent = nullptr);
    // Quitting stops the batch before anything goes (see ~Batch).
    ~ZAVAppDelegate() override;

    // Application shell
    void applicationDidFinishLaunching();
    bool applicationShouldHandleReopen();
    void welcome();
    void hideWelcome();

    // Intake
    // Takes dropped or opened paths in as one job: its images are collected off the main
    // thread, with folders searched at any depth, and the size picker asks for its size.
    void applicationOpenFiles(const QStringList &paths);
    // The same, with sources already known to be skipped: they are named and counted with the
    // job's.
    void openFiles(const QStringList &paths, const QList<Skip> &skipped);
    // Lets the user pick images in a file dialog and takes them in as one job.
    void openImages();
    bool isValidImage(const QString &path) { return batch->isValidImage(path); }
    CollectedImages collectImages(const QStringList &paths) { return batch->collectImages(paths); }

    // Output folders
    QString targetFolder() { return batch->targetFolder(); }
    QString makeJobFolder() { return batch->makeJobFolder(); }
    void removeLeftoverFiles() { batch->removeLeftoverFiles(); }

    // Sizing
    QString presetPath() { return batch->presetPath(); }
    std::optional<QStringList> presets() { return batch->presets(); }
    // Remembers `size` and starts the job `key`, on the calling thread.
    void addPreset(const Size &size, const QString &key) { batch->addPreset(size, key); }
    void startWithSize(const Size &size, const QString &key) { batch->startWithSize(size, key); }
    // Opens a new size picker for the job `key`, offering `list` as its presets; false, and
    // nothing else, while one is shown.
    bool shouldChooseSize(const QString &key, const std::optional<QStringList> &list = {});
    void abandonJob(const QString &key) { batch->abandonJob(key); }
    // A preset button for the job `key`, not yet placed.
    ZAVButton *presetButtonWithKey(const QString &key, const Size &size);
    // Chooses the clicked preset's size for its job, then hides the size picker at once: the
    // presets file is written and the job started on the batch's request worker.
    void buttonPressed(ZAVButton *sender);
    // The same for a typed size.
    void handOffPreset(const Size &size, const QString &key) { batch->chooseSize(size, key, true); }
    // Returns once every request handed to the batch has been carried out.
    void waitForHandOffs() { batch->waitForRequests(); }
    bool isRetina() { return batch->isRetina(); }
    Canvas calculateSize(const Size &size, const SourceImage &image) {
        return batch->calculateSize(size, image);
    }

    // Resizing
    void resize(const QString &key) { batch->resize(key); }
    ScaledCopy resizeImageWithRawImage(const SourceImage &image, const Canvas &canvas,
                                       const QString &targetPath, const NameTurn *turn = nullptr) {
        return batch->resizeImageWithRawImage(image, canvas, targetPath, turn);
    }
    void reportSkipped(const QString &path, const QString &reason) {
        batch->reportSkipped(path, reason);
    }
    QStringList skippedSources() { return batch->skippedSources(); }
    bool chooses(Choice choice) const { return batch->chooses(choice); }
    void setChoice(Choice choice, bool on) { batch->setChoice(choice, on); }

    // Feedback
    void prepareBadge() { batch->prepareBadge(); }
    void updateBadge() { batch->updateBadge(); }
    void failedWithMessage(const QString &message) { batch->failedWithMessage(message); }

    bool isBusy() { return batch->isBusy(); }
    // About
    // Shows the About window, made once by the maker's framework.
    void about();
    // Shows the Preferences window, or raises it when it is open already.
    void preferences();

    bool isIdle() { return batch->isIdle(); }
    // The first-launch flag: true only during the launch sequence of a first launch.
    bool isFirstLaunch() { return batch->isFirstLaunch(); }

    Platform &platform;
    // The batch: the job, the operation queue and the countdown; its signals tell when a job has
    // ended and when the application may have become idle.
    const std::unique_ptr<Batch> batch;
    JobRegistry &globalTasks;
    std::unique_ptr<ZAVSizePickerWindowController> sizeWindowController;
    std::unique_ptr<ZAVWelcomeWindowController> welcomeWindowController;
    std::unique_ptr<ZAVWindowController> aboutWindowController;
    std::unique_ptr<PreferencesDialog> preferencesDialog;
    // The maker's framework; tests put a counting one in its place.
    std::unique_ptr<ZAVCore> core;

private:
    void layOutPresets(const QString &key, const std::optional<QStringList> &list);
};
