#include "app/ZAVAppDelegate.h"

#include "DrawRect.h"
#include "ImageEngine.h"
#include "OutputFile.h"
#include "SourceImage.h"
#include "app/Localized.h"
#include "app/Log.h"
#include "intake/FilePaths.h"
#include "intake/FolderNames.h"
#include "platform/MainQueue.h"
#include "platform/OperationQueue.h"
#include "platform/Platform.h"
#include "sizing/SizeString.h"

// What the operations of one job share: how many of them have not finished yet. The count is
// fixed before the first operation is queued, so the operation that takes it to zero is the
// job's last, however the images' timings fall.
struct ZAVAppDelegate::JobProgress {
    explicit JobProgress(const QString &folder, qint64 images)
        : folder(folder)
        , remaining(images)
    {
    }

    const QString folder;
    std::mutex mutex;
    qint64 remaining;
};

void ZAVAppDelegate::resize(const QString &key)
{
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
        queue->addOperation([this, image, canvas, targetPath] {
            resizeImageWithRawImage(image, canvas, targetPath);
        }, [this, job] { finishImage(job); });
    }
}

void ZAVAppDelegate::resizeImageWithRawImage(const SourceImage &image, const Canvas &canvas,
                                             const QString &targetPath)
{
    if (!image.isValid()) {
        reportSkipped(image.path(), image.problem());
        return;
    }
    QString problem;
    const std::optional<PixelPlan> plan =
        pixelPlan(canvas, drawRect(image.size(), canvas.size), &problem);
    if (!plan) {
        reportSkipped(image.path(), problem);
        return;
    }
    const std::stop_token stop = queue->stopToken();
    const ImageEngine::Result scaled = ImageEngine::render(image, *plan, stop);
    if (!scaled.canvas) {
        if (!stop.stop_requested())
            reportSkipped(image.path(), scaled.problem);
        return;
    }

    const QString folder = folderOf(targetPath);
    OutputFile output(folder);
    if (!output.isOpen()) {
        reportSkipped(image.path(), QStringLiteral("cannot write into %1: %2").arg(folder, output.error()));
        return;
    }
    const ImageEngine::Written written =
        ImageEngine::writeTiff(scaled.canvas->image(), output.descriptor(), canvas.scale, stop);
    switch (written.failure) {
    case ImageEngine::Written::Failure::None:
        break;
    case ImageEngine::Written::Failure::Stopped:
        return; // quitting: the temporary file goes with `output`
    case ImageEngine::Written::Failure::Decoding:
        reportSkipped(image.path(), QStringLiteral("not a decodable image (libvips: %1)").arg(written.cause));
        return;
    case ImageEngine::Written::Failure::Writing:
        reportSkipped(image.path(), QStringLiteral("cannot write into %1: %2").arg(folder, written.cause));
        return;
    }
    if (!output.place(fileNameOf(targetPath)))
        reportSkipped(image.path(), QStringLiteral("cannot write into %1: %2").arg(folder, output.error()));
}

void ZAVAppDelegate::finishImage(const std::shared_ptr<JobProgress> &job)
{
    // Counting and posting under one lock keeps the last image's countdown behind every other
    // one on the main queue, so the badge ends cleared with one attention request.
    std::lock_guard lock(job->mutex);
    if (--job->remaining == 0) {
        platform.mainQueue().post([this, folder = job->folder] {
            platform.openFolder(folder);
            prepareBadge();
            Q_EMIT jobEnded(folder);
        });
    }
    platform.mainQueue().post([this] { updateBadge(); });
}

void ZAVAppDelegate::reportSkipped(const QString &path, const QString &reason)
{
    logLine(QStringLiteral("skipped %1: %2").arg(path, reason));
    std::lock_guard lock(skippedMutex_);
    skipped_.append(path);
}

QStringList ZAVAppDelegate::skippedSources()
{
    std::lock_guard lock(skippedMutex_);
    return skipped_;
}
