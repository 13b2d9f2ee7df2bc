#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>

#include "core/job/Job.h"

// The one job, from its registration to its end, under its key (its folder). A request is refused
// while a job is busy, so there is never more than one. Reached from the main thread and the
// workers, so every access holds one lock.
class JobRegistry {
public:
    // Registers a job of `sources` unless another job is busy; a refused request changes nothing
    // and gets none.
    std::shared_ptr<Job> registerJob(const QString &key, const QStringList &sources,
                                     const QList<Skip> &unread = {},
                                     const QStringList &places = {});
    // Whether a job is registered and has not ended.
    bool isBusy() const;
    // The job registered under `key`; none when there is none.
    std::shared_ptr<Job> find(const QString &key) const;
    // The job whose size is still to be chosen; none when there is none.
    std::shared_ptr<Job> awaitingSize() const;
    // The images of the job when they are queued or ending: the badge's total.
    qint64 queuedImages() const;
    // Lets the job `key` go; another one stays.
    void remove(const QString &key);
    bool isEmpty() const;

private:
    mutable std::mutex mutex_;
    std::shared_ptr<Job> job_;
};
