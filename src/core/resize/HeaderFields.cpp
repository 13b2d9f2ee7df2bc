#include "core/resize/HeaderFields.h"

namespace HeaderFields {

void carryProfile(VipsImage *image, const vips::VImage &header) {
    if (header.get_typeof(VIPS_META_ICC_NAME) == 0)
        return;
    std::size_t length = 0;
    const void *profile = header.get_blob(VIPS_META_ICC_NAME, &length);
    vips_image_set_blob_copy(image, VIPS_META_ICC_NAME, profile, length);
}

void carryOrientation(VipsImage *image, const vips::VImage &header) {
    if (header.get_typeof(VIPS_META_ORIENTATION) != 0)
        vips_image_set_int(image, VIPS_META_ORIENTATION, header.get_int(VIPS_META_ORIENTATION));
}

} // namespace HeaderFields
