#include "app/ZAVAppDelegate.h"

#include <QDirIterator>
#include <QFileInfo>

#include "resize/OutputName.h"

bool ZAVAppDelegate::isValidImage(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return false;
    return allowedFormats.contains(pathExtension(info.fileName()).toLower());
}

QStringList ZAVAppDelegate::collectImages(const QStringList &paths)
{
    QStringList images;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (!info.exists())
            continue;
        if (!info.isDir()) {
            if (isValidImage(path))
                images.append(path);
            continue;
        }
        // Links to folders are listed but not followed, so a link loop ends; hidden entries
        // are passed over, as file managers do.
        QDirIterator entries(path, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System,
                             QDirIterator::Subdirectories);
        while (entries.hasNext()) {
            // The folder's path as given, joined with the entry's path below it.
            const QString joined = entries.next();
            if (QFileInfo(joined).isDir())
                continue;
            if (isValidImage(joined))
                images.append(joined);
        }
    }
    return images;
}
