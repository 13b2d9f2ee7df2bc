#include "desktop/feedback/SkippedFilesWindow.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/app/Localized.h"

SkippedFilesWindow::SkippedFilesWindow(const QList<Skip> &skipped, QWidget *parent)
    : QDialog(parent) {
    // Named in full: a window opened by the command line is not titled by the application.
    setWindowTitle(localized("Skipped Images") + QStringLiteral(" — ") + localized("Sardoxa"));
    auto *list = new QTreeWidget(this);
    list->setHeaderLabels({localized("Image"), localized("Reason")});
    list->setRootIsDecorated(false);
    list->setWordWrap(true);
    for (const Skip &skip : skipped) {
        auto *row = new QTreeWidgetItem(list, {skip.path, skip.reason});
        row->setToolTip(0, skip.path);
        row->setToolTip(1, skip.reason);
    }
    list->header()->setSectionResizeMode(0, QHeaderView::Interactive);
    list->resizeColumnToContents(0);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(localized("Close"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(list);
    layout->addWidget(buttons);
    resize(640, 320);
}
