// A copy keeps what the camera and the photo manager wrote, made true of the copy, through the real
// program; exiftool writes the sources' tags and reads the copies'.
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <fcntl.h>
#include <sys/stat.h>

#include "Fixture.h"
#include "Images.h"
#include "Sardoxa.h"
#include "core/resize/XmpRepair.h"

namespace {

struct timespec modified(const QString &path) {
    struct stat info = {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mtim;
}

// Long ago, to the nanosecond, as the photo's own file keeps it.
void date(const QString &path) {
    const struct timespec times[2] = {{0, UTIME_OMIT}, {1577934245, 250'000'000}};
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
}

// A JPEG with `segment` (its marker, then its payload) put first.
QByteArray withSegment(const QByteArray &jpeg, char marker, const QByteArray &payload) {
    const quint16 length = quint16(payload.size() + 2);
    return jpeg.left(2) + QByteArray("\xff") + marker + char(length >> 8) + char(length & 0xff) +
           payload + jpeg.mid(2);
}

QByteArray xmpPacket(const QByteArray &description) {
    return "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
           "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
           "rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/' "
           "xmlns:exif='http://ns.adobe.com/exif/1.0/' "
           "xmlns:photoshop='http://ns.adobe.com/photoshop/1.0/' "
           "xmlns:Iptc4xmpCore='http://iptc.org/std/Iptc4xmpCore/1.0/xmlns/' "
           "xmlns:Iptc4xmpExt='http://iptc.org/std/Iptc4xmpExt/2008-02-29/' "
           "xmlns:drone-dji='http://www.dji.com/drone-dji/1.0/' "
           "xmlns:acme='http://example.com/acme/1.0/'>" +
           description + "</rdf:Description></rdf:RDF></x:xmpmeta>";
}

// libvips' own sRGB profile.
QByteArray iccProfile() {
    VipsBlob *blob = vips::VImage::profile_load("srgb");
    std::size_t size = 0;
    const void *data = vips_blob_get(blob, &size);
    const QByteArray profile(static_cast<const char *>(data), qsizetype(size));
    vips_area_unref(reinterpret_cast<VipsArea *>(blob));
    return profile;
}

// What a copy says, by exiftool's group and name, and whether libtiff reads it without a word.
struct Copy {
    QJsonObject tags;
    QString tiffinfoErrors;
};

Copy readCopy(const QString &path) {
    QProcess tiffinfo;
    tiffinfo.start("tiffinfo", {"-D", path});
    tiffinfo.waitForFinished();
    return {exiftool({"-a", "-G1", "-gps:all", "-xmp:all", "-iptc:all", "-ifd0:Make",
                      "-exififd:DateTimeOriginal", "-icc_profile:ProfileDescription", path}),
            QString::fromLocal8Bit(tiffinfo.readAllStandardError()) +
                (tiffinfo.exitCode() == 0 ? "" : "failed")};
}

class CameraData : public HomeTest {};

} // namespace

TEST_F(CameraData, CopiesKeepTheCameraDataTrueOfTheCopyAndTheLocationOnlyWhenAsked) {
    const QStringList tags{"-q",
                           "-Make=Canon",
                           "-Model=EOS 5D",
                           "-DateTimeOriginal=2021:05:06 07:08:09",
                           "-XMP-dc:Title=Harbour",
                           "-XMP-tiff:Orientation#=6",
                           "-IPTC:Keywords=boat",
                           "-GPSLatitude=48.5",
                           "-GPSLatitudeRef=N",
                           "-Orientation#=6",
                           "-overwrite_original"};
    const auto tagged = [&](const QString &name, const char *suffix, const QStringList &more = {}) {
        const QString path = write(name, Images::encoded(Images::noise(120, 90), suffix));
        QProcess::execute("exiftool", tags + more + QStringList{path});
        date(path);
        return path;
    };
    // The first directory's entry count beyond reason: exiv2 gives up that directory.
    const QString damaged = tagged("damaged.jpg", ".jpg");
    {
        QFile file(damaged);
        file.open(QIODevice::ReadWrite);
        file.seek(file.readAll().indexOf(QByteArray("Exif\0\0", 6)) + 6 + 8);
        file.write("\xff\xff");
    }
    date(damaged);
    const QString heic = in("photo.heic");
    Images::save(Images::load(tagged("for-heic.jpg", ".jpg")), heic);
    date(heic);
    writeFile(home.path() + "/huge-title.txt", QByteArray(5 << 20, 'a'));

    const QJsonObject kept{
        {"Make", "Canon"},    {"Model", "EOS 5D"},    {"DateTimeOriginal", "2021:05:06 07:08:09"},
        {"Title", "Harbour"}, {"Keywords", "boat"},   {"GPSLatitude", 48.5},
        {"Orientation", 1},   {"ExifImageWidth", 64}, {"ExifImageHeight", 48}};
    QJsonObject withoutLocation = kept;
    withoutLocation["GPSLatitude"] = QJsonValue();
    // HEIC and WebP hold EXIF and XMP, no IPTC.
    const auto noIptc = [](QJsonObject tags) {
        tags.remove("Keywords");
        return tags;
    };
    const struct {
        QString source;
        QStringList options;
        QJsonObject tags; // null for a tag the copy must not hold
        QString logged;
    } cases[] = {
        {tagged("photo.jpg", ".jpg"), {}, kept, {}},
        {in("photo.jpg"), {"--strip-location"}, withoutLocation, {}},
        {tagged("photo.png", ".png"), {}, kept, {}},
        {heic, {}, noIptc(kept), {}},
        {tagged("photo.webp", ".webp"), {"--strip-location"}, noIptc(withoutLocation), {}},
        {tagged("photo.tif", ".tif"), {"--strip-location"}, withoutLocation, {}},
        {damaged, {}, {{"Title", "Harbour"}, {"Make", QJsonValue()}}, {}},
        {tagged("huge.png", ".png", {"-XMP-dc:Description<=" + home.path() + "/huge-title.txt"}),
         {},
         {{"Title", QJsonValue()}, {"Make", "Canon"}},
         "kept no XMP for " + in("huge.png") + ": its XMP block is too large"},
    };

    for (const auto &[source, options, expected, logged] : cases) {
        SCOPED_TRACE((source + ' ' + options.join(' ')).toStdString());
        const QString out = home.path() + "/out/" + QFileInfo(source).fileName() + options.join("");
        const Outcome run =
            runSardoxa(QStringList{"--size", "64x48", "-o", out} + options + QStringList{source});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.err.count("kept no "), logged.isEmpty() ? 0 : 1);
        EXPECT_TRUE(run.err.contains(logged)) << run.err.toStdString();
        const QString copy = out + '/' + QFileInfo(source).completeBaseName() + ".tif";
        EXPECT_EQ(Images::load(copy).width(), 64);
        const QJsonObject read = exiftool({copy});
        for (auto tag = expected.begin(); tag != expected.end(); ++tag) {
            SCOPED_TRACE(tag.key().toStdString());
            EXPECT_EQ(read.contains(tag.key()), !tag.value().isNull());
            EXPECT_EQ(read.value(tag.key()).toVariant().toString().toStdString(),
                      tag.value().toVariant().toString().toStdString());
        }
        EXPECT_FALSE(read.contains("ThumbnailLength"));
        const struct timespec copied = modified(copy), original = modified(source);
        EXPECT_EQ(copied.tv_sec, original.tv_sec);
        EXPECT_EQ(copied.tv_nsec, original.tv_nsec);
        EXPECT_EQ(original.tv_nsec, 250'000'000);
    }
}

