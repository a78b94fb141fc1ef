#pragma once
// The views the user zoomed away from: an unbounded stack, oldest first; and
// the way forward again: the views Back left, newest last.
#include <vector>

#include "engine/MandelbrotProcessor.h"

namespace quillon {

class TViewHistory {
public:
    // Grows the storage by one slot when it is full; never evicts. A view
    // pushed is a new view: the way forward is gone.
    void Push(const TView& View);
    // The newest view, removed; false (View untouched) when empty. The way
    // forward is left as it is.
    bool Pop(TView& View);
    // The second-oldest view (the target of the first zoom); false with fewer than two.
    bool Second(TView& View) const;
    // Forgets every view, also those ahead; the storage is kept.
    void Clear()
    {
        FCount = 0;
        ClearForward();
    }
    void Assign(const TViewHistory& Src);

    int Count() const { return FCount; }

    // Steps back from Current: View is the newest view, removed, and Current
    // becomes the first way forward. False (nothing changes) when empty.
    bool Back(const TView& Current, TView& View);
    // Steps forward from Current to the view Back left last, and Current
    // goes onto the stack again. False (nothing changes) with no way forward.
    bool Forward(const TView& Current, TView& View);
    // Views ahead of the one Back or Forward arrived at.
    int ForwardCount() const { return static_cast<int>(FForward.size()); }
    void ClearForward() { FForward.clear(); }
    // Current is the view shown now: any other view than the one Back or
    // Forward arrived at is a new view, and the way forward is gone.
    void NoteView(const TView& Current);

private:
    std::vector<TView> FItems;
    int FCount = 0;
    std::vector<TView> FForward; // the next view last
    TView FArrived;              // where the last Back or Forward led
};

} // namespace quillon
