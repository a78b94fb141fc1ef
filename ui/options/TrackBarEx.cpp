#include "ui/options/TrackBarEx.h"

#include <QtCore/QEvent>

#include "ui/common/ErrorReport.h"

namespace quillon {

TTrackBarEx::TTrackBarEx(QWidget* parent) : TTrackBarEx(Qt::Horizontal, parent) {}

TTrackBarEx::TTrackBarEx(Qt::Orientation orientation, QWidget* parent) : QSlider(orientation, parent)
{
    Init();
}

void TTrackBarEx::Init()
{
    setTickPosition(QSlider::NoTicks);
    // Qt announces an action before it applies it; the code is kept and
    // reported once the event that caused it has been handled completely.
    connect(this, &QAbstractSlider::actionTriggered, this, [this](int action) {
        const int delta = sliderPosition() - FPositionBeforeAction;
        const TTrackBarCode code = ActionCode(action, isSliderDown(), delta);
        if (code != tbNone)
            Notify(code);
    });
    connect(this, &QAbstractSlider::sliderReleased, this, [this] { Notify(tbThumbPosition); });
}

TTrackBarCode TTrackBarEx::ActionCode(int action, bool dragging, int delta)
{
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        return tbLineDown;
    case QAbstractSlider::SliderSingleStepSub:
        return tbLineUp;
    case QAbstractSlider::SliderPageStepAdd:
        return tbPageDown;
    case QAbstractSlider::SliderPageStepSub:
        return tbPageUp;
    case QAbstractSlider::SliderToMinimum:
        return tbTop;
    case QAbstractSlider::SliderToMaximum:
        return tbBottom;
    case QAbstractSlider::SliderMove:
        // The wheel moves the slider without a drag: a line step.
        if (dragging)
            return tbThumbTrack;
        return delta < 0 ? tbLineUp : tbLineDown;
    default:
        return tbNone;
    }
}

void TTrackBarEx::Notify(TTrackBarCode code)
{
    // A later code of the same event wins: the release after a final move.
    if (FPendingCode == tbNone || CodeCompletesChange(code))
        FPendingCode = code;
}

bool TTrackBarEx::event(QEvent* e)
{
    // Events nest (a change handler that sets the tooltip sends one), so each
    // level keeps the code of its own event.
    const TTrackBarCode outerCode = FPendingCode;
    const int outerPosition = FPositionBeforeAction;
    FPendingCode = tbNone;
    FPositionBeforeAction = sliderPosition();
    const bool result = QSlider::event(e);
    const TTrackBarCode code = FPendingCode;
    FPendingCode = outerCode;
    FPositionBeforeAction = outerPosition;
    // A refusal of the change is reported once this event is over.
    if (code != tbNone && orientation() == Qt::Horizontal && CodeCompletesChange(code))
        RunReportedLater([this] { emit changed(); });
    return result;
}

} // namespace quillon
