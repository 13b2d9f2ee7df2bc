#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// The real program, run as a user or a script runs it.
struct Outcome {
    int exitCode = -1;
    bool crashed = false; // ended by a signal; exitCode is then the signal's number
    QString out;
    QString err;
};

Outcome
runSardoxa(const QStringList &arguments,
           const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
