#include "core/resize/TiffWriter.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <unistd.h>

static_assert(std::endian::native == std::endian::little, "the TIFF is written in host byte order");

namespace {

// About 128 KiB of raw pixels a strip: large enough for LZW to find its strings.
constexpr int stripBytes = 128 * 1024;
constexpr std::uint64_t maxOffset = std::numeric_limits<std::uint32_t>::max();

enum Type : std::uint16_t { Ascii = 2, Short = 3, Long = 4, Rational = 5, Undefined = 7 };

enum Tag : std::uint16_t {
    ImageWidth = 256,
    ImageLength = 257,
    BitsPerSample = 258,
    Compression = 259,
    PhotometricInterpretation = 262,
    StripOffsets = 273,
    SamplesPerPixel = 277,
    RowsPerStrip = 278,
    StripByteCounts = 279,
    XResolution = 282,
    YResolution = 283,
    PlanarConfiguration = 284,
    ResolutionUnit = 296,
    Predictor = 317,
    ExtraSamples = 338,
    SampleFormat = 339,
    IccProfile = 34675,
};

struct Entry {
    Tag tag;
    Type type;
    std::uint32_t count;
    std::vector<std::uint8_t> value; // little-endian bytes
};

template <typename T> void append(std::vector<std::uint8_t> &bytes, T value) {
    const auto *raw = reinterpret_cast<const std::uint8_t *>(&value);
    bytes.insert(bytes.end(), raw, raw + sizeof value);
}

Entry shorts(Tag tag, const std::vector<std::uint16_t> &values) {
    Entry entry{tag, Short, static_cast<std::uint32_t>(values.size()), {}};
    for (const std::uint16_t v : values)
        append(entry.value, v);
    return entry;
}

Entry longs(Tag tag, const std::vector<std::uint32_t> &values) {
    Entry entry{tag, Long, static_cast<std::uint32_t>(values.size()), {}};
    for (const std::uint32_t v : values)
        append(entry.value, v);
    return entry;
}

Entry rational(Tag tag, double value) {
    // Resolutions are whole or simple numbers; a denominator of 1000 keeps three decimals.
    Entry entry{tag, Rational, 1, {}};
    append(entry.value, static_cast<std::uint32_t>(std::lround(value * 1000)));
    append(entry.value, std::uint32_t{1000});
    return entry;
}

template <typename T> void differenceRow(T *row, int samples, int samplesPerPixel) {
    for (int i = samples - 1; i >= samplesPerPixel; --i)
        row[i] = static_cast<T>(row[i] - row[i - samplesPerPixel]);
}

} // namespace

TiffWriter::TiffWriter(int fd, const TiffFormat &format)
    : fd_(fd)
    , format_(format)
    , rowsPerStrip_(std::clamp(stripBytes / std::max(1, format.bytesPerRow()), 1,
                               std::max(1, format.height))) {
    const char header[8] = {'I', 'I', 42, 0, 0, 0, 0, 0}; // the directory's offset comes last
    write(header, sizeof header);
}

void TiffWriter::predict(std::uint8_t *rows, int rowCount) const {
    if (format_.floatingPoint)
        return;
    const int samples = format_.width * format_.samplesPerPixel;
    for (int r = 0; r < rowCount; ++r) {
        std::uint8_t *row = rows + std::size_t(r) * format_.bytesPerRow();
        if (format_.bitsPerSample == 16)
            differenceRow(reinterpret_cast<std::uint16_t *>(row), samples, format_.samplesPerPixel);
        else
            differenceRow(row, samples, format_.samplesPerPixel);
    }
}

bool TiffWriter::writeStrip(std::uint8_t *rows, int rowCount) {
    predict(rows, rowCount);
    const std::size_t length =
        encoder_.encode(rows, std::size_t(rowCount) * format_.bytesPerRow(), compressed_);
    stripOffsets_.push_back(static_cast<std::uint32_t>(offset_));
    stripByteCounts_.push_back(static_cast<std::uint32_t>(length));
    return write(compressed_.data(), length);
}

