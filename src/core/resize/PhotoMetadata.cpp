#include "core/resize/PhotoMetadata.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string_view>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <exiv2/exiv2.hpp>

#include "core/files/FilePaths.h"

struct PhotoMetadata::Blocks {
    Exiv2::ExifData exif;
    Exiv2::XmpData xmp;
    Exiv2::IptcData iptc;
};

namespace {

// More than any camera or photo manager writes; a block beyond these is hostile or broken, and
// carrying it would cost every copy its time and memory.
constexpr long maxExifBytes = 1024 * 1024;
constexpr long maxXmpBytes = 4 * 1024 * 1024;
constexpr long maxIptcBytes = 1024 * 1024;

QString why(const std::exception &error) {
    return QString::fromLocal8Bit(error.what());
}

long exifBytes(const Exiv2::ExifData &exif) {
    long bytes = 0;
    for (const Exiv2::Exifdatum &datum : exif)
        bytes += datum.size();
    return bytes;
}

long xmpBytes(const Exiv2::XmpData &xmp) {
    long bytes = 0;
    for (const Exiv2::Xmpdatum &datum : xmp)
        bytes += datum.size() + long(datum.key().size());
    return bytes;
}

QString tooLarge(const Exiv2::ExifData &exif, const Exiv2::XmpData &xmp,
                 const Exiv2::IptcData &iptc) {
    const auto text = [](const char *block, long bytes) {
        return QStringLiteral("its %1 block is too large (%2 KB)").arg(block).arg(bytes / 1024);
    };
    if (const long bytes = exifBytes(exif); bytes > maxExifBytes)
        return text("EXIF", bytes);
    if (const long bytes = xmpBytes(xmp); bytes > maxXmpBytes)
        return text("XMP", bytes);
    if (const long bytes = iptc.size(); bytes > maxIptcBytes)
        return text("IPTC", bytes);
    return {};
}

// The tags of the first image's directory that describe how a TIFF stores its pixels, its
// resolution and its colour: the copy's own say that, and those of the source would contradict
// them. The XMP and IPTC the source keeps in its directory go with their own blocks.
constexpr std::array structureTags{
    0x00fe, 0x00ff, 0x0100, 0x0101, 0x0102, 0x0103, 0x0106, 0x0107, 0x0108, 0x0109,
    0x010a, 0x0111, 0x0115, 0x0116, 0x0117, 0x0118, 0x0119, 0x011a, 0x011b, 0x011c,
    0x0122, 0x0123, 0x0128, 0x012d, 0x013d, 0x013e, 0x013f, 0x0140, 0x0142, 0x0143,
    0x0144, 0x0145, 0x014a, 0x0152, 0x0153, 0x0154, 0x0155, 0x0156, 0x0200, 0x0201,
    0x0202, 0x0211, 0x0212, 0x0213, 0x0214, 0x02bc, 0x83bb, 0x8649, 0x8773,
};

bool isStructure(const Exiv2::Exifdatum &datum) {
    return datum.groupName() == "Image" && std::find(structureTags.begin(), structureTags.end(),
                                                     datum.tag()) != structureTags.end();
}

// The source's other images, its thumbnail first, and what a copy has no part of.
bool belongsToAnotherImage(const Exiv2::Exifdatum &datum) {
    const std::string group = datum.groupName();
    return group == "Thumbnail" || group.starts_with("SubImage") || group.starts_with("SubThumb") ||
           group == "Image2" || group == "Image3" || group == "Iop";
}

bool isExifLocation(const Exiv2::Exifdatum &datum) {
    return datum.groupName() == "GPSInfo";
}

bool isXmpLocation(const Exiv2::Xmpdatum &datum) {
    return datum.groupName() == "exif" && datum.tagName().starts_with("GPS");
}

// What XMP says of the pixels as the source stores them.
bool isXmpStructure(const Exiv2::Xmpdatum &datum) {
    static constexpr std::array<std::string_view, 12> tiff{
        "ImageWidth",          "ImageLength",      "BitsPerSample",
        "Compression",         "SamplesPerPixel",  "PhotometricInterpretation",
        "PlanarConfiguration", "XResolution",      "YResolution",
        "ResolutionUnit",      "YCbCrSubSampling", "YCbCrPositioning"};
    const std::string group = datum.groupName();
    const std::string name = datum.tagName();
    return (group == "tiff" && std::find(tiff.begin(), tiff.end(), name) != tiff.end()) ||
           (group == "exif" && (name == "PixelXDimension" || name == "PixelYDimension"));
}

template <typename Data, typename Predicate> void eraseIf(Data &data, Predicate predicate) {
    for (auto datum = data.begin(); datum != data.end();)
        datum = predicate(*datum) ? data.erase(datum) : std::next(datum);
}

// A mapping of the whole file, released with it.
class Mapping {
public:
    Mapping(int fd, std::size_t size)
        : size_(size)
        , data_(size == 0 ? MAP_FAILED
                          : ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0)) {}
    ~Mapping() {
        if (data_ != MAP_FAILED)
            ::munmap(data_, size_);
    }
    Mapping(const Mapping &) = delete;
    Mapping &operator=(const Mapping &) = delete;

    bool isValid() const { return data_ != MAP_FAILED; }
    Exiv2::byte *data() const { return static_cast<Exiv2::byte *>(data_); }
    std::size_t size() const { return size_; }

private:
    std::size_t size_;
    void *data_;
};

