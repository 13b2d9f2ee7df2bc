#include "desktop/cli/CommandLineRun.h"

#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>

#include <filesystem>
#include <system_error>
#include <unistd.h>

#include "core/app/Localized.h"
#include "core/app/Log.h"
#include "core/app/Translations.h"
#include "core/batch/Batch.h"
#include "core/cli/CommandLine.h"
#include "core/cli/PathList.h"
#include "core/files/FilePaths.h"
#include "core/platform/MainQueue.h"
#include "core/platform/TerminationSignals.h"
#include "core/resize/ScaledCopy.h"
#include "core/sizing/LastSize.h"
#include "core/sizing/PanelLayout.h"
#include "core/sizing/PresetFile.h"
#include "desktop/app/AppPresence.h"
#include "desktop/cli/CommandLinePlatform.h"
#include "desktop/platform/DesktopPlatform.h"

namespace {

// Makes the folder --output names; why it cannot be used, or nothing.
QString prepareOutputFolder(const QString &folder) {
    std::error_code error;
    std::filesystem::create_directories(encodePath(folder).toStdString(), error);
    if (!isDirectory(folder))
        return QStringLiteral("cannot use %1 as the output folder: %2")
            .arg(folder, pathExists(folder) ? QStringLiteral("it is not a folder")
                                            : QString::fromStdString(error.message()));
    if (::access(encodePath(folder).constData(), W_OK | X_OK) != 0)
        return QStringLiteral("cannot write into the output folder %1").arg(folder);
    return {};
}

// One JSON object a line on stdout, whole even when several workers finish at once. Qt escapes
// only the C0 controls; the other characters that drive a terminal are escaped too, as JSON
// allows for any character, so a reader still gets the same strings.
void printJson(const QJsonObject &object) {
    const QString json = QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
    QString safe;
    safe.reserve(json.size());
    for (const QChar c : json) {
        if (drivesTerminal(c.unicode()))
            safe += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            safe += c;
    }
    printResult(safe.toUtf8());
}

QJsonObject outcome(const QString &source, const ScaledCopy &copy) {
    if (!copy.written)
        return {{QStringLiteral("source"), source},
                {QStringLiteral("skipped"), copy.failure.text()}};
    return {{QStringLiteral("source"), source},
            {QStringLiteral("output"), *copy.written},
            {QStringLiteral("width"), copy.width},
            {QStringLiteral("height"), copy.height},
            {QStringLiteral("already_done"), copy.alreadyDone}};
}

// This run's own choices, which the stored ones give way to.
std::map<Choice, bool> choicesForRun(const CommandLine &command) {
    std::map<Choice, bool> choices;
    for (const auto &[choice, option] : {std::pair{Choice::removeLocation, command.removeLocation},
                                         std::pair{Choice::keepFolders, command.keepFolders},
                                         std::pair{Choice::skipExisting, command.skipExisting},
                                         std::pair{Choice::noEnlarge, command.noEnlarge}}) {
        if (option)
            choices[choice] = *option;
    }
    return choices;
}

} // namespace

