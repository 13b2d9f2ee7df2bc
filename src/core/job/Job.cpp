#include "core/job/Job.h"

#include "core/app/Localized.h"

Job::Job(const QString &folder, const QStringList &sources, const QList<Skip> &unread)
    : folder(folder)
    , sources(sources)
    , unread_(unread.size())
    , skipped_(unread) {}

JobState Job::state() const {
    std::lock_guard lock(mutex_);
    return state_;
}

std::optional<Size> Job::size() const {
    std::lock_guard lock(mutex_);
    return size_;
}

void Job::setSize(const Size &size) {
    std::lock_guard lock(mutex_);
    size_ = size;
}

void Job::askForSize() {
    std::lock_guard lock(mutex_);
    state_ = JobState::sizing;
}

bool Job::start() {
    std::lock_guard lock(mutex_);
    if (!size_ || (state_ != JobState::collected && state_ != JobState::sizing))
        return false;
    state_ = JobState::queued;
    return true;
}

void Job::queue(qint64 images) {
    std::lock_guard lock(mutex_);
    remaining_ = images;
    if (images == 0)
        state_ = JobState::ending;
}

void Job::written() {
    std::lock_guard lock(mutex_);
    ++written_;
}

void Job::skipped(const QString &path, const QString &reason) {
    std::lock_guard lock(mutex_);
    skipped_.append({path, reason});
}

void Job::finishImage(const std::function<void(bool last)> &post) {
    std::lock_guard lock(mutex_);
    const bool last = --remaining_ == 0;
    if (last)
        state_ = JobState::ending;
    post(last);
}

JobEnd Job::end() {
    std::lock_guard lock(mutex_);
    state_ = JobState::ended;
    return {folder, sources.size() + unread_, written_, skipped_};
}

JobEndText jobEndText(const JobEnd &end) {
    const QString skipped =
        end.skipped.isEmpty() ? QString() : localized("%1 skipped").arg(end.skipped.size());
    if (end.written == 0)
        return {localized("No image was resized"), skipped};
    const QString summary = localized("%1 of %2 images resized").arg(end.written).arg(end.total);
    const QString where = localized("The scaled copies are in the output folder.");
    return {summary, skipped.isEmpty() ? where : skipped + QStringLiteral(". ") + where};
}
