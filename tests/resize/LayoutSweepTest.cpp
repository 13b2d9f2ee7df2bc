// Every layout each decoder gives, copied by the real engine at two sizes and compared with
// libvips' own full decoding of the same file, resized alike, or, where libvips 8.14 decodes it
// wrong, with what another decoder makes of it.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>

#include <jpeglib.h>
#include <libheif/heif.h>

#include "Fixture.h"
#include "Images.h"
#include "core/resize/CopyFormat.h"
#include "core/resize/SourceImage.h"

using vips::VImage;

namespace {

VImage as(const VImage &image, VipsBandFormat format, VipsInterpretation interpretation,
          double scale = 1) {
    return (image * scale)
        .cast(format)
        .copy(VImage::option()->set("interpretation", interpretation));
}

VImage sixteen(const VImage &image) {
    const VipsInterpretation kind = image.interpretation();
    return as(image, VIPS_FORMAT_USHORT,
              kind == VIPS_INTERPRETATION_B_W    ? VIPS_INTERPRETATION_GREY16
              : kind == VIPS_INTERPRETATION_sRGB ? VIPS_INTERPRETATION_RGB16
                                                 : kind,
              257);
}

// Smooth ramps, so that a pixel's shift between two resamplers costs little: red across, green
// down, blue along the diagonal; alpha from 40 at the top to 255.
VImage made(const QString &name) {
    const VImage xy = VImage::xyz(240, 160);
    const VImage rgb = as(VImage::bandjoin({xy[0] * (255.0 / 239), xy[1] * (255.0 / 159),
                                            255 - (xy[0] + xy[1]) * (255.0 / 398)}),
                          VIPS_FORMAT_UCHAR, VIPS_INTERPRETATION_sRGB);
    const VImage grey = as(rgb[1], VIPS_FORMAT_UCHAR, VIPS_INTERPRETATION_B_W);
    const VImage alpha = as(xy[1] * (215.0 / 159) + 40, VIPS_FORMAT_UCHAR, VIPS_INTERPRETATION_B_W);
    const std::map<QString, VImage> images{
        {"grey", grey},
        {"grey+alpha", grey.bandjoin(alpha)},
        {"rgb", rgb},
        {"rgba", rgb.bandjoin(alpha)},
        {"rgba-cut", rgb.bandjoin((alpha > 128) & 255)},
        {"cmyk", as(rgb.bandjoin(255 - rgb[0]), VIPS_FORMAT_UCHAR, VIPS_INTERPRETATION_CMYK)},
        {"lab", rgb.colourspace(VIPS_INTERPRETATION_LAB)},
        {"labs", rgb.colourspace(VIPS_INTERPRETATION_LABS)},
        {"char", as(rgb, VIPS_FORMAT_CHAR, VIPS_INTERPRETATION_sRGB, 0.5)},
        {"short", as(rgb, VIPS_FORMAT_SHORT, VIPS_INTERPRETATION_sRGB, 128)},
        {"float", rgb.colourspace(VIPS_INTERPRETATION_scRGB)},
    };
    return name.endsWith("16") ? sixteen(images.at(name.chopped(2))) : images.at(name);
}

// The TIFF Pillow writes of `image` in its `mode`: layouts libvips does not write.
QByteArray pillow(const VImage &image, const QString &mode) {
    QProcess python;
    python.start(
        "/usr/bin/python3",
        {"-c",
         QStringLiteral(
             "import sys, io; from PIL import Image; "
             "o = io.BytesIO(); Image.open(sys.stdin.buffer).convert("
             "'%1', dither=0, palette=1).save(o, 'TIFF'); sys.stdout.buffer.write(o.getvalue())")
             .arg(mode)});
    python.write(Images::encoded(image, ".png"));
    python.closeWriteChannel();
    python.waitForFinished();
    return python.readAllStandardOutput();
}

// An Adobe YCCK JPEG of `ink`, which libvips writes as plain CMYK; stored inverted, as Adobe's are.
QByteArray ycck(const VImage &ink) {
    const VImage inverted = (255 - ink).cast(VIPS_FORMAT_UCHAR).copy_memory();
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(inverted.width());
    info.image_height = JDIMENSION(inverted.height());
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, JCS_YCCK);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    auto *pixels = static_cast<JSAMPLE *>(inverted.get_image()->data);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = pixels + std::size_t(info.next_scanline) * info.image_width * 4;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const QByteArray file(reinterpret_cast<const char *>(buffer), qsizetype(size));
    free(buffer);
    return file;
}

