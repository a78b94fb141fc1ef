#include "session/ViewHistory.h"

namespace quillon {

void TViewHistory::Push(const TView& View)
{
    if (FCount == static_cast<int>(FItems.size()))
        FItems.resize(FItems.size() + 1);
    FItems[FCount] = View;
    ++FCount;
    ClearForward();
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
    FForward = Src.FForward;
    FArrived = Src.FArrived;
}

bool TViewHistory::Back(const TView& Current, TView& View)
{
    // A way forward from another view than the one shown now is stale.
    NoteView(Current);
    if (!Pop(View))
        return false;
    FForward.push_back(Current);
    FArrived = View;
    return true;
}

bool TViewHistory::Forward(const TView& Current, TView& View)
{
    NoteView(Current);
    if (FForward.empty())
        return false;
    View = FForward.back();
    FForward.pop_back();
    // Not Push: that would end the way forward.
    if (FCount == static_cast<int>(FItems.size()))
        FItems.resize(FItems.size() + 1);
    FItems[FCount] = Current;
    ++FCount;
    FArrived = View;
    return true;
}

void TViewHistory::NoteView(const TView& Current)
{
    if (!FForward.empty() && !(Current == FArrived))
        ClearForward();
}

} // namespace quillon
