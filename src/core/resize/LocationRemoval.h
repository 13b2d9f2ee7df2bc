#pragma once

#include <exiv2/exiv2.hpp>

// Takes out of the metadata every place the photo was taken or shows, by coordinates and by name,
// wherever it is held: the EXIF GPS directory and its pointer, the place tags of a maker note
// exiv2 decodes and a maker note it cannot decode (it may hold a position no one can see), every
// XMP property of any namespace named for a position or a place (exif:GPS*, drone-dji:GPS*,
// Iptc4xmpExt:LocationCreated and LocationShown with all their fields, photoshop:City, State and
// Country, Iptc4xmpCore:Location and CountryCode...), and IPTC's City, Sub-location,
// Province-State, Country and location codes and names. The creator's own contact address is not
// where the photo was taken and stays, as does everything else.
void removeLocation(Exiv2::ExifData &exif, Exiv2::XmpData &xmp, Exiv2::IptcData &iptc);
