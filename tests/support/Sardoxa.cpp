#include "Sardoxa.h"

#include <QProcess>

Outcome runSardoxa(const QStringList &arguments, const QProcessEnvironment &environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(SARDOXA_BINARY), arguments);
    if (!process.waitForFinished(120000))
        process.kill();
    process.waitForFinished();
    return {process.exitCode(), process.exitStatus() == QProcess::CrashExit,
            QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}
