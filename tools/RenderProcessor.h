#pragma once
// The renderer's processor, which counts finished lines for the progress
// display, and its image as the writers take it.
#include "engine/MandelbrotProcessor.h"

#include <array>
#include <atomic>
#include <cstdint>

#include "imageio/IndexedImage.h"

namespace quillon {

// A processor that counts the lines its workers have finished, for progress.
class TRenderProcessor : public TProcessor {
public:
    ~TRenderProcessor() override;

    void ComputeLine(int y) override;
    int LinesDone() const { return FLinesDone.load(std::memory_order_relaxed); }
    void ResetLinesDone() { FLinesDone.store(0, std::memory_order_relaxed); }

private:
    std::atomic<int> FLinesDone{0};
};

// The processor's image with its color table as it stands, for the writers.
// Table receives the 256 entries in TColor form and must outlive the result.
// Only while no worker runs.
TIndexedImage IndexedImageOf(const TProcessor& processor, std::array<std::uint32_t, 256>& table);

} // namespace quillon
