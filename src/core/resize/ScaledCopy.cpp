#include "core/resize/ScaledCopy.h"

#include "core/intake/FilePaths.h"
#include "core/resize/DrawRect.h"
#include "core/resize/ImageEngine.h"
#include "core/resize/OutputFile.h"
#include "core/resize/SourceImage.h"

ScaledCopy writeScaledCopy(const SourceImage &image, const Canvas &canvas,
                           const QString &targetPath, std::stop_token stop) {
    if (!image.isValid())
        return {std::nullopt, image.problem()};
    QString problem;
    const std::optional<PixelPlan> plan =
        pixelPlan(canvas, drawRect(image.size(), canvas.size), &problem);
    if (!plan)
        return {std::nullopt, problem};
    const ImageEngine::Result scaled = ImageEngine::render(image, *plan, stop);
    if (!scaled.canvas)
        return {std::nullopt, stop.stop_requested() ? QString() : scaled.problem};

    const QString folder = folderOf(targetPath);
    const auto cannotWrite = [&folder](const QString &cause) {
        return ScaledCopy{std::nullopt,
                          QStringLiteral("cannot write into %1: %2").arg(folder, cause)};
    };
    OutputFile output(folder);
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
        return {std::nullopt,
                QStringLiteral("not a decodable image (libvips: %1)").arg(written.cause)};
    case ImageEngine::Written::Failure::Writing:
        return cannotWrite(written.cause);
    }
    if (const std::optional<QString> placed = output.place(fileNameOf(targetPath)))
        return {placed, {}, plan->canvasWidth, plan->canvasHeight};
    return cannotWrite(output.error());
}