// 8-bit RGB written by libheif itself, which records the rotation and mirroring that EXIF's
// `orientation` names as properties listed before a stored size that is the size shown.
QByteArray heifTurned(const VImage &image, heif_compression_format codec, int orientation) {
    const std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(),
                                                                              heif_context_free);
    heif_encoder *encoder = nullptr;
    heif_context_get_encoder_for_format(context.get(), codec, &encoder);
    heif_encoder_set_lossy_quality(encoder, 90);
    heif_image *picture = nullptr;
    heif_image_create(image.width(), image.height(), heif_colorspace_RGB,
                      heif_chroma_interleaved_RGB, &picture);
    heif_image_add_plane(picture, heif_channel_interleaved, image.width(), image.height(), 8);
    int stride = 0;
    std::uint8_t *plane = heif_image_get_plane(picture, heif_channel_interleaved, &stride);
    const VImage pixels = image.copy_memory();
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(plane + std::ptrdiff_t(y) * stride, VIPS_IMAGE_ADDR(pixels.get_image(), 0, y),
                    std::size_t(image.width()) * 3);
    heif_encoding_options *options = heif_encoding_options_alloc();
    options->image_orientation = heif_orientation(orientation);
    heif_context_encode_image(context.get(), picture, encoder, options, nullptr);
    heif_encoding_options_free(options);
    heif_image_release(picture);
    heif_encoder_release(encoder);
    QByteArray file;
    heif_writer writer{1, [](heif_context *, const void *data, std::size_t size, void *into) {
                           static_cast<QByteArray *>(into)->append(static_cast<const char *>(data),
                                                                   qsizetype(size));
                           return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
                       }};
    heif_context_write(context.get(), &writer, &file);
    return file;
}

// The image as light on a 0..1 scale, its colour premultiplied by its alpha, which is its last
// band (1 where it has none): what a viewer shows of it, on any background.
VImage shown(VImage image) {
    if (image.coding() != VIPS_CODING_NONE)
        image = image.LabQ2Lab();
    const VipsInterpretation kind = image.interpretation();
    if (kind == VIPS_INTERPRETATION_LAB || kind == VIPS_INTERPRETATION_LABS ||
        kind == VIPS_INTERPRETATION_scRGB)
        image = image.colourspace(VIPS_INTERPRETATION_sRGB);
    const VipsBandFormat format = image.format();
    const double white =
        vips_band_format_isfloat(format) || vips_format_sizeof(format) == 1 ? 255 : 65535;
    image = image.cast(VIPS_FORMAT_FLOAT) / white; // libvips 8.14 resizes doubles as integers
    const int colours = image.bands() - (image.has_alpha() ? 1 : 0);
    const VImage opacity = image.has_alpha() ? image[colours] : image[0] * 0 + 1;
    VImage colour = image.extract_band(0, VImage::option()->set("n", colours)) * opacity;
    if (colours == 1)
        colour = VImage::bandjoin({colour, colour, colour});
    return colour.bandjoin(opacity);
}

double psnr(const VImage &a, const VImage &b) {
    const double meanSquare = ((a - b) * (a - b)).avg();
    return meanSquare > 0 ? 10 * std::log10(1 / meanSquare) : 99;
}

struct Row {
    const char *name;   // of the source file, whose suffix says its type
    const char *maker;  // "IMAGE SAVER": an image of made() in libvips' SAVER, or with a tRNS
                        // chunk of the hex value "trns:HEX", or Pillow's "pillow:MODE", or "ycck"
    const char *layout; // of the copy: "grey", "grey+alpha", "rgb", "rgba" or "cmyk", and bits
    const char *knownFault = nullptr; // why the row cannot pass here, for a fault elsewhere
    // What the copy is compared with, when not libvips' decoding of the source: "made", the
    // image the source was made from, or "data:FILE", a file in tests/data (see its README).
    // "made:N", or that image turned as EXIF orientation N turns it.
    const char *reference = nullptr;
};

