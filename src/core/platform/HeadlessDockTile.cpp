#include "core/platform/HeadlessDockTile.h"

#include <cmath>

#include "core/app/Log.h"
#include "core/feedback/BadgeLabel.h"

namespace {

QString duration(double seconds) {
    const qint64 whole = qint64(std::ceil(seconds));
    const QString minutesAndSeconds =
        QStringLiteral("%1:%2").arg(whole / 60 % 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
    return whole >= 3600 ? QStringLiteral("%1:%2")
                               .arg(whole / 3600)
                               .arg(minutesAndSeconds.rightJustified(5, QLatin1Char('0')))
                         : minutesAndSeconds;
}

// "97 of 200 done, 31.4 images/s, about 0:03 left"
QString progressLine(const BadgeProgress &progress, double seconds) {
    const qint64 done = progress.total - progress.remaining;
    QString line = QStringLiteral("%1 of %2 done").arg(done).arg(progress.total);
    if (done > 0 && seconds > 0) {
        const double rate = double(done) / seconds;
        line += QStringLiteral(", %1 images/s, about %2 left")
                    .arg(rate, 0, 'f', 1)
                    .arg(duration(double(progress.remaining) / rate));
    }
    return line;
}

} // namespace

void HeadlessDockTile::showBadge(const QString &label) {
    if (quiet_)
        return;
    const std::optional<BadgeProgress> progress = badgeProgress(label);
    if (!progress) {
        if (logsToTerminal())
            showStatusLine({});
        return;
    }
    if (progress->remaining == progress->total || !batch_.isValid())
        batch_.start();
    if (logsToTerminal())
        showStatusLine(progressLine(*progress, double(batch_.elapsed()) / 1000));
    else
        logLine(
            QStringLiteral("%1 of %2 images to go").arg(progress->remaining).arg(progress->total));
}
