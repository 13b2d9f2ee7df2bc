#include "desktop/app/ZAVAppDelegate.h"

#include <QFileDialog>
#include <QUrl>

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
    const QString key = makeJobFolder();
    const QStringList images = collectImages(paths);
    {
        std::lock_guard lock(registryMutex);
        globalTasks.insert(key, images);
    }
    if (!shouldChooseSize(key))
        failedWithMessage(busyMessage());
}

void ZAVAppDelegate::openImages() {
    if (isBusy()) {
        failedWithMessage(busyMessage());
        return;
    }
    hideWelcome();
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
    if (dialog.exec() != QDialog::Accepted)
        return;

    QStringList images;
    for (const QUrl &url : dialog.selectedUrls()) {
        const QString path = localPathOf(url);
        if (!path.isEmpty() && isValidImage(path))
            images.append(path);
    }
    if (images.isEmpty())
        return;
    const QString key = makeJobFolder();
    {
        std::lock_guard lock(registryMutex);
        globalTasks.insert(key, images);
    }
    if (!shouldChooseSize(key))
        failedWithMessage(busyMessage());
}
