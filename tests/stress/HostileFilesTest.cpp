// Files built to hurt a decoder: each ends in bounded time and memory, written or skipped with a
// reason, and the job ends.
#include "core/platform/FakePlatform.h"
#include "core/platform/MainQueue.h"
#include "core/platform/OperationQueue.h"
#include "core/resize/OutputName.h"
#include "desktop/app/ZAVAppDelegate.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <gtest/gtest.h>

#include <zlib.h>

#include "Images.h"
#include "TempHome.h"

namespace {

QByteArray chunk(const char *type, const QByteArray &data) {
    QByteArray body = QByteArray(type, 4) + data;
    char length[4];
    qToBigEndian(quint32(data.size()), length);
    char crc[4];
    qToBigEndian(
        quint32(::crc32(0, reinterpret_cast<const Bytef *>(body.constData()), uInt(body.size()))),
        crc);
    return QByteArray(length, 4) + body + QByteArray(crc, 4);
}

// A valid PNG whose rows are all zero: a few kilobytes that claim `side` × `side` pixels.
QByteArray zeroPng(quint32 side, int rowsCompressed) {
    QByteArray header(13, '\0');
    qToBigEndian(side, header.data());
    qToBigEndian(side, header.data() + 4);
    header[8] = 8; // bit depth
    header[9] = 0; // grey
    // Deflated a row at a time: the rows themselves would not fit in memory.
    const QByteArray row(qsizetype(side) + 1, '\0');
    QByteArray compressed;
    z_stream stream = {};
    deflateInit(&stream, 9);
    char out[1 << 16];
    for (int r = 0; r < rowsCompressed; ++r) {
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(row.constData()));
        stream.avail_in = uInt(row.size());
        const int flush = r + 1 == rowsCompressed ? Z_FINISH : Z_NO_FLUSH;
        do {
            stream.next_out = reinterpret_cast<Bytef *>(out);
            stream.avail_out = sizeof out;
            deflate(&stream, flush);
            compressed.append(out, qsizetype(sizeof out - stream.avail_out));
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", compressed) +
           chunk("IEND", {});
}

// A small real JPEG whose frame header is made to claim 65000 × 65000 pixels.
QByteArray hugeJpeg() {
    QByteArray jpeg = Images::encoded(Images::verticalStripes(16, 16, {{90, 90, 90}}), ".jpg");
    const qsizetype frame = jpeg.indexOf(QByteArray("\xff\xc0", 2));
    const char side[2] = {char(0xfd), char(0xe8)};
    jpeg.replace(frame + 5, 2, side, 2); // height
    jpeg.replace(frame + 7, 2, side, 2); // width
    return jpeg;
}

} // namespace

TEST(HostileFiles, EachEndsWrittenOrSkippedAndTheJobEnds) {
    TempHome home;
    FakePlatform platform;
    platform.setHasWindows(false);
    ZAVAppDelegate delegate(platform);
    delegate.applicationDidFinishLaunching();
    const QString key = delegate.makeJobFolder();
    const QString in = home.path() + "/in";
    QDir().mkpath(in);
    const auto write = [&](const QString &name, const QByteArray &bytes) {
        QFile file(in + '/' + name);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return in + '/' + name;
    };

    // A TIFF of 5000 one-pixel pages, and a GIF of 3000 frames.
    vips::VImage pages = Images::verticalStripes(1, 5000, {{10, 20, 30}});
    pages.set("page-height", 1);
    Images::save(pages, in + "/pages.tif");
    vips::VImage frames = Images::verticalStripes(4, 12000, {{200, 0, 0, 255}});
    frames.set("page-height", 4);
    Images::save(frames, in + "/frames.gif");

    const QStringList paths{
        write("bomb.png", zeroPng(40000, 10)),     // 1.6 gigapixels of nothing
        write("under.png", zeroPng(16000, 16000)), // 256 megapixels, truly there
        write("huge.jpg", hugeJpeg()),
        in + "/pages.tif",
        in + "/frames.gif",
        write("svg.png", "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'/>"),
    };
    {
        std::lock_guard lock(delegate.registryMutex);
        delegate.globalTasks.insert(key, paths);
        delegate.globalSizes.insert(key, "{32, 32}");
    }
    ::testing::internal::CaptureStderr();
    delegate.resize(key);
    delegate.queue->waitUntilAllOperationsAreFinished();
    platform.mainQueue().drain();
    const std::string log = ::testing::internal::GetCapturedStderr();

    const QStringList written = QDir(key).entryList(QDir::Files);
    for (const QString &path : paths) {
        const QString name = outputFileName(path.mid(path.lastIndexOf('/') + 1), 0);
        const bool skipped = log.find("skipped " + path.toStdString() + ": ") != std::string::npos;
        EXPECT_NE(written.contains(name), skipped) << name.toStdString() << "\n" << log;
    }
    EXPECT_NE(log.find("bomb.png: too large to decode"), std::string::npos) << log;
    EXPECT_NE(log.find("huge.jpg: too large to decode"), std::string::npos) << log;
    EXPECT_NE(log.find("svg.png: not a PNG, JPEG, TIFF or GIF image"), std::string::npos) << log;
    EXPECT_TRUE(written.contains("pages.tif"));
    EXPECT_TRUE(written.contains("frames.tif"));
    EXPECT_EQ(platform.shown.mid(platform.shown.size() - 3),
              (QStringList{"open " + key, "badge cleared", "attention"}));
}
