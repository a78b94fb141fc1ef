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
    QPainter painter(this);
    emit painting(painter);
}

void TPaintBox::mousePressEvent(QMouseEvent* event)
{
    emit mousePressed(event);
}

void TPaintBox::mouseMoveEvent(QMouseEvent* event)
{
    emit mouseMoved(event);
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* event)
{
    emit mouseReleased(event);
}

void TPaintBox::mouseDoubleClickEvent(QMouseEvent* event)
{
    emit mouseDoubleClicked(event);
}

} // namespace quillon
