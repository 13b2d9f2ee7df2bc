#include "desktop/app/ZAVAppDelegate.h"

#include <QFileDialog>

#include "core/app/Localized.h"
#include "core/files/FilePaths.h"
#include "core/platform/OperationQueue.h"
#include "core/platform/Platform.h"
#include "desktop/sizing/ZAVSizePickerWindow.h"
#include "desktop/sizing/ZAVSizePickerWindowController.h"

namespace {

QString busyMessage() {
    return localized("It seems that you have not finished the last task, please check the process "
                     "and try again later.");
}

} // namespace

bool ZAVAppDelegate::isBusy() {
    return globalTasks.isBusy();
}

void ZAVAppDelegate::applicationOpenFiles(const QStringList &paths) {
    openFiles(paths, {});
}

void ZAVAppDelegate::openFiles(const QStringList &paths, const QList<Skip> &skipped) {
    if (isBusy()) {
        failedWithMessage(busyMessage());
        return;
    }
    hideWelcome();
    const CollectedImages found = collectImages(paths);
    takeIn(found.images, found.unreadable + skipped);
}

void ZAVAppDelegate::openImages() {
    if (isBusy()) {
        failedWithMessage(busyMessage());
        return;
    }
    if (!platform.hasWindows())
        return;

    QFileDialog dialog;
    dialog.setWindowTitle(localized("Select Images to Resize"));
    dialog.setLabelText(QFileDialog::Accept, localized("Select Images to Resize"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    QStringList patterns;
    for (const QString &format : std::as_const(allowedFormats))
        patterns << QStringLiteral("*.") + format << QStringLiteral("*.") + format.toUpper();
    dialog.setNameFilter(localized("Images") + QStringLiteral(" (") +
                         patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    // Cancelling leaves the user where the dialog was opened from, the welcome window included.
    if (dialog.exec() != QDialog::Accepted)
        return;

    hideWelcome();
    QStringList images;
    for (const QString &path : localPathsOf(dialog.selectedUrls())) {
        if (isValidImage(path))
            images.append(path);
    }
    takeIn(images);
}

void ZAVAppDelegate::takeIn(const QStringList &images, const QList<Skip> &unreadable) {
    const auto nameUnreadable = [&] {
        for (const Skip &skip : unreadable)
            reportSkipped(skip.path, skip.reason);
    };
    // A request without images asks for no size and leaves no trace; it is said once.
    if (images.isEmpty()) {
        nameUnreadable();
        failedWithMessage(localized("There are no images to resize. Choose image files (PNG, JPEG, "
                                    "TIFF, GIF, HEIC, AVIF, WebP or JPEG XL) or folders that hold "
                                    "them."));
        Q_EMIT nothingToResize();
        return;
    }
    // Refused as a whole, before anything is registered: the pending job keeps its list.
    const QString key = makeJobFolder();
    const std::shared_ptr<Job> job = globalTasks.registerJob(key, images, unreadable);
    if (!job) {
        failedWithMessage(busyMessage());
        return;
    }
    if (!shouldChooseSize(key)) {
        globalTasks.remove(key);
        failedWithMessage(busyMessage());
        return;
    }
    nameUnreadable();
    job->askForSize();
    // Escape or the window's close button: no size for this job.
    if (platform.hasWindows())
        connect(sizeWindowController->window(), &QDialog::rejected, this,
                [this, key] { abandonJob(key); });
}

void ZAVAppDelegate::abandonJob(const QString &key) {
    const std::shared_ptr<Job> job = globalTasks.find(key);
    if (!job || job->size())
        return;
    globalTasks.remove(key);
    Q_EMIT activityEnded();
}