TEST_F(CameraData, RemovingTheLocationLeavesNoPlaceByCoordinatesOrNameAndKeepsTheRest) {
    const QString places = write(
        "places.xmp",
        xmpPacket("<photoshop:City>Lyon</photoshop:City><photoshop:State>Rhone</photoshop:State>"
                  "<photoshop:Country>France</photoshop:Country>"
                  "<Iptc4xmpCore:Location>Vieux Port</Iptc4xmpCore:Location>"
                  "<Iptc4xmpCore:CountryCode>FR</Iptc4xmpCore:CountryCode>"
                  "<exif:GPSLatitude>45,45.5N</exif:GPSLatitude>"
                  "<drone-dji:GPSLatitude>45.758</drone-dji:GPSLatitude>"
                  "<drone-dji:AbsoluteAltitude>+200.5</drone-dji:AbsoluteAltitude>"
                  "<drone-dji:FlightYawDegree>12.5</drone-dji:FlightYawDegree>"
                  "<acme:Latitude>45.758</acme:Latitude><acme:Lens>wide</acme:Lens>"
                  "<dc:creator><rdf:Seq><rdf:li>Ann</rdf:li></rdf:Seq></dc:creator>"
                  "<Iptc4xmpCore:CreatorContactInfo rdf:parseType='Resource'>"
                  "<Iptc4xmpCore:CiAdrCity>Paris</Iptc4xmpCore:CiAdrCity>"
                  "</Iptc4xmpCore:CreatorContactInfo>"
                  "<Iptc4xmpExt:LocationCreated><rdf:Bag><rdf:li rdf:parseType='Resource'>"
                  "<Iptc4xmpExt:City>Lyon</Iptc4xmpExt:City>"
                  "<Iptc4xmpExt:GPSLongitude>4,50.3E</Iptc4xmpExt:GPSLongitude>"
                  "</rdf:li></rdf:Bag></Iptc4xmpExt:LocationCreated>"
                  "<Iptc4xmpExt:LocationShown><rdf:Bag><rdf:li rdf:parseType='Resource'>"
                  "<Iptc4xmpExt:Sublocation>Fourviere</Iptc4xmpExt:Sublocation>"
                  "</rdf:li></rdf:Bag></Iptc4xmpExt:LocationShown>"));
    const auto placed = [&](const QString &name, bool iptc) {
        const QString path =
            write(name, Images::encoded(Images::noise(120, 90),
                                        ('.' + QFileInfo(name).suffix()).toUtf8().constData()));
        QStringList tags{"-q",
                         "-overwrite_original",
                         "-xmp<=" + places,
                         "-Make=Canon",
                         "-DateTimeOriginal=2021:05:06 07:08:09",
                         "-GPSLatitude=48.5",
                         "-GPSLatitudeRef=N",
                         "-GPSAltitude=35"};
        if (iptc)
            tags << "-IPTC:Keywords=boat"
                 << "-IPTC:City=Lyon"
                 << "-IPTC:Sub-location=Fourviere"
                 << "-IPTC:Province-State=Rhone"
                 << "-IPTC:Country-PrimaryLocationName=France"
                 << "-IPTC:Country-PrimaryLocationCode=FRA";
        QProcess::execute("exiftool", tags + QStringList{path});
        return path;
    };
    QStringList kept{"IFD0:Make",     "ExifIFD:DateTimeOriginal",      "XMP-dc:Creator",
                     "XMP-acme:Lens", "XMP-drone-dji:FlightYawDegree", "XMP-iptcCore:CreatorCity"};
    const QRegularExpression place("GPS|Latitude|Longitude|Altitude|Location|City|Country|State",
                                   QRegularExpression::CaseInsensitiveOption);
    const struct {
        QString source;
        bool strip;
        QStringList kept;
    } cases[] = {
        {placed("kept.jpg", true), false, kept + QStringList{"IPTC:Keywords"}},
        {placed("photo.jpg", true), true, kept + QStringList{"IPTC:Keywords"}},
        {placed("photo.tif", true), true, kept + QStringList{"IPTC:Keywords"}},
        {placed("photo.png", true), true, kept + QStringList{"IPTC:Keywords"}},
        {placed("photo.webp", false), true, kept},
        {placed("photo.heic", false), true, kept},
    };
    for (const auto &[source, strip, expected] : cases) {
        SCOPED_TRACE((source + (strip ? " stripped" : "")).toStdString());
        const QString out =
            home.path() + "/out/" + QFileInfo(source).fileName() + (strip ? "-stripped" : "");
        const QStringList options = strip ? QStringList{"--strip-location"} : QStringList{};
        const Outcome run =
            runSardoxa(QStringList{"--size", "64x48", "-o", out} + options + QStringList{source});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains("kept no")) << run.err.toStdString();
        const Copy copy = readCopy(out + '/' + QFileInfo(source).completeBaseName() + ".tif");
        EXPECT_EQ(copy.tiffinfoErrors, "");
        for (const QString &tag : expected)
            EXPECT_TRUE(copy.tags.contains(tag)) << tag.toStdString();
        QStringList placesLeft;
        for (const QString &tag : copy.tags.keys())
            if (tag.contains(place) && tag != "XMP-iptcCore:CreatorCity")
                placesLeft << tag;
        // Without the option the same source keeps them all: 20 with its IPTC.
        EXPECT_TRUE(strip ? placesLeft.isEmpty() : placesLeft.size() >= 20)
            << placesLeft.join(' ').toStdString();
    }
}

