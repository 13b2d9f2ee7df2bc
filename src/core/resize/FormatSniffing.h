#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include <vips/vips8>

#include "core/resize/DecoderMemory.h"

// How much of a file's start is read to tell its format: its first block.
inline constexpr std::size_t sniffedBytes = 4096;

// The format whose signature `head`, a file's first bytes, starts with, of the formats Sardoxa
// takes: JPEG, PNG, GIF, TIFF or BigTIFF in either byte order, HEIF (HEIC and AVIF among them),
// WebP and JPEG XL. Nothing for any other.
std::optional<SourceFormat> sniffFormat(std::span<const std::uint8_t> head);

// The format of the file open on `fd`, from its first block, read with pread() so that the
// descriptor's offset stays where it is. Nothing for another format or a read that failed.
std::optional<SourceFormat> sniffFile(int fd);

// The libvips operation that reads `format`.
const char *loaderName(SourceFormat format);

// The image in `source` read by the loader of `format` alone: libvips' own search would ask
// every loader's sniffer, and some read the whole file (a sparse 20 GiB one took minutes). Only
// one picture is read: a GIF's or WebP's first frame, a TIFF's first page, and a HEIF file's
// primary image, the one it names as the picture to show. It is read from top to bottom, once,
// and fails on damage; `options` add the loader's own.
vips::VImage loadAs(SourceFormat format, const vips::VSource &source,
                    vips::VOption *options = nullptr);