const Row rows[] = {
    {"grey1.png", "grey .png[bitdepth=1]", "grey8"},
    {"grey2.png", "grey .png[bitdepth=2]", "grey8"},
    {"grey4.png", "grey .png[bitdepth=4]", "grey8"},
    {"grey8.png", "grey .png", "grey8"},
    {"grey16.png", "grey16 .png", "grey16"},
    {"grey-alpha8.png", "grey+alpha .png", "grey+alpha8"},
    {"grey-alpha16.png", "grey+alpha16 .png", "grey+alpha8"},
    {"palette.png", "rgb .png[palette,dither=0]", "rgb8"},
    {"palette-trns.png", "rgba .png[palette,dither=0]", "rgba8"},
    {"grey8-trns.png", "grey trns:0080", "grey+alpha8"},
    {"grey16-trns.png", "grey16 trns:8080", "grey+alpha8"},
    {"rgb8-trns.png", "rgb trns:008000800080", "rgba8"},
    {"rgb8.png", "rgb .png", "rgb8"},
    {"rgba8.png", "rgba .png", "rgba8"},
    {"rgb16.png", "rgb16 .png", "rgb16"},
    {"rgba16.png", "rgba16 .png", "rgba16"},
    {"interlaced.png", "rgba16 .png[interlace]", "rgba16"},
    {"grey1.tif", "grey .tif[bitdepth=1]", "grey8"},
    {"grey2.tif", "grey .tif[bitdepth=2]", "grey8"},
    {"grey4.tif", "grey .tif[bitdepth=4]", "grey8"},
    {"grey8.tif", "grey .tif[compression=lzw]", "grey8"},
    {"grey16.tif", "grey16 .tif[compression=deflate]", "grey16"},
    {"grey-alpha8.tif", "grey+alpha .tif", "grey+alpha8"},
    {"grey-alpha16.tif", "grey+alpha16 .tif", "grey+alpha8"},
    {"palette.tif", "rgb pillow:P", "rgb8"},
    {"rgb8.tif", "rgb .tif[tile,compression=jpeg,Q=95]", "rgb8"},
    {"rgba8.tif", "rgba .tif[compression=lzw,predictor=horizontal]", "rgba8"},
    {"rgb16.tif", "rgb16 .tif[tile]", "rgb16"},
    {"rgba16.tif", "rgba16 .tif", "rgba16"},
    {"cmyk8.tif", "cmyk .tif", "cmyk8"},
    {"cmyk16.tif", "cmyk16 .tif", "cmyk8"},
    {"lab8.tif", "lab .tif", "rgb8"},
    {"lab16.tif", "labs .tif", "rgb8"},
    {"signed8.tif", "char .tif", "rgb8"},
    {"signed16.tif", "short .tif", "rgb8"},
    {"float.tif", "float .tif", "rgb8"},
    {"grey.jpg", "grey .jpg[Q=95]", "grey8"},
    {"rgb.jpg", "rgb .jpg[Q=95]", "rgb8"},
    {"progressive.jpg", "rgb .jpg[Q=95,interlace]", "rgb8"},
    {"cmyk.jpg", "cmyk .jpg[Q=95]", "cmyk8"},
    {"ycck.jpg", "cmyk ycck", "cmyk8"},
    {"rgb.gif", "rgb .gif[dither=0]", "rgb8"},
    {"rgba.gif", "rgba-cut .gif[dither=0]", "rgba8"},
    {"rgb8.heic", "rgb .heic[Q=90]", "rgb8"},
    {"rgb10.heic", "rgb .heic[Q=90,bitdepth=10]", "rgb16"},
    {"rgb12.heic", "rgb .heic[Q=90,bitdepth=12]", "rgb16"},
    {"rgba8.heic", "rgba .heic[Q=90]", "rgba8"},
    {"rgb8.avif", "rgb .avif[Q=90]", "rgb8"},
    {"rgb10.avif", "rgb .avif[Q=90,bitdepth=10]", "rgb16", "libaom 3.6 aborts writing 10 bits"},
    {"rgb12.avif", "rgb .avif[Q=90,bitdepth=12]", "rgb16"},
    {"rgba8.avif", "rgba .avif[Q=90]", "rgba8"},
    {"lossy.webp", "rgb .webp[Q=95]", "rgb8"},
    {"lossless.webp", "rgb .webp[lossless]", "rgb8"},
    {"alpha.webp", "rgba .webp[Q=95]", "rgba8"},
    {"grey.jxl", "grey .jxl[Q=95]", "grey8"},
    {"rgb.jxl", "rgb .jxl[Q=95]", "rgb8"},
    {"rgba.jxl", "rgba .jxl[lossless]", "rgba8"},
    {"float.jxl", "float .jxl[lossless]", "rgb8", nullptr, "made"},
    {"premultiplied.jxl", "data:alpha_premultiplied.jxl", "rgba16", nullptr,
     "data:alpha_premultiplied.ref.png"},
    {"cmyk-layers.jxl", "data:cmyk_layers.jxl", "rgba8", nullptr, "data:cmyk_layers.ref.png"},
    {"spot.jxl", "data:spot.jxl", "rgba16", nullptr, "data:spot.ref.png"},
    {"turned.heic", "rgb heic:6", "rgb8", nullptr, "made:6"},
    {"mirrored.heic", "rgb heic:5", "rgb8", nullptr, "made:5"},
    {"turned.avif", "rgb avif:8", "rgb8", nullptr, "made:8"},
    {"irot90.avif", "data:kimono.rotate90.avif", "rgb8", nullptr,
     "data:kimono.upright.heif-convert.jpg"},
    {"irot270.avif", "data:kimono.rotate270.avif", "rgb8", nullptr,
     "data:kimono.upright.heif-convert.jpg"},
    {"clap.avif", "data:kimono.crop.avif", "rgb8", nullptr, "data:kimono.crop.heif-convert.jpg"},
};

