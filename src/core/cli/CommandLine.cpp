#include "core/cli/CommandLine.h"

#include <QCommandLineParser>

#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "core/files/FilePaths.h"
#include "core/sizing/Decimal.h"
#include "core/sizing/TypedSize.h"

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

QString sizeProblem(const Size &size) {
    const auto usable = [](double side) {
        return side == wildcard || (side > 0 && std::isfinite(side));
    };
    if (!usable(size.width) || !usable(size.height))
        return QStringLiteral("each side must be a positive number or *");
    return typedSizeProblem(size);
}

CommandLine parseCommandLine(const QStringList &arguments) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption sizeOption({QStringLiteral("s"), QStringLiteral("size")}, QString(),
                                        QStringLiteral("WxH"));
    const QCommandLineOption outputOption({QStringLiteral("o"), QStringLiteral("output")},
                                          QString(), QStringLiteral("FOLDER"));
    const QCommandLineOption filesFromOption(QStringList{QStringLiteral("files-from")}, QString(),
                                             QStringLiteral("FILE"));
    const QCommandLineOption nullOption(QStringList{QStringLiteral("0"), QStringLiteral("null")});
    const QCommandLineOption quietOption(QStringList{QStringLiteral("q"), QStringLiteral("quiet")});
    const QCommandLineOption jsonOption(QStringList{QStringLiteral("json")});
    const QCommandLineOption stripLocationOption(QStringList{QStringLiteral("strip-location")});
    const QCommandLineOption keepLocationOption(QStringList{QStringLiteral("keep-location")});
    const QCommandLineOption notifyOption(QStringList{QStringLiteral("notify")});
    const QCommandLineOption keepFoldersOption(QStringList{QStringLiteral("keep-folders")});
    const QCommandLineOption noKeepFoldersOption(QStringList{QStringLiteral("no-keep-folders")});
    const QCommandLineOption skipExistingOption(QStringList{QStringLiteral("skip-existing")});
    const QCommandLineOption noSkipExistingOption(QStringList{QStringLiteral("no-skip-existing")});
    const QCommandLineOption shardOption(QStringList{QStringLiteral("shard")}, QString(),
                                         QStringLiteral("K/N"));
    const QCommandLineOption formatOption(
        QStringList{QStringLiteral("f"), QStringLiteral("format")}, QString(),
        QStringLiteral("FORMAT"));
    const QCommandLineOption qualityOption(QStringList{QStringLiteral("quality")}, QString(),
                                           QStringLiteral("N"));
    const QCommandLineOption losslessOption(QStringList{QStringLiteral("lossless")});
    const QCommandLineOption noEnlargeOption(QStringList{QStringLiteral("no-enlarge")});
    const QCommandLineOption enlargeOption(QStringList{QStringLiteral("enlarge")});
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption versionOption(
        QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOptions({sizeOption,           outputOption,        filesFromOption,
                       nullOption,           quietOption,         jsonOption,
                       stripLocationOption,  keepLocationOption,  notifyOption,
                       keepFoldersOption,    noKeepFoldersOption, skipExistingOption,
                       noSkipExistingOption, shardOption,         formatOption,
                       qualityOption,        losslessOption,      noEnlargeOption,
                       enlargeOption,        helpOption,          versionOption});

    CommandLine result;
    const auto usageError = [&result](const QString &problem) {
        result.mode = CommandLine::Mode::UsageError;
        result.message = problem;
        return result;
    };
    // Known even when the rest is wrong, so that the problem reaches a caller without a terminal.
    const bool parsed = parser.parse(arguments);
    result.notify = parser.isSet(notifyOption);
    if (!parsed)
        return usageError(parser.errorText());
    if (parser.isSet(helpOption)) {
        result.mode = CommandLine::Mode::Help;
        return result;
    }
    if (parser.isSet(versionOption)) {
        result.mode = CommandLine::Mode::Version;
        return result;
    }
    const QString folder = workingFolder();
    for (const QString &path : parser.positionalArguments()) {
        // An empty argument would otherwise stand for the working folder.
        if (!path.isEmpty())
            result.paths.append(absolutePath(path, folder));
    }
    if (!parser.isSet(sizeOption)) {
        for (const QCommandLineOption *option :
             {&outputOption, &filesFromOption, &nullOption, &quietOption, &jsonOption,
              &stripLocationOption, &keepLocationOption, &notifyOption, &keepFoldersOption,
              &noKeepFoldersOption, &skipExistingOption, &noSkipExistingOption, &shardOption,
              &formatOption, &qualityOption, &losslessOption, &noEnlargeOption, &enlargeOption}) {
            if (parser.isSet(*option))
                return usageError(
                    QStringLiteral("--%1 goes with --size").arg(option->names().last()));
        }
        return result;
    }

    const QStringList sizes = parser.values(sizeOption);
    result.lastSize = sizes.last() == QLatin1String("last");
    const std::optional<Size> size = result.lastSize ? Size{} : parseSizeOption(sizes.last());
    if (sizes.size() > 1 || parser.values(outputOption).size() > 1 ||
        parser.values(filesFromOption).size() > 1 || parser.values(shardOption).size() > 1 ||
        parser.values(formatOption).size() > 1 || parser.values(qualityOption).size() > 1)
        return usageError(QStringLiteral("--size, --output, --files-from, --shard, --format and "
                                         "--quality may be given only once"));
    if (!size)
        return usageError(
            QStringLiteral("invalid size '%1': give WIDTHxHEIGHT, each side a positive "
                           "number or *, not both *, or last")
                .arg(sizes.last()));
    if (const QString problem = result.lastSize ? QString() : sizeProblem(*size);
        !problem.isEmpty())
        return usageError(QStringLiteral("cannot resize to %1: %2").arg(sizes.last(), problem));
    if (parser.isSet(stripLocationOption) && parser.isSet(keepLocationOption))
        return usageError(
            QStringLiteral("--strip-location and --keep-location cannot go together"));
    for (const auto &[on, off] : {std::pair{&keepFoldersOption, &noKeepFoldersOption},
                                  std::pair{&skipExistingOption, &noSkipExistingOption},
                                  std::pair{&noEnlargeOption, &enlargeOption},
                                  std::pair{&qualityOption, &losslessOption}}) {
        if (parser.isSet(*on) && parser.isSet(*off))
            return usageError(QStringLiteral("--%1 and --%2 cannot go together")
                                  .arg(on->names().first(), off->names().first()));
    }
    // In one flat folder, the name of an image's copy may be another image's: only a kept
    // folder gives each name to one image on every run.
    if (parser.isSet(skipExistingOption) && !parser.isSet(keepFoldersOption))
        return usageError(QStringLiteral("--skip-existing goes with --keep-folders"));
    if (parser.isSet(shardOption)) {
        result.shard = parseShard(parser.value(shardOption));
        if (!result.shard)
            return usageError(QStringLiteral("invalid shard '%1': give K/N, whole numbers with "
                                             "0 <= K < N")
                                  .arg(parser.value(shardOption)));
    }
    if (parser.isSet(formatOption)) {
        result.format.type = parseFileType(parser.value(formatOption));
        if (!result.format.type)
            return usageError(QStringLiteral("invalid format '%1': give tiff, jpeg, png, webp "
                                             "or avif")
                                  .arg(parser.value(formatOption)));
    }
    if (parser.isSet(qualityOption)) {
        bool number = false;
        const int quality = parser.value(qualityOption).toInt(&number);
        if (!number || quality < 1 || quality > 100)
            return usageError(QStringLiteral("invalid quality '%1': give a whole number from 1 "
                                             "to 100")
                                  .arg(parser.value(qualityOption)));
        result.format.quality = quality;
    }
    if (parser.isSet(losslessOption))
        result.format.lossless = true;
    // Without --format, the stored one is known only when the run starts.
    if (const QString problem =
            result.format.type ? formatProblem(result.format, *result.format.type) : QString();
        !problem.isEmpty())
        return usageError(problem);
    if (parser.isSet(nullOption) && !parser.isSet(filesFromOption))
        return usageError(QStringLiteral("--null goes with --files-from"));
    if (parser.isSet(filesFromOption) && parser.value(filesFromOption).isEmpty())
        return usageError(QStringLiteral("--files-from needs a file, or - for standard input"));
    if (result.paths.isEmpty() && !parser.isSet(filesFromOption))
        return usageError(QStringLiteral("--size needs at least one image or folder"));
    if (parser.isSet(outputOption)) {
        if (parser.value(outputOption).isEmpty())
            return usageError(QStringLiteral("--output needs a folder"));
        result.output = absolutePath(parser.value(outputOption), folder);
    }
    result.mode = CommandLine::Mode::Resize;
    result.size = *size;
    result.filesFrom = parser.value(filesFromOption);
    // Seen now: later, anything the process opens could take the free number.
    result.standardInputClosed = result.filesFrom == QLatin1String("-") &&
                                 ::fcntl(STDIN_FILENO, F_GETFD) == -1 && errno == EBADF;
    result.nulSeparated = parser.isSet(nullOption);
    result.quiet = parser.isSet(quietOption);
    result.json = parser.isSet(jsonOption);
    if (parser.isSet(stripLocationOption) || parser.isSet(keepLocationOption))
        result.removeLocation = parser.isSet(stripLocationOption);
    if (parser.isSet(keepFoldersOption) || parser.isSet(noKeepFoldersOption))
        result.keepFolders = parser.isSet(keepFoldersOption);
    if (parser.isSet(skipExistingOption) || parser.isSet(noSkipExistingOption))
        result.skipExisting = parser.isSet(skipExistingOption);
    if (parser.isSet(noEnlargeOption) || parser.isSet(enlargeOption))
        result.noEnlarge = parser.isSet(noEnlargeOption);
    return result;
}

