#include "core/resize/WebpDecoder.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <vector>

#include <webp/decode.h>
#include <webp/demux.h>

#include <QScopeGuard>

#include "core/files/FileIo.h"
#include "core/resize/HeaderFields.h"
#include "core/resize/ThreadErrors.h"

namespace WebpDecoder {

namespace {

[[noreturn]] void fail(const char *reason) {
    ThreadErrors::noteFailure(ThreadErrors::Decoder::Libwebp, "%s", reason);
    throw vips::VError();
}

const char *reasonOf(VP8StatusCode status) {
    switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY:
        return "out of memory";
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return "the image uses a feature this libwebp does not support";
    case VP8_STATUS_NOT_ENOUGH_DATA:
        return "the image data is cut short";
    default:
        return "the image data is damaged";
    }
}

} // namespace

std::optional<vips::VImage> decode(int fd, const vips::VImage &header, double scale) {
    struct stat file {};
    if (::fstat(fd, &file) != 0)
        fail(std::strerror(errno));
    std::vector<std::uint8_t> data(std::size_t(file.st_size));
    if (!readExactlyAt(fd, data.data(), data.size(), 0))
        fail("the file could not be read whole");

    // The frame's own chunks, as libvips' loader decodes them: libwebp given the whole file
    // decodes past the end of a damaged lossless frame into the chunks behind it, and makes a
    // picture of the garbage where the frame alone runs out.
    const WebPData whole{data.data(), data.size()};
    const std::unique_ptr<WebPDemuxer, decltype(&WebPDemuxDelete)> demuxer(WebPDemux(&whole),
                                                                           WebPDemuxDelete);
    if (!demuxer)
        fail("the file's chunks are damaged or cut short");
    if (WebPDemuxGetI(demuxer.get(), WEBP_FF_FORMAT_FLAGS) & ANIMATION_FLAG)
        return std::nullopt;
    WebPIterator frame;
    if (!WebPDemuxGetFrame(demuxer.get(), 1, &frame))
        fail("the file holds no picture");
    const auto releaseFrame = qScopeGuard([&frame] { WebPDemuxReleaseIterator(&frame); });
    const std::uint8_t *bytes = frame.fragment.bytes;
    const std::size_t size = frame.fragment.size;

    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        fail("libwebp does not match the version it was built against");
    if (const VP8StatusCode status = WebPGetFeatures(bytes, size, &config.input);
        status != VP8_STATUS_OK)
        fail(reasonOf(status));
    // A picture smaller than the canvas it names is placed on that canvas by libvips' loader.
    if (config.input.width != header.width() || config.input.height != header.height())
        return std::nullopt;

    // Rounded as libvips' loader rounds the scaled size.
    const int width = std::max(1, int(std::lround(config.input.width * scale)));
    const int height = std::max(1, int(std::lround(config.input.height * scale)));
    const int bands = header.bands() == 4 ? 4 : 3;
    vips::VImage image(vips_image_new_memory());
    vips_image_init_fields(image.get_image(), width, height, bands, VIPS_FORMAT_UCHAR,
                           VIPS_CODING_NONE, VIPS_INTERPRETATION_sRGB, header.xres(),
                           header.yres());
    if (vips_image_write_prepare(image.get_image()) != 0)
        throw vips::VError();

    if (width != config.input.width || height != config.input.height) {
        config.options.use_scaling = 1;
        config.options.scaled_width = width;
        config.options.scaled_height = height;
    }
    config.output.colorspace = bands == 4 ? MODE_RGBA : MODE_RGB;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = VIPS_IMAGE_ADDR(image.get_image(), 0, 0);
    config.output.u.RGBA.stride = int(VIPS_IMAGE_SIZEOF_LINE(image.get_image()));
    config.output.u.RGBA.size = VIPS_IMAGE_SIZEOF_IMAGE(image.get_image());
    const VP8StatusCode status = WebPDecode(bytes, size, &config);
    WebPFreeDecBuffer(&config.output); // frees only what libwebp itself allocated
    if (status != VP8_STATUS_OK)
        fail(reasonOf(status));

    HeaderFields::carryProfile(image.get_image(), header);
    HeaderFields::carryOrientation(image.get_image(), header);
    return image;
}

} // namespace WebpDecoder
