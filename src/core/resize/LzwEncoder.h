#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Compresses bytes with the LZW of TIFF (compression 5): codes of 9 to 12 bits written most
// significant bit first, a clear code first and whenever the table fills, an end code last. The
// code width changes where libtiff's decoder expects it. One encoder keeps its table between
// calls to save the allocation; it is not shared between threads.
class LzwEncoder {
public:
    LzwEncoder();

    // Compresses `size` bytes at `data` into the start of `out`, which grows as needed but never
    // shrinks, and returns the compressed length.
    std::size_t encode(const std::uint8_t *data, std::size_t size, std::vector<std::uint8_t> &out);

private:
    struct Slot {
        std::uint32_t key; // (prefix code << 8) | next byte
        std::uint16_t code;
        std::uint16_t round; // the table round the slot was filled in; older rounds count as empty
    };

    void startRound();

    std::vector<Slot> slots_;
    std::uint16_t round_ = 0;
};
