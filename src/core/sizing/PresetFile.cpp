#include "core/sizing/PresetFile.h"

#include <QDir>

#include "core/app/Log.h"
#include "core/files/FilePaths.h"
#include "core/files/RegularFile.h"
#include "core/sizing/PresetList.h"

namespace {

// Ten sizes take a few hundred bytes; a file many times that was not written by us.
constexpr qint64 largestPresetFile = 64 * 1024;

} // namespace

QString presetFilePath(const QString &caches) {
    if (!QDir().mkpath(caches))
        logLine(QStringLiteral("could not make the folder %1").arg(caches));
    return joinPath(caches, QStringLiteral("presets"));
}

std::optional<QStringList> readPresetFile(const QString &path, QString *error) {
    const std::optional<QByteArray> bytes = readRegularFile(path, largestPresetFile, error);
    if (!bytes)
        return std::nullopt;
    if (bytes->isEmpty())
        return QStringList();
    std::optional<QStringList> list = readPresetList(*bytes);
    if (!list)
        *error = QStringLiteral("it is not an XML property list of sizes");
    return list;
}

bool writePresetFile(const QString &path, const QStringList &presets, QString *error) {
    return replaceRegularFile(path, writePresetList(presets), error);
}
