// A copy keeps what the camera and the photo manager wrote, made true of the copy, through the real
// program; exiftool writes the sources' tags and reads the copies'.
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <fcntl.h>
#include <sys/stat.h>

#include "Fixture.h"
#include "Images.h"
#include "Sardoxa.h"

namespace {

QJsonObject exiftool(const QStringList &arguments) {
    QProcess tool;
    tool.start("exiftool", QStringList{"-json", "-n"} + arguments);
    tool.waitForFinished();
    return QJsonDocument::fromJson(tool.readAllStandardOutput()).array().at(0).toObject();
}

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
    const QJsonObject none{{"Make", QJsonValue()}, {"Title", QJsonValue()}};
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
         none,
         "kept no metadata for " + in("huge.png") + ": its XMP block is too large"},
    };

    for (const auto &[source, options, expected, logged] : cases) {
        SCOPED_TRACE((source + ' ' + options.join(' ')).toStdString());
        const QString out = home.path() + "/out/" + QFileInfo(source).fileName() + options.join("");
        const Outcome run =
            runSardoxa(QStringList{"--size", "64x48", "-o", out} + options + QStringList{source});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.err.count("kept no metadata"), logged.isEmpty() ? 0 : 1);
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
