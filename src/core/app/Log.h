#pragma once

#include <QString>

// One line on stderr, prefixed with the program's name: what could not be done and why. Control
// characters are shown escaped, so that a file name holding a line break or an escape sequence
// can neither forge a line nor drive the terminal.
// Any thread may log; a status line stays below the logged ones.
void logLine(const QString &line);

// On a terminal, the one line at the bottom that shows progress: rewritten in place, and put
// back under every line logged meanwhile. An empty text takes it away.
void showStatusLine(const QString &line);

// One line of results on stdout, for scripts; on a terminal the status line stays below it.
void printResult(const QByteArray &line);

// Whether stderr is a terminal, where a status line can be rewritten.
bool logsToTerminal();

// Whether a terminal takes `c` as a command rather than text: the C0 and C1 controls, DEL, and
// the marks, overrides and isolates that turn the direction of what follows.
bool drivesTerminal(char16_t c);

// `text` with every character that drives a terminal written as \xNN (up to U+00FF) or \u{NNNN}.
QString printable(const QString &text);
