#pragma once

#include <QString>

#include <optional>

// The badge label is the only record of a job's progress: "T" when a job of T images starts, then
// "R/T" with R images remaining. These functions are its arithmetic.

// The label for a job start; none (an empty text) when there is nothing to count.
QString badgeLabelForTotal(qint64 total);

// The label after one more image: the first number lowered by one (never below 0) over the last
// piece of the label as it stands. Nothing when no label is shown.
std::optional<QString> countedDownLabel(const QString &label);

// The leading decimal integer of a text: blanks, then an optional sign and digits; 0 when the
// text does not start with a number, clamped at the ends of the 64-bit range.
qint64 leadingInteger(const QString &text);

// What a label says, for the places that show it as numbers.
struct BadgeProgress {
    qint64 remaining = 0;
    qint64 total = 0;
    // The share of the images done, from 0 to 1.
    double fractionDone() const;
};
std::optional<BadgeProgress> badgeProgress(const QString &label);
