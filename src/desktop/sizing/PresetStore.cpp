#include "desktop/app/ZAVAppDelegate.h"

#include "core/app/Log.h"
#include "core/platform/MainQueue.h"
#include "core/platform/Platform.h"
#include "core/sizing/PresetFile.h"
#include "core/sizing/PresetList.h"
#include "core/sizing/SizeString.h"

QString ZAVAppDelegate::presetPath() {
    return presetFilePath(platform.cachesDirectory());
}

std::optional<QStringList> ZAVAppDelegate::presets() {
    return readPresetFile(presetPath());
}

void ZAVAppDelegate::addPreset(const Size &size, const QString &key) {
    const QString entry = stringFromSize(size);
    QString error;
    if (const std::optional<QStringList> updated =
            withNewPreset(presets().value_or(QStringList()), entry);
        updated && !writePresetFile(presetPath(), *updated, &error))
        logLine(QStringLiteral("could not remember the size %1 in %2: %3")
                    .arg(entry, presetPath(), error));
    startWithSize(size, key);
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
