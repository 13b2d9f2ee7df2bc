#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <map>

// A fresh HOME with its own XDG folders for one test; the previous environment comes back after.
class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome &) = delete;
    TempHome &operator=(const TempHome &) = delete;

    QString path() const { return dir_.path(); }
    QString pictures() const { return dir_.path() + QStringLiteral("/Pictures"); }
    QString productFolder() const { return pictures() + QStringLiteral("/Sardoxa"); }
    QString runtime() const { return dir_.path() + QStringLiteral("/run"); }
    QString presetsFile() const { return dir_.path() + QStringLiteral("/.cache/sardoxa/presets"); }

private:
    QTemporaryDir dir_;
    std::map<QByteArray, QByteArray> saved_;
};
