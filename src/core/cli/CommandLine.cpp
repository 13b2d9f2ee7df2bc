#include "core/cli/CommandLine.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <cmath>
#include <filesystem>

#include "core/intake/FilePaths.h"
#include "core/intake/FolderNames.h"

namespace {

// One side of --size: `*`, or a positive decimal number carried in single precision like a typed
// size. Nothing on failure.
std::optional<double> parseSide(const QString &text) {
    if (text == QLatin1String("*"))
        return wildcard;
    static const QRegularExpression decimal(QStringLiteral("^(\\d+\\.?\\d*|\\.\\d+)$"));
    if (!decimal.match(text).hasMatch())
        return std::nullopt;
    const float value = text.toFloat();
    if (!(value > 0) || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString usage(const QString &problem) {
    return problem + QStringLiteral("\nTry 'sardoxa --help' for more information.");
}

} // namespace

std::optional<Size> parseSizeOption(const QString &text) {
    const QStringList sides =
        text.trimmed().split(QLatin1Char('x'), Qt::KeepEmptyParts, Qt::CaseInsensitive);
    if (sides.size() != 2)
        return std::nullopt;
    const std::optional<double> width = parseSide(sides[0].trimmed());
    const std::optional<double> height = parseSide(sides[1].trimmed());
    if (!width || !height || (*width == wildcard && *height == wildcard))
        return std::nullopt;
    return Size{*width, *height};
}

CommandLine parseCommandLine(const QStringList &arguments) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption sizeOption({QStringLiteral("s"), QStringLiteral("size")}, QString(),
                                        QStringLiteral("WxH"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption versionOption(
        QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOptions({sizeOption, helpOption, versionOption});

    CommandLine result;
    if (!parser.parse(arguments)) {
        result.mode = CommandLine::Mode::UsageError;
        result.message = usage(parser.errorText());
        return result;
    }
    if (parser.isSet(helpOption)) {
        result.mode = CommandLine::Mode::Help;
        return result;
    }
    if (parser.isSet(versionOption)) {
        result.mode = CommandLine::Mode::Version;
        return result;
    }
    const QString workingFolder =
        decodePath(QByteArray::fromStdString(std::filesystem::current_path().native()));
    for (const QString &path : parser.positionalArguments()) {
        // An empty argument would otherwise stand for the working folder.
        if (!path.isEmpty())
            result.paths.append(path.startsWith(QLatin1Char('/')) ? path
                                                                  : joinPath(workingFolder, path));
    }
    if (!parser.isSet(sizeOption))
        return result;

    const QStringList sizes = parser.values(sizeOption);
    const std::optional<Size> size = parseSizeOption(sizes.last());
    if (sizes.size() > 1 || !size) {
        result.mode = CommandLine::Mode::UsageError;
        result.message =
            usage(sizes.size() > 1
                      ? QStringLiteral("--size may be given only once")
                      : QStringLiteral("invalid size '%1': give WIDTHxHEIGHT, each side a positive "
                                       "number or *, not both *")
                            .arg(sizes.last()));
        return result;
    }
    if (result.paths.isEmpty()) {
        result.mode = CommandLine::Mode::UsageError;
        result.message = usage(QStringLiteral("--size needs at least one image or folder"));
        return result;
    }
    result.mode = CommandLine::Mode::Resize;
    result.size = *size;
    return result;
}

QString commandLineHelp() {
    return QStringLiteral(
        "Usage: sardoxa [PATH...]\n"
        "       sardoxa --size WxH PATH...\n"
        "\n"
        "Scales a batch of images to one size. Every image (png, tiff, tif, jpeg, jpg, gif;\n"
        "folders are searched at any depth) gets a scaled copy, centred and cropped to cover the\n"
        "size, as an LZW-compressed TIFF in a folder named after the day in ~/Pictures/Sardoxa.\n"
        "A copy is named like its image with the extension .tif (photo.jpg gives photo.tif); a\n"
        "name already taken gets a number, as in \"photo (1).tif\". The originals are never\n"
        "changed.\n"
        "\n"
        "Without --size the desktop application starts; the paths go to the running one if there\n"
        "is one.\n"
        "\n"
        "Options:\n"
        "  -s, --size WxH   resize without any window, for example 640x480, 640x* or *x480;\n"
        "                   each side a positive number or *, which keeps the aspect ratio\n"
        "  -h, --help       show this help and exit\n"
        "  -v, --version    show the version and exit\n"
        "\n"
        "Exit status with --size: 0 when every image was written, 1 when any was skipped,\n"
        "2 for a usage error or a refused request.\n");
}
