#pragma once

#include <vips/vips8>

#include <optional>

// Still WebP sources decoded with libwebp directly. libvips 8.14's loader has libwebp decode into
// an RGBA frame, copies that onto a second frame, then copies each row once more into the
// pipeline: three writes of the whole picture, into memory it takes afresh for every image.
// Here libwebp writes the picture once, in the layout libvips reads.
namespace WebpDecoder {

// The still picture of the WebP file in `fd`, scaled by `scale` (at most 1) as libwebp decodes it,
// with the bands of `header`, the file as libvips read its header: RGB, or RGBA whose colour
// libwebp averages weighted by alpha. It carries the header's resolution, ICC profile and
// orientation. Nothing for an animation, or a picture that does not fill its canvas, which libvips'
// loader composes. Throws vips::VError when the file cannot be decoded, libwebp's reason noted in
// ThreadErrors.
std::optional<vips::VImage> decode(int fd, const vips::VImage &header, double scale);

} // namespace WebpDecoder
