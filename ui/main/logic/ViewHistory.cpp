#include "ui/main/logic/ViewHistory.h"

namespace quillon {

void TViewHistory::Push(const TView& View)
{
    if (FCount == static_cast<int>(FItems.size()))
        FItems.resize(FItems.size() + 1);
    FItems[FCount] = View;
    ++FCount;
}

bool TViewHistory::Pop(TView& View)
{
    if (FCount <= 0)
        return false;
    --FCount;
    View = FItems[FCount];
    return true;
}

bool TViewHistory::Second(TView& View) const
{
    if (FCount <= 1)
        return false;
    View = FItems[1];
    return true;
}

void TViewHistory::Assign(const TViewHistory& Src)
{
    FItems = Src.FItems;
    FCount = Src.FCount;
}

TView HomeView(TAlgorithm Algorithm)
{
    if (Algorithm == alJulia)
        return TView::Create(TPoint2D::Create(0.0, 0.0), 0.00625, 0);
    return TView::Create(TPoint2D::Create(-0.6, 0.0), 0.00625, 0);
}

} // namespace quillon
