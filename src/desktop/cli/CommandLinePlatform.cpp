#include "desktop/cli/CommandLinePlatform.h"

#include <QCoreApplication>

#include "core/app/Localized.h"
#include "core/app/Log.h"
#include "core/app/Translations.h"
#include "desktop/platform/DesktopPlatform.h"
#include "desktop/platform/JobEndNotice.h"

namespace {

constexpr int usageErrorStatus = 2;

// The problem as stderr has it, begun as a sentence.
void notifyRefusal(JobEndNotice &notice, const QString &problem) {
    notice.showRefusal(localized("No image was resized"),
                       problem.left(1).toUpper() + problem.mid(1));
}

} // namespace

CommandLinePlatform::CommandLinePlatform(bool quiet, bool printFolder, bool notify)
    : HeadlessPlatform(quiet, printFolder) {
    if (notify)
        notice_ = std::make_unique<JobEndNotice>(QDBusConnection::sessionBus());
}

CommandLinePlatform::~CommandLinePlatform() = default;

void CommandLinePlatform::runAlert(const QString &message, const QString &informative,
                                   const QString &button) {
    HeadlessPlatform::runAlert(message, informative, button);
    if (notice_)
        notice_->showRefusal(message, informative);
}

void CommandLinePlatform::openFolder(const QString &path, std::function<void()> done) {
    if (!notice_) {
        HeadlessPlatform::openFolder(path, std::move(done));
        return;
    }
    HeadlessPlatform::openFolder(path, [] {});
    showFolder(path, std::move(done));
}

void CommandLinePlatform::showJobEnded(const JobEnd &end, std::function<void()> done) {
    if (notice_)
        notice_->show(end, std::move(done));
    else
        HeadlessPlatform::showJobEnded(end, std::move(done));
}

int CommandLinePlatform::refuse(const QString &problem, const QString &forDesktop) {
    logLine(problem);
    if (notice_ && !forDesktop.isEmpty())
        notice_->showRefusal(localized("No image was resized"), forDesktop);
    else if (notice_)
        notifyRefusal(*notice_, problem);
    return usageErrorStatus;
}

int notifyUsageError(int &argc, char **argv, const QString &problem) {
    if (sessionHasDisplay()) {
        const QCoreApplication application(argc, argv);
        installTranslations();
        JobEndNotice notice(QDBusConnection::sessionBus());
        notifyRefusal(notice, problem);
    }
    return usageErrorStatus;
}
