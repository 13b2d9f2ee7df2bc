#include "core/resize/PhotoMetadata.h"

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

#include <exiv2/exiv2.hpp>

#include "core/files/FileIo.h"
#include "core/files/FilePaths.h"
#include "core/resize/CopiedTags.h"
#include "core/resize/FileMapping.h"
#include "core/resize/LocationRemoval.h"
#include "core/resize/MetadataReading.h"

struct PhotoMetadata::Blocks {
    Exiv2::ExifData exif;
    Exiv2::XmpData xmp;
    Exiv2::IptcData iptc;
};

namespace {

QString why(const std::exception &error) {
    return QString::fromLocal8Bit(error.what());
}

template <typename Data, typename Predicate> void eraseIf(Data &data, Predicate predicate) {
    for (auto datum = data.begin(); datum != data.end();)
        datum = predicate(*datum) ? data.erase(datum) : std::next(datum);
}

bool replaceContents(int fd, const Exiv2::byte *data, std::size_t size) {
    return writeAllAt(fd, data, size, 0) && ::ftruncate(fd, off_t(size)) == 0;
}

} // namespace

PhotoMetadata::PhotoMetadata(std::shared_ptr<const Blocks> blocks, QString lost, QString problem)
    : blocks_(std::move(blocks))
    , lost_(std::move(lost))
    , problem_(std::move(problem)) {}

void PhotoMetadata::initialize() {
    // The XMP toolkit's namespace registry is shared by every thread that reads XMP.
    static std::mutex xmpMutex;
    Exiv2::XmpParser::initialize(
        [](void *mutex, bool lock) {
            if (lock)
                static_cast<std::mutex *>(mutex)->lock();
            else
                static_cast<std::mutex *>(mutex)->unlock();
        },
        &xmpMutex);
    // HEIF and AVIF are told apart by exiv2, and read by libheif.
    Exiv2::enableBMFF(true);
    // What goes wrong reaches the log with its file, once, in the words exiv2 gave it.
    keepExiv2Warnings();
}

PhotoMetadata PhotoMetadata::read(int fd) {
    FileMetadata read = readFileMetadata(fd);
    const QString lost = read.lost.contains("metadata") ? QStringLiteral("metadata")
                                                        : read.lost.join(QStringLiteral(" and "));
    return PhotoMetadata(std::make_shared<Blocks>(Blocks{std::move(read.exif), std::move(read.xmp),
                                                         std::move(read.iptc)}),
                         lost, read.why.join(QStringLiteral("; ")));
}

bool PhotoMetadata::isEmpty() const {
    return !blocks_ || (blocks_->exif.empty() && blocks_->xmp.empty() && blocks_->iptc.empty());
}

