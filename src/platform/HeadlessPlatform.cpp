#include "HeadlessPlatform.h"

#include "app/Log.h"

void HeadlessPlatform::runAlert(const QString &message, const QString &informative, const QString &)
{
    logLine(message + QStringLiteral(": ") + informative);
}
