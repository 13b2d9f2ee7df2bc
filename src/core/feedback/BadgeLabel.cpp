#include "core/feedback/BadgeLabel.h"

#include <algorithm>
#include <limits>

QString badgeLabelForTotal(qint64 total) {
    return total > 0 ? QString::number(total) : QString();
}

std::optional<QString> countedDownLabel(const QString &label) {
    if (label.isEmpty())
        return std::nullopt;
    const qsizetype firstSlash = label.indexOf(QLatin1Char('/'));
    const QString first = firstSlash < 0 ? label : label.left(firstSlash);
    const QString last = label.mid(label.lastIndexOf(QLatin1Char('/')) + 1);
    qint64 remaining = leadingInteger(first);
    if (remaining > 0)
        --remaining;
    return QString::number(remaining) + QLatin1Char('/') + last;
}

qint64 leadingInteger(const QString &text) {
    qsizetype at = 0;
    while (at < text.size() && text[at].isSpace())
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == QLatin1Char('-') || text[at] == QLatin1Char('+')))
        negative = text[at++] == QLatin1Char('-');

    constexpr qint64 most = std::numeric_limits<qint64>::max();
    qint64 value = 0;
    bool clamped = false;
    for (; at < text.size() && text[at] >= QLatin1Char('0') && text[at] <= QLatin1Char('9'); ++at) {
        const int digit = text[at].unicode() - '0';
        if (value > (most - digit) / 10) {
            clamped = true;
            break;
        }
        value = value * 10 + digit;
    }
    if (clamped)
        return negative ? std::numeric_limits<qint64>::min() : most;
    return negative ? -value : value;
}

double BadgeProgress::fractionDone() const {
    if (total <= 0)
        return 0;
    // In doubles: a label may hold any two 64-bit numbers, whose difference need not fit.
    const double done = (double(total) - double(remaining)) / double(total);
    return std::clamp(done, 0.0, 1.0);
}

std::optional<BadgeProgress> badgeProgress(const QString &label) {
    if (label.isEmpty())
        return std::nullopt;
    const qint64 remaining = leadingInteger(label);
    const qsizetype lastSlash = label.lastIndexOf(QLatin1Char('/'));
    const qint64 total = lastSlash < 0 ? remaining : leadingInteger(label.mid(lastSlash + 1));
    return BadgeProgress{remaining, total};
}
