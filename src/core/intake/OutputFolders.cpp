#include "core/intake/OutputFolders.h"

#include <fcntl.h>
#include <filesystem>
#include <system_error>

#include "core/app/Log.h"
#include "core/files/FilePaths.h"
#include "core/files/FolderEntries.h"
#include "core/intake/FolderNames.h"
#include "core/resize/OutputFile.h"

void makeFolder(const QString &path) {
    std::error_code error;
    const std::filesystem::path folder(encodePath(path).toStdString());
    std::filesystem::create_directories(folder, error);
    if (error)
        logLine(QStringLiteral("could not make the folder %1: %2")
                    .arg(path, QString::fromStdString(error.message())));
}

QString targetFolderIn(const QString &productFolder, bool firstLaunch, const QDateTime &now) {
    if (pathExists(productFolder)) {
        if (!firstLaunch)
            return productFolder;
        const QString sibling = firstLaunchFolderPath(productFolder, now);
        makeFolder(sibling);
        return sibling;
    }
    makeFolder(productFolder);
    return productFolder;
}

QString makeDayFolder(const QString &target, const QDateTime &now, const QString &pattern) {
    const QString today = joinPath(target, datedFolderName(now, pattern));
    const QString path =
        pathExists(today) ? joinPath(target, datedFolderName(now.addSecs(1), pattern)) : today;
    makeFolder(path);
    return path;
}

void removeLeftoversInFolder(const QString &folder) {
    const UniqueFd open(::open(encodePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (open.isValid())
        OutputFile::removeLeftovers(open.get());
}

void removeLeftoversIn(const QString &productFolder, const QString &pattern) {
    const UniqueFd product(
        ::open(encodePath(productFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!product.isValid())
        return;
    for (const QByteArray &name : entryNames(product.get())) {
        if (!isDayFolderName(decodePath(name), pattern))
            continue;
        const UniqueFd day(::openat(product.get(), name.constData(),
                                    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (day.isValid())
            OutputFile::removeLeftovers(day.get());
    }
}
