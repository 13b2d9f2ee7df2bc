#include "core/intake/FolderNames.h"

#include <QLocale>

QString datedFolderName(const QDateTime &when, const QString &pattern) {
    return QLocale::system().toString(when.toLocalTime(), pattern);
}

QString firstLaunchFolderPath(const QString &productFolder, const QDateTime &when) {
    // Integer division truncates toward zero, as the conversion of the seconds to an integer does.
    const qint64 seconds = when.toMSecsSinceEpoch() / 1000;
    return productFolder + QLatin1Char(' ') + QString::number(seconds);
}

bool isDayFolderName(const QString &name, const QString &pattern) {
    const QLocale locale = QLocale::system();
    const QDate date = locale.toDate(name, pattern);
    return date.isValid() && locale.toString(date, pattern) == name;
}
