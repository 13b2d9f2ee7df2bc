// Image files come from anywhere: whatever the bytes, one image ends as a copy of the asked size
// or as a skip with a reason, and nothing is left behind.
#include <QDir>
#include <QTemporaryDir>

#include <sys/mman.h>
#include <unistd.h>

#include "FuzzText.h"
#include "core/files/UniqueFd.h"
#include "core/resize/ImageEngine.h"
#include "core/resize/ScaledCopy.h"
#include "core/resize/SourceImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const bool started = (ImageEngine::initialize("fuzz_decode_image"), true);
    static const QTemporaryDir folder;
    (void)started;

    const UniqueFd file(::memfd_create("source", MFD_CLOEXEC));
    FUZZ_ASSERT(file.isValid() && ::write(file.get(), data, size) == ssize_t(size));
    const SourceImage source =
        SourceImage::open(QStringLiteral("/proc/self/fd/%1").arg(file.get()));
    // Large images are legitimate and only slow: the fuzzer spends its time on small ones.
    if (double(source.header().pixelWidth) * source.header().pixelHeight > 256 * 256)
        return 0;
    const ScaledCopy copy =
        writeScaledCopy(source, Canvas{{24, 16}, 1}, folder.filePath(QStringLiteral("copy.tif")),
                        CopyFormat{}, false, {});
    FUZZ_ASSERT(copy.written.has_value() != copy.failure.isTold());
    if (copy.written) {
        FUZZ_ASSERT(copy.width == 24 && copy.height == 16);
        FUZZ_ASSERT(QFile::remove(*copy.written));
    }
    FUZZ_ASSERT(
        QDir(folder.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
    return 0;
}
