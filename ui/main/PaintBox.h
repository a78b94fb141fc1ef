#pragma once
// The surface the image is drawn on. It paints nothing itself: the owner's
// handlers draw and react to the mouse.
#include <QtWidgets/QWidget>

#include <functional>

class QPainter;

namespace quillon {

class TPaintBox : public QWidget {
    Q_OBJECT

public:
    explicit TPaintBox(QWidget* parent = nullptr);

    std::function<void(QPainter& painter)> OnPaint;
    std::function<void(QMouseEvent* event)> OnMouseDown;
    std::function<void(QMouseEvent* event)> OnMouseMove;
    std::function<void(QMouseEvent* event)> OnMouseUp;
    std::function<void(QMouseEvent* event)> OnDblClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

} // namespace quillon
