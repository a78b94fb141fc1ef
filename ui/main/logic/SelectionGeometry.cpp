#include "ui/main/logic/SelectionGeometry.h"

#include <algorithm>
#include <cmath>

#include "engine/NumberFns.h"

namespace quillon {

TSize GetSelectionSize(const TSize& image, double viewScale, double selectionScale)
{
    const double ratio = selectionScale / viewScale;
    return TSize{RoundToInt(image.Width * ratio), RoundToInt(image.Height * ratio)};
}

TCorners GetSelectionCorners(const TSize& size)
{
    const int w = size.Width;
    const int h = size.Height;
    return {{{-(w / 2), -(h / 2)}, {-(w / 2), h - h / 2}, {w - w / 2, h - h / 2}, {w - w / 2, -(h / 2)}}};
}

TSelectionPlacement TSelectionPlacement::Create(double selectionAngle, double viewAngle, const TPoint& centre)
{
    const double d = selectionAngle - viewAngle;
    return TSelectionPlacement{std::cos(d), std::sin(d), static_cast<double>(centre.x), static_cast<double>(centre.y)};
}

TPoint2D TSelectionPlacement::Map(const TPoint2D& f) const
{
    return {f.x * Cos + f.y * Sin + Cx, -f.x * Sin + f.y * Cos + Cy};
}

TPoint TSelectionPlacement::MapRounded(const TPoint& f) const
{
    const TPoint2D p = Map(TPoint2D{static_cast<double>(f.x), static_cast<double>(f.y)});
    return {RoundToInt(p.x), RoundToInt(p.y)};
}

TCorners PlaceCorners(const TCorners& corners, const TSelectionPlacement& placement)
{
    TCorners placed;
    for (std::size_t i = 0; i < corners.size(); ++i)
        placed[i] = placement.MapRounded(corners[i]);
    return placed;
}

bool SelectionCenterAt(const TPoint& centre, const TPoint& p)
{
    return WithinDistance(centre, p, ClickTolerance);
}

int SelectionCornerAt(const TCorners& placed, const TPoint& p)
{
    for (std::size_t i = 0; i < placed.size(); ++i)
        if (WithinDistance(placed[i], p, ClickTolerance))
            return static_cast<int>(i);
    return -1;
}

TDragAction SelectionDragAt(const TPoint& centre, const TCorners& placed, const TPoint& p)
{
    if (SelectionCenterAt(centre, p))
        return daMoveSelection;
    switch (SelectionCornerAt(placed, p)) {
    case 0:
    case 2:
        return daAngle;
    case 1:
    case 3:
        return daSize;
    default:
        return daNone;
    }
}

namespace {

float Length(const TPoint& v)
{
    return std::sqrt(static_cast<float>(v.x) * static_cast<float>(v.x) +
                     static_cast<float>(v.y) * static_cast<float>(v.y));
}

TPoint Minus(const TPoint& a, const TPoint& b)
{
    return {a.x - b.x, a.y - b.y};
}

} // namespace

double AngleBetween(const TPoint& a, const TPoint& b)
{
    const float r = Length(a) * Length(b);
    if (r == 0)
        return 0;
    const double dot = static_cast<double>(a.x) * b.x + static_cast<double>(a.y) * b.y;
    const double t = std::acos(std::clamp(dot / r, -1.0, 1.0));
    const double cross = static_cast<double>(a.x) * b.y - static_cast<double>(a.y) * b.x;
    return cross >= 0 ? -t : t;
}

double SnapAngle(double x)
{
    return static_cast<double>(RoundHalfEven(x / SnapAngleStep)) * SnapAngleStep;
}

std::optional<double> StretchScale(double downScale, const TPoint& c, const TPoint& down, const TPoint& p)
{
    if (c == down || c == p)
        return std::nullopt;
    return downScale * Length(Minus(c, p)) / Length(Minus(c, down));
}

const std::array<TArrow, 4>& ArrowPolygons()
{
    static const std::array<TArrow, 4> arrows = [] {
        const TArrow down = {{{-2, 4}, {-2, 8}, {-4, 8}, {0, 12}, {4, 8}, {2, 8}, {2, 4}}};
        std::array<TArrow, 4> result{};
        result[0] = down;
        // (x, y) -> (c x + s y, -s x + c y): right, up, left.
        const int turns[3][2] = {{0, 1}, {-1, 0}, {0, -1}};
        for (int k = 0; k < 3; ++k) {
            const int c = turns[k][0];
            const int s = turns[k][1];
            for (std::size_t i = 0; i < down.size(); ++i)
                result[k + 1][i] = {c * down[i].x + s * down[i].y, -s * down[i].x + c * down[i].y};
        }
        return result;
    }();
    return arrows;
}

std::array<TSegment, 4> CentreCross(const TCorners& corners)
{
    const TPoint m{(corners[0].x + corners[2].x) / 2, (corners[0].y + corners[2].y) / 2};
    return {{{{m.x - 8, m.y}, {m.x - 3, m.y}},
             {{m.x + 4, m.y}, {m.x + 9, m.y}},
             {{m.x, m.y - 8}, {m.x, m.y - 3}},
             {{m.x, m.y + 4}, {m.x, m.y + 9}}}};
}

bool IsSmallSelection(const TSize& size)
{
    return size.Width < 16 || size.Height < 16;
}

} // namespace quillon
