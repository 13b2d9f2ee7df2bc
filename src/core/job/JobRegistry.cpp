#include "core/job/JobRegistry.h"

std::shared_ptr<Job> JobRegistry::registerJob(const QString &key, const QStringList &sources,
                                              const QList<Skip> &unread,
                                              const QStringList &places) {
    std::lock_guard lock(mutex_);
    if (job_ && ::isBusy(job_->state()))
        return nullptr;
    job_ = std::make_shared<Job>(key, sources, unread, places);
    return job_;
}

bool JobRegistry::isBusy() const {
    std::lock_guard lock(mutex_);
    return job_ && ::isBusy(job_->state());
}

std::shared_ptr<Job> JobRegistry::find(const QString &key) const {
    std::lock_guard lock(mutex_);
    return job_ && job_->folder == key ? job_ : nullptr;
}

std::shared_ptr<Job> JobRegistry::awaitingSize() const {
    std::lock_guard lock(mutex_);
    if (!job_ || job_->size())
        return nullptr;
    const JobState state = job_->state();
    return state == JobState::collected || state == JobState::sizing ? job_ : nullptr;
}

qint64 JobRegistry::queuedImages() const {
    std::lock_guard lock(mutex_);
    if (!job_)
        return 0;
    const JobState state = job_->state();
    return state == JobState::queued || state == JobState::ending ? job_->sources.size() : 0;
}

void JobRegistry::remove(const QString &key) {
    std::lock_guard lock(mutex_);
    if (job_ && job_->folder == key)
        job_.reset();
}

bool JobRegistry::isEmpty() const {
    std::lock_guard lock(mutex_);
    return !job_;
}
