#include "core/job/Job.h"

#include "core/app/Localized.h"
#include "core/app/Logging.h"

namespace {

const char *stateName(JobState state) {
    switch (state) {
    case JobState::collected:
        return "collected";
    case JobState::sizing:
        return "sizing";
    case JobState::queued:
        return "queued";
    case JobState::ending:
        return "ending";
    case JobState::ended:
        break;
    }
    return "ended";
}

} // namespace

Job::Job(const QString &folder, const QStringList &sources, const QList<Skip> &unread,
         const QStringList &places)
    : folder(folder)
    , sources(sources)
    , places(places)
    , unread_(unread.size())
    , skipped_(unread) {
    for (Skip &skip : skipped_)
        skip.reason = skipReason(skip.reason);
}

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
    moveTo(JobState::sizing);
}

bool Job::start() {
    std::lock_guard lock(mutex_);
    return size_ && moveTo(JobState::queued);
}

void Job::queue(qint64 images) {
    std::lock_guard lock(mutex_);
    remaining_ = images;
    if (images == 0)
        moveTo(JobState::ending);
}

void Job::written() {
    std::lock_guard lock(mutex_);
    ++written_;
}

void Job::alreadyDone() {
    std::lock_guard lock(mutex_);
    ++alreadyDone_;
}

void Job::skipped(const QString &path, const QString &reason) {
    std::lock_guard lock(mutex_);
    skipped_.append({path, skipReason(reason)});
}

void Job::finishImage(const std::function<void(bool last)> &post) {
    std::lock_guard lock(mutex_);
    const bool last = --remaining_ == 0;
    if (last)
        moveTo(JobState::ending);
    post(last);
}

JobEnd Job::end() {
    std::lock_guard lock(mutex_);
    moveTo(JobState::ended);
    return {folder, sources.size() + unread_, written_, skipped_, alreadyDone_};
}

bool Job::moveTo(JobState next) {
    // A job goes one way: to its size (or straight to its run), its run, its end.
    const bool allowed = (state_ == JobState::collected && next == JobState::sizing) ||
                         ((state_ == JobState::collected || state_ == JobState::sizing) &&
                          next == JobState::queued) ||
                         (state_ == JobState::queued && next == JobState::ending) ||
                         (state_ == JobState::ending && next == JobState::ended);
    if (!allowed) {
        qCWarning(jobLog).noquote().nospace()
            << folder << ": refused to go from " << stateName(state_) << " to " << stateName(next);
        return false;
    }
    qCDebug(jobLog).noquote().nospace() << folder << ": " << stateName(state_) << " -> "
                                        << stateName(next) << " (" << sources.size() << " sources)";
    state_ = next;
    return true;
}

JobEndText jobEndText(const JobEnd &end) {
    QStringList counts;
    if (end.alreadyDone > 0)
        counts.append(localized("%1 already done").arg(end.alreadyDone));
    if (!end.skipped.isEmpty())
        counts.append(localized("%1 skipped").arg(end.skipped.size()));
    const QString told = counts.join(QStringLiteral(", "));
    const qint64 toDo = end.total - end.alreadyDone;
    if (end.written == 0)
        return {end.alreadyDone > 0 && toDo == 0 ? localized("Every image was resized already")
                                                 : localized("No image was resized"),
                told};
    // "1 of 1 images" reads as a count gone wrong: a batch that wrote every image says how many.
    const QString summary = end.written == toDo
                                ? localizedCount("%n image(s) resized", toDo)
                                : localized("%1 of %2 images resized").arg(end.written).arg(toDo);
    const QString where = localized("The scaled copies are in the output folder.");
    return {summary, told.isEmpty() ? where : told + QStringLiteral(". ") + where};
}
