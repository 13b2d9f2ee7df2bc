#pragma once

#include <cstddef>
#include <sys/types.h>

// Reads exactly `count` bytes at `offset` of the file open on `fd` into `into`, with pread(), so
// that the descriptor's own offset is left alone; a signal in between is no failure. False when
// the file ends first or a read fails.
bool readExactlyAt(int fd, void *into, std::size_t count, off_t offset);
