#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

// What a photo carries besides its pixels, EXIF, XMP and IPTC, as exiv2 reads and writes it. A
// copy keeps it, made true of the copy: upright, of the copy's size, with no thumbnail and none of
// the source's own image structure. Damaged or oversized metadata is never worth the picture: the
// copy is then written without it, and problem() says why.
class PhotoMetadata {
public:
    // Starts exiv2; call once, on the main thread, before any thread reads metadata.
    static void initialize();

    // None.
    PhotoMetadata() = default;

    // What the image file open at `fd` carries; none for a format that carries nothing.
    static PhotoMetadata read(int fd);
    // The metadata held in an EXIF block (a TIFF structure, with or without the "Exif" mark that
    // JPEG puts before it), an XMP packet and an IPTC block; any may be empty.
    static PhotoMetadata fromBlocks(const QByteArray &exif, const QByteArray &xmp,
                                    const QByteArray &iptc);

    bool isEmpty() const;
    // Why there is none although the file may hold some; empty when all went well.
    const QString &problem() const { return problem_; }

    // The metadata for a copy of `width` × `height` pixels, without the location when asked.
    PhotoMetadata forCopy(int width, int height, bool withoutLocation) const;

    // Adds the metadata to the finished TIFF image in the file open for reading and writing at
    // `fd`, keeping the image's own tags. Returns why it could not; the file is then unchanged,
    // unless writing the file itself failed (`*fileDamaged` is then set).
    QString writeInto(int fd, bool *fileDamaged) const;

private:
    struct Blocks;
    explicit PhotoMetadata(std::shared_ptr<const Blocks> blocks, QString problem = {});

    std::shared_ptr<const Blocks> blocks_;
    QString problem_;
};
