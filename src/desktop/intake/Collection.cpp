#include "desktop/app/ZAVAppDelegate.h"

#include "core/app/Localized.h"
#include "core/files/FilePaths.h"
#include "core/intake/OutputFolders.h"
#include "core/platform/Platform.h"

bool ZAVAppDelegate::isValidImage(const QString &path) {
    return isImagePath(path, allowedFormats);
}

CollectedImages ZAVAppDelegate::collectImages(const QStringList &paths) {
    return imagesAmong(paths, allowedFormats);
}

QString ZAVAppDelegate::targetFolder() {
    return targetFolderIn(joinPath(platform.picturesDirectory(), localized("Sardoxa")),
                          isFirstLaunch(), platform.now());
}

QString ZAVAppDelegate::makeJobFolder() {
    if (!fixedJobFolder.isEmpty())
        return fixedJobFolder;
    return makeDayFolder(targetFolder(), platform.now(), folderFormat);
}

void ZAVAppDelegate::removeLeftoverFiles() {
    removeLeftoversIn(targetFolder(), folderFormat);
    if (!fixedJobFolder.isEmpty())
        removeLeftoversInFolder(fixedJobFolder);
}
