// Files built to hurt a decoder: each ends in bounded time and memory, written or skipped with a
// reason, and the job ends.
#include "core/platform/MainQueue.h"
#include "core/platform/OperationQueue.h"
#include "core/resize/OutputName.h"

#include <QDir>
#include <QtEndian>

#include <zlib.h>

#include "Fixture.h"
#include "Images.h"

namespace {

// A valid PNG whose rows are all zero: a few kilobytes that claim `side` × `side` pixels.
QByteArray zeroPng(quint32 side, int rowsCompressed) {
    QByteArray header(13, '\0');
    qToBigEndian(side, header.data());
    qToBigEndian(side, header.data() + 4);
    header[8] = 8; // bit depth, grey
    // Deflated a row at a time: the rows themselves would not fit in memory.
    const QByteArray row(qsizetype(side) + 1, '\0');
    QByteArray compressed;
    z_stream stream = {};
    deflateInit(&stream, 9);
    char out[1 << 16];
    for (int r = 0; r < rowsCompressed; ++r) {
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(row.constData()));
        stream.avail_in = uInt(row.size());
        do {
            stream.next_out = reinterpret_cast<Bytef *>(out);
            stream.avail_out = sizeof out;
            deflate(&stream, r + 1 == rowsCompressed ? Z_FINISH : Z_NO_FLUSH);
            compressed.append(out, qsizetype(sizeof out - stream.avail_out));
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + Images::pngChunk("IHDR", header) +
           Images::pngChunk("IDAT", compressed) + Images::pngChunk("IEND", {});
}

} // namespace

class HostileFiles : public DelegateTest {};

TEST_F(HostileFiles, EachEndsWrittenOrSkippedAndTheJobEnds) {
    // A TIFF of 5000 one-pixel pages, a GIF of 3000 frames, a JPEG claiming 65000 × 65000.
    vips::VImage pages = Images::verticalStripes(1, 5000, {{10, 20, 30}});
    pages.set("page-height", 1);
    vips::VImage frames = Images::verticalStripes(4, 12000, {{200, 0, 0, 255}});
    frames.set("page-height", 4);
    QByteArray huge = Images::encoded(Images::verticalStripes(16, 16, {{90, 90, 90}}), ".jpg");
    huge.replace(huge.indexOf("\xff\xc0") + 5, 4, QByteArray::fromHex("fde8fde8"));
    const QStringList paths{
        write("bomb.png", zeroPng(40000, 10)),     // 1.6 gigapixels of nothing
        write("under.png", zeroPng(16000, 16000)), // 256 megapixels, truly there
        write("huge.jpg", huge),
        write("pages.tif", Images::encoded(pages, ".tif")),
        write("frames.gif", Images::encoded(frames, ".gif")),
        write("svg.png", "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'/>"),
    };
    const QString key = delegate.makeJobFolder();
    registerJob(key, paths, "{32, 32}");
    const std::string log = logOf([&] {
        delegate.resize(key);
        delegate.queue->waitUntilAllOperationsAreFinished();
        platform.mainQueue().drain();
    });

    const QStringList written = QDir(key).entryList(QDir::Files);
    for (const QString &path : paths) {
        const QString name = outputFileName(path.mid(path.lastIndexOf('/') + 1), 0);
        const bool skipped = log.find("skipped " + path.toStdString() + ": ") != std::string::npos;
        EXPECT_NE(written.contains(name), skipped) << name.toStdString() << "\n" << log;
    }
    EXPECT_NE(log.find("bomb.png: too large to decode"), std::string::npos) << log;
    EXPECT_NE(log.find("huge.jpg: too large to decode"), std::string::npos) << log;
    EXPECT_NE(log.find("svg.png: not a PNG, JPEG, TIFF or GIF image"), std::string::npos) << log;
    EXPECT_TRUE(written.contains("pages.tif") && written.contains("frames.tif"));
    EXPECT_EQ(platform.shown.mid(platform.shown.size() - 3),
              (QStringList{"open " + key, "badge cleared", "attention"}));
}
