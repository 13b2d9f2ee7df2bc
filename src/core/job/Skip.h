#pragma once

#include <QString>

// One source that produced no copy, and why.
struct Skip {
    QString path;
    QString reason;

    friend bool operator==(const Skip &, const Skip &) = default;
};
