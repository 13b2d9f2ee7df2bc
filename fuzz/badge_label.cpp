// Badge labels are parsed whatever wrote them.
#include "FuzzText.h"
#include "core/feedback/BadgeLabel.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QString label = fuzzText(data, size);
    const std::optional<QString> next = countedDownLabel(label);
    FUZZ_ASSERT(next.has_value() == !label.isEmpty());
    if (next) {
        FUZZ_ASSERT(next->contains(QLatin1Char('/')));
        FUZZ_ASSERT(leadingInteger(*next) <= std::max<qint64>(leadingInteger(label), 0));
    }
    if (const std::optional<BadgeProgress> progress = badgeProgress(label)) {
        const double done = progress->fractionDone();
        FUZZ_ASSERT(done >= 0 && done <= 1);
    }
    return 0;
}
