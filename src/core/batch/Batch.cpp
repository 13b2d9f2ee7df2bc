#include "core/batch/Batch.h"

#include <QPointer>

#include "core/app/Localized.h"
#include "core/app/Log.h"
#include "core/feedback/BadgeLabel.h"
#include "core/files/FilePaths.h"
#include "core/intake/OutputFolders.h"
#include "core/job/NameTurns.h"
#include "core/platform/DockTile.h"
#include "core/platform/MainQueue.h"
#include "core/platform/OperationQueue.h"
#include "core/platform/Platform.h"
#include "core/resize/ImageEngine.h"
#include "core/resize/OutputName.h"
#include "core/resize/SourceImage.h"
#include "core/resize/StandingCopy.h"
#include "core/sizing/LastSize.h"
#include "core/sizing/PresetFile.h"
#include "core/sizing/PresetList.h"
#include "core/sizing/SizeString.h"
#include "core/sizing/TargetSize.h"

namespace {

const QString firstLaunchKey = QStringLiteral("SXFirstLaunch");
// Where each choice is kept in the preferences, in the order of Choice.
const std::array<QString, choiceCount> choiceKeys = {
    QStringLiteral("SXRemoveLocation"), QStringLiteral("SXKeepFolders"),
    QStringLiteral("SXSkipExisting"), QStringLiteral("SXNoEnlarge")};
// Where the format is kept: its kind by name, its quality (0 for the kind's default) and
// whether it is lossless.
const QString formatKey = QStringLiteral("SXFormat");
const QString qualityKey = QStringLiteral("SXQuality");
const QString losslessKey = QStringLiteral("SXLossless");

// The stored format; what cannot be read is the default.
CopyFormat storedFormat(const Preferences &preferences) {
    CopyFormat format;
    format.type = parseFileType(preferences.value(formatKey).toString()).value_or(FileType::tiff);
    const int quality = preferences.value(qualityKey, 0).toInt();
    format.quality = quality >= 1 && quality <= 100 ? quality : 0;
    format.lossless = preferences.value(losslessKey, false).toBool();
    return format;
}

// A guard only: an earlier source of the same name is always drawing already when a later one
// waits for it (see NameTurns).
constexpr std::chrono::minutes nameTurnBound{10};

} // namespace

CopyFormat storedCopyFormat(const QString &path) {
    return storedFormat(Preferences(path));
}

QString choiceTitle(Choice choice) {
    switch (choice) {
    case Choice::removeLocation:
        return localized("Remove Location from Copies");
    case Choice::keepFolders:
        return localized("Keep Folder Structure");
    case Choice::skipExisting:
        return localized("Skip Images Already Done");
    case Choice::noEnlarge:
        return localized("Do Not Enlarge Small Images");
    }
    return {};
}

const QStringList Batch::allowedFormats = {
    QStringLiteral("png"),  QStringLiteral("tiff"), QStringLiteral("tif"),  QStringLiteral("jpeg"),
    QStringLiteral("jpg"),  QStringLiteral("gif"),  QStringLiteral("heic"), QStringLiteral("heif"),
    QStringLiteral("avif"), QStringLiteral("webp"), QStringLiteral("jxl")};
const QString Batch::folderFormat = QStringLiteral("yyyy-MM-dd");

Batch::Batch(Platform &platform, BatchOptions options)
    : platform_(platform)
    , options_(std::move(options))
    , defaults_(platform.preferencesFile())
    , requests_(std::make_unique<OperationQueue>(1))
    , queue_(std::make_unique<OperationQueue>(ImageEngine::imagesAtOnce)) {
    queue_->setEmptiedHandler([this] { onMainThread([this] { Q_EMIT activityEnded(); }); });
}

Batch::~Batch() {
    queue_->setEmptiedHandler({});
    queue_->cancelAllOperations();
    requests_->cancelAllOperations();
    requests_->waitUntilAllOperationsAreFinished();
    queue_->waitUntilAllOperationsAreFinished();
}

