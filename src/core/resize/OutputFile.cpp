#include "core/resize/OutputFile.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "core/app/Log.h"
#include "core/app/Logging.h"
#include "core/files/FilePaths.h"
#include "core/files/FolderEntries.h"
#include "core/resize/OutputName.h"

namespace {

// The name of a temporary file where the file system makes no unnamed ones (FAT, exFAT, NFS) or
// /proc is missing: hidden, and ours by its name, its mark and its lock.
const char temporaryPrefix[] = ".sardoxa-";
// Every output keeps an image's extension, so no output can end like this: the start-up clean-up
// never mistakes a real output, whatever its source was called, for a leftover.
const char temporarySuffix[] = ".partial";

// How long a temporary file must have been left alone before a start may remove it: far more
// than the moment between its creation and its lock.
constexpr int leftoverAgeSeconds = 60;

// An open-file-description lock: the file is in use as long as this descriptor is open.
bool holdLock(int fd) {
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

// Set on every named temporary file while it is written, so that the clean-up takes only files
// this program made: a user's own file may have a name like ours, but not this attribute. Where
// the file system keeps no user attributes either (FAT, exFAT, NFSv3), leftovers stay rather than
// risk a user's file.
const char markName[] = "user.sardoxa";
const char markValue[] = "partial";

// Marks the file as ours, and holds its lock until it has its final name: a later start knows
// it is in use.
void mark(int fd) {
    holdLock(fd);
    ::fsetxattr(fd, markName, markValue, sizeof markValue - 1, 0);
}

bool isMarked(int fd) {
    char value[sizeof markValue] = {};
    return ::fgetxattr(fd, markName, value, sizeof value) == sizeof markValue - 1 &&
           std::memcmp(value, markValue, sizeof markValue - 1) == 0;
}

// Why the temporary file open on `fd` stays, or nothing for a leftover of ours to remove, with
// `info` filled and its lock held.
const char *reasonToKeep(const UniqueFd &fd, struct stat &info) {
    if (!fd.isValid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return "(not a regular file that opens)";
    if (info.st_uid != ::geteuid())
        return "(another user's)";
    if (std::time(nullptr) - info.st_mtime < leftoverAgeSeconds)
        return "(touched recently)";
    if (!isMarked(fd.get()))
        return "(not marked as ours)";
    if (!holdLock(fd.get()))
        return "(in use)";
    return nullptr;
}

enum class Placement { Placed, Taken, Failed };

// Moves `from` to `to`, both in the folder `dir`, only if nothing is at `to`, as one atomic step.
Placement placeExclusively(int dir, const char *from, const char *to, int *error) {
    if (::renameat2(dir, from, dir, to, RENAME_NOREPLACE) == 0)
        return Placement::Placed;
    if (errno == EEXIST)
        return Placement::Taken;
    if (errno != EINVAL && errno != ENOSYS) {
        *error = errno;
        return Placement::Failed;
    }
    // File systems without an exclusive rename: a hard link fails as well when the name exists.
    if (::linkat(dir, from, dir, to, 0) == 0) {
        ::unlinkat(dir, from, 0);
        return Placement::Placed;
    }
    if (errno == EEXIST)
        return Placement::Taken;
    if (errno != EPERM && errno != EOPNOTSUPP) {
        *error = errno;
        return Placement::Failed;
    }
    // No hard links either (FAT): claim the name exclusively, then move over the claim.
    const int claim = ::openat(dir, to, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (claim < 0) {
        *error = errno;
        return errno == EEXIST ? Placement::Taken : Placement::Failed;
    }
    ::close(claim);
    if (::renameat(dir, from, dir, to) == 0)
        return Placement::Placed;
    *error = errno;
    ::unlinkat(dir, to, 0);
    return Placement::Failed;
}

// The name through which the unnamed file open on `fd` is linked into a folder.
QByteArray selfPath(int fd) {
    return "/proc/self/fd/" + QByteArray::number(fd);
}

// Whether /proc leads to the unnamed file open on `fd`, so that it can be given a name later.
bool linkable(int fd) {
    struct stat file, found;
    return ::fstat(fd, &file) == 0 && ::stat(selfPath(fd).constData(), &found) == 0 &&
           file.st_dev == found.st_dev && file.st_ino == found.st_ino;
}

// Gives the unnamed file open on `fd` the name `to` in the folder `dir`, only if nothing has it.
Placement linkUnnamed(int fd, int dir, const char *to, int *error) {
    if (::linkat(AT_FDCWD, selfPath(fd).constData(), dir, to, AT_SYMLINK_FOLLOW) == 0)
        return Placement::Placed;
    *error = errno;
    return errno == EEXIST ? Placement::Taken : Placement::Failed;
}

// Copies the whole of `from` into `to`.
bool copyContents(int from, int to) {
    struct stat info;
    if (::fstat(from, &info) != 0)
        return false;
    loff_t in = 0;
    while (in < info.st_size) {
        const ssize_t copied = ::copy_file_range(from, &in, to, nullptr, info.st_size - in, 0);
        if (copied <= 0)
            return false;
    }
    return true;
}

bool isTemporaryName(const char *name) {
    const std::size_t length = std::strlen(name);
    const std::size_t prefix = sizeof temporaryPrefix - 1;
    const std::size_t suffix = sizeof temporarySuffix - 1;
    if (length <= prefix + suffix || std::strncmp(name, temporaryPrefix, prefix) != 0 ||
        std::strcmp(name + length - suffix, temporarySuffix) != 0)
        return false;
    for (std::size_t i = prefix; i < length - suffix; ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')))
            return false;
    }
    return true;
}

} // namespace

OutputFile::OutputFile(const QString &folder, bool remakeFolder, const QString &subfolder)
    : folder_(folder)
    , subfolder_(subfolder)
    , remakeFolder_(remakeFolder) {
    if (openFolder())
        makeTemporary();
}

OutputFile::~OutputFile() {
    // An unnamed file goes with its descriptor; a named one is removed before the descriptor
    // closes, so that its lock covers it until it is gone.
    if (!temporaryName_.isEmpty() && !placed_)
        ::unlinkat(dir_.get(), temporaryName_.constData(), 0);
}

bool OutputFile::openFolder() {
    const QByteArray path = encodePath(folder_);
    // The job's own folder: a link put in its place is never followed, and a folder removed
    // since the job began is made again, alone and as at intake; a folder above it is not.
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (remakeFolder_ ? O_NOFOLLOW : 0);
    int opened = ::open(path.constData(), flags);
    if (opened < 0 && errno == ENOENT && remakeFolder_) {
        if (::mkdir(path.constData(), 0777) == 0)
            logLine(QStringLiteral("made the output folder %1 again: it had gone").arg(folder_));
        opened = ::open(path.constData(), flags); // made by another copy when mkdir failed
    }
    const int error = errno;
    dir_.reset(opened);
    if (dir_.isValid())
        return openSubfolder();
    struct stat info;
    const bool link =
        remakeFolder_ && ::lstat(path.constData(), &info) == 0 && S_ISLNK(info.st_mode);
    error_ = link ? QStringLiteral("a link has taken the folder's place") : systemError(error);
    return false;
}

bool OutputFile::openSubfolder() {
    for (const QString &name : subfolder_.split(u'/', Qt::SkipEmptyParts)) {
        const QByteArray component = encodePath(name);
        // Made by another copy meanwhile, or by an earlier run: both are fine.
        if (::mkdirat(dir_.get(), component.constData(), 0777) != 0 && errno != EEXIST) {
            error_ = systemError();
            return false;
        }
        UniqueFd below(::openat(dir_.get(), component.constData(),
                                O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!below.isValid()) {
            error_ = errno == ENOTDIR || errno == ELOOP
                         ? QStringLiteral("%1 is not a folder").arg(name)
                         : systemError();
            return false;
        }
        dir_ = std::move(below);
    }
    return true;
}

void OutputFile::makeTemporary() {
    // Made like any new file, so that the user's umask sets its permissions. The file has no name
    // until it is whole, so that a kill leaves nothing behind; only where the file system makes
    // no unnamed files, or /proc cannot give one a name, is it a hidden file, marked and locked
    // for the start-up clean-up.
    UniqueFd unnamed(::openat(dir_.get(), ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666));
    if (unnamed.isValid() && linkable(unnamed.get())) {
        fd_ = std::move(unnamed);
        return;
    }
    // An unnamed file that the kernel lets us link through its descriptor is marked before it
    // gets its hidden name, so that a kill never leaves an unmarked one; a file made with its
    // name is marked right after.
    if (unnamed.isValid())
        mark(unnamed.get());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = temporaryPrefix +
                                QByteArray::number(QRandomGenerator::global()->generate64(), 36) +
                                temporarySuffix;
        if (unnamed.isValid()) {
            if (::linkat(unnamed.get(), "", dir_.get(), name.constData(), AT_EMPTY_PATH) == 0) {
                fd_ = std::move(unnamed);
                temporaryName_ = name;
                return;
            }
            if (errno == EEXIST)
                continue;
            unnamed.reset();
        }
        fd_.reset(::openat(dir_.get(), name.constData(),
                           O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (fd_.isValid()) {
            temporaryName_ = name;
            mark(fd_.get());
            return;
        }
        if (errno != EEXIST) {
            error_ = systemError(errno);
            return;
        }
    }
    error_ = QStringLiteral("no free temporary name");
}

bool OutputFile::moveIntoRemadeFolder() {
    if (!openFolder())
        return false;
    // An unnamed file is linked into the folder made again as well, if it is on the same file
    // system; a named one went with the old folder.
    struct stat file, folder;
    if (temporaryName_.isEmpty() && ::fstat(fd_.get(), &file) == 0 &&
        ::fstat(dir_.get(), &folder) == 0 && file.st_dev == folder.st_dev)
        return true;
    // The written file is still open: its bytes go into a new temporary file there, and the old
    // one goes when its descriptor closes.
    const UniqueFd written = std::move(fd_);
    temporaryName_.clear();
    makeTemporary();
    if (!fd_.isValid())
        return false;
    if (copyContents(written.get(), fd_.get()) && ::fsync(fd_.get()) == 0)
        return true;
    error_ = systemError();
    return false;
}

std::optional<QString> OutputFile::place(const QString &sourceName, FileType type) {
    if (::fsync(fd_.get()) != 0) {
        error_ = systemError(errno);
        return std::nullopt;
    }
    const auto candidate = [&](qint64 n) {
        return encodePath(outputFileName(sourceName, n, type));
    };
    for (bool remade = false;;) {
        // Looking first skips the names a folder of many same-named outputs has taken already;
        // the exclusive step below still settles a name taken meanwhile.
        qint64 n = firstFreeIndex([&](qint64 i) {
            struct stat info;
            return ::fstatat(dir_.get(), candidate(i).constData(), &info, AT_SYMLINK_NOFOLLOW) == 0;
        });
        for (int error = 0;; ++n) {
            const QByteArray name = candidate(n);
            const bool named = !temporaryName_.isEmpty();
            switch (named ? placeExclusively(dir_.get(), temporaryName_.constData(),
                                             name.constData(), &error)
                          : linkUnnamed(fd_.get(), dir_.get(), name.constData(), &error)) {
            case Placement::Placed:
                // Unmarked only once it has its name: a kill before that leaves a marked
                // temporary file that the clean-up takes, one after it at worst a copy with our
                // attribute.
                if (named)
                    ::fremovexattr(fd_.get(), markName);
                placed_ = true;
                return joinPath(joinPath(folder_, subfolder_), decodePath(name));
            case Placement::Taken:
                continue;
            case Placement::Failed:
                break;
            }
            // The folder went while the copy was written.
            if (error == ENOENT && remakeFolder_ && !remade && moveIntoRemadeFolder()) {
                remade = true;
                break;
            }
            if (error_.isEmpty())
                error_ = systemError(error);
            return std::nullopt;
        }
    }
}

void OutputFile::removeLeftovers(int folder) {
    // Only named temporary files, made where unnamed ones cannot be, are ever left. Walked through
    // the descriptor and never through a link, so the clean-up cannot be led into another folder;
    // only this user's unlocked temporary files, marked as ours, that nobody touched for a while
    // go.
    for (const QByteArray &name : entryNames(folder)) {
        if (!isTemporaryName(name.constData()))
            continue;
        const UniqueFd fd(
            ::openat(folder, name.constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat info;
        if (const char *keep = reasonToKeep(fd, info)) {
            qCDebug(filesLog).noquote() << "kept" << decodePath(name) << keep;
            continue;
        }
        // The name must still lead to the file that was checked.
        struct stat named;
        const bool same = ::fstatat(folder, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                          named.st_dev == info.st_dev && named.st_ino == info.st_ino;
        if (same)
            ::unlinkat(folder, name.constData(), 0);
        qCDebug(filesLog).noquote() << (same ? "removed leftover" : "kept") << decodePath(name)
                                    << (same ? "" : "(its name now leads elsewhere)");
    }
}
