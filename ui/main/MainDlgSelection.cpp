// The selection rectangle: hit tests, drags by its handles, placing by
// click, resizing and turning, deleting, and its overlay on the image.
#include "ui/main/MainDlg.h"

#include <QtGui/QPainter>
#include <QtGui/QPolygon>
#include <QtGui/QTransform>

#include "ui/main/Cursors.h"
#include "ui/main/PaintBox.h"

namespace quillon {

namespace {

QPoint Q(const TPoint& p)
{
    return QPoint(p.x, p.y);
}

// The zoom factor of one wheel step on the selection.
constexpr double SelectionZoomStep = 1.15;

} // namespace

TSize TMainDialog::GetSelectionSize() const
{
    return quillon::GetSelectionSize(Size(), View().Scale, Selection().Scale);
}

TCorners TMainDialog::GetSelectionCorners() const
{
    return PlaceCorners(quillon::GetSelectionCorners(GetSelectionSize()), SelectionPlacement());
}

TSelectionPlacement TMainDialog::SelectionPlacement() const
{
    return TSelectionPlacement::Create(Selection().Angle, View().Angle, SelectionCentrePixel());
}

TPoint TMainDialog::SelectionCentrePixel() const
{
    const QPoint c = ViewCenterToPaintBox(Selection());
    return TPoint{c.x(), c.y()};
}

void TMainDialog::SelectionMouseDown(const TPoint& P)
{
    const TDragAction drag = SelectionDragAt(SelectionCentrePixel(), GetSelectionCorners(), P);
    switch (drag) {
    case daMoveSelection:
        FDownCenter = Selection().PreciseCenter();
        break;
    case daAngle:
        FDownAngle = Selection().Angle;
        break;
    case daSize:
        FDownScale = Selection().Scale;
        break;
    default:
        return; // a view drag may start later
    }
    FMouse.DragAction = drag;
}

void TMainDialog::SelectionHover(const TPoint& P, bool OnlyLeftHeld)
{
    switch (SelectionDragAt(SelectionCentrePixel(), GetSelectionCorners(), P)) {
    case daMoveSelection:
        SetPaintBoxCursor(crMove);
        return;
    case daAngle:
        SetPaintBoxCursor(crTurn);
        return;
    case daSize:
        SetPaintBoxCursor(crStretch);
        return;
    default:
        break;
    }
    if (ViewDragStarts(FMouse, P, OnlyLeftHeld)) {
        FMouse.DragAction = daMoveView;
        SetPaintBoxCursor(crMove);
    } else {
        SetPaintBoxCursor(crCross);
    }
}

void TMainDialog::SelectionDrag(const TPoint& P, bool Ctrl)
{
    const TPoint c = SelectionCentrePixel();
    TView selection = Selection();
    switch (FMouse.DragAction) {
    case daMoveSelection:
        SetPaintBoxCursor(crMove);
        selection.SetPreciseCenter(PaintBoxToPrecise(Q(P)));
        break;
    case daAngle: {
        SetPaintBoxCursor(crTurn);
        const TPoint& down = FMouse.DownPoint;
        double angle = AngleBetween(TPoint{c.x - down.x, c.y - down.y}, TPoint{c.x - P.x, c.y - P.y}) + FDownAngle;
        if (Ctrl)
            angle = SnapAngle(angle);
        selection.Angle = angle;
        break;
    }
    case daSize:
        SetPaintBoxCursor(crStretch);
        if (const auto scale = StretchScale(FDownScale, c, FMouse.DownPoint, P))
            selection.Scale = *scale;
        break;
    default:
        return;
    }
    SetSelection(selection);
}

void TMainDialog::UndoSelectionDrag(TDragAction Cancelled)
{
    TView selection = Selection();
    switch (Cancelled) {
    case daMoveSelection:
        selection.SetPreciseCenter(FDownCenter);
        break;
    case daAngle:
        selection.Angle = FDownAngle;
        break;
    case daSize:
        selection.Scale = FDownScale;
        break;
    default:
        return; // a view drag has not moved anything yet
    }
    SetSelection(selection);
}

void TMainDialog::PlaceSelection(const TPoint& P)
{
    SetSelection(GetClickView(Q(P)));
    SetPaintBoxCursor(crMove);
}

void TMainDialog::ActionSelectionDeleteExecute()
{
    FSession->DeleteSelection();
}

void TMainDialog::ActionZoomSelectionInExecute()
{
    FSession->ScaleSelection(SelectionZoomStep);
}

void TMainDialog::ActionZoomSelectionOutExecute()
{
    FSession->UnscaleSelection(SelectionZoomStep);
}

void TMainDialog::DrawSelection(QPainter& Painter)
{
    if (ToolMode() != tmSelection || !Selection().GetValid())
        return;
    const TSize size = GetSelectionSize();
    const bool small = IsSmallSelection(size);
    const TCorners k = quillon::GetSelectionCorners(size);
    const TSelectionPlacement placement = SelectionPlacement();

    Painter.save();
    Painter.setRenderHint(QPainter::Antialiasing, false);
    // Coordinates below are in the selection's own frame.
    Painter.setWorldTransform(
        QTransform(placement.Cos, -placement.Sin, placement.Sin, placement.Cos, placement.Cx, placement.Cy));
    // A white pen in exclusive-or inverts what lies below.
    Painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    Painter.setPen(QPen(Qt::white, 1));
    Painter.setBrush(Qt::NoBrush);
    for (const TSegment& s : CentreCross(k))
        Painter.drawLine(Q(s.A), Q(s.B));
    Painter.drawLine(Q(k[0]), Q(k[1]));
    // The bottom side becomes the bottom of the image after zooming in.
    if (!small)
        Painter.setPen(QPen(Qt::white, 3));
    Painter.drawLine(Q(k[1]), Q(k[2]));
    Painter.setPen(QPen(Qt::white, 1));
    Painter.drawLine(Q(k[2]), Q(k[3]));
    Painter.drawLine(Q(k[3]), Q(k[0]));

    if (!small) {
        Painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        Painter.setBrush(QColor(0xFF, 0, 0));
        // Turn handles round, stretch handles square.
        for (int i : {0, 2})
            Painter.drawEllipse(Q(k[static_cast<std::size_t>(i)]), 5, 5);
        for (int i : {1, 3}) {
            const QPoint p = Q(k[static_cast<std::size_t>(i)]);
            Painter.drawRect(QRect(p - QPoint(4, 4), p + QPoint(4, 4)).adjusted(0, 0, -1, -1));
        }
    }
    for (const TArrow& arrow : ArrowPolygons()) {
        QPolygon polygon;
        for (const TPoint& p : arrow)
            polygon << Q(p);
        Painter.drawPolygon(polygon);
    }
    Painter.restore();
}

} // namespace quillon