bool Batch::launch() {
    // A file that is left alone was put there earlier: not a first launch.
    if (!defaults_.isLeftAlone() && !defaults_.contains(firstLaunchKey))
        defaults_.setValue(firstLaunchKey, true);
    const bool first = defaults_.value(firstLaunchKey, false).toBool();
    for (int choice = 0; choice < choiceCount; ++choice) {
        const auto forRun = options_.choicesForRun.find(Choice(choice));
        choices_[choice] = forRun != options_.choicesForRun.end()
                               ? forRun->second
                               : defaults_.value(choiceKeys[choice], false).toBool();
    }
    {
        std::lock_guard lock(formatMutex_);
        format_ = withOverride(storedFormat(defaults_), options_.formatForRun);
    }
    defaults_.setValue(firstLaunchKey, false);
    defaults_.save();
    firstLaunch_ = first;
    onRequestWorker([this, first] {
        targetFolderIn(joinPath(platform_.picturesDirectory(), localized("Sardoxa")), first,
                       platform_.now());
        removeLeftoverFiles();
    });
    firstLaunch_ = false;
    return first;
}

void Batch::setChoice(Choice choice, bool on) {
    if (choices_[int(choice)] == on)
        return;
    choices_[int(choice)] = on;
    defaults_.setValue(choiceKeys[int(choice)], on);
    defaults_.save();
    Q_EMIT choiceChanged(choice, on);
}

CopyFormat Batch::copyFormat() const {
    std::lock_guard lock(formatMutex_);
    return format_;
}

void Batch::setCopyFormat(const CopyFormat &format) {
    {
        std::lock_guard lock(formatMutex_);
        if (format_ == format)
            return;
        format_ = format;
    }
    defaults_.setValue(formatKey, fileTypeName(format.type));
    defaults_.setValue(qualityKey, format.quality);
    defaults_.setValue(losslessKey, format.lossless);
    defaults_.save();
    Q_EMIT copyFormatChanged(format);
}

void Batch::onRequestWorker(std::function<void()> request) {
    requests_->addOperation(std::move(request),
                            [this] { onMainThread([this] { Q_EMIT activityEnded(); }); });
}

void Batch::onMainThread(std::function<void()> block) {
    // The main queue may outlive the batch (a test's platform does, and a block posted as the
    // batch goes still waits there): what the batch posts runs only while it is there.
    platform_.mainQueue().post([batch = QPointer<Batch>(this), block = std::move(block)] {
        if (batch)
            block();
    });
}

void Batch::waitForRequests() {
    requests_->waitUntilAllOperationsAreFinished();
}

// Intake

bool Batch::isValidImage(const QString &path) const {
    return isImagePath(path, allowedFormats);
}

CollectedImages Batch::collectImages(const QStringList &paths) const {
    return imagesAmong(paths, allowedFormats);
}

QString Batch::targetFolder() const {
    return targetFolderIn(joinPath(platform_.picturesDirectory(), localized("Sardoxa")),
                          firstLaunch_, platform_.now());
}

QString Batch::makeJobFolder() const {
    if (!options_.fixedJobFolder.isEmpty())
        return options_.fixedJobFolder;
    return makeDayFolder(targetFolder(), platform_.now(), folderFormat);
}

void Batch::removeLeftoverFiles() const {
    // Kept folders hold copies, and so leftovers, at any depth.
    const bool deep = chooses(Choice::keepFolders);
    removeLeftoversIn(targetFolder(), folderFormat, deep);
    if (!options_.fixedJobFolder.isEmpty())
        removeLeftoversInFolder(options_.fixedJobFolder, deep);
}

bool Batch::isBusy() const {
    return collecting_ || globalTasks.isBusy();
}

void Batch::refuseRequest() {
    failedWithMessage(localized("It seems that you have not finished the last task, please check "
                                "the process and try again later."));
}