QString commandLineHelp() {
    return QStringLiteral(
        "Usage: sardoxa [PATH...]\n"
        "       sardoxa --size WxH|last [--output FOLDER] [--files-from FILE [--null]] [--quiet]\n"
        "               [--json] [--strip-location|--keep-location] [--notify]\n"
        "               [--keep-folders [--skip-existing]] [--shard K/N]\n"
        "               [--format FORMAT [--quality N|--lossless]] [--no-enlarge] [PATH...]\n"
        "\n"
        "Scales a batch of images to one size. Every image (png, tiff, tif, jpeg, jpg, gif,\n"
        "heic, heif, avif, webp, jxl, in any letter case; folders are searched at any depth)\n"
        "gets a scaled copy, centred and cropped to cover the size, as an LZW-compressed TIFF\n"
        "(or the --format chosen) in a folder named after the day in ~/Pictures/Sardoxa. A file\n"
        "given by name that is none of these is named as skipped.\n"
        "A copy is named like its image with the format's extension, .tif for a TIFF (photo.jpg\n"
        "gives photo.tif); a name already taken gets a number, as in \"photo (1).tif\". Nothing\n"
        "is replaced, and the originals are never changed. A copy keeps its image's colour\n"
        "profile, transparency, camera data (EXIF, XMP, IPTC, including where the photo was\n"
        "taken) and modification time.\n"
        "\n"
        "Without --size the desktop application starts; the paths go to the running one if there\n"
        "is one.\n"
        "\n"
        "Options:\n"
        "  -s, --size WxH       resize without any window, for example 640x480, 640x* or *x480;\n"
        "                       each side a positive number or *, which keeps the aspect ratio;\n"
        "                       last for the size used last, in the Sardoxa window or by --size\n"
        "  -o, --output FOLDER  write the copies into FOLDER, made if missing, instead of the\n"
        "                       day's folder\n"
        "      --files-from FILE  also the paths FILE lists, one a line; - reads stdin\n"
        "  -0, --null           the paths in FILE each end with a NUL, as find -print0 writes\n"
        "  -q, --quiet          say only which files were skipped, and errors\n"
        "      --json           on stdout, one JSON object for each file written or skipped,\n"
        "                       then one for the whole batch\n"
        "      --strip-location leave out of the copies where the photo was taken: GPS\n"
        "                       coordinates and place names (city, state, country, location)\n"
        "                       in EXIF, XMP and IPTC; the rest of the camera data stays\n"
        "      --keep-location  keep the location in the copies; without either option, the\n"
        "                       choice Remove Location from Copies of the Sardoxa window holds\n"
        "      --notify         also show the end of the batch, or a usage error, as a desktop\n"
        "                       notification\n"
        "      --keep-folders   put the copies of a folder into a folder of its name in the\n"
        "                       output, with its subfolders (trip/day1/a.jpg gives\n"
        "                       trip/day1/a.tif); files given alone go at the top\n"
        "      --skip-existing  with --keep-folders: pass over an image whose copy stands at its\n"
        "                       name, with the image's time (to 2 s) and this size, as already\n"
        "                       done, so that a stopped run finishes when run again; any other\n"
        "                       file at that name stays, and the image is skipped\n"
        "      --no-keep-folders, --no-skip-existing\n"
        "                       without these options the choices Keep Folder Structure and\n"
        "                       Skip Images Already Done of the Sardoxa window hold; these set\n"
        "                       them for one run\n"
        "      --shard K/N      take only the images of shard K of N (0 <= K < N), dealt out by\n"
        "                       a hash of where their copies go, so that N runs of the same\n"
        "                       command, on one machine or many, write every image once\n"
        "  -f, --format FORMAT  write the copies as tiff (LZW, the default), jpeg, png, webp or\n"
        "                       avif; a JPEG has no transparency, so a transparent image is\n"
        "                       flattened on white; WebP and AVIF keep no IPTC (its fields\n"
        "                       are mostly in XMP as well); without the option, the format of\n"
        "                       the Sardoxa window's Preferences holds\n"
        "      --quality N      for jpeg, webp and avif: 1 to 100, by default 85, 80 and 50\n"
        "      --lossless       for webp and avif: keep every pixel exactly (png and tiff\n"
        "                       always do)\n"
        "      --no-enlarge     never scale an image up: one smaller than the size is only\n"
        "                       cropped to the size's shape, as far as it allows, and with a *\n"
        "                       side keeps its own size\n"
        "      --enlarge        scale small images up to the size, as by default; without\n"
        "                       either, the choice Do Not Enlarge Small Images holds\n"
        "  -h, --help           show this help and exit\n"
        "  -v, --version        show the version and exit\n"
        "\n"
        "With --size, progress goes to stderr (one line that updates itself on a terminal), the\n"
        "output folder to stdout once an image was written. Exit status: 0 when every image\n"
        "was written or already done, 1 when any was skipped, 2 for a usage error or a refused\n"
        "request.\n");
}
