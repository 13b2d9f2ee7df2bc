#include "core/resize/HeifDecoder.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include <libheif/heif.h>

#include "core/files/FileIo.h"
#include "core/resize/HeaderFields.h"
#include "core/resize/ThreadErrors.h"

namespace HeifDecoder {

namespace {

struct HeifImageRelease {
    void operator()(heif_image *image) const { heif_image_release(image); }
};
using HeifImage = std::unique_ptr<heif_image, HeifImageRelease>;

// libheif reads the file through this, with pread(), so the descriptor's offset is left alone.
struct Reader {
    int fd;
    std::int64_t size;
    std::int64_t position = 0;
};

heif_reader readerCalls() {
    heif_reader calls{};
    calls.reader_api_version = 1;
    calls.get_position = [](void *reader) { return static_cast<Reader *>(reader)->position; };
    calls.read = [](void *data, std::size_t size, void *self) {
        auto &reader = *static_cast<Reader *>(self);
        if (!readExactlyAt(reader.fd, data, size, off_t(reader.position)))
            return -1;
        reader.position += std::int64_t(size);
        return 0;
    };
    calls.seek = [](std::int64_t position, void *self) {
        static_cast<Reader *>(self)->position = position;
        return 0;
    };
    calls.wait_for_file_size = [](std::int64_t target, void *self) {
        return target <= static_cast<Reader *>(self)->size
                   ? heif_reader_grow_status_size_reached
                   : heif_reader_grow_status_size_beyond_eof;
    };
    return calls;
}

[[noreturn]] void fail(const char *reason) {
    ThreadErrors::noteFailure(ThreadErrors::Decoder::Libheif, "%s", reason);
    throw vips::VError();
}

void check(const heif_error &error) {
    if (error.code != heif_error_Ok)
        fail(error.message);
}

// Packs the rows of the decoded plane together, in place, and widens samples of `bits` to 16
// bits, so that 65535 is white as libvips takes it.
void pack(std::uint8_t *plane, int stride, std::size_t rowBytes, int height, int bits) {
    for (int y = 0; y < height; ++y) {
        std::uint8_t *row = plane + std::size_t(y) * rowBytes;
        std::memmove(row, plane + std::size_t(y) * std::size_t(stride), rowBytes);
        if (bits <= 8 || bits >= 16)
            continue;
        auto *samples = reinterpret_cast<std::uint16_t *>(row);
        for (std::size_t i = 0; i < rowBytes / 2; ++i)
            samples[i] = std::uint16_t(samples[i] << (16 - bits) | samples[i] >> (2 * bits - 16));
    }
}

void released(VipsImage *, heif_image *image) {
    heif_image_release(image);
}

} // namespace
vips::VImage decode(int fd, const vips::VImage &header) {
    struct stat file {};
    if (::fstat(fd, &file) != 0)
        fail(std::strerror(errno));
    const std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(),
                                                                              heif_context_free);
    Reader reader{fd, std::int64_t(file.st_size)};
    const heif_reader calls = readerCalls();
    check(heif_context_read_from_reader(context.get(), &calls, &reader, nullptr));
    heif_image_handle *primary = nullptr;
    check(heif_context_get_primary_image_handle(context.get(), &primary));
    const std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> handle(
        primary, heif_image_handle_release);

    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const int bits = heif_image_handle_get_luma_bits_per_pixel(handle.get());
    const bool wide = bits > 8;
    const heif_chroma chroma =
        wide ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
             : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    const std::unique_ptr<heif_decoding_options, decltype(&heif_decoding_options_free)> options(
        heif_decoding_options_alloc(), heif_decoding_options_free);
    options->ignore_transformations = 0; // rotation, mirroring and crop applied, in file order
    options->convert_hdr_to_8bit = 0;
    heif_image *decoded = nullptr;
    check(heif_decode_image(handle.get(), &decoded, heif_colorspace_RGB, chroma, options.get()));
    HeifImage picture(decoded);

    const int width = heif_image_get_width(decoded, heif_channel_interleaved);
    const int height = heif_image_get_height(decoded, heif_channel_interleaved);
    int stride = 0;
    std::uint8_t *plane = heif_image_get_plane(decoded, heif_channel_interleaved, &stride);
    const int bands = alpha ? 4 : 3;
    const std::size_t rowBytes = std::size_t(width) * bands * (wide ? 2 : 1);
    if (!plane || width <= 0 || height <= 0 || std::size_t(stride) < rowBytes)
        fail("libheif decoded no picture");
    // libheif pads its rows; they are packed where they lie, so that the image libvips reads is
    // the decoded plane itself, with no second copy of the picture.
    pack(plane, stride, rowBytes, height, bits);

    VipsImage *image =
        vips_image_new_from_memory(plane, rowBytes * std::size_t(height), width, height, bands,
                                   wide ? VIPS_FORMAT_USHORT : VIPS_FORMAT_UCHAR);
    if (!image)
        throw vips::VError();
    g_signal_connect(image, "close", G_CALLBACK(released), picture.release());
    vips::VImage result = vips::VImage(image).copy(
        vips::VImage::option()
            ->set("interpretation", wide ? VIPS_INTERPRETATION_RGB16 : VIPS_INTERPRETATION_sRGB)
            ->set("xres", header.xres())
            ->set("yres", header.yres()));
    HeaderFields::carryProfile(result.get_image(), header);
    return result;
}

} // namespace HeifDecoder
