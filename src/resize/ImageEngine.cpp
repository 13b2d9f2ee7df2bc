#include "ImageEngine.h"

#include <QFile>

#include <cmath>

#include "SourceImage.h"

using vips::VImage;

namespace ImageEngine {

namespace {

// A canvas up to this size is computed in memory before it is written: 64 MB, a 4096 × 4096
// RGBA image, times the four images at work at once.
constexpr double maxCanvasBytesInMemory = 64.0 * 1024 * 1024;

// Workers of the operation queue use libvips; its per-thread state goes with the thread.
struct VipsThreadState {
    ~VipsThreadState() { vips_thread_shutdown(); }
};

void enterVipsThread()
{
    thread_local VipsThreadState state;
    (void)state;
}

VImage load(const SourceImage &source, int shrink)
{
    const QByteArray file = QFile::encodeName(source.path());
    auto *options = VImage::option()
                        ->set("access", VIPS_ACCESS_SEQUENTIAL)
                        ->set("fail_on", VIPS_FAIL_ON_TRUNCATED);
    if (shrink > 1)
        options->set("shrink", shrink);
    return VImage::new_from_file(file.constData(), options).autorot();
}

VImage resample(const VImage &image, double hscale, double vscale)
{
    return image.resize(hscale, VImage::option()
                                    ->set("vscale", vscale)
                                    ->set("kernel", VIPS_KERNEL_LANCZOS3));
}

// Scales an image with alpha without letting transparent pixels bleed their colour into their
// neighbours: the colour is weighted by alpha while it is resampled. For 8-bit images the
// weighting is done in integers, which costs far less than libvips' float premultiply on a
// large source; only the small result is divided back.
VImage resampleWithAlpha(const VImage &image, double hscale, double vscale)
{
    if (image.format() != VIPS_FORMAT_UCHAR) {
        return resample(image.premultiply(), hscale, vscale)
            .unpremultiply()
            .cast(image.format());
    }
    const int colourBands = image.bands() - 1;
    const VImage colour = image.extract_band(0, VImage::option()->set("n", colourBands));
    const VImage alpha = image.extract_band(colourBands);
    std::vector<VImage> alphas(colourBands, alpha);
    const VImage weighted = colour.multiply(VImage::bandjoin(alphas));           // c·a, ushort
    const VImage alpha255 = alpha.multiply(alpha.new_from_image(std::vector<double>{255}));
    const VImage scaled = resample(weighted.bandjoin(alpha255), hscale, vscale); // a·255
    // c·a · 255² / (a·255) = c·255, and a·255 / 255 = a
    return scaled.unpremultiply(VImage::option()->set("max_alpha", 255.0 * 255.0))
        .linear(1.0 / 255, 0.0)
        .rint()
        .cast(VIPS_FORMAT_UCHAR);
}

} // namespace

void initialize(const char *argv0)
{
    if (VIPS_INIT(argv0) != 0)
        vips_error_exit("cannot start libvips");
    // Failures reach the log with their file, once; libvips' own warnings would only repeat them.
    g_log_set_handler("VIPS", G_LOG_LEVEL_WARNING, [](const gchar *, GLogLevelFlags, const gchar *, gpointer) {}, nullptr);
    // Every image is read once; a cache would only hold memory.
    vips_cache_set_max(0);
    // The operation queue runs four images at once; more threads per image only contend.
    vips_concurrency_set(1);
}

QString takeError(const vips::VError &error)
{
    QString text = QString::fromUtf8(error.what()).trimmed().replace(QLatin1Char('\n'), QStringLiteral("; "));
    vips_error_clear();
    return text.isEmpty() ? QStringLiteral("no reason given") : text;
}

Result render(const SourceImage &source, const PixelPlan &plan)
{
    enterVipsThread();
    try {
        const int shrink = source.isJpeg()
                               ? jpegShrinkFactor(source.pixelWidth(), source.pixelHeight(), plan.draw)
                               : 1;
        const VImage image = load(source, shrink);
        const double hscale = plan.draw.width / image.width();
        const double vscale = plan.draw.height / image.height();
        const VImage scaled = image.has_alpha() ? resampleWithAlpha(image, hscale, vscale)
                                                : resample(image, hscale, vscale);
        // The crop starts at the whole pixel nearest to the draw origin. Where rounding leaves
        // the scaled image a fraction of a pixel short of the canvas, its edge is repeated
        // rather than leaving an empty row or column.
        const int left = static_cast<int>(std::lround(plan.draw.x));
        const int top = static_cast<int>(std::lround(plan.draw.y));
        const VImage canvas = scaled.embed(left, top, plan.canvasWidth, plan.canvasHeight,
                                           VImage::option()->set("extend", VIPS_EXTEND_COPY));
        const VImage drawn = canvas.copy(VImage::option()->set("interpretation", image.interpretation()));
        const double bytes = double(VIPS_IMAGE_SIZEOF_LINE(drawn.get_image())) * drawn.height();
        return {bytes <= maxCanvasBytesInMemory ? drawn.copy_memory() : drawn, {}};
    } catch (const vips::VError &error) {
        return {std::nullopt, QStringLiteral("not a decodable image (libvips: %1)").arg(takeError(error))};
    }
}

QString writeTiff(const VImage &image, const QString &path, double pixelsPerUnit)
{
    enterVipsThread();
    try {
        constexpr double millimetresPerInch = 25.4;
        const double resolution = 72.0 * pixelsPerUnit / millimetresPerInch;
        VImage output = image.copy(VImage::option()->set("xres", resolution)->set("yres", resolution));
        for (const char *field : {VIPS_META_EXIF_NAME, VIPS_META_XMP_NAME, VIPS_META_IPTC_NAME,
                                  VIPS_META_PHOTOSHOP_NAME, VIPS_META_IMAGEDESCRIPTION})
            output.remove(field);
        const bool floating = vips_band_format_isfloat(output.format());
        output.tiffsave(QFile::encodeName(path).constData(),
                        VImage::option()
                            ->set("compression", VIPS_FOREIGN_TIFF_COMPRESSION_LZW)
                            ->set("predictor", floating ? VIPS_FOREIGN_TIFF_PREDICTOR_FLOAT
                                                        : VIPS_FOREIGN_TIFF_PREDICTOR_HORIZONTAL)
                            ->set("resunit", VIPS_FOREIGN_TIFF_RESUNIT_INCH));
        return {};
    } catch (const vips::VError &error) {
        return takeError(error);
    }
}

} // namespace ImageEngine
