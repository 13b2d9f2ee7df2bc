#include "core/intake/ImageCollection.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <vector>

#include "core/app/Logging.h"
#include "core/files/FilePaths.h"
#include "core/resize/OutputName.h"

namespace {

namespace fs = std::filesystem;

QString pathOf(const fs::path &path) {
    return decodePath(QByteArray::fromStdString(path.native()));
}

QString reasonOf(const std::error_code &error) {
    return QString::fromLocal8Bit(error.message().c_str());
}

bool hasImageExtension(const QString &path, const QStringList &formats) {
    return formats.contains(pathExtension(fileNameOf(path)).toLower());
}

// What is at `path`, links followed; nothing, with `path` named among the unreadable, when it
// cannot be reached.
std::optional<mode_t> reach(const QString &path, CollectedImages &found) {
    struct stat info;
    if (::stat(encodePath(path).constData(), &info) == 0)
        return info.st_mode;
    found.unreadable.append({path, systemError()});
    return std::nullopt;
}

// Lists `folder` at any depth, depth first as the file system lists each folder. Every folder
// has a listing of its own, so one that fails ends only itself.
void walk(const QString &folder, const QStringList &formats, CollectedImages &found) {
    std::vector<fs::directory_iterator> listings;
    const auto enter = [&](const fs::path &path) {
        std::error_code error;
        fs::directory_iterator listing(path, error);
        if (error)
            found.unreadable.append({pathOf(path), reasonOf(error)});
        else
            listings.push_back(std::move(listing));
    };
    enter(fs::path(encodePath(folder).toStdString()));
    while (!listings.empty()) {
        fs::directory_iterator &listing = listings.back();
        if (listing == fs::directory_iterator()) {
            listings.pop_back();
            continue;
        }
        const fs::directory_entry entry = *listing;
        std::error_code error;
        listing.increment(error);
        if (error) {
            found.unreadable.append({pathOf(entry.path().parent_path()), reasonOf(error)});
            listings.pop_back();
        }
        if (entry.path().filename().native().starts_with('.')) {
            qCDebug(intakeLog).noquote() << "passed over" << pathOf(entry.path()) << "(hidden)";
            continue;
        }
        const fs::file_status status = entry.symlink_status(error);
        if (error)
            found.unreadable.append({pathOf(entry.path()), reasonOf(error)});
        else if (fs::is_directory(status))
            enter(entry.path());
        else if (const QString path = pathOf(entry.path()); hasImageExtension(path, formats)) {
            // Links are followed here, so a dangling one is named as what it is.
            if (const std::optional<mode_t> type = reach(path, found); type && !S_ISDIR(*type))
                found.images.append(path);
        } else {
            qCDebug(intakeLog).noquote() << "passed over" << path << "(no image extension)";
        }
    }
}

} // namespace

bool isImagePath(const QString &path, const QStringList &formats) {
    return !isDirectory(path) && hasImageExtension(path, formats);
}

CollectedImages imagesAmong(const QStringList &paths, const QStringList &formats) {
    CollectedImages found;
    for (const QString &path : paths) {
        const std::optional<mode_t> type = reach(path, found);
        if (type && S_ISDIR(*type))
            walk(path, formats, found);
        else if (type && hasImageExtension(path, formats))
            found.images.append(path);
        else if (type) // named by the user, so not passed over in silence
            found.unreadable.append({path, QStringLiteral("not an image Sardoxa reads")});
    }
    for (const QString &image : std::as_const(found.images))
        qCDebug(intakeLog).noquote() << "collected" << image;
    for (const auto &[path, reason] : std::as_const(found.unreadable))
        qCDebug(intakeLog).noquote().nospace() << "skipped " << path << ": " << reason;
    return found;
}
