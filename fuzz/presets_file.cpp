// The presets file lies in the user's caches folder, where anything may have written it.
#include "FuzzText.h"
#include "core/sizing/PresetList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::optional<QStringList> list = readPresetList(fuzzBytes(data, size));
    if (list) {
        // What was read is written and read again unchanged, and a new entry keeps the cap.
        FUZZ_ASSERT(readPresetList(writePresetList(*list)) == list);
        const std::optional<QStringList> updated = withNewPreset(*list, QStringLiteral("{1, 2}"));
        FUZZ_ASSERT(!updated ||
                    (updated->size() <= 10 && updated->first() == QStringLiteral("{1, 2}")));
    }
    return 0;
}
