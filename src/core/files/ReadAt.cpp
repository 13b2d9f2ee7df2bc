#include "core/files/ReadAt.h"

#include <cerrno>
#include <cstdint>
#include <unistd.h>

bool readExactlyAt(int fd, void *into, std::size_t count, off_t offset) {
    auto *bytes = static_cast<std::uint8_t *>(into);
    while (count > 0) {
        const ssize_t got = ::pread(fd, bytes, count, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        bytes += got;
        count -= std::size_t(got);
        offset += got;
    }
    return true;
}
