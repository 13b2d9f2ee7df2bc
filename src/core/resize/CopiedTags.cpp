#include "core/resize/CopiedTags.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

// The tags of the first image's directory that describe how a TIFF stores its pixels, its
// resolution and its colour, and those that hold the XMP, IPTC and Photoshop blocks.
constexpr std::array structureTags{
    0x00fe, 0x00ff, 0x0100, 0x0101, 0x0102, 0x0103, 0x0106, 0x0107, 0x0108, 0x0109,
    0x010a, 0x0111, 0x0115, 0x0116, 0x0117, 0x0118, 0x0119, 0x011a, 0x011b, 0x011c,
    0x0122, 0x0123, 0x0128, 0x012d, 0x013d, 0x013e, 0x013f, 0x0140, 0x0142, 0x0143,
    0x0144, 0x0145, 0x014a, 0x0152, 0x0153, 0x0154, 0x0155, 0x0156, 0x0200, 0x0201,
    0x0202, 0x0211, 0x0212, 0x0213, 0x0214, 0x02bc, 0x83bb, 0x8649, 0x8773,
};

// The source's other images, its thumbnail first, and what a copy has no part of.
bool belongsToAnotherImage(const std::string &group) {
    return group == "Thumbnail" || group.starts_with("SubImage") || group.starts_with("SubThumb") ||
           group == "Image2" || group == "Image3" || group == "Iop";
}

enum class Kind { Integer, Rational, Real, Ascii, Bytes, Other };

Kind kindOf(Exiv2::TypeId type) {
    switch (type) {
    case Exiv2::unsignedShort:
    case Exiv2::unsignedLong:
    case Exiv2::signedShort:
    case Exiv2::signedLong:
    case Exiv2::tiffIfd:
        return Kind::Integer;
    case Exiv2::unsignedRational:
    case Exiv2::signedRational:
        return Kind::Rational;
    case Exiv2::tiffFloat:
    case Exiv2::tiffDouble:
        return Kind::Real;
    case Exiv2::asciiString:
        return Kind::Ascii;
    case Exiv2::unsignedByte:
    case Exiv2::signedByte:
    case Exiv2::undefined:
    case Exiv2::comment:
        return Kind::Bytes;
    default:
        return Kind::Other;
    }
}

// Whether a value stored as `actual` reads as the `expected` type: integers of any width for an
// integer, bytes of any sort for bytes (one-byte integers among them), text only as text.
bool fits(Exiv2::TypeId expected, Exiv2::TypeId actual) {
    if (expected == actual)
        return true;
    const Kind want = kindOf(expected), have = kindOf(actual);
    if (want == Kind::Integer && (actual == Exiv2::unsignedByte || actual == Exiv2::signedByte))
        return true;
    return want == have && want != Kind::Other;
}

bool isWellFormed(const Exiv2::Exifdatum &datum, const std::string &group) {
    if (Exiv2::ExifTags::isMakerGroup(group))
        return true;
    if (datum.count() == 0)
        return false;
    const Exiv2::TagInfo *info = Exiv2::ExifTags::tagList(group);
    while (info && info->tag_ != 0xffff && info->tag_ != datum.tag())
        ++info;
    if (!info || info->tag_ == 0xffff || !fits(info->typeId_, datum.typeId()))
        return false;
    // A number's count is part of its meaning; text and bytes come in any length.
    const Kind kind = kindOf(info->typeId_);
    return info->count_ <= 0 || kind == Kind::Ascii || kind == Kind::Bytes ||
           datum.count() == long(info->count_);
}

} // namespace

bool isStructure(const Exiv2::Exifdatum &datum) {
    return datum.groupName() == "Image" && std::find(structureTags.begin(), structureTags.end(),
                                                     datum.tag()) != structureTags.end();
}

bool isCopiedExif(const Exiv2::Exifdatum &datum) {
    const std::string group = datum.groupName();
    return !belongsToAnotherImage(group) && !isStructure(datum) && isWellFormed(datum, group);
}

bool isCopiedXmp(const Exiv2::Xmpdatum &datum) {
    static constexpr std::array<std::string_view, 12> tiff{
        "ImageWidth",          "ImageLength",      "BitsPerSample",
        "Compression",         "SamplesPerPixel",  "PhotometricInterpretation",
        "PlanarConfiguration", "XResolution",      "YResolution",
        "ResolutionUnit",      "YCbCrSubSampling", "YCbCrPositioning"};
    const std::string group = datum.groupName();
    const std::string name = datum.tagName();
    return !((group == "tiff" && std::find(tiff.begin(), tiff.end(), name) != tiff.end()) ||
             (group == "exif" && (name == "PixelXDimension" || name == "PixelYDimension")));
}
