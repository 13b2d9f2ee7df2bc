#pragma once

#include <QJsonObject>
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

// Runs the program with `arguments` in `environment` (the test's own when empty), `input` on its
// standard input. `command`, when given, runs instead, program first: a wrapper that runs the
// program in turn.
Outcome runSardoxa(const QStringList &arguments, const QProcessEnvironment &environment = {},
                   const QStringList &command = {}, const QByteArray &input = {});

// What exiftool reads (-json -n) with `arguments`, of the first file they name: a reader of
// metadata that shares no code with the program.
QJsonObject exiftool(const QStringList &arguments);

// Every file the program left under `folder`, hidden ones too, by its path there, sorted.
QStringList treeOf(const QString &folder);
