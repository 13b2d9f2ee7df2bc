#include "OutputFile.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <QDir>

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "OutputName.h"
#include "intake/FilePaths.h"
#include "intake/FolderNames.h"

namespace {

const char temporaryPrefix[] = ".sardoxa-";

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// How long a temporary file must have been left alone before a start may remove it: far more
// than the moment between its creation and its lock.
constexpr int leftoverAgeSeconds = 60;

// An open-file-description lock: the file is in use as long as this descriptor is open.
bool holdLock(int fd)
{
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

enum class Placement { Placed, Taken, Failed };

// Moves `from` to `to` only if nothing is at `to`, as one atomic step.
Placement placeExclusively(const QByteArray &from, const QByteArray &to, int *error)
{
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return Placement::Placed;
    if (errno == EEXIST)
        return Placement::Taken;
    if (errno != EINVAL && errno != ENOSYS) {
        *error = errno;
        return Placement::Failed;
    }
    // File systems without an exclusive rename: a hard link fails as well when the name exists.
    if (::link(from.constData(), to.constData()) == 0) {
        ::unlink(from.constData());
        return Placement::Placed;
    }
    if (errno == EEXIST)
        return Placement::Taken;
    if (errno != EPERM && errno != EOPNOTSUPP) {
        *error = errno;
        return Placement::Failed;
    }
    // No hard links either (FAT): claim the name exclusively, then move over the claim.
    const int claim = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (claim < 0) {
        *error = errno;
        return errno == EEXIST ? Placement::Taken : Placement::Failed;
    }
    ::close(claim);
    if (::rename(from.constData(), to.constData()) == 0)
        return Placement::Placed;
    *error = errno;
    ::unlink(to.constData());
    return Placement::Failed;
}

} // namespace

OutputFile::OutputFile(const QString &folder)
    : folder_(folder)
{
    // Made like any new file, so that the user's umask sets its permissions.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = QLatin1String(temporaryPrefix)
                             + QString::number(QRandomGenerator::global()->generate64(), 36)
                             + QStringLiteral(".tif");
        const QString path = joinPath(folder, name);
        fd_ = ::open(encodePath(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            temporaryPath_ = path;
            // Held until the file has its final name: a later start knows it is in use.
            holdLock(fd_);
            return;
        }
        if (errno != EEXIST) {
            error_ = systemError(errno);
            return;
        }
    }
    error_ = QStringLiteral("no free temporary name");
}

OutputFile::~OutputFile()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!temporaryPath_.isEmpty() && !placed_)
        ::unlink(encodePath(temporaryPath_).constData());
}

std::optional<QString> OutputFile::place(const QString &sourceName)
{
    const QByteArray from = encodePath(temporaryPath_);
    int error = 0;
    if (::fsync(fd_) != 0) {
        error_ = systemError(errno);
        return std::nullopt;
    }
    for (qint64 n = 0;; ++n) {
        const QString path = joinPath(folder_, outputFileName(sourceName, n));
        switch (placeExclusively(from, encodePath(path), &error)) {
        case Placement::Placed:
            placed_ = true;
            return path;
        case Placement::Taken:
            continue;
        case Placement::Failed:
            error_ = systemError(error);
            return std::nullopt;
        }
    }
}

void OutputFile::removeLeftovers(const QString &folder)
{
    const QStringList names = QDir(folder).entryList({QLatin1String(temporaryPrefix) + QStringLiteral("*.tif")},
                                                     QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        const QByteArray path = encodePath(joinPath(folder, name));
        struct stat info;
        if (::lstat(path.constData(), &info) != 0 || !S_ISREG(info.st_mode)
            || std::time(nullptr) - info.st_mtime < leftoverAgeSeconds)
            continue;
        const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        if (holdLock(fd))
            ::unlink(path.constData());
        ::close(fd);
    }
}
