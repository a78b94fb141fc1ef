#include "session/ViewHistory.h"

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

} // namespace quillon
