#include "desktop/app/ZAVAppDelegate.h"

#include "core/app/Localized.h"
#include "core/app/Log.h"
#include "core/intake/FilePaths.h"
#include "core/intake/FolderNames.h"
#include "core/platform/MainQueue.h"
#include "core/platform/OperationQueue.h"
#include "core/platform/Platform.h"
#include "core/resize/ScaledCopy.h"
#include "core/resize/SourceImage.h"
#include "core/sizing/SizeString.h"

// What the operations of one job share: how many of them have not finished yet. The count is
// fixed before the first operation is queued, so the operation that takes it to zero is the
// job's last, however the images' timings fall.
struct ZAVAppDelegate::JobProgress {
    explicit JobProgress(const QString &folder, qint64 images)
        : folder(folder)
        , remaining(images) {}

    const QString folder;
    std::mutex mutex;
    qint64 remaining;
};

void ZAVAppDelegate::resize(const QString &key) {
    QString sizeString;
    QStringList paths;
    {
        std::unique_lock lock(registryMutex);
        const auto size = globalSizes.constFind(key);
        const auto tasks = globalTasks.constFind(key);
        if (size == globalSizes.cend()) {
            lock.unlock();
            failedWithMessage(localized("Cannot find a valid target size, please try again."));
            return;
        }
        if (tasks == globalTasks.cend()) {
            lock.unlock();
            failedWithMessage(localized("Cannot find images to resize, please try again."));
            return;
        }
        sizeString = *size;
        paths = *tasks;
    }
    prepareBadge();

    // The job leaves the registry before its first operation is queued: an operation that
    // finishes at once then finds only other jobs when the badge is recomputed at the end.
    {
        std::lock_guard lock(registryMutex);
        globalTasks.remove(key);
        globalSizes.remove(key);
    }
    QStringList existing;
    for (const QString &path : std::as_const(paths)) {
        if (pathExists(path))
            existing.append(path);
        else
            reportSkipped(path, QStringLiteral("it no longer exists"));
    }
    if (existing.isEmpty()) {
        prepareBadge();
        platform.mainQueue().post([this, key] { Q_EMIT jobEnded(key); });
        return;
    }

    const Size size = sizeFromString(sizeString);
    const auto job = std::make_shared<JobProgress>(key, existing.size());
    for (const QString &path : std::as_const(existing)) {
        if (queue->stopToken().stop_requested())
            return; // quitting: what is not queued yet never will be
        const SourceImage image = SourceImage::open(path);
        const QString targetPath = joinPath(key, fileNameOf(path));
        const Canvas canvas = calculateSize(size, image);
        queue->addOperation([this, image, canvas,
                             targetPath] { resizeImageWithRawImage(image, canvas, targetPath); },
                            [this, job] { finishImage(job); });
    }
}

void ZAVAppDelegate::resizeImageWithRawImage(const SourceImage &image, const Canvas &canvas,
                                             const QString &targetPath) {
    const ScaledCopy copy = writeScaledCopy(image, canvas, targetPath, queue->stopToken());
    if (!copy.written && !copy.problem.isEmpty())
        reportSkipped(image.path(), copy.problem);
    else if (copy.written && fileFinished)
        fileFinished(image.path(), copy);
}

void ZAVAppDelegate::finishImage(const std::shared_ptr<JobProgress> &job) {
    // Counting and posting under one lock keeps the last image's countdown behind every other
    // one on the main queue, so the badge ends cleared with one attention request.
    std::lock_guard lock(job->mutex);
    if (--job->remaining == 0) {
        platform.mainQueue().post([this, folder = job->folder] {
            ++foldersOpening_;
            platform.openFolder(folder, [this] {
                --foldersOpening_;
                Q_EMIT activityEnded();
            });
            prepareBadge();
            Q_EMIT jobEnded(folder);
        });
    }
    platform.mainQueue().post([this] { updateBadge(); });
}

void ZAVAppDelegate::reportSkipped(const QString &path, const QString &reason) {
    logLine(QStringLiteral("skipped %1: %2").arg(path, reason));
    if (fileFinished)
        fileFinished(path, ScaledCopy{std::nullopt, reason});
    std::lock_guard lock(skippedMutex_);
    skipped_.append(path);
}

QStringList ZAVAppDelegate::skippedSources() {
    std::lock_guard lock(skippedMutex_);
    return skipped_;
}
