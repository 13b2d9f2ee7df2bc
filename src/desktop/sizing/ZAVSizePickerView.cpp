#include "desktop/sizing/ZAVSizePickerView.h"

#include <QPaintEvent>
#include <QPainter>

#include "core/sizing/PanelLayout.h"

namespace {
const char *const frameFromBottomProperty = "frameFromBottom";
}

ZAVSizePickerView::ZAVSizePickerView(QWidget *parent)
    : QWidget(parent) {}

void ZAVSizePickerView::placeFromBottom(QWidget *child, const QRect &frameFromBottom) {
    child->setParent(this);
    child->setProperty(frameFromBottomProperty, frameFromBottom);
    place(child);
    child->show();
}

void ZAVSizePickerView::place(QWidget *child) const {
    child->setGeometry(fromBottom(child->property(frameFromBottomProperty).toRect(), height()));
}

void ZAVSizePickerView::paintEvent(QPaintEvent *event) {
    QWidget::paintEvent(event);
    QPainter(this).fillRect(event->rect(), Qt::white);
}

void ZAVSizePickerView::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (child->property(frameFromBottomProperty).isValid())
            place(child);
    }
}
