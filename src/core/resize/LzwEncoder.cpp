#include "core/resize/LzwEncoder.h"

#include <algorithm>

namespace {

constexpr int clearCode = 256;
constexpr int endCode = 257;
constexpr int firstCode = 258;
constexpr int minBits = 9;
constexpr int maxBits = 12;
// libtiff clears the table when the next free code would be 4094.
constexpr int tableFull = (1 << maxBits) - 2;
// A power of two at least twice the number of codes keeps probe chains short.
constexpr std::uint32_t slotBits = 13;
constexpr std::uint32_t slotCount = 1u << slotBits;

// Packs codes most significant bit first into a buffer that is large enough for them.
class BitWriter {
public:
    explicit BitWriter(std::uint8_t *out)
        : out_(out) {}

    void put(std::uint32_t code, int bits) {
        buffer_ = (buffer_ << bits) | code;
        pending_ += bits;
        if (pending_ >= 16) {
            pending_ -= 8;
            *out_++ = static_cast<std::uint8_t>(buffer_ >> pending_);
            pending_ -= 8;
            *out_++ = static_cast<std::uint8_t>(buffer_ >> pending_);
        } else if (pending_ >= 8) {
            pending_ -= 8;
            *out_++ = static_cast<std::uint8_t>(buffer_ >> pending_);
        }
    }

    std::uint8_t *flush() {
        if (pending_ > 0)
            *out_++ = static_cast<std::uint8_t>(buffer_ << (8 - pending_));
        pending_ = 0;
        return out_;
    }

private:
    std::uint8_t *out_;
    std::uint64_t buffer_ = 0;
    int pending_ = 0;
};

inline std::uint32_t slotOf(std::uint32_t key) {
    return (key * 2654435761u) >> (32 - slotBits);
}

} // namespace

LzwEncoder::LzwEncoder()
    : slots_(slotCount, Slot{0, 0, 0}) {}

void LzwEncoder::startRound() {
    if (++round_ == 0) {
        // After 65535 rounds the stamps wrap: forget every slot for real, once.
        std::fill(slots_.begin(), slots_.end(), Slot{0, 0, 0});
        round_ = 1;
    }
}

std::size_t LzwEncoder::encode(const std::uint8_t *data, std::size_t size,
                               std::vector<std::uint8_t> &out) {
    // At most one code of at most 12 bits per byte, and a clear code per table of 3836 codes.
    const std::size_t bound = size + size / 2 + size / 1024 + 16;
    if (out.size() < bound)
        out.resize(bound);
    BitWriter bits(out.data());
    Slot *const slots = slots_.data();

    int width = minBits;
    std::uint32_t nextCode = firstCode;
    std::uint32_t limit = (1u << width) - 1;
    startRound();
    std::uint16_t round = round_;
    bits.put(clearCode, width);
    if (size == 0) {
        bits.put(endCode, width);
        return static_cast<std::size_t>(bits.flush() - out.data());
    }

    std::uint32_t prefix = data[0];
    for (std::size_t i = 1; i < size; ++i) {
        const std::uint32_t key = (prefix << 8) | data[i];
        std::uint32_t slot = slotOf(key);
        while (slots[slot].round == round && slots[slot].key != key)
            slot = (slot + 1) & (slotCount - 1);
        Slot &found = slots[slot];
        if (found.round == round) {
            prefix = found.code;
            continue;
        }
        // A new string: emit its longest known prefix and remember the string.
        bits.put(prefix, width);
        prefix = data[i];
        found = Slot{key, static_cast<std::uint16_t>(nextCode), round};
        ++nextCode;
        if (nextCode == tableFull) {
            bits.put(clearCode, width);
            startRound();
            round = round_;
            nextCode = firstCode;
            width = minBits;
            limit = (1u << width) - 1;
        } else if (nextCode > limit) {
            ++width;
            limit = (1u << width) - 1;
        }
    }
    bits.put(prefix, width);
    // The decoder adds one more entry after the last code, so the end code follows the same
    // rules for the table's size as any other code.
    ++nextCode;
    if (nextCode == tableFull) {
        bits.put(clearCode, width);
        width = minBits;
    } else if (nextCode > limit) {
        ++width;
    }
    bits.put(endCode, width);
    return static_cast<std::size_t>(bits.flush() - out.data());
}
