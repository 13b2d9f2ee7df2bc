#include "core/feedback/TrayCount.h"

#include "core/app/Localized.h"
#include "core/feedback/BadgeLabel.h"

QString trayCountText(qint64 count) {
    if (count < 1000)
        return QString::number(count);
    if (count < 1000 * 1000)
        return QString::number(count / 1000) + QLatin1Char('k');
    return QString::number(count / (1000 * 1000)) + QLatin1Char('M');
}

QString trayToolTip(const QString &label) {
    const QString name = localized("Sardoxa");
    const std::optional<BadgeProgress> progress = badgeProgress(label);
    if (!progress)
        return name;
    // Said as what is left, so that the falling number does not read as progress.
    const QString left =
        progress->remaining == progress->total
            ? localizedCount("%n image(s) left", progress->total)
            : localized("%1 of %2 images left").arg(progress->remaining).arg(progress->total);
    return left + QStringLiteral(" — ") + name;
}
