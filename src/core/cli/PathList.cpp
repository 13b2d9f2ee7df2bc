#include "core/cli/PathList.h"

#include <QSet>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "core/cli/CommandLine.h"
#include "core/files/FileIo.h"
#include "core/files/FilePaths.h"
#include "core/files/UniqueFd.h"

namespace {

// PATH_MAX counts the NUL that ends a path.
constexpr qsizetype longestPath = PATH_MAX - 1;
constexpr qsizetype shownOfTooLong = 60;

// One entry of the list as it comes in, possibly over several blocks.
class Entries {
public:
    Entries(const QString &workingFolder)
        : folder_(workingFolder) {}

    void add(const char *bytes, qsizetype count) {
        bytes_.append(bytes, std::min(count, longestPath - bytes_.size()));
        length_ += count;
    }

    void end() {
        if (length_ > longestPath) {
            listed_.skipped.append(
                {decodePath(bytes_.first(shownOfTooLong)) + QChar(0x2026),
                 QStringLiteral("listed with %1 bytes, longer than any path can be").arg(length_)});
        } else if (length_ > 0) {
            const QString path = decodePath(bytes_);
            const QString absolute = absolutePath(path, folder_);
            if (!seen_.contains(absolute)) {
                seen_.insert(absolute);
                listed_.paths.append(absolute);
            }
        }
        bytes_.clear();
        length_ = 0;
    }

    ListedPaths listed() const { return listed_; }

private:
    const QString folder_;
    QByteArray bytes_; // the entry's first bytes, no more than a path may have
    qint64 length_ = 0;
    ListedPaths listed_;
    QSet<QString> seen_;
};

} // namespace

std::optional<ListedPaths> readPathList(int fd, bool nulSeparated, const QString &workingFolder,
                                        QString *error) {
    const char separator = nulSeparated ? '\0' : '\n';
    Entries entries(workingFolder);
    QByteArray block(64 * 1024, Qt::Uninitialized);
    for (;;) {
        const ssize_t count = readSome(fd, block.data(), static_cast<std::size_t>(block.size()));
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // A descriptor handed over non-blocking: wait for more.
            pollfd ready{fd, POLLIN, 0};
            ::poll(&ready, 1, -1);
            continue;
        }
        if (count < 0) {
            *error = systemError();
            return std::nullopt;
        }
        if (count == 0)
            break;
        for (const char *at = block.constData(), *end = at + count; at < end;) {
            const auto *separatorAt =
                static_cast<const char *>(std::memchr(at, separator, std::size_t(end - at)));
            entries.add(at, (separatorAt ? separatorAt : end) - at);
            if (!separatorAt)
                break;
            entries.end();
            at = separatorAt + 1;
        }
    }
    entries.end();
    return entries.listed();
}

std::optional<ListedPaths> readFilesFrom(const CommandLine &command, QString *error) {
    const QString folder = workingFolder();
    if (command.filesFrom == QLatin1String("-")) {
        if (command.standardInputClosed) {
            *error = QStringLiteral("there is no standard input: it was closed");
            return std::nullopt;
        }
        return readPathList(STDIN_FILENO, command.nulSeparated, folder, error);
    }
    const UniqueFd opened(::open(encodePath(command.filesFrom).constData(), O_RDONLY | O_CLOEXEC));
    if (!opened.isValid()) {
        *error = systemError();
        return std::nullopt;
    }
    return readPathList(opened.get(), command.nulSeparated, folder, error);
}
