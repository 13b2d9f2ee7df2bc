#include "core/sizing/PresetFile.h"

#include <QDir>

#include "core/app/Log.h"
#include "core/files/FilePaths.h"
#include "core/files/RegularFile.h"
#include "core/sizing/PresetList.h"

QString presetFilePath(const QString &caches) {
    if (!QDir().mkpath(caches))
        logLine(QStringLiteral("could not make the folder %1").arg(caches));
    return joinPath(caches, QStringLiteral("presets"));
}

std::optional<QStringList> readPresetFile(const QString &path) {
    QString unusable; // said when the file is written
    const std::optional<QByteArray> bytes = readRegularFile(path, &unusable);
    std::optional<QStringList> list = bytes ? readPresetList(*bytes) : std::nullopt;
    if (!list || list->isEmpty())
        return std::nullopt;
    return list;
}

bool writePresetFile(const QString &path, const QStringList &presets, QString *error) {
    return replaceRegularFile(path, writePresetList(presets), error);
}