bool TiffWriter::finish() {
    const auto samples = static_cast<std::uint16_t>(format_.samplesPerPixel);
    std::vector<Entry> entries{
        longs(ImageWidth, {std::uint32_t(format_.width)}),
        longs(ImageLength, {std::uint32_t(format_.height)}),
        shorts(BitsPerSample,
               std::vector<std::uint16_t>(samples, std::uint16_t(format_.bitsPerSample))),
        shorts(Compression, {5}),
        shorts(PhotometricInterpretation, {static_cast<std::uint16_t>(format_.photometric)}),
        longs(StripOffsets, stripOffsets_),
        shorts(SamplesPerPixel, {samples}),
        longs(RowsPerStrip, {std::uint32_t(rowsPerStrip_)}),
        longs(StripByteCounts, stripByteCounts_),
        rational(XResolution, format_.dotsPerInch),
        rational(YResolution, format_.dotsPerInch),
        shorts(PlanarConfiguration, {1}),
        shorts(ResolutionUnit, {2}), // inch
        shorts(Predictor, {std::uint16_t(format_.floatingPoint ? 1 : 2)}),
    };
    if (format_.alpha)
        entries.push_back(shorts(ExtraSamples, {2})); // unassociated alpha
    entries.push_back(
        shorts(SampleFormat, std::vector<std::uint16_t>(samples, format_.floatingPoint ? 3 : 1)));
    if (!format_.iccProfile.empty())
        entries.push_back(
            {IccProfile, Undefined, std::uint32_t(format_.iccProfile.size()), format_.iccProfile});

    // The directory starts on a word boundary; values longer than four bytes follow it.
    if (offset_ % 2 != 0 && !write("", 1))
        return false;
    const std::uint64_t directory = offset_;
    std::uint64_t outside = directory + 2 + entries.size() * 12 + 4;
    std::vector<std::uint8_t> table;
    std::vector<std::uint8_t> values;
    append(table, static_cast<std::uint16_t>(entries.size()));
    for (const Entry &entry : entries) {
        append(table, entry.tag);
        append(table, entry.type);
        append(table, entry.count);
        if (entry.value.size() <= 4) {
            std::uint8_t inline_[4] = {};
            std::copy(entry.value.begin(), entry.value.end(), inline_);
            table.insert(table.end(), inline_, inline_ + 4);
        } else {
            append(table, static_cast<std::uint32_t>(outside + values.size()));
            values.insert(values.end(), entry.value.begin(), entry.value.end());
            if (values.size() % 2 != 0)
                values.push_back(0);
        }
    }
    append(table, std::uint32_t{0}); // no further image
    if (outside + values.size() > maxOffset) {
        error_ = EFBIG;
        return false;
    }
    const auto directoryOffset = static_cast<std::uint32_t>(directory);
    return write(table.data(), table.size()) && write(values.data(), values.size()) &&
           writeAt(4, &directoryOffset, sizeof directoryOffset);
}

bool TiffWriter::write(const void *data, std::size_t size) {
    if (error_ != 0)
        return false;
    if (offset_ + size > maxOffset) {
        error_ = EFBIG; // beyond what a classic TIFF can address
        return false;
    }
    if (!writeAt(offset_, data, size))
        return false;
    offset_ += size;
    return true;
}

bool TiffWriter::writeAt(std::uint64_t offset, const void *data, std::size_t size) {
    const auto *bytes = static_cast<const std::uint8_t *>(data);
    while (size > 0) {
        const ssize_t written = ::pwrite(fd_, bytes, size, static_cast<off_t>(offset));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            error_ = errno;
            return false;
        }
        bytes += written;
        offset += static_cast<std::uint64_t>(written);
        size -= static_cast<std::size_t>(written);
    }
    return true;
}
