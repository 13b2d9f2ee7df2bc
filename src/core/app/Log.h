#pragma once

#include <QString>

// One line on stderr, prefixed with the program's name: what could not be done and why. Control
// characters are shown escaped, so that a file name holding a line break cannot forge a line.
void logLine(const QString &line);

// `text` with its control characters written as \xNN.
QString printable(const QString &text);
