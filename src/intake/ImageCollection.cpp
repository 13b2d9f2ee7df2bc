#include "app/ZAVAppDelegate.h"

#include <filesystem>
#include <system_error>

#include "FilePaths.h"
#include "FolderNames.h"
#include "resize/OutputName.h"

bool ZAVAppDelegate::isValidImage(const QString &path)
{
    if (isDirectory(path))
        return false;
    return allowedFormats.contains(pathExtension(fileNameOf(path)).toLower());
}

QStringList ZAVAppDelegate::collectImages(const QStringList &paths)
{
    namespace fs = std::filesystem;
    QStringList images;
    for (const QString &path : paths) {
        if (!pathExists(path))
            continue;
        if (!isDirectory(path)) {
            if (isValidImage(path))
                images.append(path);
            continue;
        }
        // Links to folders are listed but not followed, so a loop of links ends; folders that
        // cannot be read are passed over.
        const fs::path folder(encodePath(path).toStdString());
        std::error_code error;
        fs::recursive_directory_iterator entry(folder, fs::directory_options::skip_permission_denied, error);
        for (; !error && entry != fs::recursive_directory_iterator(); entry.increment(error)) {
            const QByteArray relative = QByteArray::fromStdString(entry->path().lexically_relative(folder).native());
            // Hidden files and folders stay out, as in a file manager.
            if (relative.startsWith('.') || relative.contains("/.")) {
                std::error_code ignored;
                if (entry->is_directory(ignored))
                    entry.disable_recursion_pending();
                continue;
            }
            const QString joined = joinPath(path, decodePath(relative));
            if (!isDirectory(joined) && isValidImage(joined))
                images.append(joined);
        }
    }
    return images;
}
