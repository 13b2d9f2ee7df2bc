#include "core/resize/ScaledCopy.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "core/app/Log.h"
#include "core/files/FilePaths.h"
#include "core/resize/ImageEngine.h"
#include "core/resize/OutputFile.h"
#include "core/resize/SourceImage.h"
#include "core/sizing/DrawRect.h"

ScaledCopy writeScaledCopy(const SourceImage &image, const Canvas &canvas,
                           const QString &targetPath, const CopyFormat &format,
                           bool withoutLocation, std::stop_token stop,
                           const CopyPlacement &placement) {
    if (!image.isValid())
        return {std::nullopt, image.failure()};
    QString problem;
    const std::optional<PixelPlan> plan =
        pixelPlan(canvas, drawRect(image.size(), canvas.size), &problem);
    if (!plan)
        return {std::nullopt, {Failure::Kind::Unreadable, problem}};
    ImageEngine::Result scaled = ImageEngine::render(image, *plan, stop, format.type);
    if (!scaled.canvas)
        return {std::nullopt,
                stop.stop_requested() ? Failure{Failure::Kind::Stopped, {}} : scaled.failure};

    const QString folder = joinPath(folderOf(targetPath), placement.subfolder);
    const auto cannotWrite = [&folder](const QString &cause) {
        return ScaledCopy{std::nullopt,
                          {Failure::Kind::Unwritable,
                           QStringLiteral("cannot write into %1: %2").arg(folder, cause)}};
    };
    const auto stopped = [] { return ScaledCopy{std::nullopt, {Failure::Kind::Stopped, {}}}; };
    OutputFile output(folderOf(targetPath), placement.remakeFolder, placement.subfolder);
    if (!output.isOpen())
        return cannotWrite(output.error());
    const PhotoMetadata metadata =
        scaled.metadata.forCopy(plan->canvasWidth, plan->canvasHeight, withoutLocation);
    const Failure written = ImageEngine::writeCopy(
        *scaled.canvas, output.descriptor(), format, canvas.scale,
        format.type == FileType::avif ? metadata.embedded() : EmbeddedMetadata{}, stop);
    if (written.kind == Failure::Kind::Unwritable)
        return cannotWrite(written.reason);
    if (written.kind != Failure::Kind::None)
        return {std::nullopt, written}; // a stop takes the temporary file with `output`
    // The metadata is never worth the picture: what exiv2 cannot carry is left out, said once.
    QString lost = metadata.lost(), unkept = metadata.problem();
    if (const QString unheld = metadata.unheldIn(format.type); !unheld.isEmpty()) {
        lost = lost.isEmpty() ? unheld : lost + QStringLiteral(" and ") + unheld;
        unkept = QStringLiteral("%1 files hold none").arg(fileTypeTitle(format.type));
    }
    bool damaged = false;
    if (!metadata.isEmpty() && format.type != FileType::avif) {
        // exiv2 makes the whole new file in memory: it is charged like a decoder, once this
        // image's own decoder has let its memory go, so that no two images wait on each other.
        scaled.canvas.reset();
        struct stat copy {};
        const bool measured = ::fstat(output.descriptor(), &copy) == 0;
        const std::optional<MemoryBudget::Reservation> memory =
            measured ? MemoryBudget::decoders().reserve(double(copy.st_size), stop) : std::nullopt;
        if (stop.stop_requested())
            return stopped();
        if (const QString failed =
                memory ? metadata.writeInto(output.descriptor(), format.type, &damaged)
                       : QStringLiteral("the copy is too large to rewrite in memory");
            !failed.isEmpty()) {
            lost = QStringLiteral("metadata");
            unkept = failed;
        }
    }
    if (damaged)
        return cannotWrite(unkept);
    if (!unkept.isEmpty())
        logLine(QStringLiteral("kept no %1 for %2: %3").arg(lost, image.path(), unkept));
    // Last, so that the copy sorts by the moment its photo was taken, as `cp -p` keeps it.
    const struct timespec times[2] = {scaled.file.st_atim, scaled.file.st_mtim};
    if (::futimens(output.descriptor(), times) != 0)
        return cannotWrite(systemError());
    if (placement.awaitTurn) {
        scaled.canvas.reset(); // an earlier copy of this name may need the memory
        placement.awaitTurn();
        if (stop.stop_requested())
            return stopped();
    }
    if (const std::optional<QString> placed = output.place(fileNameOf(targetPath), format.type))
        return {placed, {}, plan->canvasWidth, plan->canvasHeight};
    return cannotWrite(output.error());
}
