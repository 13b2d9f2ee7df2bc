#include "core/sizing/LastSize.h"

#include <QDir>

#include "core/app/Log.h"
#include "core/files/FilePaths.h"
#include "core/files/RegularFile.h"
#include "core/sizing/PresetFile.h"
#include "core/sizing/PresetList.h"

namespace {

// One size string and a line break.
constexpr qint64 largestLastSizeFile = 256;

// An entry as a message quotes it: its start, when it is long.
QString quoted(const QString &entry) {
    constexpr qsizetype shown = 40;
    return QLatin1Char('\'') + (entry.size() > shown ? entry.left(shown) + QChar(0x2026) : entry) +
           QLatin1Char('\'');
}

RememberedSize sizeOf(const QString &entry, const QString &which, const QString &path) {
    if (const std::optional<Size> size = presetSize(entry))
        return {size, {}};
    return {std::nullopt,
            QStringLiteral("the %1 in %2, %3, is not a size").arg(which, path, quoted(entry))};
}

} // namespace

QString lastSizeFilePath(const QString &caches) {
    if (!QDir().mkpath(caches))
        logLine(QStringLiteral("could not make the folder %1").arg(caches));
    return joinPath(caches, QStringLiteral("last-size"));
}

bool writeLastSize(const QString &path, const QString &entry, QString *error) {
    return replaceRegularFile(path, entry.toUtf8() + '\n', error);
}

RememberedSize rememberedSize(const QString &lastPath, const QString &presetsPath) {
    QString error;
    const std::optional<QByteArray> last = readRegularFile(lastPath, largestLastSizeFile, &error);
    if (!last)
        return {std::nullopt,
                QStringLiteral("cannot read the last size from %1: %2").arg(lastPath, error)};
    if (!last->isEmpty())
        return sizeOf(QString::fromUtf8(*last).trimmed(), QStringLiteral("last size"), lastPath);

    const std::optional<QStringList> presets = readPresetFile(presetsPath, &error);
    if (!presets)
        return {
            std::nullopt,
            QStringLiteral("cannot read the remembered sizes from %1: %2").arg(presetsPath, error)};
    if (presets->isEmpty())
        return {std::nullopt,
                QStringLiteral("no size remembered yet: pick one in the Sardoxa window first, "
                               "or give WxH"),
                true};
    return sizeOf(presets->constFirst(), QStringLiteral("newest remembered size"), presetsPath);
}
