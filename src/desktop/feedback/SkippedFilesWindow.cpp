#include "desktop/feedback/SkippedFilesWindow.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/app/Localized.h"

SkippedFilesWindow::SkippedFilesWindow(const QList<Skip> &skipped, QWidget *parent)
    : QWidget(parent, Qt::Window) {
    setWindowTitle(localized("Skipped Images"));
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
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(list);
    resize(640, 320);
}
