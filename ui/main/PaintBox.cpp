#include "ui/main/PaintBox.h"

#include <QtGui/QMouseEvent>
#include <QtGui/QPainter>

namespace quillon {

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent)
{
    // The workspace behind shows where the image does not reach.
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setMouseTracking(true);
}

void TPaintBox::paintEvent(QPaintEvent*)
{
    if (!OnPaint)
        return;
    QPainter painter(this);
    OnPaint(painter);
}

void TPaintBox::mousePressEvent(QMouseEvent* event)
{
    if (OnMouseDown)
        OnMouseDown(event);
}

void TPaintBox::mouseMoveEvent(QMouseEvent* event)
{
    if (OnMouseMove)
        OnMouseMove(event);
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* event)
{
    if (OnMouseUp)
        OnMouseUp(event);
}

void TPaintBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (OnDblClick)
        OnDblClick(event);
}

} // namespace quillon