bool writeAll(int fd, const Exiv2::byte *data, std::size_t size) {
    for (std::size_t done = 0; done < size;) {
        const ssize_t written = ::pwrite(fd, data + done, size - done, off_t(done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        done += std::size_t(written);
    }
    return ::ftruncate(fd, off_t(size)) == 0;
}

} // namespace

PhotoMetadata::PhotoMetadata(std::shared_ptr<const Blocks> blocks, QString problem)
    : blocks_(std::move(blocks))
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
    Exiv2::enableBMFF(true);
    // What goes wrong reaches the log with its file, once; exiv2's own warnings would repeat it.
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
}

PhotoMetadata PhotoMetadata::read(int fd) {
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    try {
        // A format exiv2 does not know carries nothing it could keep.
        if (Exiv2::ImageFactory::getType(path) == Exiv2::ImageType::none)
            return PhotoMetadata(nullptr);
        const auto image = Exiv2::ImageFactory::open(path, false);
        image->readMetadata();
        auto blocks = std::make_shared<Blocks>(
            Blocks{image->exifData(), image->xmpData(), image->iptcData()});
        if (QString problem = tooLarge(blocks->exif, blocks->xmp, blocks->iptc); !problem.isEmpty())
            return PhotoMetadata(nullptr, problem);
        return PhotoMetadata(std::move(blocks));
    } catch (const std::exception &error) {
        return PhotoMetadata(nullptr, why(error));
    }
}

PhotoMetadata PhotoMetadata::fromBlocks(const QByteArray &exif, const QByteArray &xmp,
                                        const QByteArray &iptc) {
    try {
        auto blocks = std::make_shared<Blocks>();
        const QByteArray mark("Exif\0\0", 6);
        const QByteArray tiff = exif.startsWith(mark) ? exif.mid(mark.size()) : exif;
        if (!tiff.isEmpty())
            Exiv2::ExifParser::decode(blocks->exif,
                                      reinterpret_cast<const Exiv2::byte *>(tiff.constData()),
                                      std::uint32_t(tiff.size()));
        if (!xmp.isEmpty() && Exiv2::XmpParser::decode(blocks->xmp, xmp.toStdString()) != 0)
            return PhotoMetadata(nullptr, QStringLiteral("its XMP packet cannot be read"));
        if (!iptc.isEmpty() &&
            Exiv2::IptcParser::decode(blocks->iptc,
                                      reinterpret_cast<const Exiv2::byte *>(iptc.constData()),
                                      std::uint32_t(iptc.size())) != 0)
            return PhotoMetadata(nullptr, QStringLiteral("its IPTC block cannot be read"));
        if (QString problem = tooLarge(blocks->exif, blocks->xmp, blocks->iptc); !problem.isEmpty())
            return PhotoMetadata(nullptr, problem);
        return PhotoMetadata(std::move(blocks));
    } catch (const std::exception &error) {
        return PhotoMetadata(nullptr, why(error));
    }
}

bool PhotoMetadata::isEmpty() const {
    return !blocks_ || (blocks_->exif.empty() && blocks_->xmp.empty() && blocks_->iptc.empty());
}

PhotoMetadata PhotoMetadata::forCopy(int width, int height, bool withoutLocation) const {
    if (isEmpty())
        return *this;
    try {
        auto copy = std::make_shared<Blocks>(*blocks_);
        eraseIf(copy->exif, [withoutLocation](const Exiv2::Exifdatum &datum) {
            return isStructure(datum) || belongsToAnotherImage(datum) ||
                   (withoutLocation && isExifLocation(datum));
        });
        // The pixels are turned already.
        if (copy->exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation")) != copy->exif.end())
            copy->exif["Exif.Image.Orientation"] = std::uint16_t(1);
        if (!copy->exif.empty()) {
            copy->exif["Exif.Photo.PixelXDimension"] = std::uint32_t(width);
            copy->exif["Exif.Photo.PixelYDimension"] = std::uint32_t(height);
        }
        eraseIf(copy->xmp, [withoutLocation](const Exiv2::Xmpdatum &datum) {
            return isXmpStructure(datum) || (withoutLocation && isXmpLocation(datum));
        });
        if (copy->xmp.findKey(Exiv2::XmpKey("Xmp.tiff.Orientation")) != copy->xmp.end())
            copy->xmp["Xmp.tiff.Orientation"] = "1";
        return PhotoMetadata(std::move(copy));
    } catch (const std::exception &error) {
        return PhotoMetadata(nullptr, why(error));
    }
}

QString PhotoMetadata::writeInto(int fd, bool *fileDamaged) const {
    *fileDamaged = false;
    if (isEmpty())
        return {};
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return systemError();
    // The copy is read privately; the file changes only once exiv2 has made the whole new one.
    const Mapping file(fd, std::size_t(info.st_size));
    if (!file.isValid())
        return systemError();
    try {
        // The copy's own tags come first: what the source adds never replaces one of them.
        Exiv2::ExifData exif;
        Exiv2::IptcData noIptc;
        Exiv2::XmpData noXmp;
        const Exiv2::ByteOrder order =
            Exiv2::TiffParser::decode(exif, noIptc, noXmp, file.data(), std::uint32_t(file.size()));
        for (const Exiv2::Exifdatum &datum : blocks_->exif)
            if (exif.findKey(Exiv2::ExifKey(datum.key())) == exif.end())
                exif.add(datum);
        Exiv2::MemIo rewritten;
        const Exiv2::WriteMethod method =
            Exiv2::TiffParser::encode(rewritten, file.data(), std::uint32_t(file.size()), order,
                                      exif, blocks_->iptc, blocks_->xmp);
        const bool written = method == Exiv2::wmNonIntrusive
                                 ? writeAll(fd, file.data(), file.size())
                                 : writeAll(fd, rewritten.mmap(), std::size_t(rewritten.size()));
        if (!written) {
            *fileDamaged = true;
            return systemError();
        }
        return {};
    } catch (const std::exception &error) {
        return why(error);
    }
}
