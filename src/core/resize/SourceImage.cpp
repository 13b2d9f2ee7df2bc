#include "core/resize/SourceImage.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

#include "core/files/FilePaths.h"
#include "core/resize/FormatSniffing.h"
#include "core/resize/HeifGeometry.h"
#include "core/resize/ThreadErrors.h"

namespace {

// A header claiming more is a decompression bomb or a mistake. JPEG decodes at up to an eighth of
// its size when it is reduced, so it may be larger; every pixel of the other formats is decoded.
constexpr double maxJpegPixels = 1024.0 * 1024 * 1024;
constexpr double maxOtherPixels = 16384.0 * 16384;

QString megabytes(double bytes) {
    return QString::number(bytes / (1024 * 1024), 'f', 0);
}

// Opens a source for reading without ever blocking: a pipe, socket or device named like an image
// is refused. Nothing, with the reason in `problem`, when it is not a regular file.
UniqueFd openSourceFile(const QString &path, QString *problem) {
    UniqueFd fd(::open(encodePath(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info;
    if (!fd.isValid() || ::fstat(fd.get(), &info) != 0) {
        // Gone between the request and its turn: said as the user sees it.
        *problem = errno == ENOENT ? QStringLiteral("it no longer exists") : systemError();
        return {};
    }
    if (!S_ISREG(info.st_mode)) {
        *problem = QStringLiteral("not a regular file");
        return {};
    }
    return fd;
}

} // namespace

Size nominalSize(int pixelWidth, int pixelHeight, double xres, double yres) {
    const bool recorded = xres > 0 && yres > 0 && std::isfinite(xres) && std::isfinite(yres) &&
                          !(xres == 1.0 && yres == 1.0);
    if (!recorded || xres == yres)
        return {double(pixelWidth), double(pixelHeight)};
    return {double(pixelWidth), pixelHeight * (xres / yres)};
}

std::optional<SourceHeader> readSourceHeader(int fd, const vips::VSource &source, Failure *failure,
                                             vips::VImage *image) {
    ThreadErrors::clear();
    // Only the decoders of the formats Sardoxa takes: a file named like an image but holding
    // something else (an SVG, a PDF, a matrix) must not reach the decoders of other formats.
    const std::optional<SourceFormat> format = sniffFile(fd);
    if (!format) {
        *failure = {
            Failure::Kind::Unreadable,
            QStringLiteral("not a PNG, JPEG, TIFF, GIF, HEIF, AVIF, WebP or JPEG XL image")};
        return std::nullopt;
    }
    try {
        // Read as it is decoded: the header is the start of the decoding of the formats libvips
        // decodes itself.
        const vips::VImage header = loadAs(*format, source);
        SourceHeader result;
        result.format = *format;
        int width = header.width();
        int height = header.height();
        double xres = header.xres();
        double yres = header.yres();
        DecoderDemand demand{*format,
                             header.get_typeof("interlaced") != 0 &&
                                 header.get_int("interlaced") != 0,
                             width,
                             height,
                             header.bands(),
                             int(vips_format_sizeof(header.format())),
                             *format == SourceFormat::Tiff ? tiffRowsAtOnce(fd) : 0};
        // libheif turns the picture and crops it as the file asks while it decodes it: the size
        // shown is the one that counts, whatever libvips took from libheif's header.
        if (*format == SourceFormat::Heif) {
            if (const std::optional<HeifDecoder::Geometry> shown = HeifDecoder::geometry(fd)) {
                width = shown->width;
                height = shown->height;
                demand.width = shown->storedWidth;
                demand.height = shown->storedHeight;
            }
        }
        if (vips_image_get_orientation_swap(header.get_image())) {
            std::swap(width, height);
            std::swap(xres, yres);
        }
        if (double(width) * height >
            (*format == SourceFormat::Jpeg ? maxJpegPixels : maxOtherPixels)) {
            *failure = {
                Failure::Kind::Unreadable,
                QStringLiteral("too large to decode (%1 × %2 pixels)").arg(width).arg(height)};
            return std::nullopt;
        }
        result.decoderBytes = decoderHeldBytes(demand);
        if (result.decoderBytes > MemoryBudget::decoders().capacity()) {
            *failure = {
                Failure::Kind::Unreadable,
                QStringLiteral(
                    "too large to decode (%1 × %2 pixels would need %3 MB of memory at once)")
                    .arg(width)
                    .arg(height)
                    .arg(megabytes(result.decoderBytes))};
            return std::nullopt;
        }
        result.pixelWidth = width;
        result.pixelHeight = height;
        result.size = nominalSize(width, height, xres, yres);
        result.orientation = vips_image_get_orientation(header.get_image());
        result.bands = header.bands();
        result.bytesPerSample = int(vips_format_sizeof(header.format()));
        if (image)
            *image = header;
        return result;
    } catch (const vips::VError &) {
        *failure = {Failure::Kind::Undecodable, ThreadErrors::takeReason()};
        return std::nullopt;
    }
}

SourceImage SourceImage::open(const QString &path) {
    SourceImage source;
    source.path_ = path;
    QString problem;
    source.fd_ = openSourceFile(path, &problem);
    if (!source.fd_.isValid()) {
        source.failure_ = {Failure::Kind::Unreadable, problem};
        return source;
    }
    try {
        source.input_ = vips::VSource::new_from_descriptor(source.fd_.get());
        const std::optional<SourceHeader> header =
            readSourceHeader(source.fd_.get(), *source.input_, &source.failure_, &source.loaded_);
        if (header) {
            source.header_ = *header;
            source.valid_ = true;
        }
    } catch (const vips::VError &) {
        source.failure_ = {Failure::Kind::Unreadable,
                           QStringLiteral("cannot read it (%1)").arg(ThreadErrors::takeReason())};
    }
    if (!source.valid_) {
        source.loaded_ = vips::VImage();
        source.input_.reset();
        source.fd_.reset();
    }
    return source;
}
