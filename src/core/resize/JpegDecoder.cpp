#include "core/resize/JpegDecoder.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <tuple>
#include <unistd.h>

#include <jerror.h>
#include <jpeglib.h>

#include "core/files/FileIo.h"
#include "core/files/UniqueFd.h"
#include "core/resize/HeaderFields.h"
#include "core/resize/ThreadErrors.h"

namespace JpegDecoder {

namespace {

// Some encoders pad the end of a file with a few bytes before its end marker; more than that,
// or stray bytes before any other marker, is data the image lost.
constexpr int harmlessPadding = 64;
// Encoders write a handful of scans: libjpeg's standard progression has 10 for colour and 18 for
// CMYK, and tuned scripts stay within a few dozen. Each scan costs a pass over every block of the
// image however few bytes it holds, so a small file of thousands of scans takes minutes; 300
// leaves ten times the room any encoder needs while bounding that work.
constexpr int maxScans = 300;
constexpr std::size_t readSize = 64 * 1024;

bool isDamage(const jpeg_error_mgr &error) {
    switch (error.msg_code) {
    case JWRN_EXTRANEOUS_DATA: // the bytes skipped, then the marker they came before
        return error.msg_parm.i[1] != JPEG_EOI || error.msg_parm.i[0] > harmlessPadding;
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_JPEG_EOF:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
        return true;
    default:
        return false;
    }
}

// Everything one decode needs, kept alive by the image until libvips closes it. libjpeg reports
// errors by longjmp, and so do the callbacks below, so the functions that call libjpeg and the
// callbacks themselves hold no object with a destructor.
struct Reader {
    jpeg_decompress_struct info{};
    jpeg_error_mgr error{};
    jpeg_source_mgr source{};
    jpeg_progress_mgr progress{};
    std::jmp_buf jump{};
    bool created = false;
    bool started = false;
    // CMYK is stored inverted, as Adobe's encoders write it; libvips' loader turns every CMYK
    // file back, with or without Adobe's marker, and so do we.
    bool inverted = false;
    char message[JMSG_LENGTH_MAX] = {};
    UniqueFd fd;
    off_t offset = 0;
    unsigned char buffer[readSize];
    JDIMENSION row = 0;
    // The decoded part, in output pixels: rows from firstRow on, columns [firstColumn, endColumn).
    JDIMENSION firstRow = 0;
    JDIMENSION firstColumn = 0;
    JDIMENSION endColumn = 0;
    std::stop_token stop;

