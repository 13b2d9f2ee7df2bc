#include "core/platform/StandardDirectories.h"

#include <QDir>
#include <QStandardPaths>

namespace StandardDirectories {

QString pictures() {
    // Honours user-dirs.dirs; with no usable home Qt gives nothing, and a relative product folder
    // would land in whatever the working directory is.
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return pictures.isEmpty() ? QDir::homePath() + QStringLiteral("/Pictures") : pictures;
}

QString caches() {
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
}

QString preferencesFile() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QStringLiteral("/sardoxa.conf");
}

} // namespace StandardDirectories
