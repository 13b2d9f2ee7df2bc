#pragma once

#include <QCoreApplication>
#include <QString>

// Every text the user sees goes through one string table whose keys are the English texts; a
// text without a translation shows the English key.
inline QString localized(const char *english) {
    return QCoreApplication::translate("Sardoxa", english);
}

// A text that counts `n` things, with the plural form of the language for that number; the
// English forms come from the English table, installed under every other.
inline QString localizedCount(const char *english, qint64 n) {
    return QCoreApplication::translate("Sardoxa", english, nullptr, int(n));
}
