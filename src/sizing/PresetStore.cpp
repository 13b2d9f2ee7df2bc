#include "app/ZAVAppDelegate.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include "PresetList.h"
#include "SizeString.h"
#include "app/Log.h"
#include "intake/FolderNames.h"
#include "platform/Platform.h"

QString ZAVAppDelegate::presetPath()
{
    const QString caches = platform.cachesDirectory();
    // Qt does not make the caches folder; the presets file is the only thing in it.
    if (!QDir().mkpath(caches))
        logLine(QStringLiteral("could not make the folder %1").arg(caches));
    return joinPath(caches, QStringLiteral("presets"));
}

std::optional<QStringList> ZAVAppDelegate::presets()
{
    QFile file(presetPath());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::optional<QStringList> list = readPresetList(file.readAll());
    if (!list || list->isEmpty())
        return std::nullopt;
    return list;
}

void ZAVAppDelegate::addPreset(const Size &size, const QString &key)
{
    const QString entry = stringFromSize(size);
    if (const std::optional<QStringList> updated = withNewPreset(presets().value_or(QStringList()), entry)) {
        // Written aside and renamed into place: a reader sees the old list or the new one.
        // Unbuffered, so that a failed write (a full disk) is seen before the commit and the old
        // list stays.
        QSaveFile file(presetPath());
        const QByteArray list = writePresetList(*updated);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(list) != list.size()
            || !file.commit())
            logLine(QStringLiteral("could not remember the size %1 in %2: %3")
                        .arg(entry, file.fileName(), file.errorString()));
    }
    {
        std::lock_guard lock(registryMutex);
        globalSizes.insert(key, entry);
    }
    resize(key);
}

void ZAVAppDelegate::handOffPreset(const Size &size, const QString &key)
{
    ++sizeHandOffs_;
    handOffs_.start([this, size, key] {
        addPreset(size, key);
        --sizeHandOffs_;
    });
}
