#include "core/resize/ImageEngine.h"

#include <QLocale>
#include <QScopeGuard>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string_view>

#include <tiffio.h>

#include "core/app/Logging.h"
#include "core/files/FilePaths.h"
#include "core/resize/FileSaver.h"
#include "core/resize/FormatSniffing.h"
#include "core/resize/GifMetadata.h"
#include "core/resize/HeifDecoder.h"
#include "core/resize/JpegDecoder.h"
#include "core/resize/JpegXlDecoder.h"
#include "core/resize/PngProfile.h"
#include "core/resize/SourceImage.h"
#include "core/resize/ThreadErrors.h"
#include "core/resize/TiffWriter.h"
#include "core/resize/WebpDecoder.h"

using vips::VImage;

namespace ImageEngine {

namespace {

// libvips 8.14 built with liborc compiles a program for each vertical reduction when it builds
// the resampler (resample/reducev.cpp, under its own vips__global_lock) and frees it when the
// pipeline goes (vips_reducev_finalize calls orc_program_free, under no lock). liborc 0.4.33
// splits and merges the chunks of its shared code memory in orc_code_allocate_codemem and
// orc_code_chunk_free without a lock either (orc/orccodemem.c), so a build on one thread and a
// release on another corrupt that list: a 10,000-image batch crashed in orc_code_free (commit
// cf8908a). Building a resampler and releasing a pipeline take this lock; reading headers,
// decoding and computing pixels do not.
std::mutex &pipelineMutex() {
    static std::mutex mutex;
    return mutex;
}

// Pipelines that hold tens of megabytes while they wait for a core: an image with alpha is
// resampled in floating point, whose line caches hold 27 MB for 3000 × 2000 RGBA, and libheif and
// libjxl decode the whole picture into memory, 86 MB for a 12 MP HEIC. More of them at once than
// there are cores only take turns on the cores while each holds its memory: on 2 cores, 4 RGBA
// PNGs at once were no faster than 2, and held 200 MB instead of 135.
MemoryBudget &heavyPipelines() {
    static MemoryBudget budget(std::max(1, QThread::idealThreadCount()));
    return budget;
}

// Workers of the operation queue use libvips; its per-thread state goes with the thread.
struct VipsThreadState {
    ~VipsThreadState() { vips_thread_shutdown(); }
};

void enterVipsThread() {
    thread_local VipsThreadState state;
    (void)state;
}

// What an image that must be turned holds while it is: the scaled source, whole.
double turnedBytes(const SourceHeader &header, const PixelPlan &plan) {
    if (header.orientation <= 1)
        return 0;
    return std::ceil(plan.draw.width) * std::ceil(plan.draw.height) * header.bands *
           header.bytesPerSample;
}

// The part of a source the canvas shows, with the reach of the resampler around it, in the rows
// and columns the source stores: EXIF orientations 5 to 8 show stored columns as rows. A side
// shown reversed needs no more, as the crop is centred and the reach allows for its rounding.
JpegDecoder::Window windowOf(const SourceHeader &header, const PixelPlan &plan) {
    const SourceSpan rows =
        spanReachingCanvas(header.pixelHeight, plan.draw.y, plan.draw.height, plan.canvasHeight);
    const SourceSpan columns =
        spanReachingCanvas(header.pixelWidth, plan.draw.x, plan.draw.width, plan.canvasWidth);
    if (header.orientation >= 5)
        return {columns, rows};
    return {rows, columns};
}

// Decodes the source its header was read from, through the same descriptor, as it is stored.
// libvips' own loaders go on from the header they read.
VImage load(const SourceImage &source, const PixelPlan &plan, int shrink, std::stop_token stop) {
    const int fd = source.descriptor();
    const VImage &header = source.loaded();
    const SourceFormat format = source.header().format;
    if (format == SourceFormat::Jpeg)
        return JpegDecoder::decode(fd, 8 / shrink, header, windowOf(source.header(), plan),
                                   std::move(stop));
    // Whole pictures in memory, marked as read from top to bottom as libvips' loaders mark
    // theirs: only then does libvips' resize keep the rows its box shrink made behind a cache,
    // rather than making them again for each band of rows Lanczos3 reduces from them.
    const auto inSequence = [](VImage image) {
        image.set(VIPS_META_SEQUENTIAL, 1);
        return image;
    };
    if (format == SourceFormat::Heif)
        return inSequence(HeifDecoder::decode(fd, header));
    if (format == SourceFormat::Jxl)
        return inSequence(JpegXlDecoder::decode(fd, header, std::move(stop)));
    // libwebp scales while it decodes, averaging over each output pixel with alpha weighed in;
    // the resampler does the rest from the smaller image.
    if (format == SourceFormat::Webp) {
        const double scale =
            webpScaleOnLoad(source.header().pixelWidth, source.header().pixelHeight, plan.draw);
        if (std::optional<VImage> still = WebpDecoder::decode(fd, header, scale))
            return inSequence(*still);
        if (scale < 1)
            return loadAs(format, source.input(), VImage::option()->set("scale", scale));
    }
    VImage image = header;
    if (image.get_typeof(VIPS_META_ICC_NAME) == 0 &&
        (format == SourceFormat::Png || format == SourceFormat::Gif)) {
        if (const std::optional<QByteArray> profile =
                format == SourceFormat::Png ? embeddedPngProfile(fd) : embeddedGifProfile(fd)) {
            image = image.copy();
            vips_image_set_blob_copy(image.get_image(), VIPS_META_ICC_NAME, profile->constData(),
                                     std::size_t(profile->size()));
        }
    }
    return image;
}

// The source in a layout the resampler takes. libvips reads an 8-bit CIELab TIFF as packed
// LabQ, which the operations after it do not unpack; and one with alpha as LabS, whose alpha, of
// 16 unsigned bits, lands in a signed band (opaque is -1).
VImage unpacked(VImage image) {
    if (image.coding() != VIPS_CODING_NONE) {
        VipsImage *plain = nullptr;
        if (vips_image_decode(image.get_image(), &plain) != 0)
            throw vips::VError();
        image = VImage(plain);
    }
    if (image.interpretation() == VIPS_INTERPRETATION_LABS && image.bands() > 3) {
        const VImage colour = image.extract_band(0, VImage::option()->set("n", 3));
        const VImage alpha = (image.extract_band(3, VImage::option()->set("n", image.bands() - 3))
                                  .cast(VIPS_FORMAT_INT) &
                              0xFFFF)
                                 .linear(255.0 / 65535, 0);
        image = colour.colourspace(VIPS_INTERPRETATION_LAB).bandjoin(alpha);
    }
    return image;
}

VImage resample(const VImage &image, double hscale, double vscale) {
    return image.resize(
        hscale, VImage::option()->set("vscale", vscale)->set("kernel", VIPS_KERNEL_LANCZOS3));
}

// The whole factor libvips' resize first shrinks a side by with a box filter, leaving Lanczos3 at
// least twice the output size to reduce from.
int wholeShrink(int size, double scale) {
    const double target = std::max(1.0, std::round(size * scale));
    return std::max(1, static_cast<int>(std::floor(size / target / 2)));
}

// Scales an image with alpha without letting transparent pixels bleed their colour into their
// neighbours: the colour is weighted by alpha while it is resampled, in floating point. libvips'
// resize box-shrinks down, then Lanczos-reduces down, then across, so its vertical passes and their
// line caches work on rows as wide as the source; box-shrinking across first, after the weighting,
// halves them here. Measured on a 3000 × 2000 RGBA PNG: the pipeline holds 27 MB instead of 51,
// with an eighth fewer instructions, and the pixels stay the same within rounding.
VImage resampleWithAlpha(const VImage &image, double hscale, double vscale) {
    VImage premultiplied = image.premultiply();
    if (const int across = wholeShrink(image.width(), hscale); across > 1) {
        premultiplied = premultiplied.shrinkh(across, VImage::option()->set("ceil", true));
        hscale *= across;
    }
    VImage scaled = resample(premultiplied, hscale, vscale).unpremultiply();
    if (!vips_band_format_isfloat(image.format()))
        scaled = scaled.rint(); // a cast alone would truncate, darkening every colour a little
    return scaled.cast(image.format());
}

// The canvas in a layout every TIFF reader takes (libtiff's tools, libvips, Pillow and the
// viewers built on them): 8-bit grey, grey with alpha, RGB, RGBA or CMYK, and 16-bit grey, RGB or
// RGBA. Other layouts, 16-bit grey with alpha and floating point among them, are written in 8 bits:
// Pillow opens no 16-bit grey TIFF with alpha, and libtiff's tiff2rgba drops its alpha.
VImage storable(VImage image) {
    const VipsInterpretation interpretation = image.interpretation();
    const bool cmyk = interpretation == VIPS_INTERPRETATION_CMYK;
    const bool colour = cmyk || interpretation == VIPS_INTERPRETATION_B_W ||
                        interpretation == VIPS_INTERPRETATION_GREY16 ||
                        interpretation == VIPS_INTERPRETATION_sRGB ||
                        interpretation == VIPS_INTERPRETATION_RGB16 ||
                        interpretation == VIPS_INTERPRETATION_MULTIBAND;
    if (!colour || (cmyk && image.bands() != 4)) {
        // Another colour space (Lab, XYZ, linear light, CMYK with alpha): turned into sRGB, where
        // the source's profile no longer applies.
        image = image.colourspace(image.bands() <= 2 ? VIPS_INTERPRETATION_B_W
                                                     : VIPS_INTERPRETATION_sRGB);
        image.remove(VIPS_META_ICC_NAME);
    }
    if (image.bands() > 4)
        image = image.extract_band(0, VImage::option()->set("n", 4));
    const bool grey = image.bands() <= 2;
    if (image.format() == VIPS_FORMAT_USHORT && image.bands() != 2 &&
        image.interpretation() != VIPS_INTERPRETATION_CMYK)
        return image.copy(VImage::option()->set(
            "interpretation", grey ? VIPS_INTERPRETATION_GREY16 : VIPS_INTERPRETATION_RGB16));
    // 65535 is white in 16 bits, 255 in 8. Values already on the 8-bit scale are cast as they
    // are: a shifting cast of floating point moves them by its 32 bits, to black.
    if (image.format() == VIPS_FORMAT_USHORT)
        image = image.linear(1.0 / 257, 0).rint().cast(VIPS_FORMAT_UCHAR);
    else if (vips_band_format_isfloat(image.format()))
        image = image.rint().cast(VIPS_FORMAT_UCHAR);
    else if (!vips_band_format_isuint(image.format()))
        image = (image < 0).ifthenelse(0, image); // a shifting cast wraps what the resampler
                                                  // took below zero round to white
    // Other integers are mapped by their range, as libvips' own conversions do; a plain cast
    // would clip all but the darkest values to white.
    return image.cast(VIPS_FORMAT_UCHAR, VImage::option()->set("shift", true))
        .copy(VImage::option()->set("interpretation",
                                    image.interpretation() == VIPS_INTERPRETATION_CMYK
                                        ? VIPS_INTERPRETATION_CMYK
                                    : grey ? VIPS_INTERPRETATION_B_W
                                           : VIPS_INTERPRETATION_sRGB));
}

TiffFormat tiffFormat(const VImage &image, double pixelsPerUnit) {
    TiffFormat format;
    format.width = image.width();
    format.height = image.height();
    format.samplesPerPixel = image.bands();
    format.bitsPerSample = static_cast<int>(vips_format_sizeof(image.format())) * 8;
    if (image.interpretation() == VIPS_INTERPRETATION_CMYK && image.bands() >= 4) {
        format.photometric = TiffFormat::Photometric::Separated;
        format.alpha = image.bands() == 5;
    } else if (image.bands() <= 2) {
        format.photometric = TiffFormat::Photometric::MinIsBlack;
        format.alpha = image.bands() == 2;
    } else {
        format.photometric = TiffFormat::Photometric::Rgb;
        format.alpha = image.bands() == 4;
    }
    format.dotsPerInch = 72.0 * pixelsPerUnit;
    if (image.get_typeof(VIPS_META_ICC_NAME) != 0) {
        std::size_t length = 0;
        const auto *profile =
            static_cast<const std::uint8_t *>(image.get_blob(VIPS_META_ICC_NAME, &length));
        format.iccProfile.assign(profile, profile + length);
    }
    return format;
}

// vips_sink_disc calls take() on its write threads one call after another and waits for the last
// before it returns; GLib's futexes that order all this are invisible to ThreadSanitizer, so the
// order is stated for it.
#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void *address);
extern "C" void __tsan_release(void *address);
inline void handOver(void *address) {
    __tsan_release(address);
}
inline void takeOver(void *address) {
    __tsan_acquire(address);
}
#else
inline void handOver(void *) {}
inline void takeOver(void *) {}
#endif

// Gathers the rows libvips computes into the writer's strips.
struct StripSink {
    TiffWriter &writer;
    std::size_t rowBytes;
    std::vector<std::uint8_t> strip;
    int rowsHeld = 0;
    int rowsTaken = 0;
    bool writeFailed = false;
    bool stopped = false;
    std::stop_token stop;