void Batch::takeIn(const QStringList &paths, const QList<Skip> &skipped) {
    if (isBusy()) {
        refuseRequest();
        return;
    }
    collecting_ = true;
    onRequestWorker([this, paths, skipped] {
        CollectedImages found = collectImages(paths);
        // A shard that the request's images all pass by has done its part: its job is empty.
        const bool anyImages = !found.images.isEmpty();
        if (options_.shard)
            found = imagesOfShard(found, *options_.shard, chooses(Choice::keepFolders),
                                  copyFormat().type);
        found.unreadable += skipped;
        const QString key = anyImages ? makeJobFolder() : QString();
        const std::optional<QStringList> offered = anyImages ? presets() : std::nullopt;
        onMainThread([this, key, found, offered] { registerJob(key, found, offered); });
    });
}

void Batch::registerJob(const QString &key, const CollectedImages &found,
                        const std::optional<QStringList> &offered) {
    collecting_ = false;
    const auto nameUnreadable = [&] {
        for (const Skip &skip : found.unreadable)
            reportSkipped(skip.path, skip.reason);
    };
    // A request without images asks for no size and leaves no trace; it is said once.
    if (key.isEmpty()) {
        nameUnreadable();
        failedWithMessage(localized("There are no images to resize. Choose image files (PNG, JPEG, "
                                    "TIFF, GIF, HEIC, AVIF, WebP or JPEG XL) or folders that hold "
                                    "them."));
        Q_EMIT nothingToResize();
        return;
    }
    // Refused as a whole, before anything is registered: the pending job keeps its list.
    const std::shared_ptr<Job> job =
        globalTasks.registerJob(key, found.images, found.unreadable, found.places);
    if (!job) {
        refuseRequest();
        return;
    }
    job->askForSize();
    if (askForSize && !askForSize(key, offered)) {
        globalTasks.remove(key);
        refuseRequest();
        return;
    }
    nameUnreadable();
}

void Batch::abandonJob(const QString &key) {
    const std::shared_ptr<Job> job = globalTasks.find(key);
    if (!job || job->size())
        return;
    globalTasks.remove(key);
    Q_EMIT activityEnded();
}

// Sizing

QString Batch::presetPath() const {
    return presetFilePath(platform_.cachesDirectory());
}

std::optional<QStringList> Batch::presets() const {
    QString unusable; // said when the file is replaced
    QStringList sizes = sizesAmong(readPresetFile(presetPath(), &unusable).value_or(QStringList()));
    if (sizes.isEmpty())
        return std::nullopt;
    return sizes;
}

void Batch::chooseSize(const Size &size, const QString &key, bool asPreset) {
    // Recorded at once, so that the job counts as sized before the worker comes to it.
    if (const std::shared_ptr<Job> job = globalTasks.find(key))
        job->setSize(size);
    onRequestWorker([this, size, key, asPreset] {
        if (asPreset)
            addPreset(size, key);
        else
            startWithSize(size, key);
    });
}

void Batch::addPreset(const Size &size, const QString &key) {
    const QString entry = stringFromSize(size);
    const QString last = lastSizeFilePath(platform_.cachesDirectory());
    if (QString error; !writeLastSize(last, entry, &error))
        logLine(QStringLiteral("could not remember %1 as the last size in %2: %3")
                    .arg(entry, last, error));
    QString unusable;
    const std::optional<QStringList> stored = readPresetFile(presetPath(), &unusable);
    // Only sizes are written back: whatever else the file held goes with the next new size.
    if (const std::optional<QStringList> updated =
            withNewPreset(sizesAmong(stored.value_or(QStringList())), entry)) {
        QString error;
        if (!writePresetFile(presetPath(), *updated, &error))
            logLine(QStringLiteral("could not remember the size %1 in %2: %3")
                        .arg(entry, presetPath(), error));
        else if (!stored)
            logLine(QStringLiteral("replaced the presets file %1, which could not be used: %2")
                        .arg(presetPath(), unusable));
    }
    startWithSize(size, key);
}

