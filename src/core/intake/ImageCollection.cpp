#include "core/intake/ImageCollection.h"

#include <filesystem>
#include <system_error>

#include "core/intake/FilePaths.h"
#include "core/intake/FolderNames.h"
#include "core/resize/OutputName.h"

bool isImagePath(const QString &path, const QStringList &formats) {
    if (isDirectory(path))
        return false;
    return formats.contains(pathExtension(fileNameOf(path)).toLower());
}

QStringList imagesAmong(const QStringList &paths, const QStringList &formats) {
    namespace fs = std::filesystem;
    QStringList images;
    for (const QString &path : paths) {
        if (!pathExists(path))
            continue;
        if (!isDirectory(path)) {
            if (isImagePath(path, formats))
                images.append(path);
            continue;
        }
        const fs::path folder(encodePath(path).toStdString());
        std::error_code error;
        fs::recursive_directory_iterator entry(
            folder, fs::directory_options::skip_permission_denied, error);
        for (; !error && entry != fs::recursive_directory_iterator(); entry.increment(error)) {
            const QByteArray relative =
                QByteArray::fromStdString(entry->path().lexically_relative(folder).native());
            if (relative.startsWith('.') || relative.contains("/.")) {
                std::error_code ignored;
                if (entry->is_directory(ignored))
                    entry.disable_recursion_pending();
                continue;
            }
            const QString joined = joinPath(path, decodePath(relative));
            if (isImagePath(joined, formats))
                images.append(joined);
        }
    }
    return images;
}
