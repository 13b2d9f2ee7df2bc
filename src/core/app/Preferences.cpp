#include "core/app/Preferences.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryFile>

#include <optional>

#include "core/app/Log.h"
#include "core/files/FilePaths.h"
#include "core/files/RegularFile.h"

namespace {

// A few flags take a few hundred bytes.
constexpr qint64 largestPreferences = 64 * 1024;

// QSettings reads and writes its INI format only as a file of a path it opens itself, following
// links and blocking on a FIFO; it is given a private temporary file instead.

std::optional<QVariantMap> iniValues(const QByteArray &bytes) {
    if (bytes.isEmpty())
        return QVariantMap(); // no file yet
    QTemporaryFile file;
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush())
        return std::nullopt;
    const QSettings ini(file.fileName(), QSettings::IniFormat);
    QVariantMap values;
    for (const QString &key : ini.allKeys())
        values.insert(key, ini.value(key));
    return values;
}

std::optional<QByteArray> iniBytes(const QVariantMap &values) {
    QTemporaryFile file;
    if (!file.open())
        return std::nullopt;
    {
        QSettings ini(file.fileName(), QSettings::IniFormat);
        for (auto value = values.cbegin(); value != values.cend(); ++value)
            ini.setValue(value.key(), value.value());
        ini.sync();
        if (ini.status() != QSettings::NoError)
            return std::nullopt;
    }
    QFile written(file.fileName());
    if (!written.open(QIODevice::ReadOnly))
        return std::nullopt;
    // QSettings reports no error when a write fails (a full disk) and leaves the file cut short,
    // so what it wrote is read back and compared.
    const QByteArray bytes = written.readAll();
    const std::optional<QVariantMap> readBack = iniValues(bytes);
    if (!readBack || readBack->keys() != values.keys())
        return std::nullopt;
    for (auto value = values.cbegin(); value != values.cend(); ++value) {
        if (readBack->value(value.key()).toString() != value.value().toString())
            return std::nullopt;
    }
    return bytes;
}

} // namespace

Preferences::Preferences(const QString &path)
    : path_(path) {
    QString error = QStringLiteral("could not read them as INI");
    const std::optional<QByteArray> bytes = readRegularFile(path, largestPreferences, &error);
    if (const std::optional<QVariantMap> values = bytes ? iniValues(*bytes) : std::nullopt) {
        values_ = *values;
        return;
    }
    // Saving what could not be read would lose it.
    usable_ = false;
    logLine(QStringLiteral("left the preferences file %1 alone, going on with the defaults: %2")
                .arg(path, error));
}

void Preferences::save() const {
    if (!usable_)
        return; // said when it was read
    QString error = QStringLiteral("could not write them as INI");
    const std::optional<QByteArray> ini = iniBytes(values_);
    if (!QDir().mkpath(folderOf(path_)) || !ini || !replaceRegularFile(path_, *ini, &error))
        logLine(QStringLiteral("could not save the preferences to %1: %2").arg(path_, error));
}