    bool flush() {
        if (rowsHeld == 0)
            return true;
        const bool written = writer.writeStrip(strip.data(), rowsHeld);
        rowsHeld = 0;
        return written;
    }

    static int take(VipsRegion *region, VipsRect *area, void *self) {
        takeOver(self);
        auto &sink = *static_cast<StripSink *>(self);
        if (sink.stop.stop_requested()) {
            sink.stopped = true;
            handOver(self);
            return -1;
        }
        for (int y = area->top; y < VIPS_RECT_BOTTOM(area); ++y) {
            std::memcpy(sink.strip.data() + sink.rowsHeld * sink.rowBytes,
                        VIPS_REGION_ADDR(region, area->left, y), sink.rowBytes);
            ++sink.rowsTaken;
            if (++sink.rowsHeld == sink.writer.rowsPerStrip() && !sink.flush()) {
                sink.writeFailed = true;
                handOver(self);
                return -1;
            }
        }
        handOver(self);
        return 0;
    }
};

// libtiff's codecs only warn of damaged data (a corrupt JPEG-compressed strip, PackBits runs that
// overrun the row), and libvips lets warnings pass; those of the other modules (an unknown tag,
// say) are no damage to the pixels. Nor is an LZW strip that holds all its rows but no end code,
// which some old writers leave out.
void tiffWarned(thandle_t, const char *module, const char *format, va_list arguments) {
    const bool codec = module && (std::strcmp(module, "JPEGLib") == 0 ||
                                  std::string_view(module).ends_with("Decode"));
    if (codec && !std::strstr(format, "not terminated with EOI code"))
        ThreadErrors::noteDamage(module, format, arguments);
}

// Why computing an image failed: the reason noted where it failed, or else this thread's own.
QString failureReason(const QString &noted) {
    const QString own = ThreadErrors::takeReason();
    return noted.isEmpty() ? own : noted;
}

} // namespace

void initialize(const char *argv0) {
    if (VIPS_INIT(argv0) != 0)
        vips_error_exit("cannot start libvips");
    ThreadErrors::initialize();
    // Failures reach the log with their file, once; libvips' own warnings would only repeat them.
    // They are kept on their thread instead: some failures give no other reason.
    g_log_set_handler(
        "VIPS", G_LOG_LEVEL_WARNING,
        [](const gchar *, GLogLevelFlags, const gchar *message, gpointer) {
            ThreadErrors::noteWarning(message);
        },
        nullptr);
    TIFFSetWarningHandlerExt(tiffWarned);
    PhotoMetadata::initialize();
    // Every image is read once; a cache would only hold memory.
    vips_cache_set_max(0);
    // Each of the images computed at once gets its share of the cores this process may use, so
    // that together they fill the machine. VIPS_CONCURRENCY, when set, is left as libvips read it.
    if (qEnvironmentVariableIsEmpty("VIPS_CONCURRENCY"))
        vips_concurrency_set(std::max(1, QThread::idealThreadCount() / imagesAtOnce));
}

Pipeline::Pipeline(VImage image, MemoryBudget::Reservation memory,
                   std::shared_ptr<const FailureNote> failure,
                   std::optional<MemoryBudget::Reservation> turn)
    : image_(std::move(image))
    , memory_(std::move(memory))
    , failure_(std::move(failure))
    , turn_(std::move(turn)) {}

Pipeline::~Pipeline() {
    std::lock_guard lock(pipelineMutex());
    image_ = VImage();
}

Result render(const SourceImage &source, const PixelPlan &plan, std::stop_token stop,
              FileType type) {
    enterVipsThread();
    ThreadErrors::clear();
    if (!source.isValid())
        return {nullptr, source.failure()};
    const SourceHeader &header = source.header();
    const auto failure = std::make_shared<FailureNote>();
    try {
        Result result{nullptr, {}, PhotoMetadata::read(source.descriptor()), {}};
        ::fstat(source.descriptor(), &result.file);
        // The header was checked against the budget alone; turning the scaled image may not fit.
        const double held = header.decoderBytes + turnedBytes(header, plan) +
                            FileSaver::encoderBytes(type, plan.canvasWidth, plan.canvasHeight);
        if (held > MemoryBudget::decoders().capacity())
            return {nullptr,
                    {Failure::Kind::Unreadable,
                     QStringLiteral("too large to turn at this size (it would need %1 MB "
                                    "of memory at once)")
                         .arg(held / (1024 * 1024), 0, 'f', 0)}};
        std::optional<MemoryBudget::Reservation> memory =
            MemoryBudget::decoders().reserve(held, stop);
        if (!memory)
            return {nullptr, {Failure::Kind::Stopped, {}}};

        const int shrink = header.format == SourceFormat::Jpeg
                               ? jpegShrinkFactor(header.pixelWidth, header.pixelHeight, plan.draw)
                               : 1;
        // Before decoding: libheif and libjxl decode the whole picture in load().
        const bool heavy = source.loaded().has_alpha() || header.format == SourceFormat::Heif ||
                           header.format == SourceFormat::Jxl;
        std::optional<MemoryBudget::Reservation> turn =
            heavy ? heavyPipelines().reserve(1, stop) : std::nullopt;
        if (heavy && !turn)
            return {nullptr, {Failure::Kind::Stopped, {}}};
        const VImage image = notingFailures(unpacked(load(source, plan, shrink, stop)), failure);
        // From the resampler on, nothing is built or dropped but under the lock; it is declared
        // after `image` so that every image built under it also goes under it, on any return.
        std::unique_lock lock(pipelineMutex());
        // Scaled as stored, then turned as the viewer sees it: a turn needs the last rows first,
        // which a source read from top to bottom cannot give, while the scaled image is small.
        const int orientation = vips_image_get_orientation(image.get_image());
        const bool swap = vips_image_get_orientation_swap(image.get_image());
        const double hscale = (swap ? plan.draw.height : plan.draw.width) / image.width();
        const double vscale = (swap ? plan.draw.width : plan.draw.height) / image.height();
        VImage scaled = image.has_alpha() ? resampleWithAlpha(image, hscale, vscale)
                                          : resample(image, hscale, vscale);
        if (orientation > 1) {
            VImage computed;
            {
                lock.unlock();
                // Also when decoding fails: `scaled` is then dropped, resampler and all.
                const auto relock = qScopeGuard([&lock] { lock.lock(); });
                computed = scaled.copy_memory(); // decodes the source, in parallel
            }
            scaled = computed.autorot();
        }
        // The crop starts at the whole pixel nearest to the draw origin. Where rounding leaves
        // the scaled image a fraction of a pixel short of the canvas, its edge is repeated
        // rather than leaving an empty row or column.
        const int left = static_cast<int>(std::lround(plan.draw.x));
        const int top = static_cast<int>(std::lround(plan.draw.y));
        const VImage canvas = scaled.embed(left, top, plan.canvasWidth, plan.canvasHeight,
                                           VImage::option()->set("extend", VIPS_EXTEND_COPY));
        qCDebug(engineLog).noquote().nospace()
            << source.path() << ": decoded by "
            << (header.format == SourceFormat::Jpeg   ? "libjpeg-turbo"
                : header.format == SourceFormat::Heif ? "libheif"
                : header.format == SourceFormat::Jxl  ? "libjxl"
                                                      : loaderName(header.format))
            << " to " << image.width() << "x" << image.height() << ", "
            << QLocale::c().formattedDataSize(qint64(held)) << " charged; resampled by " << hscale
            << "x" << vscale << (image.has_alpha() ? " with alpha premultiplied" : "")
            << (orientation > 1 ? ", computed in memory and turned" : "") << ", on a "
            << plan.canvasWidth << "x" << plan.canvasHeight << " canvas at " << left << "," << top;
        result.canvas = std::make_unique<Pipeline>(
            storable(canvas.copy(VImage::option()->set("interpretation", image.interpretation()))),
            std::move(*memory), failure, std::move(turn));
        return result;
    } catch (const vips::VError &) {
        return {nullptr, {Failure::Kind::Undecodable, failureReason(failure->reason())}};
    }
}

Failure writeTiff(const Pipeline &canvas, int fd, double pixelsPerUnit, std::stop_token stop) {
    enterVipsThread();
    ThreadErrors::clear();
    const VImage &image = canvas.image();
    TiffWriter writer(fd, tiffFormat(image, pixelsPerUnit));
    StripSink sink{
        writer, VIPS_IMAGE_SIZEOF_LINE(image.get_image()), {}, 0, 0, false, false, std::move(stop)};
    sink.strip.resize(sink.rowBytes * writer.rowsPerStrip());
    // libvips computes the canvas with its thread pool and hands the rows over in order, a few
    // at a time, so that no more than a few strips of it are ever in memory.
    handOver(&sink);
    const int sunk = vips_sink_disc(image.get_image(), &StripSink::take, &sink);
    takeOver(&sink);
    // libvips may report success although a call of take() failed on the last rows it handed
    // over, and a decoder that saw the stop request fails without reaching the sink; what the
    // sink and the request say decides.
    if (sink.stopped || sink.stop.stop_requested()) {
        vips_error_clear();
        return {Failure::Kind::Stopped, {}};
    }
    if (sink.writeFailed)
        return {Failure::Kind::Unwritable, writer.error()};
    if (sunk != 0)
        return {Failure::Kind::Undecodable, failureReason(canvas.failure())};
    if (sink.rowsTaken != image.height())
        return {Failure::Kind::Undecodable,
                QStringLiteral("the image ended after %1 of its %2 rows")
                    .arg(sink.rowsTaken)
                    .arg(image.height())};
    if (!sink.flush() || !writer.finish())
        return {Failure::Kind::Unwritable, writer.error()};
    return {};
}

Failure writeCopy(const Pipeline &canvas, int fd, const CopyFormat &format, double pixelsPerUnit,
                  const EmbeddedMetadata &embedded, std::stop_token stop) {
    if (format.type == FileType::tiff)
        return writeTiff(canvas, fd, pixelsPerUnit, std::move(stop));
    enterVipsThread();
    ThreadErrors::clear();
    FileSaver::Outcome outcome;
    try {
        outcome = FileSaver::save(FileSaver::saveable(canvas.image(), format.type), fd, format,
                                  pixelsPerUnit, embedded, stop);
    } catch (const vips::VError &) {
        // The layout could not be built: a profile that lcms refuses, say.
        return {Failure::Kind::Undecodable, failureReason(canvas.failure())};
    }
    if (outcome.stopped || stop.stop_requested()) {
        vips_error_clear();
        return {Failure::Kind::Stopped, {}};
    }
    if (outcome.writeError != 0)
        return {Failure::Kind::Unwritable, systemError(outcome.writeError)};
    if (!outcome.saved)
        return {Failure::Kind::Undecodable, failureReason(canvas.failure())};
    return {};
}

} // namespace ImageEngine
