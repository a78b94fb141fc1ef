// Mouse navigation: the press/move/release state machine of the paint box,
// panning, the double-click and middle-click zoom, the wheel and Escape.
#include "ui/main/MainDlg.h"

#include <QtGui/QAction>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtGui/QWheelEvent>

#include "ui/main/Cursors.h"
#include "ui/main/PaintBox.h"

namespace quillon {

namespace {

// The event's position in device pixels, as the image has them.
TPoint PointOf(const QMouseEvent* Event, qreal Ratio)
{
    const QPoint p = (Event->position() * Ratio).toPoint();
    return TPoint{p.x(), p.y()};
}

TMouseButton ButtonOf(Qt::MouseButton Button)
{
    switch (Button) {
    case Qt::LeftButton:
        return TMouseButton::Left;
    case Qt::RightButton:
        return TMouseButton::Right;
    case Qt::MiddleButton:
        return TMouseButton::Middle;
    default:
        return TMouseButton::Other;
    }
}

// Only the left button, and no Shift, Ctrl or Alt.
bool OnlyLeftHeld(const QMouseEvent* Event)
{
    return Event->buttons() == Qt::LeftButton &&
           !(Event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier));
}

} // namespace

void TMainDialog::SetPaintBoxCursor(int Id)
{
    PaintBox->setCursor(Cursor(Id));
}

void TMainDialog::RestoreToolCursor()
{
    if (ToolMode() == tmCursor)
        SetPaintBoxCursor(crDefault);
    else if (ToolMode() == tmSelection)
        SetPaintBoxCursor(crCross);
}

void TMainDialog::PaintBoxMouseDown(QMouseEvent* Event)
{
    const TPoint p = PointOf(Event, PixelRatio());
    switch (MouseDown(FMouse, ButtonOf(Event->button()), p, ToolMode(), Selection().GetValid())) {
    case TPressResult::SelectionHitTest:
        SelectionMouseDown(p);
        break;
    case TPressResult::PopHistory:
        ActionPopHistory->trigger();
        break;
    case TPressResult::None:
        break;
    }
}

void TMainDialog::PaintBoxMouseMove(QMouseEvent* Event)
{
    const TPoint p = PointOf(Event, PixelRatio());
    JuliaPreviewFollow(p);
    const bool onlyLeft = OnlyLeftHeld(Event);
    switch (ToolMode()) {
    case tmNone:
        return;
    case tmCursor:
        if (ViewDragStarts(FMouse, p, onlyLeft)) {
            FMouse.DragAction = daMoveView;
            SetPaintBoxCursor(crMove);
        }
        return;
    case tmSelection:
        switch (FMouse.DragAction) {
        case daNone:
            if (Selection().GetValid()) {
                SelectionHover(p, onlyLeft);
            } else if (ViewDragStarts(FMouse, p, onlyLeft)) {
                FMouse.DragAction = daMoveView;
                SetPaintBoxCursor(crMove);
            }
            return;
        case daMoveView:
            // The view moves once, at the release.
            SetPaintBoxCursor(crMove);
            return;
        case daMoveSelection:
        case daAngle:
        case daSize:
            SelectionDrag(p, (Event->modifiers() & Qt::ControlModifier) != 0);
            return;
        }
    }
}

void TMainDialog::PaintBoxMouseUp(QMouseEvent* Event)
{
    const TPoint p = PointOf(Event, PixelRatio());
    switch (MouseUp(FMouse, ButtonOf(Event->button()), p, ToolMode())) {
    case TReleaseResult::RestoreCursor:
        RestoreToolCursor();
        break;
    case TReleaseResult::ZoomToTarget:
        RestoreToolCursor();
        ZoomToTarget();
        break;
    case TReleaseResult::Pan:
        RestoreToolCursor();
        PanTo(p);
        break;
    case TReleaseResult::PlaceSelection:
        PlaceSelection(p);
        break;
    case TReleaseResult::Nothing:
        if (ToolMode() == tmSelection)
            RestoreToolCursor();
        break;
    }
}

void TMainDialog::PaintBoxDblClick(QMouseEvent* Event)
{
    // Only the left button double-clicks; other buttons press again.
    if (Event->button() == Qt::LeftButton) {
        MouseDblClick(FMouse);
        // Qt reports the double-click in place of the second press; the zoom
        // takes the first press's point, and the press itself is ignored.
        MouseDown(FMouse, TMouseButton::Left, PointOf(Event, PixelRatio()), ToolMode(), Selection().GetValid());
        ZoomToTarget();
        return;
    }
    PaintBoxMouseDown(Event);
}

void TMainDialog::PanTo(const TPoint& P)
{
    const TPoint d{P.x - FMouse.DownPoint.x, P.y - FMouse.DownPoint.y};
    const TPoint2D dz = Processor().PxToLogMatrix.TransformDistance(d);
    if (DeepView()) {
        // At the centre's full precision.
        SetView(MoveView(View(), {-dz.x, -dz.y}));
        return;
    }
    TView view = View();
    view.Center = TPoint2D::Create(view.Center.x - dz.x, view.Center.y - dz.y);
    SetView(view);
}

bool TMainDialog::FormMouseWheel(QWheelEvent* Event)
{
    const QPoint angle = Event->angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    // Phase markers of a touch pad carry no turn at all.
    if (angle.isNull() && Event->pixelDelta().isNull())
        return true;
    // Shift: the view zooms about the plane point under the pointer.
    if ((Event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) == Qt::ShiftModifier) {
        const QPointF local = PaintBox->mapFromGlobal(Event->globalPosition()) * PixelRatio();
        ZoomAt(local.toPoint(), delta > 0 ? 0.8 : 1.25);
        return true;
    }
    if (Selection().GetValid()) {
        if (Event->modifiers() & Qt::ControlModifier)
            SetSelectionAngle(SnapAngle(Selection().Angle) + (delta > 0 ? SnapAngleStep : -SnapAngleStep));
        else if (delta > 0)
            ActionZoomSelectionOut->trigger();
        else
            ActionZoomSelectionIn->trigger();
        return true;
    }
    // A disabled command (while rendering) does nothing.
    if (delta > 0)
        ActionZoomIn->trigger();
    else
        ActionZoomOut->trigger();
    return true;
}

bool TMainDialog::FormKeyDown(QKeyEvent* Event)
{
    if (Event->key() != Qt::Key_Escape)
        return false;
    const TDragAction cancelled = CancelDrag(FMouse);
    if (cancelled == daNone)
        return false;
    UndoSelectionDrag(cancelled);
    SetPaintBoxCursor(crCross);
    if (ToolMode() == tmSelection)
        PaintBox->update();
    return true;
}

} // namespace quillon
