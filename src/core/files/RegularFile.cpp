#include "core/files/RegularFile.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/files/FileIo.h"
#include "core/files/FilePaths.h"
#include "core/files/UniqueFd.h"

namespace {

QString notRegular(mode_t mode) {
    if (S_ISLNK(mode))
        return QStringLiteral("it is a symbolic link");
    if (S_ISDIR(mode))
        return QStringLiteral("it is a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a FIFO");
    return QStringLiteral("it is not a regular file");
}

} // namespace

std::optional<QByteArray> readRegularFile(const QString &path, qint64 limit, QString *error) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer for ever.
    const UniqueFd fd(
        ::open(encodePath(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    struct stat info;
    if (!fd.isValid() && errno == ENOENT)
        return QByteArray();
    if (!fd.isValid() && errno == ELOOP) {
        *error = notRegular(S_IFLNK);
        return std::nullopt;
    }
    if (!fd.isValid() || ::fstat(fd.get(), &info) != 0) {
        *error = systemError();
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        *error = notRegular(info.st_mode);
        return std::nullopt;
    }
    const auto tooLarge = [&](qint64 size) {
        *error = QStringLiteral("it is %1 bytes long; such a file never holds more than %2")
                     .arg(size)
                     .arg(limit);
        return std::nullopt;
    };
    if (info.st_size > limit)
        return tooLarge(info.st_size);
    QFile file;
    std::optional<QByteArray> bytes;
    // One byte more than allowed tells a file that grew meanwhile.
    if (file.open(fd.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        bytes = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return std::nullopt;
    }
    if (bytes && bytes->size() > limit)
        return tooLarge(bytes->size());
    return bytes;
}

bool replaceRegularFile(const QString &path, const QByteArray &bytes, QString *error) {
    const QByteArray name = encodePath(path);
    struct stat info;
    if (::lstat(name.constData(), &info) == 0 && !S_ISREG(info.st_mode)) {
        *error = notRegular(info.st_mode);
        return false;
    }
    // Not QSaveFile: it resolves a link at the path and replaces the link's target. rename()
    // replaces the name itself, so even a link put there after the check is replaced, never
    // written through.
    QByteArray temporary = name + ".XXXXXX";
    const UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.isValid()) {
        *error = systemError();
        return false;
    }
    if (writeAll(fd.get(), bytes.constData(), std::size_t(bytes.size())) &&
        ::fsync(fd.get()) == 0 && ::rename(temporary.constData(), name.constData()) == 0)
        return true;
    *error = systemError();
    ::unlink(temporary.constData());
    return false;
}
