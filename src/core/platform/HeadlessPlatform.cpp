#include "core/platform/HeadlessPlatform.h"

#include "core/app/Log.h"
#include "core/files/FilePaths.h"

void HeadlessPlatform::runAlert(const QString &message, const QString &informative,
                                const QString &) {
    ++alertCount_;
    logLine(message + QStringLiteral(": ") + informative);
}

void HeadlessPlatform::openFolder(const QString &path, std::function<void()> done) {
    if (printFolder_)
        printResult(encodePath(path));
    done();
}