int runCommandLine(int &argc, char **argv, const CommandLine &command) {
    // A notification's action opens the window of skipped images.
    const bool notify = command.notify && sessionHasDisplay();
    const std::unique_ptr<QCoreApplication> application =
        notify ? std::make_unique<QApplication>(argc, argv)
               : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sardoxa"));
    installTranslations();
    CommandLinePlatform platform(command.quiet, !command.json, notify);

    // Checked before anything is written.
    QStringList paths = command.paths;
    QList<Skip> listedSkips;
    if (!command.filesFrom.isEmpty()) {
        QString error;
        const std::optional<ListedPaths> listed = readFilesFrom(command, &error);
        if (!listed)
            return platform.refuse(
                QStringLiteral("cannot read the list %1: %2").arg(command.filesFrom, error));
        paths += listed->paths;
        listedSkips = listed->skipped;
    }
    Size size = command.size;
    if (command.lastSize) {
        const RememberedSize last = rememberedSize(lastSizeFilePath(platform.cachesDirectory()),
                                                   presetFilePath(platform.cachesDirectory()));
        if (!last.size)
            return platform.refuse(last.problem, last.nothingYet
                                                     ? localized("No size is remembered yet. Open "
                                                                 "Sardoxa, choose a size for a few "
                                                                 "images once, then try again.")
                                                     : QString());
        size = *last.size;
        if (const QString problem = sizeProblem(size); !problem.isEmpty())
            return platform.refuse(QStringLiteral("cannot resize to the last size, %1: %2")
                                       .arg(presetTitle(size), problem));
    }
    if (!command.output.isEmpty()) {
        if (const QString problem = prepareOutputFolder(command.output); !problem.isEmpty())
            return platform.refuse(problem);
    }

    // A quality or lossless without a format applies to the stored one, read for this alone.
    if (!command.format.type && (command.format.quality || command.format.lossless)) {
        const FileType stored = storedCopyFormat(platform.preferencesFile()).type;
        if (const QString problem = formatProblem(command.format, stored); !problem.isEmpty())
            return platform.refuse(problem + QStringLiteral(", the format chosen in the Sardoxa "
                                                            "window; give --format"));
    }

    TerminationSignals signals;
    QObject::connect(&signals, &TerminationSignals::terminationRequested, application.get(),
                     &QCoreApplication::quit);
    BatchOptions options;
    options.fixedJobFolder = command.output;
    options.choicesForRun = choicesForRun(command);
    options.shard = command.shard;
    options.formatForRun = command.format;
    if (command.json)
        options.fileFinished = [](const QString &source, const ScaledCopy &copy) {
            printJson(outcome(source, copy));
        };
    Batch batch(platform, options);
    batch.launch();

    // The paths go in as a drop would; the size comes from the command line, once the job is
    // registered, and the remembered size is remembered already: the presets stay as they are.
    QString key;
    batch.askForSize = [&](const QString &job, const std::optional<QStringList> &) {
        key = job;
        platform.mainQueue().post([&] { batch.chooseSize(size, key, !command.lastSize); });
        return true;
    };
    JobEnd end;
    bool ended = false;
    QObject::connect(&batch, &Batch::nothingToResize, application.get(), [&] {
        ended = true;
        QCoreApplication::quit();
    });
    QObject::connect(&batch, &Batch::jobEnded, application.get(), [&](const JobEnd &finished) {
        end = finished;
        ended = true;
        // A notification stays until it can offer nothing more.
        if (!notify)
            QCoreApplication::quit();
    });
    // Ends the application once the notification, its window of skipped images and the opening
    // of the folder are done, as it ends the desktop application without a tray.
    const std::optional<AppPresence> presence =
        notify ? std::make_optional<AppPresence>(batch) : std::nullopt;
    batch.takeIn(paths, listedSkips);
    QCoreApplication::exec();
    platform.mainQueue().drain(); // an alert still on its way, to stderr
    if (TerminationSignals::received()) {
        logLine(
            QStringLiteral("stopped before the end; the images written so far are in %1").arg(key));
        return 1;
    }

    if (key.isEmpty())
        return ended ? 1 : 2; // nothing to resize, or refused
    if (platform.alertCount() > 0)
        return 2;
    const qsizetype skipped = end.skipped.size();
    const QString shard = command.shard ? shardText(*command.shard) : QString();
    if (command.json) {
        QJsonObject summary{{QStringLiteral("folder"), key},
                            {QStringLiteral("written"), end.written},
                            {QStringLiteral("skipped"), skipped},
                            {QStringLiteral("already_done"), end.alreadyDone}};
        if (command.shard)
            summary.insert(QStringLiteral("shard"), shard);
        printJson(summary);
    }
    if (!command.quiet) {
        QString line =
            QStringLiteral("wrote %1 of %2 images to %3").arg(end.written).arg(end.total).arg(key);
        if (end.alreadyDone > 0)
            line += QStringLiteral(", %1 already done").arg(end.alreadyDone);
        if (command.shard)
            line += QStringLiteral(" (shard %1)").arg(shard);
        logLine(line);
    }
    return skipped > 0 ? 1 : 0;
}
