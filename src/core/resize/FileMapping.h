#pragma once

#include <cstddef>
#include <sys/mman.h>

// A private mapping of a whole file, released with it. Written pages stay the process's own: the
// file never changes through it.
class FileMapping {
public:
    FileMapping(int fd, std::size_t size)
        : size_(size)
        , data_(size == 0 ? MAP_FAILED
                          : ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0)) {}
    ~FileMapping() {
        if (data_ != MAP_FAILED)
            ::munmap(data_, size_);
    }
    FileMapping(const FileMapping &) = delete;
    FileMapping &operator=(const FileMapping &) = delete;

    bool isValid() const { return data_ != MAP_FAILED; }
    unsigned char *data() const { return static_cast<unsigned char *>(data_); }
    std::size_t size() const { return size_; }

private:
    std::size_t size_;
    void *data_;
};
