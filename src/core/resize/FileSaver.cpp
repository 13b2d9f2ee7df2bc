#include "core/resize/FileSaver.h"

#include <cerrno>
#include <memory>
#include <unistd.h>

using vips::VImage;

namespace FileSaver {

namespace {

VImage withInterpretation(const VImage &image, VipsInterpretation interpretation) {
    return image.copy(VImage::option()->set("interpretation", interpretation));
}

// 16 bits to 8, white to white: 65535 is 255.
VImage eightBit(VImage image) {
    if (image.format() == VIPS_FORMAT_UCHAR)
        return image;
    const bool grey = image.bands() <= 2;
    image = image.linear(1.0 / 257, 0).rint().cast(VIPS_FORMAT_UCHAR);
    return withInterpretation(image, grey ? VIPS_INTERPRETATION_B_W : VIPS_INTERPRETATION_sRGB);
}

// CMYK as sRGB, through the profile it carries or else libvips' own CMYK profile.
VImage asRgb(const VImage &image) {
    const bool profiled = image.get_typeof(VIPS_META_ICC_NAME) != 0;
    VImage rgb = image.icc_transform("srgb", VImage::option()
                                                 ->set("input_profile", "cmyk")
                                                 ->set("embedded", profiled)
                                                 ->set("intent", VIPS_INTENT_RELATIVE));
    return withInterpretation(rgb.cast(VIPS_FORMAT_UCHAR), VIPS_INTERPRETATION_sRGB);
}

// A copy of `image` that keeps its ICC profile and no other metadata: the copy's own is added
// afterwards, made true of the copy, and the source's must not reach it (its location, say).
VImage withProfileOnly(const VImage &image) {
    VImage bare = image.copy();
    gchar **fields = vips_image_get_fields(bare.get_image());
    for (gchar **field = fields; *field; ++field) {
        if (std::string_view(*field) != VIPS_META_ICC_NAME)
            vips_image_remove(bare.get_image(), *field); // a header field stays
    }
    g_strfreev(fields);
    return bare;
}

void setBlob(VImage &image, const char *name, const QByteArray &bytes) {
    if (!bytes.isEmpty())
        vips_image_set_blob_copy(image.get_image(), name, bytes.constData(),
                                 std::size_t(bytes.size()));
}

// Where the saver's bytes go: the descriptor, written here so that a failed write keeps its
// errno, and refused once a stop is asked.
struct Sink {
    int fd;
    std::stop_token stop;
    bool stopped = false;
    int error = 0;

    static gint64 write(VipsTargetCustom *, const void *data, gint64 length, void *self) {
        auto &sink = *static_cast<Sink *>(self);
        if (sink.stop.stop_requested()) {
            sink.stopped = true;
            return -1;
        }
        const char *bytes = static_cast<const char *>(data);
        for (gint64 left = length; left > 0;) {
            const ssize_t written = ::write(sink.fd, bytes, std::size_t(left));
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0) {
                sink.error = written < 0 ? errno : ENOSPC;
                return -1;
            }
            bytes += written;
            left -= written;
        }
        return length;
    }
};

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};

} // namespace

VImage saveable(const VImage &canvas, FileType type) {
    VImage image = canvas;
    if (image.interpretation() == VIPS_INTERPRETATION_CMYK && type != FileType::jpeg)
        image = asRgb(image);
    if (type == FileType::jpeg && image.has_alpha()) {
        const double white = image.format() == VIPS_FORMAT_USHORT ? 65535 : 255;
        const VipsInterpretation kind = image.interpretation();
        image = withInterpretation(
            image.flatten(VImage::option()->set("background", std::vector<double>{white})), kind);
    }
    if (type != FileType::png)
        image = eightBit(image);
    return withProfileOnly(image);
}

double encoderBytes(FileType type, int width, int height) {
    const double pixels = double(width) * height;
    switch (type) {
    // Measured on a 4000 × 3000 canvas of noise, peak RSS beyond a JPEG's: libwebp 138 MB
    // (11.5 bytes a pixel), libheif with libaom 244 MB (20); a little more is charged.
    case FileType::webp:
        return pixels * 16;
    case FileType::avif:
        return pixels * 24 + 32.0 * 1024 * 1024;
    case FileType::tiff:
    case FileType::jpeg:
    case FileType::png:
        break;
    }
    return 0;
}

Outcome save(const VImage &image, int fd, const CopyFormat &format, double pixelsPerUnit,
             const EmbeddedMetadata &embedded, std::stop_token stop) {
    VImage saved = image.copy();
    // libvips keeps the resolution in pixels per millimetre.
    const double resolution = 72.0 * pixelsPerUnit / 25.4;
    saved = saved.copy(VImage::option()->set("xres", resolution)->set("yres", resolution));
    if (format.type == FileType::avif) {
        setBlob(saved, VIPS_META_EXIF_NAME, embedded.exif);
        setBlob(saved, VIPS_META_XMP_NAME, embedded.xmp);
    }
    Sink sink{fd, std::move(stop)};
    const std::unique_ptr<VipsTargetCustom, ObjectUnref> target(vips_target_custom_new());
    g_signal_connect(target.get(), "write", G_CALLBACK(&Sink::write), &sink);
    VipsTarget *to = VIPS_TARGET(target.get());
    VipsImage *in = saved.get_image();
    const int quality = effectiveQuality(format);
    int failed = 0;
    switch (format.type) {
    case FileType::jpeg:
        failed = vips_jpegsave_target(in, to, "Q", quality, nullptr);
        break;
    case FileType::png:
        failed = vips_pngsave_target(in, to, nullptr);
        break;
    case FileType::webp:
        failed = format.lossless ? vips_webpsave_target(in, to, "lossless", TRUE, nullptr)
                                 : vips_webpsave_target(in, to, "Q", quality, nullptr);
        break;
    case FileType::avif:
        failed =
            format.lossless
                ? vips_heifsave_target(in, to, "compression", VIPS_FOREIGN_HEIF_COMPRESSION_AV1,
                                       "lossless", TRUE, nullptr)
                : vips_heifsave_target(in, to, "compression", VIPS_FOREIGN_HEIF_COMPRESSION_AV1,
                                       "Q", quality, nullptr);
        break;
    case FileType::tiff:
        failed = -1; // written by TiffWriter
        break;
    }
    return {failed == 0 && !sink.stopped && sink.error == 0, sink.stopped, sink.error};
}

} // namespace FileSaver
