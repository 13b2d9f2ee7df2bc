#include "core/feedback/TrayCount.h"

QString trayCountText(qint64 count) {
    if (count < 1000)
        return QString::number(count);
    if (count < 1000 * 1000)
        return QString::number(count / 1000) + QLatin1Char('k');
    return QString::number(count / (1000 * 1000)) + QLatin1Char('M');
}
