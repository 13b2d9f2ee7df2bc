#include "core/sizing/PresetFile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include "core/app/Log.h"
#include "core/intake/FolderNames.h"
#include "core/sizing/PresetList.h"

QString presetFilePath(const QString &caches) {
    if (!QDir().mkpath(caches))
        logLine(QStringLiteral("could not make the folder %1").arg(caches));
    return joinPath(caches, QStringLiteral("presets"));
}

std::optional<QStringList> readPresetFile(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::optional<QStringList> list = readPresetList(file.readAll());
    if (!list || list->isEmpty())
        return std::nullopt;
    return list;
}

bool writePresetFile(const QString &path, const QStringList &presets, QString *error) {
    // Unbuffered, so that a failed write is seen before the commit renames the file into place.
    QSaveFile file(path);
    const QByteArray list = writePresetList(presets);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
        file.write(list) == list.size() && file.commit())
        return true;
    *error = file.errorString();
    return false;
}
