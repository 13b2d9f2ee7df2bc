#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

#include "core/resize/CopyFormat.h"

class FileMapping;

// EXIF as libvips keeps it (after "Exif\0\0") and an XMP packet, for a file that libvips'
// saver writes with its metadata.
struct EmbeddedMetadata {
    QByteArray exif;
    QByteArray xmp;
};

// What a photo carries besides its pixels, EXIF, XMP and IPTC, as exiv2 reads and writes it. A
// copy keeps it, made true of the copy: upright, of the copy's size, with no thumbnail, none of
// the source's own image structure and no tag a reader could not take. Damaged or oversized
// metadata is never worth the picture: the copy is written without the block that is, and lost()
// and problem() say which and why.
class PhotoMetadata {
public:
    // Starts exiv2; call once, on the main thread, before any thread reads metadata.
    static void initialize();

    // None.
    PhotoMetadata() = default;

    // What the image file open at `fd` carries; none for a format that carries nothing.
    static PhotoMetadata read(int fd);

    bool isEmpty() const;
    // What the file holds but is left out, "metadata" when it is all, or the blocks ("XMP",
    // "EXIF and IPTC"...); empty when all went well.
    const QString &lost() const { return lost_; }
    // Why it is left out.
    const QString &problem() const { return problem_; }

    // The metadata for a copy of `width` × `height` pixels, without the location when asked.
    PhotoMetadata forCopy(int width, int height, bool withoutLocation) const;

    // Adds the metadata to the finished image of `type` in the file open for reading and writing
    // at `fd`: a TIFF keeps its own tags, a JPEG, PNG or WebP its profile. Returns why it could
    // not; the file is then unchanged, unless writing the file itself failed (`*fileDamaged` is
    // then set). Nothing is added to an AVIF, which exiv2 does not write: see embedded().
    QString writeInto(int fd, FileType type, bool *fileDamaged) const;
    // The EXIF and XMP for a saver that writes them itself; nothing that cannot be encoded.
    EmbeddedMetadata embedded() const;
    // The block a file of `type` cannot hold although the metadata has it: "IPTC" for WebP and
    // AVIF; empty when it holds all.
    QString unheldIn(FileType type) const;

private:
    struct Blocks;
    // Write the metadata into the copy mapped from `fd`, as a TIFF or through exiv2's writer of
    // its format; false when writing the file failed. exiv2's exceptions pass.
    bool writeIntoTiff(int fd, const FileMapping &file) const;
    bool writeIntoImage(int fd, const FileMapping &file) const;

    PhotoMetadata(std::shared_ptr<const Blocks> blocks, QString lost, QString problem);

    std::shared_ptr<const Blocks> blocks_;
    QString lost_;
    QString problem_;
};
