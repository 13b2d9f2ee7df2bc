#pragma once

#include <optional>

// Where libheif turns and crops a HEIF picture as it decodes it, the size it is shown at.
namespace HeifDecoder {

struct Geometry {
    int storedWidth = 0; // as coded, before any rotation or crop
    int storedHeight = 0;
    int width = 0; // as shown: rotated and cropped as the file asks
    int height = 0;
};

// The primary picture's sizes in the HEIF file open on `fd`, from its item properties (libheif
// 1.15 has no call that gives the shown size whatever their order). Nothing when they cannot be
// read; libheif then says why when the file is decoded.
std::optional<Geometry> geometry(int fd);

} // namespace HeifDecoder
