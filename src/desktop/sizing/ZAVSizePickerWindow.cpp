#include "desktop/sizing/ZAVSizePickerWindow.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>

#include "core/files/FilePaths.h"

ZAVSizePickerWindow::ZAVSizePickerWindow(QWidget *parent)
    : QDialog(parent) {
    // Not modal: the rest of the application stays usable while a size is being chosen.
    setModal(false);
    setAcceptDrops(true);
}

void ZAVSizePickerWindow::dragEnterEvent(QDragEnterEvent *event) {
    if (!localPathsOf(event->mimeData()->urls()).isEmpty())
        event->acceptProposedAction();
}

void ZAVSizePickerWindow::dropEvent(QDropEvent *event) {
    const QStringList paths = localPathsOf(event->mimeData()->urls());
    if (paths.isEmpty())
        return;
    event->acceptProposedAction();
    Q_EMIT pathsDropped(paths);
}
