// The command line's --size and its arguments.
#include "FuzzText.h"
#include "core/cli/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const QString text = fuzzText(data, size);
    if (const std::optional<Size> parsed = parseSizeOption(text)) {
        FUZZ_ASSERT(parsed->width == wildcard || parsed->width > 0);
        FUZZ_ASSERT(parsed->height == wildcard || parsed->height > 0);
        FUZZ_ASSERT(!(parsed->width == wildcard && parsed->height == wildcard));
    }
    // The same bytes as a whole command line, split at NUL bytes.
    QStringList arguments{QStringLiteral("sardoxa")};
    arguments += text.split(QChar(0));
    const CommandLine command = parseCommandLine(arguments);
    FUZZ_ASSERT(command.mode != CommandLine::Mode::Resize || !command.paths.isEmpty() ||
                !command.filesFrom.isEmpty());
    if (command.shard)
        FUZZ_ASSERT(command.shard->index >= 0 && command.shard->index < command.shard->count);
    // Images are passed over only where kept folders give each copy its own name.
    if (command.skipExisting.value_or(false))
        FUZZ_ASSERT(command.keepFolders.value_or(false));
    // A format named on the command line fits its quality and lossless setting.
    if (command.format.quality)
        FUZZ_ASSERT(*command.format.quality >= 1 && *command.format.quality <= 100);
    if (command.format.type)
        FUZZ_ASSERT(formatProblem(command.format, *command.format.type).isEmpty());
    FUZZ_ASSERT(!(command.format.quality && command.format.lossless));
    return 0;
}
