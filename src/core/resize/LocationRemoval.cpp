#include "core/resize/LocationRemoval.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <string_view>

namespace {

std::string lowered(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

// A name that says it holds a position or a place. The subject's location is a point of the
// frame, not of the world; an ISO speed latitude is the film's exposure range.
bool namesPlace(std::string_view name) {
    static constexpr std::array<std::string_view, 10> words{
        "gps",  "latitude", "longitude", "altitude", "location",
        "city", "country",  "state",     "province", "landmark"};
    const std::string lower = lowered(name);
    if (lower == "subjectlocation" || lower.starts_with("isospeedlatitude"))
        return false;
    return std::any_of(words.begin(), words.end(), [&lower](std::string_view word) {
        return lower.find(word) != std::string::npos;
    });
}

// An XMP property's path, as exiv2 names it below its namespace: "LocationCreated[1]/
// Iptc4xmpExt:City". It names a place when any of its steps does, so that a structure goes with
// all its fields; the creator's and the licensor's contact details stay whatever their fields say.
bool isXmpPlace(const Exiv2::Xmpdatum &datum) {
    const std::string path = datum.tagName();
    if (path.starts_with("CreatorContactInfo") || path.starts_with("Licensor"))
        return false;
    for (std::size_t start = 0; start < path.size();) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        std::string_view step = std::string_view(path).substr(start, end - start);
        step = step.substr(0, step.find('['));
        if (const std::size_t prefix = step.find(':'); prefix != std::string_view::npos)
            step.remove_prefix(prefix + 1);
        if (namesPlace(step))
            return true;
        start = end + 1;
    }
    return false;
}

bool isExifPlace(const Exiv2::Exifdatum &datum) {
    const std::string group = datum.groupName();
    if (group == "GPSInfo" || datum.key() == "Exif.Image.GPSTag")
        return true;
    // A maker note exiv2 decodes is read as tags of its own group, checked below; one it cannot
    // decode stays a block of bytes, which may hold a position, and goes whole.
    if (datum.key() == "Exif.Photo.MakerNote")
        return true;
    return Exiv2::ExifTags::isMakerGroup(group) && namesPlace(datum.tagName());
}

bool isIptcPlace(const Exiv2::Iptcdatum &datum) {
    return datum.record() == Exiv2::IptcDataSets::application2 && namesPlace(datum.tagName());
}

template <typename Data, typename Predicate> void eraseIf(Data &data, Predicate predicate) {
    for (auto datum = data.begin(); datum != data.end();)
        datum = predicate(*datum) ? data.erase(datum) : std::next(datum);
}

} // namespace

void removeLocation(Exiv2::ExifData &exif, Exiv2::XmpData &xmp, Exiv2::IptcData &iptc) {
    eraseIf(exif, isExifPlace);
    eraseIf(xmp, isXmpPlace);
    eraseIf(iptc, isIptcPlace);
}
