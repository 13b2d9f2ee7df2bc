#include "core/platform/HeadlessDockTile.h"

#include <cstdio>
#include <unistd.h>

#include "core/feedback/BadgeLabel.h"

void HeadlessDockTile::showBadge(const QString &label) {
    const bool terminal = isatty(fileno(stderr));
    const std::optional<BadgeProgress> progress = badgeProgress(label);
    if (!progress) {
        if (lineOpen_)
            std::fputs("\n", stderr);
        lineOpen_ = false;
        std::fflush(stderr);
        return;
    }
    const QByteArray line = QStringLiteral("sardoxa: %1 of %2 images to go")
                                .arg(progress->remaining)
                                .arg(progress->total)
                                .toLocal8Bit();
    if (terminal) {
        std::fprintf(stderr, "\r%s\033[K", line.constData());
        lineOpen_ = true;
    } else {
        std::fprintf(stderr, "%s\n", line.constData());
    }
    std::fflush(stderr);
}
