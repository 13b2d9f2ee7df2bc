#include "OutputName.h"

namespace {

qsizetype extensionDot(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? dot : -1;
}

} // namespace

QString pathExtension(const QString &fileName)
{
    const qsizetype dot = extensionDot(fileName);
    return dot < 0 ? QString() : fileName.mid(dot + 1);
}

QString outputFileName(const QString &sourceName, qint64 n)
{
    if (n == 0)
        return sourceName;
    const qsizetype dot = extensionDot(sourceName);
    if (dot < 0)
        return QStringLiteral("%1 (%2)").arg(sourceName).arg(n);
    return QStringLiteral("%1 (%2).%3").arg(sourceName.left(dot)).arg(n).arg(sourceName.mid(dot + 1));
}
