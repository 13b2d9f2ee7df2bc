#include "desktop/app/ZAVAppDelegate.h"

#include <QFileDialog>

#include "core/app/Localized.h"
#include "core/files/FilePaths.h"
#include "core/platform/Platform.h"
#include "desktop/sizing/ZAVSizePickerWindow.h"
#include "desktop/sizing/ZAVSizePickerWindowController.h"

void ZAVAppDelegate::applicationOpenFiles(const QStringList &paths) {
    openFiles(paths, {});
}

void ZAVAppDelegate::openFiles(const QStringList &paths, const QList<Skip> &skipped) {
    if (!isBusy())
        hideWelcome();
    batch->takeIn(paths, skipped); // refused, and said, while a job is busy
}

void ZAVAppDelegate::openImages() {
    if (isBusy()) {
        batch->refuseRequest();
        return;
    }
    if (!platform.hasWindows())
        return;

    QFileDialog dialog;
    dialog.setWindowTitle(localized("Select Images to Resize"));
    dialog.setLabelText(QFileDialog::Accept, localized("Select Images to Resize"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    QStringList patterns;
    for (const QString &format : Batch::allowedFormats)
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
    batch->takeIn(images);
}
