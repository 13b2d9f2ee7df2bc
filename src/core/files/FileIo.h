#pragma once

#include <cstddef>
#include <sys/types.h>

// Reads and writes that go on until they are done: a signal in between is no failure, and any
// other error ends them with errno as the system left it. Those at an offset use pread() and
// pwrite(), so that the descriptor's own offset is left alone.

// Reads `count` bytes at `offset` into `into`, fewer only where the file ends; the number read,
// or -1.
ssize_t readSomeAt(int fd, void *into, std::size_t count, off_t offset);

// Reads exactly `count` bytes at `offset` into `into`; false when the file ends first or a read
// fails.
bool readExactlyAt(int fd, void *into, std::size_t count, off_t offset);

// Reads what one read() gives from the descriptor's position, at most `count` bytes, as a pipe
// hands it over; the number read, 0 at the end, or -1.
ssize_t readSome(int fd, void *into, std::size_t count);

// Writes the `count` bytes of `from` at `offset`; false when a write fails.
bool writeAllAt(int fd, const void *from, std::size_t count, off_t offset);

// Writes the `count` bytes of `from` at the descriptor's position; false when a write fails.
bool writeAll(int fd, const void *from, std::size_t count);
