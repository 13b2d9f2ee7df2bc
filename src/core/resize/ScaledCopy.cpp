#include "core/resize/ScaledCopy.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "core/app/Log.h"
#include "core/files/FilePaths.h"
#include "core/resize/ImageEngine.h"
#include "core/resize/OutputFile.h"
#include "core/resize/SourceImage.h"
#include "core/resize/ThreadErrors.h"
#include "core/sizing/DrawRect.h"

ScaledCopy writeScaledCopy(const SourceImage &image, const Canvas &canvas,
                           const QString &targetPath, bool withoutLocation, std::stop_token stop,
                           const CopyPlacement &placement) {
    if (!image.isValid())
        return {std::nullopt, image.problem()};
    QString problem;
    const std::optional<PixelPlan> plan =
        pixelPlan(canvas, drawRect(image.size(), canvas.size), &problem);
    if (!plan)
        return {std::nullopt, problem};
    ImageEngine::Result scaled = ImageEngine::render(image, *plan, stop);
    if (!scaled.canvas)
        return {std::nullopt, stop.stop_requested() ? QString() : scaled.problem};

    const QString folder = folderOf(targetPath);
    const auto cannotWrite = [&folder](const QString &cause) {
        return ScaledCopy{std::nullopt,
                          QStringLiteral("cannot write into %1: %2").arg(folder, cause)};
    };
    OutputFile output(folder, placement.remakeFolder);
    if (!output.isOpen())
        return cannotWrite(output.error());
    const ImageEngine::Written written =
        ImageEngine::writeTiff(*scaled.canvas, output.descriptor(), canvas.scale, stop);
    switch (written.failure) {
    case ImageEngine::Written::Failure::None:
        break;
    case ImageEngine::Written::Failure::Stopped:
        return {}; // the temporary file goes with `output`
    case ImageEngine::Written::Failure::Decoding:
        return {std::nullopt, ThreadErrors::undecodable(written.cause)};
    case ImageEngine::Written::Failure::Writing:
        return cannotWrite(written.cause);
    }
    // The metadata is never worth the picture: what exiv2 cannot carry is left out, said once.
    const PhotoMetadata metadata =
        scaled.metadata.forCopy(plan->canvasWidth, plan->canvasHeight, withoutLocation);
    QString lost = metadata.lost(), unkept = metadata.problem();
    bool damaged = false;
    if (!metadata.isEmpty()) {
        // exiv2 makes the whole new file in memory: it is charged like a decoder, once this
        // image's own decoder has let its memory go, so that no two images wait on each other.
        scaled.canvas.reset();
        struct stat copy {};
        const bool measured = ::fstat(output.descriptor(), &copy) == 0;
        const std::optional<MemoryBudget::Reservation> memory =
            measured ? MemoryBudget::decoders().reserve(double(copy.st_size), stop) : std::nullopt;
        if (stop.stop_requested())
            return {};
        if (const QString failed =
                memory ? metadata.writeInto(output.descriptor(), &damaged)
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
            return {};
    }
    if (const std::optional<QString> placed = output.place(fileNameOf(targetPath)))
        return {placed, {}, plan->canvasWidth, plan->canvasHeight};
    return cannotWrite(output.error());
}
