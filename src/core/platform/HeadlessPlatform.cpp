#include "core/platform/HeadlessPlatform.h"

#include <cstdio>

#include "core/app/Log.h"

void HeadlessPlatform::runAlert(const QString &message, const QString &informative,
                                const QString &) {
    ++alertCount_;
    logLine(message + QStringLiteral(": ") + informative);
}

void HeadlessPlatform::openFolder(const QString &path, std::function<void()> done) {
    std::printf("%s\n", path.toLocal8Bit().constData());
    std::fflush(stdout);
    done();
}
