#pragma once
// Drives a QSlider with real mouse events: press on the handle, move, release.
#include <QtCore/QCoreApplication>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QSlider>
#include <QtWidgets/QStyle>
#include <QtWidgets/QStyleOptionSlider>

namespace quillon::test {

inline QStyleOptionSlider SliderOption(const QSlider& slider)
{
    QStyleOptionSlider opt;
    opt.initFrom(&slider);
    opt.subControls = QStyle::SC_None;
    opt.activeSubControls = QStyle::SC_None;
    opt.orientation = slider.orientation();
    opt.maximum = slider.maximum();
    opt.minimum = slider.minimum();
    opt.tickPosition = slider.tickPosition();
    opt.tickInterval = slider.tickInterval();
    opt.upsideDown = slider.invertedAppearance();
    opt.direction = slider.layoutDirection();
    opt.sliderPosition = slider.sliderPosition();
    opt.sliderValue = slider.value();
    opt.singleStep = slider.singleStep();
    opt.pageStep = slider.pageStep();
    opt.state |= QStyle::State_Horizontal;
    return opt;
}

// Centre of the handle when the slider is at Value.
inline QPoint HandleCentre(const QSlider& slider, int value)
{
    QStyleOptionSlider opt = SliderOption(slider);
    const QRect groove = slider.style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, &slider);
    const QRect handle = slider.style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, &slider);
    const int span = groove.width() - handle.width();
    const int x = groove.x() + QStyle::sliderPositionFromValue(slider.minimum(), slider.maximum(), value, span) +
                  handle.width() / 2;
    return QPoint(x, handle.center().y());
}

inline void SendMouse(QWidget& w, QEvent::Type type, const QPoint& p, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(p), QPointF(w.mapToGlobal(p)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &e);
}

// Drags the handle from its current value to Target in Steps moves.
inline void DragSlider(QSlider& slider, int target, int steps = 20)
{
    const QPoint from = HandleCentre(slider, slider.value());
    const QPoint to = HandleCentre(slider, target);
    SendMouse(slider, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    for (int i = 1; i <= steps; ++i) {
        const QPoint p = from + (to - from) * i / steps;
        SendMouse(slider, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
    }
    SendMouse(slider, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

} // namespace quillon::test