void Batch::startWithSize(const Size &size, const QString &key) {
    if (const std::shared_ptr<Job> job = globalTasks.find(key))
        job->setSize(size);
    resize(key);
}

bool Batch::isRetina() const {
    return ::isRetina(platform_.displays());
}

Canvas Batch::calculateSize(const Size &size, const SourceImage &image, bool enlarge) const {
    const bool retina = isRetina();
    // A canvas halved for a high-density display is drawn at two pixels per unit, so that the
    // written image has the requested pixel size on every display.
    const Canvas canvas{targetSize(size, image.size(), retina), retina ? 2.0 : 1.0};
    if (enlarge || !image.isValid())
        return canvas;
    return withoutEnlarging(canvas, image.size(), image.header().pixelWidth,
                            image.header().pixelHeight);
}

// Resizing

void Batch::resize(const QString &key) {
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
    // A source gone since intake is skipped at once and counts down with the rest only as the
    // total it started from: the badge jumps past it.
    const bool keepFolders = chooses(Choice::keepFolders);
    const bool skipExisting = keepFolders && chooses(Choice::skipExisting);
    // Every copy of a job is written alike, whatever is changed while it runs.
    const CopyFormat format = copyFormat();
    const bool enlarge = !chooses(Choice::noEnlarge);
    QList<qsizetype> existing;
    for (qsizetype i = 0; i < job->sources.size(); ++i) {
        const QString &path = job->sources[i];
        if (pathExists(path)) {
            existing.append(i);
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
        onMainThread([this, job] { endJob(job); });
        return;
    }
    // Sources whose copies share a name place them in the order of the request.
    const auto turns = std::make_shared<NameTurns>();
    for (const qsizetype i : std::as_const(existing)) {
        if (queue_->stopToken().stop_requested())
            return; // quitting: what is not queued yet never will be
        const QString path = job->sources[i];
        const QString place = keepFolders ? job->places.value(i) : QString();
        const NameTurns::Turn turn = turns->take(copyNameKey(place, fileNameOf(path), format.type));
        queue_->addOperation(
            [this, path, place, skipExisting, format, enlarge, size, key, job, turns, turn] {
                const NameTurn mine(turns, turn);
                const SourceImage image = SourceImage::open(path);
                const Canvas canvas = calculateSize(*size, image, enlarge);
                if (skipExisting && image.isValid() &&
                    passOverDone(image, canvas, format.type, *job, place, turn))
                    return;
                const ScaledCopy copy = resizeImageWithRawImage(
                    image, canvas, joinPath(key, fileNameOf(path)), &mine, place, format);
                if (copy.written)
                    job->written();
                else if (copy.failure.isTold())
                    job->skipped(path, copy.failure.text());
            },
            [this, job] { finishImage(job); });
    }
}

bool Batch::passOverDone(const SourceImage &image, const Canvas &canvas, FileType type, Job &job,
                         const QString &place, const NameTurns::Turn &turn) {
    // The name this image took on the run before: the same on every run, as its folder's
    // entries are taken in the order of their names.
    const QString name = outputFileName(fileNameOf(image.path()), turn.index, type);
    const QString path = joinPath(joinPath(job.folder, place), name);
    const StandingCopy standing = standingCopyAt(path, image, canvas);
    switch (standing.kind) {
    case StandingCopy::Kind::none:
        return false;
    case StandingCopy::Kind::other:
        reportSkipped(image.path(), standing.reason);
        job.skipped(image.path(), standing.reason);
        return true;
    case StandingCopy::Kind::same:
        job.alreadyDone();
        if (options_.fileFinished)
            options_.fileFinished(image.path(), {path, {}, standing.width, standing.height, true});
        return true;
    }
    return false;
}

ScaledCopy Batch::resizeImageWithRawImage(const SourceImage &image, const Canvas &canvas,
                                          const QString &targetPath, const NameTurn *turn,
                                          const QString &subfolder, const CopyFormat &format) {
    CopyPlacement placement;
    placement.subfolder = subfolder;
    // The day folder is the application's own; a folder the user named is theirs to keep, and
    // one that went is not brought back behind their back.
    placement.remakeFolder = options_.fixedJobFolder.isEmpty();
    if (turn)
        placement.awaitTurn = [this, turn, path = image.path()] {
            if (!turn->turns().await(turn->turn(), queue_->stopToken(), nameTurnBound))
                logLine(QStringLiteral("placing the copy of %1 before an earlier source of its "
                                       "name: that one took too long")
                            .arg(path));
        };
    const ScaledCopy copy = writeScaledCopy(image, canvas, targetPath, format, removesLocation(),
                                            queue_->stopToken(), placement);
    if (!copy.written && copy.failure.isTold())
        reportSkipped(image.path(), copy.failure.text());
    else if (copy.written && options_.fileFinished)
        options_.fileFinished(image.path(), copy);
    return copy;
}

void Batch::finishImage(const std::shared_ptr<Job> &job) {
    // Posting under the job's lock keeps the end behind every other image's countdown on the main
    // queue.
    job->finishImage([this, &job](bool last) {
        if (last)
            onMainThread([this, job] { endJob(job); });
        else
            onMainThread([this] { updateBadge(); });
    });
}

void Batch::endJob(const std::shared_ptr<Job> &job) {
    const JobEnd end = job->end();
    globalTasks.remove(job->folder);
    const auto answered = [this] {
        --endActionsWaiting_;
        Q_EMIT activityEnded();
    };
    // A folder holding nothing new is not worth opening.
    if (end.written > 0) {
        ++endActionsWaiting_;
        platform_.openFolder(end.folder, answered);
    }
    platform_.dockTile().setBadgeLabel(badgeLabelForTotal(globalTasks.queuedImages()));
    updateBadge(); // the last image's own countdown: no badge is left, so it asks for attention
    ++endActionsWaiting_;
    platform_.showJobEnded(end, answered);
    Q_EMIT jobEnded(end);
    Q_EMIT activityEnded();
}

void Batch::reportSkipped(const QString &path, const QString &problem) {
    const QString reason = skipReason(problem); // as the job's end lists it
    logLine(QStringLiteral("skipped %1: %2").arg(path, reason));
    if (options_.fileFinished)
        options_.fileFinished(path, ScaledCopy{std::nullopt, {Failure::Kind::Unreadable, reason}});
    std::lock_guard lock(skippedMutex_);
    skipped_.append(path);
}

QStringList Batch::skippedSources() const {
    std::lock_guard lock(skippedMutex_);
    return skipped_;
}

// Feedback

void Batch::prepareBadge() {
    // Only a job whose images are on their way counts: a job still waiting for its size shows
    // none. Shown through the main queue, ahead of every countdown posted after it.
    const QString label = badgeLabelForTotal(globalTasks.queuedImages());
    onMainThread([this, label] { platform_.dockTile().setBadgeLabel(label); });
}

void Batch::updateBadge() {
    DockTile &tile = platform_.dockTile();
    if (const std::optional<QString> next = countedDownLabel(tile.badgeLabel()))
        tile.setBadgeLabel(*next);
    else
        tile.requestUserAttention();
}

void Batch::failedWithMessage(const QString &message) {
    onMainThread([this, message] {
        updateBadge();
        platform_.runAlert(localized("Failed to resize images"), message, localized("OK"));
    });
}

bool Batch::isIdle() const {
    return !isBusy() && endActionsWaiting_ == 0 && requests_->operationCount() == 0 &&
           queue_->operationCount() == 0;
}
