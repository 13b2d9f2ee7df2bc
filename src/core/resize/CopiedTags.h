#pragma once

#include <exiv2/exiv2.hpp>

// Whether a tag of the source goes into a copy. Not the source's own image structure (how it
// stores its pixels, its resolution and colour, its thumbnail and other images: the copy's own
// tags say that), and not a tag no reader could take: one exiv2 does not know by number for its
// directory, of a type or a count that does not fit it, or empty. A maker note's tags are kept as
// exiv2 decoded them; it writes them back in the maker note's own layout.
bool isCopiedExif(const Exiv2::Exifdatum &datum);
// The same for XMP: not what it says of the pixels as the source stores them.
bool isCopiedXmp(const Exiv2::Xmpdatum &datum);
// Whether the tag says how the source stores its pixels or holds another block (XMP, IPTC, the
// colour profile), which is counted and carried as that block.
bool isStructure(const Exiv2::Exifdatum &datum);
