#include "core/files/FileIo.h"

#include <cerrno>
#include <cstdint>
#include <unistd.h>

namespace {

// Calls `io` for what is left of `count` bytes until it is all done, the file ends (io gives 0)
// or an error other than a signal; the number done, or -1.
template <typename Io> ssize_t whole(std::size_t count, Io io) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t step = io(done);
        if (step < 0 && errno == EINTR)
            continue;
        if (step < 0)
            return -1;
        if (step == 0)
            break;
        done += std::size_t(step);
    }
    return ssize_t(done);
}

// Whether all `count` bytes were written; a write that took none says no why, so EIO does.
bool allWritten(ssize_t written, std::size_t count) {
    if (written >= 0 && std::size_t(written) < count)
        errno = EIO;
    return written >= 0 && std::size_t(written) == count;
}

} // namespace

ssize_t readSomeAt(int fd, void *into, std::size_t count, off_t offset) {
    auto *bytes = static_cast<std::uint8_t *>(into);
    return whole(count, [&](std::size_t done) {
        return ::pread(fd, bytes + done, count - done, offset + off_t(done));
    });
}

bool readExactlyAt(int fd, void *into, std::size_t count, off_t offset) {
    return readSomeAt(fd, into, count, offset) == ssize_t(count);
}

ssize_t readSome(int fd, void *into, std::size_t count) {
    ssize_t got;
    do
        got = ::read(fd, into, count);
    while (got < 0 && errno == EINTR);
    return got;
}

bool writeAllAt(int fd, const void *from, std::size_t count, off_t offset) {
    const auto *bytes = static_cast<const std::uint8_t *>(from);
    const auto step = [&](std::size_t done) {
        return ::pwrite(fd, bytes + done, count - done, offset + off_t(done));
    };
    return allWritten(whole(count, step), count);
}

bool writeAll(int fd, const void *from, std::size_t count) {
    const auto *bytes = static_cast<const std::uint8_t *>(from);
    const auto step = [&](std::size_t done) { return ::write(fd, bytes + done, count - done); };
    return allWritten(whole(count, step), count);
}
