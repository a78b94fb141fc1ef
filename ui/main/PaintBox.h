#pragma once
// The surface the image is drawn on. It paints nothing itself: it asks its
// owner to draw and reports the mouse, through signals.
#include <QtWidgets/QWidget>

class QPainter;

namespace quillon {

class TPaintBox : public QWidget {
    Q_OBJECT

public:
    explicit TPaintBox(QWidget* parent = nullptr);

signals:
    // Emitted from paintEvent with a painter on the box; connect directly.
    void painting(QPainter& painter);
    void mousePressed(QMouseEvent* event);
    void mouseMoved(QMouseEvent* event);
    void mouseReleased(QMouseEvent* event);
    void mouseDoubleClicked(QMouseEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

} // namespace quillon
