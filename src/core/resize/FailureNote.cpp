#include "core/resize/FailureNote.h"

#include "core/resize/ThreadErrors.h"

namespace {

// What the pass-through image holds until libvips closes it.
struct Passing {
    vips::VImage input;
    std::shared_ptr<FailureNote> note;
};

int generate(VipsRegion *out, void *sequence, void *, void *passing, gboolean *) {
    auto *in = static_cast<VipsRegion *>(sequence);
    const VipsRect &area = out->valid;
    ThreadErrors::clear();
    if (vips_region_prepare(in, &area) == 0 && !ThreadErrors::metDamage())
        return vips_region_region(out, in, &area, area.left, area.top);
    static_cast<Passing *>(passing)->note->note(ThreadErrors::take());
    return -1;
}

// libvips starts a loader's decoding when the first region of its image is made, on whichever
// thread makes it, outside any generate: libwebp's and libspng's failures to read the pixels are
// raised there, and are noted as any other.
void *start(VipsImage *out, void *in, void *passing) {
    ThreadErrors::clear();
    void *region = vips_start_one(out, in, nullptr);
    if (!region)
        static_cast<Passing *>(passing)->note->note(ThreadErrors::take());
    return region;
}

void closed(VipsImage *, Passing *passing) {
    std::unique_ptr<Passing> owned(passing); // the image owned it; it goes with the image
}

} // namespace

void FailureNote::note(const QString &reason) {
    std::lock_guard lock(mutex_);
    if (reason_.isEmpty())
        reason_ = reason;
}

QString FailureNote::reason() const {
    std::lock_guard lock(mutex_);
    return reason_;
}

vips::VImage notingFailures(const vips::VImage &image, std::shared_ptr<FailureNote> note) {
    VipsImage *out = vips_image_new();
    Passing *passing = std::make_unique<Passing>(Passing{image, std::move(note)}).release();
    g_signal_connect(out, "close", G_CALLBACK(closed), passing);
    VipsImage *in = image.get_image();
    if (vips_image_pipelinev(out, VIPS_DEMAND_STYLE_THINSTRIP, in, nullptr) != 0 ||
        vips_image_generate(out, start, generate, vips_stop_one, in, passing) != 0) {
        g_object_unref(out);
        throw vips::VError();
    }
    return vips::VImage(out);
}
