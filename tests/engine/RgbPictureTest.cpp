// The 24-bit picture in bands: any band height gives the same picture, and the
// processor is left as it was.
#include "engine/RgbPicture.h"

#include "engine/Errors.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace quillon;

namespace {

void RunAndWait(TProcessor& p)
{
    p.Start();
    while (p.Running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

} // namespace

TEST(RgbPicture, BandsOfAnyHeightGiveThePicture)
{
    TProcessor p;
    p.SetSmoothColors(true);
    p.SetView(TView::Create({-0.74, 0.12}, 0.004, 0.3));
    p.SetSize({23, 17});
    const TView view = p.View();
    int bands = 0;
    auto run = [&](int) {
        ++bands;
        RunAndWait(p);
    };
    const TRgbPicture whole = RenderRgbPicture(p, {23, 17}, 3, run);
    EXPECT_EQ(bands, 1);
    for (int budget : {1, 3 * 69, 5 * 3 * 69}) {
        bands = 0;
        const TRgbPicture banded = RenderRgbPicture(p, {23, 17}, 3, run, budget);
        EXPECT_EQ(banded.Pixels, whole.Pixels) << budget;
        EXPECT_EQ(bands, budget == 1 ? 17 : (budget == 3 * 69 ? 17 : 4)) << budget;
    }
    EXPECT_EQ(p.View(), view);
    EXPECT_EQ(p.Size(), (TSize{23, 17}));
    EXPECT_EQ(p.BandFirstLine(), 0);
    EXPECT_EQ(p.BandPictureHeight(), 0);
}

TEST(RgbPicture, AverageAndBadSampleCounts)
{
    const std::uint32_t colors[] = {0x000000, 0x0000FF, 0xFF00FF, 0x010203};
    // Per channel (sum + 2) / 4: red 515 / 4 = 128, green 4 / 4 = 1, blue 258 / 4 = 64.
    EXPECT_EQ(AverageColors(colors, 4), 0x400180u);
    EXPECT_EQ(AverageColors(colors, 1), 0x000000u);
    TProcessor p;
    for (int n : {0, 9}) {
        try {
            RenderRgbPicture(p, {4, 3}, n, [](int) {});
            ADD_FAILURE() << n;
        } catch (const EQuillonError& e) {
            EXPECT_STREQ(e.what(), "Invalid number of samples.");
        }
    }
}
