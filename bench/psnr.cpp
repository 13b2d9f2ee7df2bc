// Compares Sardoxa's outputs with references made the slow way: the full-resolution source,
// no shrink-on-load, Lanczos3, the same cover rectangle. Prints one line per image:
//   <PSNR in dB> <width>x<height> <expected width>x<expected height> <source>
// Usage: sardoxa-bench-psnr [--sizes] WIDTH HEIGHT OUTPUT-FOLDER SOURCE...   (a side may be * )
// --sizes checks the sizes alone and prints - for the PSNR: the reference is the slow part.
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstdio>

#include "core/resize/ImageEngine.h"
#include "core/resize/OutputName.h"
#include "core/resize/SourceImage.h"
#include "core/sizing/DrawRect.h"
#include "core/sizing/TargetSize.h"

using vips::VImage;

namespace {

double side(const char *text) {
    return QByteArray(text) == "*" ? wildcard : std::atof(text);
}

VImage reference(const SourceImage &source, const PixelPlan &plan) {
    const VImage image =
        VImage::new_from_file(QFile::encodeName(source.path()).constData()).autorot();
    // Lanczos3 over the whole reduction: no box shrink first.
    const VImage scaled =
        image.reduce(image.width() / plan.draw.width, image.height() / plan.draw.height,
                     VImage::option()->set("kernel", VIPS_KERNEL_LANCZOS3));
    return scaled.embed(int(std::lround(plan.draw.x)), int(std::lround(plan.draw.y)),
                        plan.canvasWidth, plan.canvasHeight,
                        VImage::option()->set("extend", VIPS_EXTEND_COPY));
}

double psnr(const VImage &a, const VImage &b) {
    const VImage difference = a.cast(VIPS_FORMAT_FLOAT).subtract(b.cast(VIPS_FORMAT_FLOAT));
    const double meanSquare = difference.multiply(difference).avg();
    return meanSquare == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 / meanSquare);
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication application(argc, argv);
    ImageEngine::initialize(argv[0]);
    const bool sizesOnly = argc > 1 && QByteArray(argv[1]) == "--sizes";
    if (sizesOnly) {
        --argc;
        ++argv;
    }
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s [--sizes] WIDTH HEIGHT OUTPUT-FOLDER SOURCE...\n", argv[0]);
        return 2;
    }
    const Size size{side(argv[1]), side(argv[2])};
    const QString folder = QString::fromLocal8Bit(argv[3]);
    for (int i = 4; i < argc; ++i) {
        const SourceImage source = SourceImage::open(QString::fromLocal8Bit(argv[i]));
        const Canvas canvas{targetSize(size, source.size(), false), 1};
        const std::optional<PixelPlan> plan =
            pixelPlan(canvas, drawRect(source.size(), canvas.size), nullptr);
        const QString output =
            folder + '/' + outputFileName(QFileInfo(source.path()).fileName(), 0);
        if (!plan || !QFileInfo::exists(output)) {
            std::printf("missing 0x0 0x0 %s\n", argv[i]);
            continue;
        }
        const VImage written = VImage::new_from_file(QFile::encodeName(output).constData());
        const bool sameSize =
            written.width() == plan->canvasWidth && written.height() == plan->canvasHeight;
        const QByteArray quality =
            sizesOnly  ? QByteArray("-")
            : sameSize ? QByteArray::number(psnr(written, reference(source, *plan)), 'f', 2)
                       : QByteArray("0.00");
        std::printf("%s %dx%d %dx%d %s\n", quality.constData(), written.width(), written.height(),
                    plan->canvasWidth, plan->canvasHeight, argv[i]);
    }
    return 0;
}
