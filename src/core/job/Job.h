#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>
#include <optional>

#include "core/job/Skip.h"
#include "core/sizing/Size.h"

// What a job did, told once it has ended.
struct JobEnd {
    QString folder;
    qint64 total = 0; // the job's sources
    qint64 written = 0;
    QList<Skip> skipped;
    qint64 alreadyDone = 0; // passed over: their copies stood at their names already
};

// A job's life: its sources are collected, a size is being chosen, its images are queued, its
// end-of-job actions wait on the main queue, and it has ended.
enum class JobState { collected, sizing, queued, ending, ended };

// One request's images, from their collection to the end of their batch. The sources and folder
// never change; the state, the size and the outcomes change under the job's own lock, from the
// main thread and the workers alike.
class Job {
public:
    // `unread` are the paths of the request that could not be read: they count among the job's
    // sources, skipped from the start, so that its end tells of every path it was handed.
    // `places` are the folders under `folder` that the sources' copies go into when folders are
    // kept, one for each source; a source without one goes at the top.
    Job(const QString &folder, const QStringList &sources, const QList<Skip> &unread = {},
        const QStringList &places = {});
    Job(const Job &) = delete;
    Job &operator=(const Job &) = delete;

    const QString folder;      // where every copy goes; the job's key
    const QStringList sources; // the images to draw
    const QStringList places;  // where their copies go when folders are kept

    JobState state() const;
    // The chosen size; none before one was chosen.
    std::optional<Size> size() const;
    // Records the chosen size; the job's images are to be queued next.
    void setSize(const Size &size);
    // The size picker is shown for this job.
    void askForSize();

    // Moves a sized job that waits for its run on to the run; false for any other: one that has
    // no size, or has run already.
    bool start();
    // `images` operations are about to be queued; none ends the job at once.
    void queue(qint64 images);
    // One source's outcome, from any thread: a copy, or a skip with its reason.
    void written();
    void alreadyDone();
    void skipped(const QString &path, const QString &reason);
    // One queued image has finished. `post` runs under the job's lock with whether it was the
    // last one, so what it posts to the main queue follows every earlier image's posts.
    void finishImage(const std::function<void(bool last)> &post);
    // The end-of-job actions have run: what the job did.
    JobEnd end();

private:
    // Under the lock: moves on to `next` when the job's life allows it, and says so in the log;
    // false, with a warning, when it does not.
    bool moveTo(JobState next);

    const qint64 unread_;
    mutable std::mutex mutex_;
    JobState state_ = JobState::collected;
    std::optional<Size> size_;
    qint64 remaining_ = 0;
    qint64 written_ = 0;
    qint64 alreadyDone_ = 0;
    QList<Skip> skipped_;
};

// Whether a request must be refused: a job is busy from its registration until its end-of-job
// actions have run.
inline bool isBusy(JobState state) {
    return state != JobState::ended;
}

// The end of a batch as the user is told: "2 of 3 images resized" over "1 skipped", "3 images
// resized" when every image was, or that nothing was written; the images already done count
// apart.
struct JobEndText {
    QString summary;
    QString body;
};
JobEndText jobEndText(const JobEnd &end);
