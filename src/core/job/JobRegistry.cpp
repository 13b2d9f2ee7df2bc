#include "core/job/JobRegistry.h"

#include <algorithm>

namespace {

bool anyBusy(const QHash<QString, std::shared_ptr<Job>> &jobs) {
    return std::any_of(jobs.cbegin(), jobs.cend(),
                       [](const std::shared_ptr<Job> &job) { return isBusy(job->state()); });
}

} // namespace

std::shared_ptr<Job> JobRegistry::registerJob(const QString &key, const QStringList &sources,
                                              const QList<Skip> &unread) {
    std::lock_guard lock(mutex_);
    if (anyBusy(jobs_))
        return nullptr;
    auto job = std::make_shared<Job>(key, sources, unread);
    jobs_.insert(key, job);
    return job;
}

bool JobRegistry::isBusy() const {
    std::lock_guard lock(mutex_);
    return anyBusy(jobs_);
}

std::shared_ptr<Job> JobRegistry::find(const QString &key) const {
    std::lock_guard lock(mutex_);
    return jobs_.value(key);
}

std::shared_ptr<Job> JobRegistry::awaitingSize() const {
    std::lock_guard lock(mutex_);
    for (const std::shared_ptr<Job> &job : jobs_) {
        const JobState state = job->state();
        if ((state == JobState::collected || state == JobState::sizing) && !job->size())
            return job;
    }
    return nullptr;
}

qint64 JobRegistry::queuedImages() const {
    std::lock_guard lock(mutex_);
    qint64 total = 0;
    for (const std::shared_ptr<Job> &job : jobs_) {
        const JobState state = job->state();
        if (state == JobState::queued || state == JobState::ending)
            total += job->sources.size();
    }
    return total;
}

void JobRegistry::remove(const QString &key) {
    std::lock_guard lock(mutex_);
    jobs_.remove(key);
}

bool JobRegistry::isEmpty() const {
    std::lock_guard lock(mutex_);
    return jobs_.isEmpty();
}
