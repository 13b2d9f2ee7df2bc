#include "core/resize/MetadataReading.h"

#include <QtEndian>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

#include <libheif/heif.h>

#include "core/files/FilePaths.h"
#include "core/resize/CopiedTags.h"
#include "core/resize/FileMapping.h"
#include "core/resize/GifMetadata.h"
#include "core/resize/MetadataBlocks.h"
#include "core/resize/XmpRepair.h"

namespace {

// exiv2's first warning since it was cleared, on this thread.
thread_local std::string lastWarning;

QString tooLarge(const char *block, long long bytes) {
    return QStringLiteral("its %1 block is too large (%2 KB)").arg(block).arg(bytes / 1024);
}

// Why exiv2 could not read a block, in its own words when it gave some.
QString unreadable(const char *block) {
    QString text = QStringLiteral("its %1 block cannot be read").arg(block);
    if (!lastWarning.empty())
        text += QStringLiteral(" (%1)").arg(QString::fromStdString(lastWarning).trimmed());
    return text;
}

void leaveOut(FileMetadata &metadata, const char *block, const QString &why) {
    metadata.lost.append(QString::fromLatin1(block));
    metadata.why.append(why);
}

// Parses an XMP packet into `xmp`, once more without its repeated properties when the toolkit
// refuses them; the warning kept is the first parse's.
bool decodeXmp(Exiv2::XmpData &xmp, const std::string &packet) {
    lastWarning.clear();
    if (Exiv2::XmpParser::decode(xmp, packet) == 0)
        return true;
    const std::string first = lastWarning;
    const QByteArray repaired = withoutRepeatedProperties(QByteArray::fromStdString(packet));
    xmp.clear();
    if (!repaired.isEmpty() && Exiv2::XmpParser::decode(xmp, repaired.toStdString()) == 0)
        return true;
    xmp.clear();
    lastWarning = first;
    return false;
}

// Measures an XMP packet, then parses it into the metadata's XMP, adding to what it holds.
void addXmp(FileMetadata &metadata, const QByteArray &packet, const char *block) {
    if (packet.isEmpty())
        return;
    if (packet.size() > blockLimits[std::size_t(Block::Xmp)])
        return leaveOut(metadata, block, tooLarge(block, packet.size()));
    Exiv2::XmpData read;
    if (!decodeXmp(read, packet.toStdString()))
        return leaveOut(metadata, block, unreadable(block));
    for (const Exiv2::Xmpdatum &datum : read)
        metadata.xmp.add(datum);
}

// An EXIF block as HEIF keeps it: a TIFF structure, after a few bytes saying where it starts.
void addExif(FileMetadata &metadata, const QByteArray &block) {
    if (block.size() > blockLimits[std::size_t(Block::Exif)])
        return leaveOut(metadata, "EXIF", tooLarge("EXIF", block.size()));
    qsizetype start = block.indexOf(QByteArray("II*\0", 4));
    if (start < 0 || start > 16)
        start = block.indexOf(QByteArray("MM\0*", 4));
    if (start < 0 || start > 16)
        return block.isEmpty() ? void() : leaveOut(metadata, "EXIF", unreadable("EXIF"));
    Exiv2::ExifParser::decode(metadata.exif,
                              reinterpret_cast<const Exiv2::byte *>(block.constData() + start),
                              std::uint32_t(block.size() - start));
}

// exiv2 reads little of what HEIF and AVIF hold; libheif gives each block's size before its
// bytes. False when libheif cannot read the file, a BMFF file of another kind.
bool readHeif(FileMetadata &metadata, const unsigned char *data, std::size_t size) {
    const std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(),
                                                                              heif_context_free);
    heif_image_handle *primary = nullptr;
    if (heif_context_read_from_memory_without_copy(context.get(), data, size, nullptr).code !=
            heif_error_Ok ||
        heif_context_get_primary_image_handle(context.get(), &primary).code != heif_error_Ok)
        return false;
    const std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> handle(
        primary, heif_image_handle_release);
    std::vector<heif_item_id> ids(
        std::size_t(heif_image_handle_get_number_of_metadata_blocks(handle.get(), nullptr)));
    heif_image_handle_get_list_of_metadata_block_IDs(handle.get(), nullptr, ids.data(),
                                                     int(ids.size()));
    for (const heif_item_id id : ids) {
        const char *type = heif_image_handle_get_metadata_type(handle.get(), id);
        const char *content = heif_image_handle_get_metadata_content_type(handle.get(), id);
        const bool exif = type && std::string_view(type) == "Exif";
        const bool xmp = content && std::string_view(content) == "application/rdf+xml";
        if (!exif && !xmp)
            continue;
        const Block kind = exif ? Block::Exif : Block::Xmp;
        const char *name = exif ? "EXIF" : "XMP";
        const std::size_t bytes = heif_image_handle_get_metadata_size(handle.get(), id);
        if ((long long)bytes > blockLimits[std::size_t(kind)]) {
            leaveOut(metadata, name, tooLarge(name, (long long)bytes));
            continue;
        }
        QByteArray block(qsizetype(bytes), Qt::Uninitialized);
        if (heif_image_handle_get_metadata(handle.get(), id, block.data()).code != heif_error_Ok)
            leaveOut(metadata, name, QStringLiteral("its %1 block cannot be read").arg(name));
        else if (exif)
            addExif(metadata, block);
        else
            addXmp(metadata, block, name);
    }
    return true;
}

