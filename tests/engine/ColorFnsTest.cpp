#include "engine/ColorFns.h"
#include "engine/ColorModelFns.h"
#include "engine/Errors.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace quillon;

TEST(ColorFns, SwapRedBlueKeepsGreenAndTopByte)
{
    EXPECT_EQ(SwapRedBlue(0x00112233u), 0x00332211u);
    EXPECT_EQ(SwapRedBlue(0x7F112233u), 0x7F332211u);
}

TEST(ColorFns, BlendColorRoundsHalvesToEvenAndClampsT)
{
    EXPECT_EQ(GetRValue(BlendColor(clBlack, clRed, 0.25f)), 64);
    EXPECT_EQ(GetRValue(BlendColor(clBlack, clRed, 0.5f)), 128);
    EXPECT_EQ(GetRValue(BlendColor(clBlack, clRed, 0.75f)), 191);
    EXPECT_EQ(BlendColor(clBlack, clRed, 0.0f), clBlack);
    EXPECT_EQ(BlendColor(clBlack, clRed, std::nanf("")), clBlack);
    EXPECT_EQ(BlendColor(clBlack, clRed, 1.5f), clRed);
    EXPECT_EQ(BlendColor(clWhite, clBlack, 0.5f), 0x808080u);  // 127.5 -> 128
    EXPECT_EQ(BlendColor(0x01000000u | clBlack, clRed, 0.5f) >> 24, 0u);
    // Ties go to the even value, not away from zero: 126.5 -> 126, 2.5 -> 2.
    EXPECT_EQ(GetRValue(BlendColor(clBlack, RGB(253, 0, 0), 0.5f)), 126);
    EXPECT_EQ(GetGValue(BlendColor(RGB(0, 5, 0), clBlack, 0.5f)), 2);
    // The blend is narrowed to single precision before rounding: 1/6 of 3 in
    // single precision is 0.50000001, which is the tie 0.5 as a float.
    EXPECT_EQ(GetRValue(BlendColor(clBlack, RGB(3, 0, 0), 1.0f / 6.0f)), 0);
    EXPECT_EQ(GetRValue(BlendColor(clBlack, RGB(15, 0, 0), 1.0f / 6.0f)), 2);
}

TEST(ColorModelFns, HslConversions)
{
    auto blue = ColorToHSL(clBlue);
    EXPECT_FLOAT_EQ(blue[0], 2.0f / 3);
    EXPECT_FLOAT_EQ(blue[1], 1.0f);
    EXPECT_FLOAT_EQ(blue[2], 0.5f);
    auto gray = ColorToHSL(0x808080);
    EXPECT_EQ(gray[0], 0.0f);
    EXPECT_EQ(gray[1], 0.0f);
    EXPECT_EQ(HSLToColor({0.0f, 1.0f, 0.5f}), clRed);
    for (TColor c : {clRed, clLime, clBlue, clWhite, clBlack, TColor(0x123456), TColor(0xC0FFEE)})
        EXPECT_EQ(HSLToColor(ColorToHSL(c)), c) << std::hex << c;
}

TEST(ColorFns, FormatCustomColor)
{
    EXPECT_EQ(FormatCustomColor(0, clBlue), "ColorA=00FF0000");
    EXPECT_EQ(FormatCustomColor(15, clRed), "ColorP=000000FF");
    for (int bad : {-1, 16}) {
        try {
            FormatCustomColor(bad, clRed);
            FAIL();
        } catch (const ERangeError& e) {
            EXPECT_STREQ(e.what(), "CustomColor index out of range.");
        }
    }
}
