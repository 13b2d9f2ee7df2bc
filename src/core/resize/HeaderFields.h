#pragma once

#include <vips/vips8>

// What the decoders of our own carry over from `header`, the source as libvips read its header,
// onto the image they decode.
namespace HeaderFields {

// The ICC profile, when the header has one.
void carryProfile(VipsImage *image, const vips::VImage &header);

// The EXIF orientation, when the header has one: for pictures decoded as stored, unturned.
void carryOrientation(VipsImage *image, const vips::VImage &header);

} // namespace HeaderFields
