#pragma once

#include <stop_token>

#include <vips/vips8>

// JPEG XL sources decoded with libjxl directly. libvips 8.14's loader asks libjxl for every extra
// channel as one more band of the picture, which libjxl refuses for a file with extra channels
// other than alpha (CMYK's black, spot colours); it takes premultiplied alpha as straight, which
// darkens every colour where alpha is low; and it tags floating-point samples as linear light
// whatever profile libjxl gives them in.
namespace JpegXlDecoder {

// The first frame of the JPEG XL file in `fd`, all its layers composed and its spot colours
// drawn, as libjxl renders it, turned as the file records (libvips' header gives that size too):
// grey or RGB, with alpha if it has one (straight, not premultiplied), in 8 or 16 bits, or float
// in linear light, and with the ICC profile that describes the samples. CMYK is drawn in sRGB
// through its own profile, its black channel included. It carries the resolution of `header`,
// the file as libvips read its header. Throws vips::VError when the file cannot be decoded or
// `stop` is requested, libjxl's reason noted in ThreadErrors. The descriptor is read with pread().
vips::VImage decode(int fd, const vips::VImage &header, std::stop_token stop);

} // namespace JpegXlDecoder
