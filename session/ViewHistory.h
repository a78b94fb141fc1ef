#pragma once
// The views the user zoomed away from: an unbounded stack, oldest first.
#include <vector>

#include "engine/MandelbrotProcessor.h"

namespace quillon {

class TViewHistory {
public:
    // Grows the storage by one slot when it is full; never evicts.
    void Push(const TView& View);
    // The newest view, removed; false (View untouched) when empty.
    bool Pop(TView& View);
    // The second-oldest view (the target of the first zoom); false with fewer than two.
    bool Second(TView& View) const;
    // Forgets every view; the storage is kept.
    void Clear() { FCount = 0; }
    void Assign(const TViewHistory& Src);

    int Count() const { return FCount; }

private:
    std::vector<TView> FItems;
    int FCount = 0;
};

} // namespace quillon
