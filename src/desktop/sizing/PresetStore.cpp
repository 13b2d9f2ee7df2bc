#include "desktop/app/ZAVAppDelegate.h"

#include "core/app/Log.h"
#include "core/platform/MainQueue.h"
#include "core/platform/Platform.h"
#include "core/sizing/LastSize.h"
#include "core/sizing/PresetFile.h"
#include "core/sizing/PresetList.h"
#include "core/sizing/SizeString.h"

QString ZAVAppDelegate::presetPath() {
    return presetFilePath(platform.cachesDirectory());
}

std::optional<QStringList> ZAVAppDelegate::presets() {
    QString unusable; // said when the file is replaced
    QStringList sizes = sizesAmong(readPresetFile(presetPath(), &unusable).value_or(QStringList()));
    if (sizes.isEmpty())
        return std::nullopt;
    return sizes;
}

void ZAVAppDelegate::addPreset(const Size &size, const QString &key) {
    const QString entry = stringFromSize(size);
    rememberLastSize(entry);
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

void ZAVAppDelegate::rememberLastSize(const QString &entry) {
    // In the order chosen, off the main thread: a preset is clicked there.
    lastSizeWrites_.start([caches = platform.cachesDirectory(), entry] {
        const QString path = lastSizeFilePath(caches);
        if (QString error; !writeLastSize(path, entry, &error))
            logLine(QStringLiteral("could not remember %1 as the last size in %2: %3")
                        .arg(entry, path, error));
    });
}

void ZAVAppDelegate::startWithSize(const Size &size, const QString &key) {
    if (const std::shared_ptr<Job> job = globalTasks.find(key))
        job->setSize(size);
    resize(key);
}

void ZAVAppDelegate::handOffPreset(const Size &size, const QString &key) {
    ++sizeHandOffs_;
    handOffs_.start([this, size, key] {
        addPreset(size, key);
        --sizeHandOffs_;
        platform.mainQueue().post([this] { Q_EMIT activityEnded(); });
    });
}
