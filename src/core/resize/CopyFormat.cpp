#include "core/resize/CopyFormat.h"

CopyFormat withOverride(const CopyFormat &stored, const CopyFormatOverride &run) {
    CopyFormat format = stored;
    if (run.type && *run.type != stored.type)
        format = {*run.type, 0, false};
    if (run.quality)
        format.quality = *run.quality;
    if (run.lossless)
        format.lossless = *run.lossless;
    return format;
}

QString formatProblem(const CopyFormatOverride &run, FileType type) {
    if (run.quality && !takesQuality(type))
        return QStringLiteral("--quality goes with the lossy formats jpeg, webp and avif, not %1")
            .arg(fileTypeName(type));
    if (run.lossless.value_or(false) && type == FileType::jpeg)
        return QStringLiteral("--lossless goes with webp, avif, png or tiff, not jpeg");
    return {};
}

QString fileTypeName(FileType type) {
    switch (type) {
    case FileType::tiff:
        return QStringLiteral("tiff");
    case FileType::jpeg:
        return QStringLiteral("jpeg");
    case FileType::png:
        return QStringLiteral("png");
    case FileType::webp:
        return QStringLiteral("webp");
    case FileType::avif:
        return QStringLiteral("avif");
    }
    return {};
}

std::optional<FileType> parseFileType(const QString &name) {
    for (int index = 0; index < fileTypeCount; ++index) {
        const auto type = FileType(index);
        if (fileTypeName(type).compare(name, Qt::CaseInsensitive) == 0 ||
            copyExtensions(type).contains(name, Qt::CaseInsensitive))
            return type;
    }
    return std::nullopt;
}

QString fileTypeTitle(FileType type) {
    switch (type) {
    case FileType::tiff:
        return QStringLiteral("TIFF (LZW)");
    case FileType::jpeg:
        return QStringLiteral("JPEG");
    case FileType::png:
        return QStringLiteral("PNG");
    case FileType::webp:
        return QStringLiteral("WebP");
    case FileType::avif:
        return QStringLiteral("AVIF");
    }
    return {};
}

QStringList copyExtensions(FileType type) {
    switch (type) {
    case FileType::tiff:
        return {QStringLiteral("tif"), QStringLiteral("tiff")};
    case FileType::jpeg:
        return {QStringLiteral("jpg"), QStringLiteral("jpeg")};
    case FileType::png:
        return {QStringLiteral("png")};
    case FileType::webp:
        return {QStringLiteral("webp")};
    case FileType::avif:
        return {QStringLiteral("avif")};
    }
    return {};
}

QString copyExtension(FileType type) {
    return copyExtensions(type).constFirst();
}

bool takesQuality(FileType type) {
    return type == FileType::jpeg || type == FileType::webp || type == FileType::avif;
}

bool takesLossless(FileType type) {
    return type == FileType::webp || type == FileType::avif;
}

bool keepsAlpha(FileType type) {
    return type != FileType::jpeg;
}

int defaultQuality(FileType type) {
    switch (type) {
    case FileType::jpeg:
        return 85;
    case FileType::webp:
        return 80;
    case FileType::avif:
        return 50;
    case FileType::tiff:
    case FileType::png:
        break;
    }
    return 0;
}

int effectiveQuality(const CopyFormat &format) {
    if (!takesQuality(format.type) || (format.lossless && takesLossless(format.type)))
        return 0;
    return format.quality > 0 ? format.quality : defaultQuality(format.type);
}
