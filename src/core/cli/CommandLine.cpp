#include "core/cli/CommandLine.h"

#include <QCommandLineParser>

#include <cmath>
#include <filesystem>
#include <string>

#include "core/files/FilePaths.h"
#include "core/sizing/Decimal.h"

namespace {

// One side of --size: `*`, or a positive number of digits and at most one point, carried in
// single precision like a typed size. Nothing on failure.
std::optional<double> parseSide(const QString &text) {
    if (text == QLatin1String("*"))
        return wildcard;
    const std::string bytes = text.toStdString();
    const std::optional<Decimal<float>> number = leadingDecimal<float>(bytes);
    if (!number || number->length != bytes.size() ||
        bytes.find_first_not_of("0123456789.") != std::string::npos ||
        !(number->value > 0 && std::isfinite(number->value)))
        return std::nullopt;
    return number->value;
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
    const QCommandLineOption outputOption({QStringLiteral("o"), QStringLiteral("output")},
                                          QString(), QStringLiteral("FOLDER"));
    const QCommandLineOption quietOption(QStringList{QStringLiteral("q"), QStringLiteral("quiet")});
    const QCommandLineOption jsonOption(QStringList{QStringLiteral("json")});
    const QCommandLineOption stripLocationOption(QStringList{QStringLiteral("strip-location")});
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption versionOption(
        QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOptions({sizeOption, outputOption, quietOption, jsonOption, stripLocationOption,
                       helpOption, versionOption});

    CommandLine result;
    const auto usageError = [&result](const QString &problem) {
        result.mode = CommandLine::Mode::UsageError;
        result.message = usage(problem);
        return result;
    };
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
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
    const auto absolute = [&workingFolder](const QString &path) {
        return path.startsWith(QLatin1Char('/')) ? path : joinPath(workingFolder, path);
    };
    for (const QString &path : parser.positionalArguments()) {
        // An empty argument would otherwise stand for the working folder.
        if (!path.isEmpty())
            result.paths.append(absolute(path));
    }
    if (!parser.isSet(sizeOption)) {
        if (parser.isSet(outputOption) || parser.isSet(quietOption) || parser.isSet(jsonOption) ||
            parser.isSet(stripLocationOption))
            return usageError(
                QStringLiteral("--output, --quiet, --json and --strip-location go with --size"));
        return result;
    }

    const QStringList sizes = parser.values(sizeOption);
    const std::optional<Size> size = parseSizeOption(sizes.last());
    if (sizes.size() > 1 || parser.values(outputOption).size() > 1)
        return usageError(QStringLiteral("--size and --output may be given only once"));
    if (!size)
        return usageError(
            QStringLiteral("invalid size '%1': give WIDTHxHEIGHT, each side a positive "
                           "number or *, not both *")
                .arg(sizes.last()));
    if (result.paths.isEmpty())
        return usageError(QStringLiteral("--size needs at least one image or folder"));
    if (parser.isSet(outputOption)) {
        if (parser.value(outputOption).isEmpty())
            return usageError(QStringLiteral("--output needs a folder"));
        result.output = absolute(parser.value(outputOption));
    }
    result.mode = CommandLine::Mode::Resize;
    result.size = *size;
    result.quiet = parser.isSet(quietOption);
    result.json = parser.isSet(jsonOption);
    result.stripLocation = parser.isSet(stripLocationOption);
    return result;
}

QString commandLineHelp() {
    return QStringLiteral(
        "Usage: sardoxa [PATH...]\n"
        "       sardoxa --size WxH [--output FOLDER] [--quiet] [--json] [--strip-location] "
        "PATH...\n"
        "\n"
        "Scales a batch of images to one size. Every image (png, tiff, tif, jpeg, jpg, gif,\n"
        "heic, heif, avif, webp, jxl, in any letter case; folders are searched at any depth)\n"
        "gets a scaled copy, centred and cropped to cover the size, as an LZW-compressed TIFF in\n"
        "a folder named after the day in ~/Pictures/Sardoxa. A file given by name that is none\n"
        "of these is named as skipped.\n"
        "A copy is named like its image with the extension .tif (photo.jpg gives photo.tif); a\n"
        "name already taken gets a number, as in \"photo (1).tif\". Nothing is replaced, and the\n"
        "originals are never changed. A copy keeps its image's camera data (EXIF, XMP, IPTC,\n"
        "including where the photo was taken) and modification time.\n"
        "\n"
        "Without --size the desktop application starts; the paths go to the running one if there\n"
        "is one.\n"
        "\n"
        "Options:\n"
        "  -s, --size WxH       resize without any window, for example 640x480, 640x* or *x480;\n"
        "                       each side a positive number or *, which keeps the aspect ratio\n"
        "  -o, --output FOLDER  write the copies into FOLDER, made if missing, instead of the\n"
        "                       day's folder\n"
        "  -q, --quiet          say only which files were skipped, and errors\n"
        "      --json           on stdout, one JSON object for each file written or skipped,\n"
        "                       then one for the whole batch\n"
        "      --strip-location leave the location (GPS) out of the copies; the rest of the\n"
        "                       camera data stays\n"
        "  -h, --help           show this help and exit\n"
        "  -v, --version        show the version and exit\n"
        "\n"
        "With --size, progress goes to stderr (one line that updates itself on a terminal), the\n"
        "output folder to stdout once an image was written. Exit status: 0 when every image\n"
        "was written, 1 when any was skipped, 2 for a usage error or a refused request.\n");
}
