#pragma once

#include <QString>

// One line on stderr, prefixed with the program's name: what could not be done and why. Control
// characters are shown escaped, so that a file name holding a line break cannot forge a line.
// Any thread may log; a status line stays below the logged ones.
void logLine(const QString &line);

// On a terminal, the one line at the bottom that shows progress: rewritten in place, and put
// back under every line logged meanwhile. An empty text takes it away.
void showStatusLine(const QString &line);

// One line of results on stdout, for scripts; on a terminal the status line stays below it.
void printResult(const QByteArray &line);

// Whether stderr is a terminal, where a status line can be rewritten.
bool logsToTerminal();

// `text` with its control characters written as \xNN.
QString printable(const QString &text);
