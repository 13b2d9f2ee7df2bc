#pragma once

#include <QString>

// One source that produced no copy, and why.
struct Skip {
    QString path;
    QString reason;

    friend bool operator==(const Skip &, const Skip &) = default;
};

// `reason` as every skip says it, after "skipped NAME: ": begun in lower case, as the reasons of
// our own are, where a system or library began its message with a capitalised word ("No such
// file or directory"). A first word that is an acronym ("EXIF"), holds another capital
// ("VipsJpeg") or goes on as a name does ("Holiday.jpg") is left as it is.
QString skipReason(const QString &reason);
