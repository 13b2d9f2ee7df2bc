#include "ZAVSizePickerView.h"

#include <QPaintEvent>
#include <QPainter>

namespace {
const char *const frameFromBottomProperty = "frameFromBottom";
}

ZAVSizePickerView::ZAVSizePickerView(QWidget *parent)
    : QWidget(parent)
{
}

void ZAVSizePickerView::placeFromBottom(QWidget *child, const QRect &frameFromBottom)
{
    child->setParent(this);
    child->setProperty(frameFromBottomProperty, frameFromBottom);
    place(child);
    child->show();
}

void ZAVSizePickerView::place(QWidget *child) const
{
    const QRect frame = child->property(frameFromBottomProperty).toRect();
    child->setGeometry(frame.x(), height() - frame.y() - frame.height(), frame.width(), frame.height());
}

void ZAVSizePickerView::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    QPainter(this).fillRect(event->rect(), Qt::white);
}

void ZAVSizePickerView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (child->property(frameFromBottomProperty).isValid())
            place(child);
    }
}