TEST_F(CameraData, EachBlockIsKeptOrLeftOutAloneAndNamed) {
    const auto tagged = [&](const QString &name, const QStringList &tags) {
        const QString path =
            write(name, Images::encoded(Images::noise(120, 90),
                                        ('.' + QFileInfo(name).suffix()).toUtf8().constData()));
        QProcess::execute("exiftool", QStringList{"-q", "-overwrite_original", "-Make=Canon"} +
                                          tags + QStringList{path});
        return path;
    };
    const auto text = [&](const QString &name, int bytes) {
        return write(name + ".txt", QByteArray(bytes, 'a'));
    };
    // A first directory with a tag 0, a Software tag holding a number, and the Make.
    const QByteArray brokenExif = QByteArray("Exif\0\0II*\0\x08\0\0\0", 14) +
                                  QByteArray::fromHex("0300"
                                                      "000003000100000007000000"
                                                      "0f01020006000000"
                                                      "32000000"
                                                      "310103000100000001000000"
                                                      "00000000") +
                                  QByteArray("Canon\0", 6);
    const QByteArray jpeg = Images::encoded(Images::noise(120, 90), ".jpg");
    const auto withXmp = [&](const QString &name, const QByteArray &packet) {
        return write(
            name,
            withSegment(withSegment(jpeg, '\xe1',
                                    QByteArray("http://ns.adobe.com/xap/1.0/\0", 29) + packet),
                        '\xe1', brokenExif));
    };
    const QString gif = tagged("photo.gif", {"-XMP-dc:Title=Harbour"});
    QProcess::execute("exiftool", {"-q", "-overwrite_original",
                                   "-icc_profile<=" + write("profile.icc", iccProfile()), gif});
    const struct {
        QString name;
        QString source;
        QStringList kept;
        QStringList gone;
        QString logged;
    } cases[] = {
        {"broken tags",
         withXmp("tags.jpg", xmpPacket("<dc:title>x</dc:title>")),
         {"IFD0:Make"},
         {},
         {}},
        {"duplicate XMP property",
         withXmp("twice.jpg", xmpPacket("<exif:Make>A</exif:Make><exif:Make>B</exif:Make>")),
         {"IFD0:Make", "XMP-exif:Make"},
         {},
         {}},
        {"malformed XMP",
         withXmp("malformed.jpg", xmpPacket("<dc:format>")),
         {"IFD0:Make"},
         {"XMP-dc:Format"},
         "kept no XMP for " + in("malformed.jpg") + ": its XMP block cannot"},
        {"XMP entities",
         withXmp("entities.jpg", "<!DOCTYPE x [<!ENTITY a 'aaaaaaaa'>]>" +
                                     xmpPacket("<dc:format>&a;&a;</dc:format>")),
         {"IFD0:Make"},
         {"XMP-dc:Format"},
         "kept no XMP for " + in("entities.jpg") + ": its XMP block"},
        {"TIFF with 2 MB of XMP",
         tagged("fits.tif", {"-XMP-dc:Description<=" + text("2mb", 2 << 20)}),
         {"IFD0:Make", "XMP-dc:Description"},
         {},
         {}},
        {"TIFF with 5 MB of XMP",
         tagged("huge.tif", {"-XMP-dc:Description<=" + text("5mb", 5 << 20)}),
         {"IFD0:Make"},
         {"XMP-dc:Description"},
         "kept no XMP for " + in("huge.tif") + ": its XMP block is too large"},
        {"JPEG extended XMP",
         tagged("extended.jpg", {"-XMP-dc:Description<=" + text("100kb", 100'000)}),
         {"IFD0:Make", "XMP-dc:Description"},
         {"XMP-xmpNote:HasExtendedXMP"},
         {}},
        {"HEIC XMP",
         tagged("photo.heic", {"-XMP-dc:Title=Harbour"}),
         {"IFD0:Make", "XMP-dc:Title"},
         {},
         {}},
        {"AVIF XMP",
         tagged("photo.avif", {"-XMP-dc:Title=Harbour"}),
         {"IFD0:Make", "XMP-dc:Title"},
         {},
         {}},
        {"GIF profile and XMP", gif, {"XMP-dc:Title", "ICC_Profile:ProfileDescription"}, {}, {}},
    };
    for (const auto &[name, source, kept, gone, logged] : cases) {
        SCOPED_TRACE(name.toStdString());
        const QString out = home.path() + "/out/" + QFileInfo(source).fileName();
        const Outcome run = runSardoxa({"--size", "64x48", "-o", out, source});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.err.count("kept no "), logged.isEmpty() ? 0 : 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(logged)) << run.err.toStdString();
        const Copy copy = readCopy(out + '/' + QFileInfo(source).completeBaseName() + ".tif");
        EXPECT_EQ(copy.tiffinfoErrors, "");
        for (const QString &tag : kept)
            EXPECT_TRUE(copy.tags.contains(tag)) << tag.toStdString();
        for (const QString &tag : gone)
            EXPECT_FALSE(copy.tags.contains(tag)) << tag.toStdString();
        if (name == "JPEG extended XMP") {
            EXPECT_EQ(copy.tags["XMP-dc:Description"].toString().size(), 100'000);
        }
    }
}

TEST(XmpRepair, KeepsTheFirstOfARepeatedPropertyAndEveryCharacterOfTheRest) {
    const QByteArray repaired = withoutRepeatedProperties(xmpPacket(
        "<dc:format>a&#13;\r\nb &lt;</dc:format><exif:Make>A</exif:Make><exif:Make>B</exif:Make>"));
    QXmlStreamReader reader(repaired);
    QStringList read;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement &&
            (reader.name() == u"format" || reader.name() == u"Make"))
            read << reader.name().toString() + "=" + reader.readElementText();
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    EXPECT_EQ(read, (QStringList{"format=a\r\nb <", "Make=A"}));
}
