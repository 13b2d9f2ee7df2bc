// The presets file lies in the user's caches folder, where anything may have written it.
#include "FuzzText.h"
#include "core/sizing/PresetList.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::optional<QStringList> list = readPresetList(fuzzBytes(data, size));
    if (list) {
        // What was read is written and read again unchanged, and a new entry keeps the cap.
        FUZZ_ASSERT(readPresetList(writePresetList(*list)) == list);
        const std::optional<QStringList> updated = withNewPreset(*list, QStringLiteral("{1, 2}"));
        FUZZ_ASSERT(!updated ||
                    (updated->size() <= 10 && updated->first() == QStringLiteral("{1, 2}")));
        // An entry taken as a size has sides a size can have.
        for (const QString &entry : *list) {
            const std::optional<Size> taken = presetSize(entry);
            for (const double side : {taken ? taken->width : 1.0, taken ? taken->height : 1.0})
                FUZZ_ASSERT(side == wildcard || (side > 0 && std::isfinite(side)));
        }
    }
    return 0;
}