PhotoMetadata PhotoMetadata::forCopy(int width, int height, bool withoutLocation) const {
    if (isEmpty())
        return *this;
    try {
        auto copy = std::make_shared<Blocks>(*blocks_);
        eraseIf(copy->exif, [](const Exiv2::Exifdatum &datum) { return !isCopiedExif(datum); });
        eraseIf(copy->xmp, [](const Exiv2::Xmpdatum &datum) { return !isCopiedXmp(datum); });
        if (withoutLocation)
            removeLocation(copy->exif, copy->xmp, copy->iptc);
        // The pixels are turned already.
        if (copy->exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation")) != copy->exif.end())
            copy->exif["Exif.Image.Orientation"] = std::uint16_t(1);
        if (!copy->exif.empty()) {
            copy->exif["Exif.Photo.PixelXDimension"] = std::uint32_t(width);
            copy->exif["Exif.Photo.PixelYDimension"] = std::uint32_t(height);
        }
        if (copy->xmp.findKey(Exiv2::XmpKey("Xmp.tiff.Orientation")) != copy->xmp.end())
            copy->xmp["Xmp.tiff.Orientation"] = "1";
        return PhotoMetadata(std::move(copy), lost_, problem_);
    } catch (const std::exception &error) {
        return PhotoMetadata(nullptr, QStringLiteral("metadata"), why(error));
    }
}

QString PhotoMetadata::writeInto(int fd, FileType type, bool *fileDamaged) const {
    *fileDamaged = false;
    if (isEmpty() || type == FileType::avif)
        return {};
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return systemError();
    // The copy is read privately; the file changes only once exiv2 has made the whole new one.
    const FileMapping file(fd, std::size_t(info.st_size));
    if (!file.isValid())
        return systemError();
    try {
        const bool written =
            type == FileType::tiff ? writeIntoTiff(fd, file) : writeIntoImage(fd, file);
        if (!written) {
            *fileDamaged = true;
            return systemError();
        }
        return {};
    } catch (const std::exception &error) {
        return why(error);
    }
}

EmbeddedMetadata PhotoMetadata::embedded() const {
    EmbeddedMetadata embedded;
    if (isEmpty())
        return embedded;
    try {
        if (!blocks_->exif.empty()) {
            Exiv2::Blob tiff;
            Exiv2::ExifParser::encode(tiff, Exiv2::littleEndian, blocks_->exif);
            embedded.exif =
                QByteArray("Exif\0\0", 6) +
                QByteArray(reinterpret_cast<const char *>(tiff.data()), qsizetype(tiff.size()));
        }
        std::string packet;
        if (!blocks_->xmp.empty() && Exiv2::XmpParser::encode(packet, blocks_->xmp) == 0)
            embedded.xmp = QByteArray::fromStdString(packet);
    } catch (const std::exception &) {
        // What cannot be encoded is left out, as exiv2's writers leave it.
    }
    return embedded;
}

QString PhotoMetadata::unheldIn(FileType type) const {
    const bool iptc = blocks_ && !blocks_->iptc.empty();
    return iptc && (type == FileType::webp || type == FileType::avif) ? QStringLiteral("IPTC")
                                                                      : QString();
}

bool PhotoMetadata::writeIntoImage(int fd, const FileMapping &file) const {
    const auto image = Exiv2::ImageFactory::open(file.data(), long(file.size()));
    image->readMetadata(); // the profile the saver wrote stays
    image->setExifData(blocks_->exif);
    image->setIptcData(blocks_->iptc);
    image->setXmpData(blocks_->xmp);
    image->writeMetadata();
    Exiv2::BasicIo &rewritten = image->io();
    return replaceContents(fd, rewritten.mmap(), std::size_t(rewritten.size()));
}

bool PhotoMetadata::writeIntoTiff(int fd, const FileMapping &file) const {
    // The copy's own tags come first: what the source adds never replaces one of them.
    Exiv2::ExifData exif;
    Exiv2::IptcData noIptc;
    Exiv2::XmpData noXmp;
    const Exiv2::ByteOrder order =
        Exiv2::TiffParser::decode(exif, noIptc, noXmp, file.data(), std::uint32_t(file.size()));
    // Keys are compared as strings, once each: looking each one up in the growing list took
    // time in the square of their number: seconds for a maker note of 7,000 tags, more than
    // scaling its image.
    std::unordered_set<std::string> taken;
    for (const Exiv2::Exifdatum &datum : exif)
        taken.insert(datum.key());
    for (const Exiv2::Exifdatum &datum : blocks_->exif)
        if (taken.insert(datum.key()).second)
            exif.add(datum);
    Exiv2::MemIo rewritten;
    const Exiv2::WriteMethod method =
        Exiv2::TiffParser::encode(rewritten, file.data(), std::uint32_t(file.size()), order, exif,
                                  blocks_->iptc, blocks_->xmp);
    return method == Exiv2::wmNonIntrusive
               ? replaceContents(fd, file.data(), file.size())
               : replaceContents(fd, rewritten.mmap(), std::size_t(rewritten.size()));
}
