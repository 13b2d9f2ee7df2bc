#include "app/ZAVAppDelegate.h"

#include <fcntl.h>
#include <filesystem>
#include <system_error>

#include "FilePaths.h"
#include "FolderEntries.h"
#include "FolderNames.h"
#include "app/Localized.h"
#include "app/Log.h"
#include "platform/Platform.h"
#include "resize/OutputFile.h"

namespace {

// Makes a folder and every missing folder above it. Failing is not fatal: the writes into the
// folder fail later, file by file, so only the cause goes to the log.
void makeFolder(const QString &path)
{
    std::error_code error;
    const std::filesystem::path folder(encodePath(path).toStdString());
    std::filesystem::create_directories(folder, error);
    if (error)
        logLine(QStringLiteral("could not make the folder %1: %2")
                    .arg(path, QString::fromStdString(error.message())));
}

} // namespace

QString ZAVAppDelegate::targetFolder()
{
    const QString productFolder = joinPath(platform.picturesDirectory(), localized("Sardoxa"));
    if (pathExists(productFolder)) {
        if (!isFirstLaunch())
            return productFolder;
        const QString sibling = firstLaunchFolderPath(productFolder, platform.now());
        makeFolder(sibling);
        return sibling;
    }
    makeFolder(productFolder);
    return productFolder;
}

QString ZAVAppDelegate::makeJobFolder()
{
    const QDateTime now = platform.now();
    const QString path = joinPath(targetFolder(), datedFolderName(now, folderFormat));
    if (!pathExists(path)) {
        makeFolder(path);
        return path;
    }
    // The day's folder is reused; only in the last second before local midnight does the name
    // one second on differ, and the job then goes into the next day's folder.
    const QString nextSecond = joinPath(targetFolder(), datedFolderName(now.addSecs(1), folderFormat));
    makeFolder(nextSecond);
    return nextSecond;
}

void ZAVAppDelegate::removeLeftoverFiles()
{
    // Temporary files are only ever made in day folders; links among them are not followed.
    const UniqueFd product(::open(encodePath(targetFolder()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!product.isValid())
        return;
    for (const QByteArray &name : entryNames(product.get())) {
        if (!isDayFolderName(decodePath(name), folderFormat))
            continue;
        const UniqueFd day(::openat(product.get(), name.constData(),
                                    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (day.isValid())
            OutputFile::removeLeftovers(day.get());
    }
}