QString data(const QString &name) {
    return QStringLiteral(SARDOXA_TEST_DATA "/") + name;
}

QByteArray sourceFile(const Row &row) {
    if (QString(row.maker).startsWith("data:")) {
        QFile file(data(QString(row.maker).mid(5)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    const QStringList maker = QString(row.maker).split(' ');
    const VImage image = made(maker[0]);
    const QString saver = maker[1];
    if (saver == "ycck")
        return ycck(image);
    if (saver.startsWith("pillow:"))
        return pillow(image, saver.mid(7));
    if (saver.startsWith("heic:") || saver.startsWith("avif:"))
        return heifTurned(image,
                          saver.startsWith("heic") ? heif_compression_HEVC : heif_compression_AV1,
                          saver.mid(5).toInt());
    if (saver.startsWith("trns:"))
        return Images::withPngChunk(Images::encoded(image, ".png"), "tRNS",
                                    QByteArray::fromHex(saver.mid(5).toLatin1()));
    return Images::encoded(image, saver.toLatin1().constData());
}

void PrintTo(const Row &row, std::ostream *out) {
    *out << row.name;
}

// The layout a copy of `type` has of a source whose TIFF copy has `layout`: a JPEG has no alpha
// and 8 bits, a PNG no CMYK, a WebP and an AVIF 8-bit RGB, with alpha or without.
QString layoutIn(const QString &layout, FileType type) {
    const bool alpha = layout.contains("alpha") || layout.startsWith("rgba");
    const QString colours = layout.startsWith("grey")   ? "grey"
                            : layout.startsWith("cmyk") ? "cmyk"
                                                        : "rgb";
    switch (type) {
    case FileType::tiff:
        return layout;
    case FileType::jpeg:
        return colours + "8";
    case FileType::png:
        return colours == "cmyk" ? "rgb8" : layout;
    case FileType::webp:
    case FileType::avif:
        break;
    }
    return alpha ? "rgba8" : "rgb8";
}

class LayoutSweep : public BatchTest {
protected:
    // Copies the row's source as `type` at two sizes and compares each copy with the reference.
    void sweep(const Row &row, FileType type);
};

void LayoutSweep::sweep(const Row &row, FileType type) {
    if (row.knownFault)
        GTEST_SKIP() << row.knownFault;
    const QString path = write(row.name, sourceFile(row));
    const QString layout = layoutIn(row.layout, type);
    const QString out = home.path() + "/out";
    QDir().mkpath(out);
    const QString reference(row.reference ? row.reference : "");
    VImage whole = reference.startsWith("data:") ? Images::load(data(reference.mid(5)))
                   : reference.isEmpty()         ? VImage::new_from_file(path.toUtf8().constData())
                                                 : made(QString(row.maker).split(' ')[0]);
    if (reference.startsWith("made:")) {
        whole.set(VIPS_META_ORIENTATION, reference.mid(5).toInt());
        whole = whole.autorot();
    }
    if (whole.interpretation() == VIPS_INTERPRETATION_CMYK && !layout.startsWith("cmyk"))
        whole = whole.icc_transform("srgb", VImage::option()->set("input_profile", "cmyk"));
    whole = shown(whole);
    // A JPEG shows what a viewer shows of the source on white.
    if (type == FileType::jpeg) {
        const int colours = whole.bands() - 1;
        whole = (whole.extract_band(0, VImage::option()->set("n", colours)) + (1 - whole[colours]))
                    .bandjoin(whole[colours] * 0 + 1);
    }
    // Lossy formats at their default quality lose a little more.
    const double leastPsnr = type == FileType::tiff || type == FileType::png ? 35 : 30;
    for (const Size size : {Size{90, 90}, Size{120, -1}}) {
        SCOPED_TRACE(::testing::Message() << "at " << size.width << " x " << size.height);
        const SourceImage source = SourceImage::open(path);
        batch->resizeImageWithRawImage(source, batch->calculateSize(size, source),
                                       out + '/' + row.name, nullptr, {}, {type});
        const QFileInfoList written = QDir(out).entryInfoList(QDir::Files);
        if (written.isEmpty()) {
            ADD_FAILURE() << "nothing written";
            continue;
        }
        const VImage copy = Images::load(written.first().filePath()).copy_memory();
        QFile::remove(written.first().filePath());
        const int width = size.height < 0 ? 120 : 90;
        const int height =
            size.height < 0 ? int(std::lround(120.0 * whole.height() / whole.width())) : 90;
        EXPECT_EQ(copy.width(), width);
        EXPECT_EQ(copy.height(), height);
        EXPECT_EQ(copy.bands(), layout.startsWith("rgba") || layout.startsWith("cmyk") ? 4
                                : layout.startsWith("rgb")                             ? 3
                                : layout.contains("alpha")                             ? 2
                                                                                       : 1);
        EXPECT_EQ(copy.has_alpha(), layout.contains("alpha") || layout.startsWith("rgba"));
        EXPECT_EQ(vips_format_sizeof(copy.format()) * 8, layout.endsWith("16") ? 16u : 8u);
        // The reference resized alike: to cover the canvas, cropped about the centre.
        const double scale =
            std::max(double(width) / whole.width(), double(height) / whole.height());
        const VImage resized =
            whole.resize(scale, VImage::option()->set("kernel", VIPS_KERNEL_LANCZOS3));
        // The engine's crop starts at the pixel nearest the draw origin, half pixels away from 0.
        const VImage expected =
            resized.crop(int(-std::lround((width - resized.width()) / 2.0)),
                         int(-std::lround((height - resized.height()) / 2.0)), width, height);
        EXPECT_GT(psnr(shown(copy), expected), leastPsnr) << "against libvips, in dB";
    }
}

class EveryLayout : public LayoutSweep, public ::testing::WithParamInterface<Row> {};

// The layouts a canvas can have on its way to a saver, from the sources that give them.
const char *const canvasLayouts[] = {
    "grey8.png", "grey16.png", "grey-alpha8.png", "grey-alpha16.png", "rgb8.png", "rgba8.png",
    "rgb16.png", "rgba16.png", "cmyk8.tif",       "lab8.tif",         "float.tif"};

class EveryFormat : public LayoutSweep,
                    public ::testing::WithParamInterface<std::tuple<const char *, FileType>> {};

} // namespace

TEST_P(EveryLayout, IsCopiedAsLibvipsShowsTheSourceAtEachSize) {
    sweep(GetParam(), FileType::tiff);
}

INSTANTIATE_TEST_SUITE_P(Layouts, EveryLayout, ::testing::ValuesIn(rows),
                         [](const ::testing::TestParamInfo<Row> &info) {
                             return QString(info.param.name)
                                 .replace(QRegularExpression("[^A-Za-z0-9]"), "_")
                                 .toStdString();
                         });

TEST_P(EveryFormat, KeepsWhatItCanHoldOfEachLayout) {
    const auto [name, type] = GetParam();
    for (const Row &row : rows) {
        if (QString(row.name) == name)
            sweep(row, type);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, EveryFormat,
    ::testing::Combine(::testing::ValuesIn(canvasLayouts),
                       ::testing::Values(FileType::jpeg, FileType::png, FileType::webp,
                                         FileType::avif)),
    [](const ::testing::TestParamInfo<std::tuple<const char *, FileType>> &info) {
        return QString(QString(std::get<0>(info.param)) + '_' +
                       fileTypeName(std::get<1>(info.param)))
            .replace(QRegularExpression("[^A-Za-z0-9]"), "_")
            .toStdString();
    });
