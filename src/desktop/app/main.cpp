#include <QApplication>

#include <csignal>
#include <cstdio>
#include <malloc.h>

#include "core/app/Logging.h"
#include "core/app/SingleInstance.h"
#include "core/app/Translations.h"
#include "core/cli/CommandLine.h"
#include "core/files/FilePaths.h"
#include "core/platform/TerminationSignals.h"
#include "core/resize/ImageEngine.h"
#include "desktop/app/AppIcon.h"
#include "desktop/app/AppPresence.h"
#include "desktop/app/ZAVAppDelegate.h"
#include "desktop/cli/CommandLinePlatform.h"
#include "desktop/cli/CommandLineRun.h"
#include "desktop/platform/DesktopPlatform.h"

namespace {

void print(std::FILE *stream, const QString &text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

void setApplicationNames() {
    QCoreApplication::setApplicationName(QStringLiteral("sardoxa"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SARDOXA_VERSION));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Sardoxa"));
    QGuiApplication::setDesktopFileName(QStringLiteral("sardoxa"));
}

int runDesktop(int &argc, char **argv, const QStringList &paths) {
    setApplicationNames();
    // Handed over before any window system is touched: a launch from a terminal without a
    // display still reaches the running instance.
    SingleInstance instance;
    QString error;
    const SingleInstance::Role role = instance.claim(paths, &error);
    switch (role) {
    case SingleInstance::Role::HandedOff:
        return 0;
    case SingleInstance::Role::Failed:
        print(stderr, QStringLiteral("sardoxa: %1\n").arg(error));
        return 1;
    case SingleInstance::Role::Alone:
        print(stderr,
              QStringLiteral("sardoxa: %1; later launches cannot hand their files to this one\n")
                  .arg(error));
        break;
    case SingleInstance::Role::Primary:
        break;
    }
    // Qt ends the process when it finds no display; say why instead.
    if (!sessionHasDisplay()) {
        print(stderr,
              QStringLiteral(
                  "sardoxa: no display to show windows on; use --size to resize without one\n"));
        return 1;
    }

    QApplication application(argc, argv);
    QApplication::setWindowIcon(appIcon());
    installTranslations();

    TerminationSignals signals;
    QObject::connect(&signals, &TerminationSignals::terminationRequested, qApp,
                     &QCoreApplication::quit);
    DesktopPlatform platform;
    ZAVAppDelegate delegate(platform);
    delegate.applicationDidFinishLaunching();
    AppPresence presence(delegate, platform.dockTile().trayIcon());

    if (role == SingleInstance::Role::Primary && !instance.listen(&error))
        print(stderr,
              QStringLiteral("sardoxa: later launches cannot reach this one: %1\n").arg(error));
    QObject::connect(&instance, &SingleInstance::reopenRequested, &delegate,
                     &ZAVAppDelegate::applicationShouldHandleReopen);
    QObject::connect(&instance, &SingleInstance::openRequested, &delegate,
                     &ZAVAppDelegate::applicationOpenFiles);

    // A start without files is what a click on the running application's icon is: the user
    // always gets a window.
    if (paths.isEmpty())
        delegate.applicationShouldHandleReopen();
    else
        delegate.applicationOpenFiles(paths);
    return QApplication::exec();
}

} // namespace

int main(int argc, char *argv[]) {
    // With an arena per worker thread, glibc's heap fragments as images of every size pass
    // through the workers, and memory grows with the batch; one arena keeps it flat and costs
    // no measurable time, since the image data lives in libvips' own buffers.
    mallopt(M_ARENA_MAX, 1);
    installDebugLog();
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(decodePath(argv[i]));
    const CommandLine command = parseCommandLine(arguments);

    switch (command.mode) {
    case CommandLine::Mode::Help:
        print(stdout, commandLineHelp());
        return 0;
    case CommandLine::Mode::Version:
        print(stdout, QStringLiteral("sardoxa %1\n").arg(QStringLiteral(SARDOXA_VERSION)));
        return 0;
    case CommandLine::Mode::UsageError:
        print(stderr, QStringLiteral("sardoxa: %1\nTry 'sardoxa --help' for more information.\n")
                          .arg(command.message));
        return command.notify ? notifyUsageError(argc, argv, command.message) : 2;
    case CommandLine::Mode::Resize:
    case CommandLine::Mode::Desktop:
        break;
    }
    ImageEngine::initialize(argv[0]);
    const int status = command.mode == CommandLine::Mode::Resize
                           ? runCommandLine(argc, argv, command)
                           : runDesktop(argc, argv, command.paths);
    // Ended by a signal once everything is cleaned up: end by it too, so the parent knows.
    if (const int signal = TerminationSignals::received()) {
        std::fflush(nullptr);
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    return status;
}
