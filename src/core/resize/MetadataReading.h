#pragma once

#include <QString>
#include <QStringList>

#include <exiv2/exiv2.hpp>

// The metadata of an image file, each block read where a library can read it: exiv2 for JPEG,
// PNG, WebP and TIFF (with a JPEG's extended XMP put back together), libheif for HEIF and AVIF;
// the top-level boxes of another BMFF file (JPEG XL) and a GIF's XMP extension are found here.
// Each block is measured before it is parsed; one that is too large or cannot be read is left
// out alone, named in `lost` with its cause in `why`.
struct FileMetadata {
    Exiv2::ExifData exif;
    Exiv2::XmpData xmp;
    Exiv2::IptcData iptc;
    QStringList lost;
    QStringList why;
};

FileMetadata readFileMetadata(int fd);

// Keeps exiv2's first warning of a read, on its thread, to say why a block could not be read.
void keepExiv2Warnings();
