#pragma once

#include <QString>

// One line on stderr, prefixed with the program's name: what could not be done and why.
void logLine(const QString &line);
