#include "core/resize/JpegXlDecoder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <unistd.h>
#include <vector>

#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>

#include "core/files/FileIo.h"
#include "core/resize/ThreadErrors.h"

namespace JpegXlDecoder {

namespace {

// The file is handed to libjxl a piece at a time; it keeps only what it has not used yet.
constexpr std::size_t readSize = 1024 * 1024;

struct DecoderFree {
    void operator()(JxlDecoder *decoder) const { JxlDecoderDestroy(decoder); }
};
struct RunnerFree {
    void operator()(void *runner) const { JxlThreadParallelRunnerDestroy(runner); }
};

[[noreturn]] void fail(const char *reason) {
    ThreadErrors::noteFailure(ThreadErrors::Decoder::Libjxl, "%s", reason);
    throw vips::VError();
}

// What libvips reads: the decoded samples, owned by the image until it closes.
struct Pixels {
    std::vector<std::uint8_t> bytes;
};

void released(VipsImage *, Pixels *pixels) {
    std::unique_ptr<Pixels> owned(pixels);
}

// The file's input, fed to the decoder as it asks for more.
class Input {
public:
    explicit Input(int fd)
        : fd_(fd) {}

    // False once the file has been given whole and the decoder still wants more.
    bool feed(JxlDecoder *decoder) {
        if (ended_)
            return false;
        const std::size_t unused = buffer_.empty() ? 0 : JxlDecoderReleaseInput(decoder);
        buffer_.erase(buffer_.begin(), buffer_.end() - std::ptrdiff_t(unused));
        const std::size_t kept = buffer_.size();
        buffer_.resize(kept + readSize);
        const ssize_t got = readSomeAt(fd_, buffer_.data() + kept, readSize, offset_);
        if (got < 0)
            fail(std::strerror(errno));
        buffer_.resize(kept + std::size_t(got));
        offset_ += got;
        JxlDecoderSetInput(decoder, buffer_.data(), buffer_.size());
        if (got == 0) {
            JxlDecoderCloseInput(decoder);
            ended_ = true;
        }
        return true;
    }

private:
    int fd_;
    off_t offset_ = 0;
    bool ended_ = false;
    std::vector<std::uint8_t> buffer_;
};

// Scales samples of 0 to 1 to 16 bits, as libvips takes them.
std::vector<std::uint8_t> widened(const std::vector<std::uint8_t> &floats) {
    std::vector<std::uint8_t> bytes(floats.size() / 2);
    const auto *from = reinterpret_cast<const float *>(floats.data());
    auto *to = reinterpret_cast<std::uint16_t *>(bytes.data());
    for (std::size_t i = 0; i < floats.size() / sizeof(float); ++i)
        to[i] = std::uint16_t(std::lround(std::clamp(from[i], 0.0f, 1.0f) * 65535.0f));
    return bytes;
}

vips::VImage imageOf(std::unique_ptr<Pixels> pixels, int width, int height, int bands,
                     VipsBandFormat format) {
    VipsImage *image = vips_image_new_from_memory(pixels->bytes.data(), pixels->bytes.size(), width,
                                                  height, bands, format);
    if (!image)
        throw vips::VError();
    g_signal_connect(image, "close", G_CALLBACK(released), pixels.release());
    return vips::VImage(image);
}

} // namespace

vips::VImage decode(int fd, const vips::VImage &header, std::stop_token stop) {
    const std::unique_ptr<JxlDecoder, DecoderFree> decoder(JxlDecoderCreate(nullptr));
    const std::unique_ptr<void, RunnerFree> runner(
        JxlThreadParallelRunnerCreate(nullptr, std::size_t(std::max(1, vips_concurrency_get()))));
    JxlDecoder *d = decoder.get();
    if (!d || !runner ||
        JxlDecoderSubscribeEvents(d, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING |
                                         JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetParallelRunner(d, JxlThreadParallelRunner, runner.get()) != JXL_DEC_SUCCESS ||
        JxlDecoderSetUnpremultiplyAlpha(d, JXL_TRUE) != JXL_DEC_SUCCESS)
        fail("cannot start the decoder");

    Input input(fd);
    JxlBasicInfo info{};
    JxlPixelFormat format{};
    std::vector<std::uint8_t> profile;
    bool cmyk = false;
    bool linear = false; // samples in linear sRGB, which libvips names scRGB
    auto pixels = std::make_unique<Pixels>();
    Pixels black;
    for (;;) {
        if (stop.stop_requested())
            fail("stopped");
        const JxlDecoderStatus status = JxlDecoderProcessInput(d);
        if (status == JXL_DEC_ERROR)
            fail("the image data is damaged or cut short");
        if (status == JXL_DEC_NEED_MORE_INPUT) {
            if (!input.feed(d))
                fail("the file ends before the image does");
        } else if (status == JXL_DEC_BASIC_INFO) {
            if (JxlDecoderGetBasicInfo(d, &info) != JXL_DEC_SUCCESS)
                fail("no basic info");
            const bool floating = info.exponent_bits_per_sample > 0;
            format = {info.num_color_channels + (info.alpha_bits > 0 ? 1U : 0U),
                      floating                   ? JXL_TYPE_FLOAT
                      : info.bits_per_sample > 8 ? JXL_TYPE_UINT16
                                                 : JXL_TYPE_UINT8,
                      JXL_NATIVE_ENDIAN, 0};
        } else if (status == JXL_DEC_COLOR_ENCODING) {
            std::size_t size = 0;
            if (JxlDecoderGetICCProfileSize(d, &format, JXL_COLOR_PROFILE_TARGET_DATA, &size) ==
                    JXL_DEC_SUCCESS &&
                size > 0) {
                profile.resize(size);
                if (JxlDecoderGetColorAsICCProfile(d, &format, JXL_COLOR_PROFILE_TARGET_DATA,
                                                   profile.data(), size) != JXL_DEC_SUCCESS)
                    profile.clear();
            }
            JxlColorEncoding encoding{};
            linear = JxlDecoderGetColorAsEncodedProfile(d, &format, JXL_COLOR_PROFILE_TARGET_DATA,
                                                        &encoding) == JXL_DEC_SUCCESS &&
                     encoding.color_space == JXL_COLOR_SPACE_RGB &&
                     encoding.transfer_function == JXL_TRANSFER_FUNCTION_LINEAR &&
                     encoding.primaries == JXL_PRIMARIES_SRGB &&
                     encoding.white_point == JXL_WHITE_POINT_D65;
            // An ICC profile names its colour space at bytes 16 to 19.
            cmyk = profile.size() > 20 && std::memcmp(profile.data() + 16, "CMYK", 4) == 0;
        } else if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
            std::size_t size = 0;
            if (JxlDecoderImageOutBufferSize(d, &format, &size) != JXL_DEC_SUCCESS)
                fail("no room for the image");
            pixels->bytes.resize(size);
            if (JxlDecoderSetImageOutBuffer(d, &format, pixels->bytes.data(), size) !=
                JXL_DEC_SUCCESS)
                fail("no room for the image");
            // CMYK's black is an extra channel of its own, decoded beside the colours.
            for (std::uint32_t index = 0; cmyk && index < info.num_extra_channels; ++index) {
                JxlExtraChannelInfo extra{};
                JxlDecoderGetExtraChannelInfo(d, index, &extra);
                if (extra.type != JXL_CHANNEL_BLACK)
                    continue;
                JxlPixelFormat one = format;
                one.num_channels = 1;
                if (JxlDecoderExtraChannelBufferSize(d, &one, &size, index) != JXL_DEC_SUCCESS)
                    fail("no room for the black channel");
                black.bytes.resize(size);
                if (JxlDecoderSetExtraChannelBuffer(d, &one, black.bytes.data(), size, index) !=
                    JXL_DEC_SUCCESS)
                    fail("no room for the black channel");
                break;
            }
        } else if (status == JXL_DEC_FULL_IMAGE || status == JXL_DEC_SUCCESS) {
            break;
        }
    }
    if (pixels->bytes.empty())
        fail("the file holds no image");

    const int width = int(info.xsize);
    const int height = int(info.ysize);
    const int bands = int(format.num_channels);
    const bool grey = info.num_color_channels == 1;
    VipsBandFormat sampleFormat =
        format.data_type == JXL_TYPE_UINT8 ? VIPS_FORMAT_UCHAR : VIPS_FORMAT_USHORT;
    if (format.data_type == JXL_TYPE_FLOAT && linear && black.bytes.empty()) {
        // Linear light, as libvips' own float images are: turned into sRGB where it is stored.
        return imageOf(std::move(pixels), width, height, bands, VIPS_FORMAT_FLOAT)
            .copy(vips::VImage::option()
                      ->set("interpretation", VIPS_INTERPRETATION_scRGB)
                      ->set("xres", header.xres())
                      ->set("yres", header.yres()));
    }
    if (format.data_type == JXL_TYPE_FLOAT) {
        // Other floating point samples follow their profile as integer ones would; only their
        // scale differs.
        pixels->bytes = widened(pixels->bytes);
        if (!black.bytes.empty())
            black.bytes = widened(black.bytes);
    }
    vips::VImage image = imageOf(std::move(pixels), width, height, bands, sampleFormat);
    if (!black.bytes.empty()) {
        // libjxl gives CMYK as its profile has it, 0 for full ink; libvips' CMYK is the other way.
        const vips::VImage k =
            imageOf(std::make_unique<Pixels>(std::move(black)), width, height, 1, sampleFormat);
        const double white = sampleFormat == VIPS_FORMAT_UCHAR ? 255 : 65535;
        const vips::VImage inks = image.extract_band(0, vips::VImage::option()->set("n", 3))
                                      .bandjoin(k)
                                      .linear(-1, white);
        vips::VImage colours =
            inks.cast(sampleFormat)
                .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_CMYK));
        vips_image_set_blob_copy(colours.get_image(), VIPS_META_ICC_NAME, profile.data(),
                                 profile.size());
        colours = colours.icc_import(vips::VImage::option()->set("embedded", true))
                      .colourspace(sampleFormat == VIPS_FORMAT_UCHAR ? VIPS_INTERPRETATION_sRGB
                                                                     : VIPS_INTERPRETATION_RGB16);
        colours.remove(VIPS_META_ICC_NAME); // the CMYK profile no longer applies
        if (info.alpha_bits > 0)
            colours = colours.bandjoin(image.extract_band(3));
        image = colours;
        profile.clear();
    } else {
        const bool wide = sampleFormat == VIPS_FORMAT_USHORT;
        image = image.copy(vips::VImage::option()->set(
            "interpretation", grey
                                  ? (wide ? VIPS_INTERPRETATION_GREY16 : VIPS_INTERPRETATION_B_W)
                                  : (wide ? VIPS_INTERPRETATION_RGB16 : VIPS_INTERPRETATION_sRGB)));
    }
    image =
        image.copy(vips::VImage::option()->set("xres", header.xres())->set("yres", header.yres()));
    if (!profile.empty())
        vips_image_set_blob_copy(image.get_image(), VIPS_META_ICC_NAME, profile.data(),
                                 profile.size());
    return image;
}

} // namespace JpegXlDecoder
