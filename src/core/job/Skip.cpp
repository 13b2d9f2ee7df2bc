#include "core/job/Skip.h"

QString skipReason(const QString &reason) {
    if (reason.isEmpty() || !reason.front().isUpper())
        return reason;
    qsizetype end = 1;
    while (end < reason.size() && reason.at(end).isLower())
        ++end;
    // What follows the word decides: a space, a colon or the end close an ordinary word.
    const bool ordinary = end == reason.size() || reason.at(end).isSpace() ||
                          QStringLiteral(",;:/").contains(reason.at(end));
    if (!ordinary || (end == 1 && end < reason.size() && !reason.at(end).isSpace()))
        return reason;
    return reason.front().toLower() + reason.mid(1);
}
