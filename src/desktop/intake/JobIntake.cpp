#include "desktop/app/ZAVAppDelegate.h"

#include <QFileDialog>

#include "core/app/Localized.h"
#include "core/intake/FilePaths.h"
#include "core/platform/OperationQueue.h"
#include "core/platform/Platform.h"

namespace {

QString busyMessage() {
    return localized("It seems that you have not finished the last task, please check the process "
                     "and try again later.");
}

} // namespace

bool ZAVAppDelegate::isBusy() {
    return queue->operationCount() != 0;
}

void ZAVAppDelegate::applicationOpenFiles(const QStringList &paths) {
    if (isBusy()) {
        failedWithMessage(busyMessage());
        return;
    }
    hideWelcome();
    takeIn(collectImages(paths));
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

void ZAVAppDelegate::takeIn(const QStringList &images) {
    // A request without images asks for no size and leaves no trace; it is said once.
    if (images.isEmpty()) {
        failedWithMessage(localized("There are no images to resize. Choose image files (PNG, JPEG, "
                                    "TIFF or GIF) or folders that hold them."));
        Q_EMIT nothingToResize();
        return;
    }
    const QString key = makeJobFolder();
    {
        std::lock_guard lock(registryMutex);
        globalTasks.insert(key, images);
    }
    if (!shouldChooseSize(key))
        failedWithMessage(busyMessage());
}
