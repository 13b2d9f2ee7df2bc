#pragma once

#include "core/resize/HeifGeometry.h"

#include <vips/vips8>

// HEIF and AVIF sources decoded with libheif directly. libvips 8.14's loader takes the size its
// header reports from libheif, which turns that size by the file's rotation and crop only when
// the file lists them after the stored size; for files that list them first (valid, and written
// by some encoders) the picture libheif decodes, turned and cropped, no longer has the size the
// loader expected, and it refuses the file. Here the picture is decoded as libheif gives it, with
// the file's rotation, mirroring and crop applied, and its size taken from what was decoded.
namespace HeifDecoder {

// The primary picture of the HEIF file in `fd`, decoded whole, turned and cropped as the file
// asks, as 8-bit RGB(A), or 16-bit RGB(A) for a file of more than 8 bits a sample. It carries the
// ICC profile and resolution of `header`, the file as libvips read its header, and no orientation:
// the file's own rotation is applied, and the EXIF orientation, which only repeats it, is not
// applied again. Throws vips::VError when the file cannot be decoded, libheif's reason noted in
// ThreadErrors.
vips::VImage decode(int fd, const vips::VImage &header);

} // namespace HeifDecoder
