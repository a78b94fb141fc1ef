// The 8-bit palettised image: layout, bounds, color table.
#include "engine/Errors.h"
#include "engine/PalBmp.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace quillon;

namespace {

std::vector<TColor> Ramp(int n)
{
    std::vector<TColor> colors(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) colors[static_cast<std::size_t>(i)] = RGB(i, 255 - i, i / 2);
    return colors;
}

std::string ColorsError(TPaletteBitmap& bmp, int n)
{
    try {
        bmp.SetColors(std::vector<TColor>(static_cast<std::size_t>(n), clRed));
    } catch (const EQuillonError& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace

TEST(PalBmp, StartsEmptyWithTheStandardSixteenColors)
{
    TPaletteBitmap bmp;
    EXPECT_EQ(bmp.Size(), (TSize{0, 0}));
    EXPECT_EQ(bmp.ColorCount(), 16);
    const auto colors = bmp.Colors();
    ASSERT_EQ(colors.size(), 16u);
    EXPECT_EQ(colors[0], clBlack);
    EXPECT_EQ(colors[12], clBlue);
    EXPECT_EQ(colors[15], clWhite);
}

TEST(PalBmp, ColorCountLimits)
{
    TPaletteBitmap bmp;
    const auto before = bmp.ColorTable();
    EXPECT_EQ(ColorsError(bmp, 0), "Invalid number of colors (up to 256).");
    EXPECT_EQ(ColorsError(bmp, 257), "Invalid number of colors (up to 256).");
    EXPECT_EQ(bmp.ColorCount(), 16);
    EXPECT_EQ(bmp.ColorTable(), before);

    bmp.SetColors(Ramp(256));
    EXPECT_EQ(bmp.ColorCount(), 256);
    EXPECT_EQ(bmp.Colors(), Ramp(256));

    // Entries beyond the new count keep their values.
    bmp.SetColors({clWhite, clBlue});
    EXPECT_EQ(bmp.ColorCount(), 2);
    EXPECT_EQ(bmp.Colors(), (std::vector<TColor>{clWhite, clBlue}));
    EXPECT_EQ(bmp.ColorTable()[2], SwapRedBlue(Ramp(256)[2]));
    // Table form: blue in the low byte.
    EXPECT_EQ(bmp.ColorTable()[1], 0x0000FFu);
}

TEST(PalBmp, SizeChangeKeepsTheColorTableAndRoundsTheStride)
{
    TPaletteBitmap bmp;
    bmp.SetSize(10, 10);
    bmp.SetColors(Ramp(40));
    bmp.SetSize(401, 3);
    EXPECT_EQ(bmp.BytesPerLine(), 404);
    EXPECT_EQ(bmp.ColorCount(), 40);
    EXPECT_EQ(bmp.Colors(), Ramp(40));

    for (int w : {1, 2, 3, 4, 5, 8}) {
        bmp.SetSize(w, 1);
        EXPECT_EQ(bmp.BytesPerLine(), (w + 3) / 4 * 4) << w;
    }
}

TEST(PalBmp, InvalidSizeIsRefusedAndKeepsTheOldSize)
{
    TPaletteBitmap bmp;
    bmp.SetSize(TSize{20, 10});
    for (TSize bad : {TSize{0, 10}, TSize{20, 0}, TSize{-1, 5}}) {
        try {
            bmp.SetSize(bad);
            ADD_FAILURE() << "accepted " << bad.Width << "x" << bad.Height;
        } catch (const EQuillonError& e) {
            EXPECT_STREQ(e.what(), "Invalid size.");
        }
        EXPECT_EQ(bmp.Size(), (TSize{20, 10}));
    }
}

TEST(PalBmp, PixelsAreStoredBottomUpAndWritesOutsideAreIgnored)
{
    TPaletteBitmap bmp;
    bmp.SetSize(5, 3);
    bmp.SetBuffer(0, 0, 7);     // top-left
    bmp.SetBuffer(4, 2, 9);     // bottom-right
    bmp.SetBuffer(1, 1, 257);   // low 8 bits
    for (auto [x, y] : {std::pair{-1, 0}, std::pair{5, 0}, std::pair{0, -1}, std::pair{0, 3}})
        bmp.SetBuffer(x, y, 99);

    const std::uint8_t* mem = bmp.Buffer();
    const int stride = bmp.BytesPerLine();
    EXPECT_EQ(mem[2 * stride + 0], 7);
    EXPECT_EQ(mem[0 * stride + 4], 9);
    EXPECT_EQ(mem[1 * stride + 1], 1);
    EXPECT_EQ(bmp.GetBuffer(1, 1), 1);
    EXPECT_EQ(bmp.GetBuffer(5, 0), 0);
    const int sum = std::accumulate(mem, mem + stride * 3, 0);
    EXPECT_EQ(sum, 7 + 9 + 1);  // nothing else written, padding included

    TSize size;
    const auto copy = bmp.CopyPixels(&size);
    EXPECT_EQ(size, (TSize{5, 3}));
    EXPECT_EQ(copy, std::vector<std::uint8_t>(mem, mem + stride * 3));

    std::vector<std::uint8_t> topDown(5 * 3, 0xEE);
    bmp.CopyPixels(topDown.data(), 5, true);
    EXPECT_EQ(topDown[0], 7);
    EXPECT_EQ(topDown[2 * 5 + 4], 9);
    EXPECT_EQ(topDown[1 * 5 + 1], 1);
}
