#include "core/intake/OutputFolders.h"

#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <vector>

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

namespace {

// Removes the leftovers in the open `folder` and, with `deep`, in every folder below it, one
// open folder a level, links never followed.
void removeLeftoversBelow(UniqueFd folder, bool deep) {
    std::vector<UniqueFd> pending;
    pending.push_back(std::move(folder));
    while (!pending.empty()) {
        const UniqueFd current = std::move(pending.back());
        pending.pop_back();
        OutputFile::removeLeftovers(current.get());
        if (!deep)
            continue;
        for (const QByteArray &name : entryNames(current.get())) {
            if (name.startsWith('.'))
                continue;
            UniqueFd below(::openat(current.get(), name.constData(),
                                    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (below.isValid())
                pending.push_back(std::move(below));
        }
    }
}

} // namespace

void removeLeftoversInFolder(const QString &folder, bool deep) {
    UniqueFd open(::open(encodePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (open.isValid())
        removeLeftoversBelow(std::move(open), deep);
}

void removeLeftoversIn(const QString &productFolder, const QString &pattern, bool deep) {
    const UniqueFd product(
        ::open(encodePath(productFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!product.isValid())
        return;
    for (const QByteArray &name : entryNames(product.get())) {
        if (!isDayFolderName(decodePath(name), pattern))
            continue;
        UniqueFd day(::openat(product.get(), name.constData(),
                              O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (day.isValid())
            removeLeftoversBelow(std::move(day), deep);
    }
}
