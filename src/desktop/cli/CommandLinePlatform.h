#pragma once

#include <memory>

#include "core/platform/HeadlessPlatform.h"

class JobEndNotice;

// The command line's platform. Everything goes to stderr as without a display; with --notify,
// for a caller that has no terminal such as a file manager, the end of a batch and a refused
// request are also the desktop notifications the application shows, and the output folder opens.
class CommandLinePlatform : public HeadlessPlatform {
public:
    // `notify` needs a QApplication: the notification's action opens a window.
    CommandLinePlatform(bool quiet, bool printFolder, bool notify);
    ~CommandLinePlatform() override;

    void runAlert(const QString &message, const QString &informative,
                  const QString &button) override;
    void openFolder(const QString &path, std::function<void()> done) override;
    void showJobEnded(const JobEnd &end, std::function<void()> done) override;

    // A run that cannot start: said on stderr and notified, in `forDesktop`'s words where the
    // remedy on stderr is one for a terminal; the exit status of a usage error.
    int refuse(const QString &problem, const QString &forDesktop = {});

private:
    std::unique_ptr<JobEndNotice> notice_; // only with --notify
};

// A usage error found before the run, already said on stderr, notified too when the command
// line asks for it and a display is there; returns the exit status of a usage error.
int notifyUsageError(int &argc, char **argv, const QString &problem);
