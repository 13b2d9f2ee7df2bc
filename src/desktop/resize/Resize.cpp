#include "desktop/app/ZAVAppDelegate.h"

#include "core/app/Localized.h"
#include "core/app/Log.h"
#include "core/files/FilePaths.h"
#include "core/job/NameTurns.h"
#include "core/platform/MainQueue.h"
#include "core/platform/OperationQueue.h"
#include "core/platform/Platform.h"
#include "core/resize/OutputName.h"
#include "core/resize/ScaledCopy.h"
#include "core/resize/SourceImage.h"
#include "core/sizing/SizeString.h"

namespace {

// A guard only: an earlier source of the same name is always drawing already when a later one
// waits for it (see NameTurns).
constexpr std::chrono::minutes nameTurnBound{10};

} // namespace

void ZAVAppDelegate::resize(const QString &key) {
    const std::shared_ptr<Job> job = globalTasks.find(key);
    const std::optional<Size> size = job ? job->size() : std::nullopt;
    if (!size) {
        failedWithMessage(localized("Cannot find a valid target size, please try again."));
        return;
    }
    // A job runs once: a second size for it finds no images waiting.
    if (!job->start()) {
        failedWithMessage(localized("Cannot find images to resize, please try again."));
        return;
    }
    prepareBadge();

    QStringList existing;
    for (const QString &path : job->sources) {
        if (pathExists(path)) {
            existing.append(path);
        } else {
            const QString gone = QStringLiteral("it no longer exists");
            reportSkipped(path, gone);
            job->skipped(path, gone);
        }
    }
    // The count is fixed before the first operation is queued, so the operation that takes it to
    // zero is the job's last, however the images' timings fall.
    job->queue(existing.size());
    if (existing.isEmpty()) {
        platform.mainQueue().post([this, job] { endJob(job); });
        return;
    }
    // Sources whose copies share a name place them in the order of the request.
    const auto turns = std::make_shared<NameTurns>();
    for (const QString &path : std::as_const(existing)) {
        if (queue->stopToken().stop_requested())
            return; // quitting: what is not queued yet never will be
        const SourceImage image = SourceImage::open(path);
        const QString targetPath = joinPath(key, fileNameOf(path));
        const Canvas canvas = calculateSize(*size, image);
        const NameTurns::Turn turn = turns->take(outputFileName(fileNameOf(path), 0));
        queue->addOperation(
            [this, image, canvas, targetPath, job, turns, turn] {
                const NameTurn mine(turns, turn);
                const ScaledCopy copy = resizeImageWithRawImage(image, canvas, targetPath, &mine);
                if (copy.written)
                    job->written();
                else if (!copy.problem.isEmpty())
                    job->skipped(image.path(), copy.problem);
            },
            [this, job] { finishImage(job); });
    }
}

ScaledCopy ZAVAppDelegate::resizeImageWithRawImage(const SourceImage &image, const Canvas &canvas,
                                                   const QString &targetPath,
                                                   const NameTurn *turn) {
    CopyPlacement placement;
    // The day folder is the application's own; a folder the user named is theirs to keep, and
    // one that went is not brought back behind their back.
    placement.remakeFolder = fixedJobFolder.isEmpty();
    if (turn)
        placement.awaitTurn = [this, turn, path = image.path()] {
            if (!turn->turns().await(turn->turn(), queue->stopToken(), nameTurnBound))
                logLine(QStringLiteral("placing the copy of %1 before an earlier source of its "
                                       "name: that one took too long")
                            .arg(path));
        };
    const ScaledCopy copy =
        writeScaledCopy(image, canvas, targetPath, removesLocation_, queue->stopToken(), placement);
    if (!copy.written && !copy.problem.isEmpty())
        reportSkipped(image.path(), copy.problem);
    else if (copy.written && fileFinished)
        fileFinished(image.path(), copy);
    return copy;
}

void ZAVAppDelegate::finishImage(const std::shared_ptr<Job> &job) {
    // Posting under the job's lock keeps the end behind every other image's countdown on the main
    // queue.
    job->finishImage([this, &job](bool last) {
        if (last)
            platform.mainQueue().post([this, job] { endJob(job); });
        else
            platform.mainQueue().post([this] { updateBadge(); });
    });
}

void ZAVAppDelegate::endJob(const std::shared_ptr<Job> &job) {
    const JobEnd end = job->end();
    globalTasks.remove(job->folder);
    const auto answered = [this] {
        --endActionsWaiting_;
        Q_EMIT activityEnded();
    };
    // A folder holding nothing new is not worth opening.
    if (end.written > 0) {
        ++endActionsWaiting_;
        platform.openFolder(end.folder, answered);
    }
    prepareBadge();
    updateBadge(); // the last image's own countdown: no badge is left, so it asks for attention
    ++endActionsWaiting_;
    platform.showJobEnded(end, answered);
    Q_EMIT jobEnded(end);
    Q_EMIT activityEnded();
}

void ZAVAppDelegate::reportSkipped(const QString &path, const QString &problem) {
    const QString reason = skipReason(problem); // as the job's end lists it
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
