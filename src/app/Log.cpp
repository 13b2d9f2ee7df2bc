#include "Log.h"

#include <cstdio>

void logLine(const QString &line)
{
    const QByteArray text = "sardoxa: " + line.toLocal8Bit() + '\n';
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stderr);
    std::fflush(stderr);
}
