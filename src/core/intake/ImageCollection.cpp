#include "core/intake/ImageCollection.h"

#include <QDir>

#include <algorithm>
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

// A folder's entries in the order of their names, so that every run takes them alike, with the
// folder its copies go into when folders are kept.
struct Listing {
    std::vector<fs::directory_entry> entries;
    std::size_t next = 0;
    QString place;
};

// Lists `folder` at any depth, depth first, each folder's entries in the order of their names.
// Every folder has a listing of its own, so one that fails ends only itself; what it listed
// before is kept.
void walk(const QString &folder, const QStringList &formats, CollectedImages &found) {
    std::vector<Listing> listings;
    const auto enter = [&](const fs::path &path, const QString &place) {
        std::error_code error;
        Listing listing{{}, 0, place};
        for (fs::directory_iterator entry(path, error), end; !error && entry != end;
             entry.increment(error))
            listing.entries.push_back(*entry);
        if (error)
            found.unreadable.append({pathOf(path), reasonOf(error)});
        std::sort(listing.entries.begin(), listing.entries.end(),
                  [](const fs::directory_entry &a, const fs::directory_entry &b) {
                      return a.path().filename().native() < b.path().filename().native();
                  });
        listings.push_back(std::move(listing));
    };
    // The folder's own name, as the user sees it: `trip/` and `trip/.` are `trip`.
    enter(fs::path(encodePath(folder).toStdString()), fileNameOf(QDir::cleanPath(folder)));
    while (!listings.empty()) {
        Listing &listing = listings.back();
        if (listing.next == listing.entries.size()) {
            listings.pop_back();
            continue;
        }
        const fs::directory_entry entry = listing.entries[listing.next++];
        const QString place = listing.place; // entering a folder moves the listings
        const QString name = pathOf(entry.path().filename());
        if (name.startsWith(QLatin1Char('.'))) {
            qCDebug(intakeLog).noquote() << "passed over" << pathOf(entry.path()) << "(hidden)";
            continue;
        }
        std::error_code error;
        const fs::file_status status = entry.symlink_status(error);
        if (error)
            found.unreadable.append({pathOf(entry.path()), reasonOf(error)});
        else if (fs::is_directory(status))
            enter(entry.path(), place.isEmpty() ? name : place + u'/' + name);
        else if (const QString path = pathOf(entry.path()); hasImageExtension(path, formats)) {
            // Links are followed here, so a dangling one is named as what it is.
            if (const std::optional<mode_t> type = reach(path, found); type && !S_ISDIR(*type)) {
                found.images.append(path);
                found.places.append(place);
            }
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
        else if (type && hasImageExtension(path, formats)) {
            found.images.append(path);
            found.places.append(QString());
        } else if (type) // named by the user, so not passed over in silence
            found.unreadable.append({path, QStringLiteral("not an image Sardoxa reads")});
    }
    for (const QString &image : std::as_const(found.images))
        qCDebug(intakeLog).noquote() << "collected" << image;
    for (const auto &[path, reason] : std::as_const(found.unreadable))
        qCDebug(intakeLog).noquote().nospace() << "skipped " << path << ": " << reason;
    return found;
}

CollectedImages imagesOfShard(const CollectedImages &found, const Shard &shard, bool keepFolders,
                              FileType type) {
    CollectedImages taken{{}, {}, found.unreadable};
    for (qsizetype i = 0; i < found.images.size(); ++i) {
        const QString place = found.places.value(i);
        if (belongsTo(
                copyNameKey(keepFolders ? place : QString(), fileNameOf(found.images[i]), type),
                shard)) {
            taken.images.append(found.images[i]);
            taken.places.append(place);
        }
    }
    return taken;
}
