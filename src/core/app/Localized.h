#pragma once

#include <QCoreApplication>
#include <QString>

// Every text the user sees goes through one string table whose keys are the English texts; a
// text without a translation shows the English key.
inline QString localized(const char *english) {
    return QCoreApplication::translate("Sardoxa", english);
}
