#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>

#include "core/job/Job.h"

// The jobs from their registration to their end, by key (their folder). Reached from the main
// thread, the size hand-offs and the workers, so every access holds one lock.
class JobRegistry {
public:
    // Registers a job of `sources` unless another job is busy; a refused request changes nothing
    // and gets none.
    std::shared_ptr<Job> registerJob(const QString &key, const QStringList &sources,
                                     const QList<Skip> &unread = {});
    // Whether a job is registered and has not ended.
    bool isBusy() const;
    // The job registered under `key`; none when there is none.
    std::shared_ptr<Job> find(const QString &key) const;
    // The job whose size is still to be chosen; none when there is none.
    std::shared_ptr<Job> awaitingSize() const;
    // The images of the jobs whose images are queued or ending: the badge's total.
    qint64 queuedImages() const;
    void remove(const QString &key);
    bool isEmpty() const;

private:
    mutable std::mutex mutex_;
    QHash<QString, std::shared_ptr<Job>> jobs_;
};