// The top-level "Exif" and "xml " boxes of a BMFF file libheif does not read, as JPEG XL keeps
// them; each box gives its size first.
void readBoxes(FileMetadata &metadata, const unsigned char *data, std::size_t size) {
    for (std::size_t at = 0; at + 8 <= size;) {
        std::uint64_t length = qFromBigEndian<quint32>(data + at);
        std::size_t header = 8;
        if (length == 1 && at + 16 <= size) {
            length = qFromBigEndian<quint64>(data + at + 8);
            header = 16;
        } else if (length == 0) {
            length = size - at;
        }
        if (length < header || length > size - at)
            return;
        const std::string_view type(reinterpret_cast<const char *>(data + at + 4), 4);
        const QByteArray box =
            type == "Exif" || type == "xml "
                ? QByteArray::fromRawData(reinterpret_cast<const char *>(data + at + header),
                                          qsizetype(length - header))
                : QByteArray();
        if (type == "Exif")
            addExif(metadata, box);
        else if (type == "xml ")
            addXmp(metadata, box, "XMP");
        at += std::size_t(length);
    }
}

// What exiv2 reads of the file in `data`, once it cannot see the blocks too large to parse.
void readWithExiv2(FileMetadata &metadata, unsigned char *data, std::size_t size) {
    const BlockBytes hidden = hideOversizedBlocks(data, size);
    constexpr const char *names[] = {"EXIF", "XMP", "IPTC"};
    for (std::size_t kind = 0; kind < blockKinds; ++kind)
        if (hidden[kind] != 0)
            leaveOut(metadata, names[kind], tooLarge(names[kind], hidden[kind]));
    const auto image = Exiv2::ImageFactory::open(data, long(size));
    lastWarning.clear();
    image->readMetadata();
    metadata.exif = image->exifData();
    metadata.xmp = image->xmpData();
    metadata.iptc = image->iptcData();
    // exiv2 drops an XMP packet it cannot parse with a warning alone; a TIFF keeps its packet
    // as a tag.
    std::string packet = image->xmpPacket();
    if (const auto tag = metadata.exif.findKey(Exiv2::ExifKey("Exif.Image.XMLPacket"));
        packet.empty() && tag != metadata.exif.end() && hidden[std::size_t(Block::Xmp)] == 0)
        packet = tag->toString();
    if (metadata.xmp.empty() && !packet.empty() && !decodeXmp(metadata.xmp, packet))
        leaveOut(metadata, "XMP", unreadable("XMP"));
    // The rest of a JPEG's XMP, beyond its first segment.
    // Found by its name: exiv2 knows no xmpNote namespace unless a packet names it.
    const auto extended =
        std::find_if(metadata.xmp.begin(), metadata.xmp.end(), [](const Exiv2::Xmpdatum &datum) {
            return datum.key() == "Xmp.xmpNote.HasExtendedXMP";
        });
    if (image->imageType() != Exiv2::ImageType::jpeg || extended == metadata.xmp.end())
        return;
    const std::string guid = extended->toString();
    metadata.xmp.erase(extended);
    bool tooBig = false;
    const QByteArray rest =
        jpegExtendedXmp(data, size, guid, blockLimits[std::size_t(Block::Xmp)], &tooBig);
    if (tooBig)
        leaveOut(metadata, "extended XMP", QStringLiteral("its extended XMP block is too large"));
    else if (rest.isEmpty())
        leaveOut(metadata, "extended XMP", QStringLiteral("its extended XMP block is incomplete"));
    addXmp(metadata, rest, "extended XMP");
}

} // namespace

void keepExiv2Warnings() {
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::warn);
    Exiv2::LogMsg::setHandler([](int, const char *message) {
        // The first says what failed; those after it, that it failed.
        if (lastWarning.empty())
            lastWarning = message;
    });
}

FileMetadata readFileMetadata(int fd) {
    FileMetadata metadata;
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || info.st_size == 0)
        return metadata;
    const FileMapping file(fd, std::size_t(info.st_size));
    if (!file.isValid()) {
        leaveOut(metadata, "metadata", systemError());
        return metadata;
    }
    try {
        if (const GifMetadata gif = readGifMetadata(file.data(), file.size()); !gif.xmp.isEmpty())
            addXmp(metadata, gif.xmp, "XMP");
        const int type = Exiv2::ImageFactory::getType(file.data(), long(file.size()));
        if (type == Exiv2::ImageType::bmff) {
            if (!readHeif(metadata, file.data(), file.size()))
                readBoxes(metadata, file.data(), file.size());
        } else if (type != Exiv2::ImageType::none && type != Exiv2::ImageType::gif) {
            readWithExiv2(metadata, file.data(), file.size());
        }
    } catch (const std::exception &error) {
        metadata = FileMetadata();
        leaveOut(metadata, "metadata", QString::fromLocal8Bit(error.what()));
        return metadata;
    }
    // The source's own directories, measured as they are copied: its pixels' structure and the
    // blocks read for themselves are not copied as EXIF.
    long long exifBytes = 0;
    for (const Exiv2::Exifdatum &datum : metadata.exif)
        if (isCopiedExif(datum))
            exifBytes += datum.size();
    if (exifBytes > blockLimits[std::size_t(Block::Exif)]) {
        metadata.exif.clear();
        leaveOut(metadata, "EXIF", tooLarge("EXIF", exifBytes));
    }
    return metadata;
}
