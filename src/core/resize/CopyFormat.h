#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The kinds of file a copy can be written as.
enum class FileType { tiff, jpeg, png, webp, avif };
inline constexpr int fileTypeCount = 5;

// How copies are written: the kind of file and, for the lossy kinds, how well.
struct CopyFormat {
    FileType type = FileType::tiff;
    int quality = 0;       // 1 to 100 for JPEG, WebP and AVIF; 0 for the kind's default
    bool lossless = false; // WebP and AVIF: exact pixels rather than a quality

    friend bool operator==(const CopyFormat &, const CopyFormat &) = default;
};

// What a run sets for itself over the stored format; what it leaves unset is stored.
struct CopyFormatOverride {
    std::optional<FileType> type;
    std::optional<int> quality;
    std::optional<bool> lossless;
};

// The stored format with a run's own settings over it. Another kind of file starts from its own
// default quality and lossy, unless the run says otherwise.
CopyFormat withOverride(const CopyFormat &stored, const CopyFormatOverride &run);

// Why a run's own settings do not fit `type`, the kind its copies are written as: a quality for a
// kind that is lossless, or lossless for a JPEG. Empty when they fit.
QString formatProblem(const CopyFormatOverride &run, FileType type);

// "tiff", "jpeg", "png", "webp" or "avif": how the command line and the preferences name a kind.
QString fileTypeName(FileType type);
// A kind from its name or its extension ("jpg", "tif"), in any letter case.
std::optional<FileType> parseFileType(const QString &name);
// How the desktop names a kind: "TIFF (LZW)".
QString fileTypeTitle(FileType type);
// The extension of a copy's name, "tif" for TIFF, and the others a source's name may already end
// in and keep ("tiff").
QString copyExtension(FileType type);
QStringList copyExtensions(FileType type);

// Whether the kind is lossy unless told otherwise, and so takes a quality.
bool takesQuality(FileType type);
// Whether the kind can also be written lossless, as WebP and AVIF can.
bool takesLossless(FileType type);
// Whether the kind keeps transparency; a JPEG is flattened on white instead.
bool keepsAlpha(FileType type);
// The quality a lossy kind is written at when none is given: JPEG 85, WebP 80, AVIF 50.
int defaultQuality(FileType type);
// The quality the format is written at, its default when it has none; 0 for a lossless write.
int effectiveQuality(const CopyFormat &format);
