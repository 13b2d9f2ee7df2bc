#include "core/resize/StandingCopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <vips/vips8>

#include <cstdlib>

#include "core/files/FilePaths.h"
#include "core/files/UniqueFd.h"
#include "core/resize/SourceImage.h"
#include "core/resize/ThreadErrors.h"
#include "core/sizing/DrawRect.h"

namespace {

// FAT keeps modification times to 2 seconds; every other file system keeps a copy's exactly.
constexpr qint64 timeToleranceNs = 2'000'000'000;

qint64 nanoseconds(const struct timespec &time) {
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

StandingCopy other(const QString &path, const QString &why) {
    return {
        StandingCopy::Kind::other,
        QStringLiteral("its copy's name holds %1; remove %2 to make the copy again").arg(why, path),
        0, 0};
}

} // namespace

StandingCopy standingCopyAt(const QString &path, const SourceImage &image, const Canvas &canvas) {
    QString problem;
    const std::optional<PixelPlan> plan =
        pixelPlan(canvas, drawRect(image.size(), canvas.size), &problem);
    struct stat source, copy;
    if (!plan || ::fstat(image.descriptor(), &source) != 0)
        return {}; // the copy's own making says what is wrong
    const UniqueFd fd(
        ::open(encodePath(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.isValid() && errno == ENOENT)
        return {};
    if (!fd.isValid() || ::fstat(fd.get(), &copy) != 0 || !S_ISREG(copy.st_mode))
        return other(path, QStringLiteral("something that is not a copy"));
    if (std::llabs(nanoseconds(copy.st_mtim) - nanoseconds(source.st_mtim)) > timeToleranceNs)
        return other(path, QStringLiteral("a file of another time: the image has changed since, "
                                          "or that is another image's copy"));
    try {
        const vips::VImage written = vips::VImage::new_from_source(
            vips::VSource::new_from_descriptor(fd.get()), "",
            vips::VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
        if (written.width() != plan->canvasWidth || written.height() != plan->canvasHeight)
            return other(path, QStringLiteral("a copy of %1 × %2 pixels, not %3 × %4")
                                   .arg(written.width())
                                   .arg(written.height())
                                   .arg(plan->canvasWidth)
                                   .arg(plan->canvasHeight));
    } catch (const vips::VError &) {
        return other(
            path,
            QStringLiteral("a file that cannot be read (%1)").arg(ThreadErrors::takeReason()));
    }
    return {StandingCopy::Kind::same, {}, plan->canvasWidth, plan->canvasHeight};
}