    ~Reader() {
        if (created)
            jpeg_destroy_decompress(&info);
    }
};

Reader &readerOf(j_common_ptr info) {
    return *static_cast<Reader *>(info->client_data);
}

void failed(j_common_ptr info) {
    Reader &reader = readerOf(info);
    info->err->format_message(info, reader.message);
    std::longjmp(reader.jump, 1);
}

// Damage ends the decode at once: the rest of the file would only cost time.
void warned(j_common_ptr info, int level) {
    if (level < 0 && isDamage(*info->err))
        failed(info);
}

// libjpeg calls this before each row it hands out and, while it reads the scans of a progressive
// file, before each row of blocks of every scan: there a stop request reaches a running decode,
// and a file of too many scans ends.
void progressed(j_common_ptr info) {
    Reader &reader = readerOf(info);
    const bool stopped = reader.stop.stop_requested();
    if (!stopped && reader.info.input_scan_number <= maxScans)
        return;
    if (stopped)
        std::snprintf(reader.message, sizeof reader.message, "stopped");
    else
        std::snprintf(reader.message, sizeof reader.message,
                      "more than %d scans, more than any encoder writes", maxScans);
    std::longjmp(reader.jump, 1);
}

void silent(j_common_ptr) {}

void startSource(j_decompress_ptr) {}

boolean fillSource(j_decompress_ptr info) {
    Reader &reader = readerOf(reinterpret_cast<j_common_ptr>(info));
    ssize_t got = readSomeAt(reader.fd.get(), reader.buffer, readSize, reader.offset);
    if (got <= 0) {
        // The file ends before the image does: say so, and end it as libjpeg's own readers do.
        WARNMS(info, JWRN_JPEG_EOF);
        reader.buffer[0] = 0xFF;
        reader.buffer[1] = JPEG_EOI;
        got = 2;
    } else {
        reader.offset += got;
    }
    reader.source.next_input_byte = reader.buffer;
    reader.source.bytes_in_buffer = std::size_t(got);
    return TRUE;
}

void skipSource(j_decompress_ptr info, long count) {
    jpeg_source_mgr &source = *info->src;
    while (count > long(source.bytes_in_buffer)) {
        count -= long(source.bytes_in_buffer);
        fillSource(info);
    }
    source.next_input_byte += count;
    source.bytes_in_buffer -= std::size_t(count);
}

void endSource(j_decompress_ptr) {}

// A span of the full-size source in output pixels: widened to whole pixels, inside `length`, and
// never empty.
std::pair<JDIMENSION, JDIMENSION> scaledSpan(const SourceSpan &span, int eighths,
                                             JDIMENSION length) {
    const double first = std::floor(span.first * eighths / 8.0);
    const double end = std::ceil(span.end * eighths / 8.0);
    const auto from = JDIMENSION(std::clamp(first, 0.0, double(length - 1)));
    return {from, JDIMENSION(std::clamp(end, double(from + 1), double(length)))};
}

// Reads the header and fixes the output size and the decoded part; false with the reason in the
// reader's message.
bool prepare(Reader &reader, int eighths, const Window &window) {
    if (setjmp(reader.jump))
        return false;
    jpeg_create_decompress(&reader.info);
    reader.created = true;
    reader.info.src = &reader.source;
    reader.info.progress = &reader.progress;
    jpeg_read_header(&reader.info, TRUE);
    reader.info.scale_num = unsigned(eighths);
    reader.info.scale_denom = 8;
    jpeg_calc_output_dimensions(&reader.info);
    reader.firstRow = scaledSpan(window.rows, eighths, reader.info.output_height).first;
    std::tie(reader.firstColumn, reader.endColumn) =
        scaledSpan(window.columns, eighths, reader.info.output_width);
    // libjpeg's own choice of output colours: grey, RGB, or CMYK for CMYK and YCCK files.
    reader.inverted = reader.info.out_color_space == JCS_CMYK;
    return true;
}

// Whether every coefficient of a progressive file arrived in full. A file cut short at a scan's
// end, with its end marker put back, draws without a warning from libjpeg, from the scans it has;
// the coefficients that never came show it (libjpeg keeps -1 for one never sent, and the bit
// position still to come for one not fully refined). Called once the whole file has been read.
bool hasEveryScan(const jpeg_decompress_struct &info) {
    if (!info.progressive_mode)
        return true;
    for (int component = 0; component < info.num_components; ++component) {
        const int *bits = info.coef_bits[component];
        if (std::any_of(bits, bits + DCTSIZE2, [](int bit) { return bit != 0; }))
            return false;
    }
    return true;
}

// Starts the decompression and crops every row to the decoded columns. libjpeg-turbo widens the
// crop to whole blocks and says where it begins.
void start(Reader &reader) {
    jpeg_decompress_struct &info = reader.info;
    jpeg_start_decompress(&info);
    reader.started = true;
    if (reader.firstColumn == 0 && reader.endColumn == info.output_width)
        return;
    JDIMENSION left = reader.firstColumn;
    JDIMENSION width = reader.endColumn - reader.firstColumn;
    jpeg_crop_scanline(&info, &left, &width);
    reader.firstColumn = left;
    reader.endColumn = left + width;
}

// Decodes the next rows into the region; a progressive file is read whole before its first row.
// Rows above the decoded part are skipped and columns beside it cropped, and both left zero.
bool readRows(Reader &reader, VipsRegion *region) {
    if (setjmp(reader.jump))
        return false;
    if (!reader.started) {
        start(reader);
        if (!hasEveryScan(reader.info)) {
            std::snprintf(reader.message, sizeof reader.message,
                          "Corrupt JPEG data: the file ends before its last scan");
            return false;
        }
    }
    const VipsRect &rect = region->valid;
    const std::size_t pixelBytes = VIPS_IMAGE_SIZEOF_PEL(region->im);
    const std::size_t lineBytes = VIPS_REGION_SIZEOF_LINE(region);
    const std::size_t leftBytes = reader.firstColumn * pixelBytes;
    const std::size_t decodedBytes = (reader.endColumn - reader.firstColumn) * pixelBytes;
    int y = 0;
    if (reader.row < reader.firstRow) {
        const auto skipped =
            JDIMENSION(std::min<int>(rect.height, int(reader.firstRow - reader.row)));
        if (jpeg_skip_scanlines(&reader.info, skipped) != skipped) {
            std::snprintf(reader.message, sizeof reader.message, "no row %d in the file", rect.top);
            return false;
        }
        for (; y < int(skipped); ++y)
            std::memset(VIPS_REGION_ADDR(region, 0, rect.top + y), 0, lineBytes);
    }
    for (; y < rect.height; ++y) {
        JSAMPLE *line = VIPS_REGION_ADDR(region, 0, rect.top + y);
        JSAMPROW row = line + leftBytes;
        if (jpeg_read_scanlines(&reader.info, &row, 1) != 1) {
            std::snprintf(reader.message, sizeof reader.message, "no row %d in the file",
                          rect.top + y);
            return false;
        }
        if (reader.inverted)
            std::transform(row, row + decodedBytes, row,
                           [](JSAMPLE sample) { return JSAMPLE(255 - sample); });
        std::memset(line, 0, leftBytes);
        std::memset(row + decodedBytes, 0, lineBytes - leftBytes - decodedBytes);
    }
    reader.row += JDIMENSION(rect.height);
    // The tail is where data left over after the last row shows damage the rows did not.
    if (reader.row == reader.info.output_height)
        jpeg_finish_decompress(&reader.info);
    return true;
}

int generate(VipsRegion *region, void *, void *a, void *, gboolean *) {
    Reader &reader = *static_cast<Reader *>(a);
    if (region->valid.top != int(reader.row)) {
        ThreadErrors::noteFailure(ThreadErrors::Decoder::LibjpegTurbo,
                                  "JPEG rows asked for out of order, at row %d", region->valid.top);
        return -1;
    }
    if (!readRows(reader, region)) {
        ThreadErrors::noteFailure(ThreadErrors::Decoder::LibjpegTurbo, "%s", reader.message);
        return -1;
    }
    return 0;
}

// The colours of each layout as libvips' own loader names them.
VipsInterpretation interpretationOf(J_COLOR_SPACE colours) {
    switch (colours) {
    case JCS_GRAYSCALE:
        return VIPS_INTERPRETATION_B_W;
    case JCS_CMYK:
        return VIPS_INTERPRETATION_CMYK;
    default:
        return VIPS_INTERPRETATION_sRGB;
    }
}

void closed(VipsImage *, Reader *reader) {
    std::unique_ptr<Reader> owned(reader); // the image owned the reader; it goes with it
}

} // namespace

vips::VImage decode(int fd, int eighths, const vips::VImage &header, const Window &window,
                    std::stop_token stop) {
    auto reader = std::make_unique<Reader>();
    reader->stop = std::move(stop);
    reader->fd.reset(::dup(fd));
    reader->info.err = jpeg_std_error(&reader->error);
    reader->info.client_data = reader.get();
    reader->error.error_exit = failed;
    reader->error.emit_message = warned;
    reader->error.output_message = silent;
    reader->source.init_source = startSource;
    reader->source.fill_input_buffer = fillSource;
    reader->source.skip_input_data = skipSource;
    reader->source.resync_to_restart = jpeg_resync_to_restart;
    reader->source.term_source = endSource;
    reader->progress.progress_monitor = progressed;
    if (!reader->fd.isValid() || !prepare(*reader, eighths, window)) {
        ThreadErrors::noteFailure(ThreadErrors::Decoder::LibjpegTurbo, "%s",
                                  reader->fd.isValid() ? reader->message : "cannot read the file");
        throw vips::VError();
    }

    VipsImage *image = vips_image_new();
    const jpeg_decompress_struct &info = reader->info;
    vips_image_init_fields(image, int(info.output_width), int(info.output_height),
                           info.output_components, VIPS_FORMAT_UCHAR, VIPS_CODING_NONE,
                           interpretationOf(info.out_color_space), header.xres(), header.yres());
    HeaderFields::carryProfile(image, header);
    HeaderFields::carryOrientation(image, header);
    vips_image_pipelinev(image, VIPS_DEMAND_STYLE_THINSTRIP, nullptr);
    Reader *owned = reader.release();
    g_signal_connect(image, "close", G_CALLBACK(closed), owned);
    if (vips_image_generate(image, nullptr, generate, nullptr, owned, nullptr) != 0) {
        g_object_unref(image);
        throw vips::VError();
    }
    VipsImage *sequential = nullptr;
    const int status = vips_sequential(image, &sequential, "tile_height", 8, nullptr);
    g_object_unref(image);
    if (status != 0)
        throw vips::VError();
    // Marked as read from top to bottom, as libvips' loaders mark theirs: a large reduction then
    // keeps the rows it reads again behind a cache of its own rather than asking for them anew.
    vips_image_set_int(sequential, VIPS_META_SEQUENTIAL, 1);
    return vips::VImage(sequential);
}

} // namespace JpegDecoder
