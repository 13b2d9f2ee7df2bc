#include "Sardoxa.h"

#include <QDir>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

Outcome runSardoxa(const QStringList &arguments, const QProcessEnvironment &environment,
                   const QStringList &command, const QByteArray &input) {
    QProcess process;
    process.setProcessEnvironment(environment.isEmpty() ? QProcessEnvironment::systemEnvironment()
                                                        : environment);
    if (command.isEmpty())
        process.start(QStringLiteral(SARDOXA_BINARY), arguments);
    else
        process.start(command.first(), command.mid(1));
    if (!input.isEmpty()) {
        process.write(input);
        process.closeWriteChannel();
    }
    if (!process.waitForFinished(120000))
        process.kill();
    process.waitForFinished();
    return {process.exitCode(), process.exitStatus() == QProcess::CrashExit,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

QStringList treeOf(const QString &folder) {
    QStringList files;
    QDirIterator walk(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (walk.hasNext())
        files << QDir(folder).relativeFilePath(walk.next());
    files.sort();
    return files;
}

QJsonObject exiftool(const QStringList &arguments) {
    QProcess tool;
    tool.start("exiftool", QStringList{"-json", "-n"} + arguments);
    tool.waitForFinished();
    return QJsonDocument::fromJson(tool.readAllStandardOutput()).array().at(0).toObject();
}
