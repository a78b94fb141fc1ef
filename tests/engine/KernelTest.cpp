// The escape-time kernel: counts, interior values and palette indices.
#include "EngineTestUtil.h"

#include <cmath>
#include <limits>

using namespace quillon;
using namespace quillon::test;

namespace {

// Takes the snapshot of the current settings by rendering a single pixel.
void Snapshot(TProcessor& p)
{
    p.SetSize({1, 1});
    ASSERT_TRUE(Render(p));
}

int Count(TPoint2D z, TPoint2D c, int maxSteps = 50, double absMax2 = 4)
{
    double r2 = -1;
    return TProcessor::EscapeCount(z.x, z.y, c.x, c.y, maxSteps, absMax2, r2);
}

} // namespace

TEST(Kernel, MandelbrotIndicesWithDefaultSettings)
{
    TProcessor p;
    Snapshot(p);
    struct Row { TPoint2D c; int count; std::int64_t index; };
    for (const Row& r : {Row{{-2, 0}, 1, 2}, Row{{2, 0}, 1, 2}, Row{{1, 0}, 2, 3}, Row{{-0.75, 0.1}, 33, 34},
                         Row{{-1, 0}, 0, 0}, Row{{0, 0}, 0, 0}, Row{{0.25, 0}, 0, 0}}) {
        EXPECT_EQ(Count(r.c, r.c), r.count) << r.c.x << "," << r.c.y;
        EXPECT_EQ(p.IterateMandelbrot(r.c), r.index) << r.c.x << "," << r.c.y;
    }
}

TEST(Kernel, InteriorColoringFromTheFinalMagnitude)
{
    TProcessor p;
    p.SetOptions({poInterior});
    Snapshot(p);
    EXPECT_EQ(p.IterateMandelbrot({0, 0}), 1);      // v = 0
    EXPECT_EQ(p.IterateMandelbrot({0.25, 0}), 49);  // |z| about 0.482 after 49 steps: v = 48
    EXPECT_EQ(p.IterateMandelbrot({-0.75, 0.1}), 34);  // escaping points are unaffected

    double r2 = 0;
    ASSERT_EQ(TProcessor::EscapeCount(0.25, 0, 0.25, 0, 50, 4, r2), 0);
    EXPECT_NEAR(std::sqrt(r2), 0.482, 0.001);
    EXPECT_EQ(TProcessor::InteriorValue(r2, 100, 256), 48);

    // The value is taken modulo the palette length, keeping the dividend's sign.
    EXPECT_EQ(TProcessor::InteriorValue(r2, 1000, 256), 482 % 256);
    EXPECT_EQ(TProcessor::InteriorValue(r2, -100, 256), -48);
    EXPECT_EQ(TProcessor::InteriorValue(6.25, 1, 256), 2);  // 2.5 rounds to 2
    EXPECT_EQ(TProcessor::InteriorValue(12.25, 1, 256), 4); // 3.5 rounds to 4
}

TEST(Kernel, InteriorValueBeyondSixtyFourBitsAndNonFinite)
{
    // 2^8 = 1 (mod 255), so 2^k mod 255 = 2^(k mod 8).
    const double two63 = 9223372036854775808.0;
    EXPECT_EQ(TProcessor::InteriorValue(1, two63 - 1024, 255), 124);  // fits: (2^63 - 1024) mod 255
    EXPECT_EQ(TProcessor::InteriorValue(1, two63, 255), 128);
    EXPECT_EQ(TProcessor::InteriorValue(1, two63 * 2, 255), 1);
    EXPECT_EQ(TProcessor::InteriorValue(1, -two63 * 2, 255), -1);
    EXPECT_EQ(TProcessor::InteriorValue(1, -two63, 255), -128);
    EXPECT_EQ(TProcessor::InteriorValue(0.25, 1e300, 256), static_cast<std::int64_t>(std::fmod(0.5e300, 256.0)));
    EXPECT_FALSE(TProcessor::InteriorValue(std::nan(""), 100, 256));
    EXPECT_FALSE(TProcessor::InteriorValue(1, std::numeric_limits<double>::infinity(), 256));
}

TEST(Kernel, NaNMagnitudeNeverEscapesAndStaysUncolored)
{
    const double nan = std::nan("");
    double r2 = 0;
    EXPECT_EQ(TProcessor::EscapeCount(nan, 0, nan, 0, 50, 4, r2), 0);
    EXPECT_TRUE(std::isnan(r2));

    TProcessor p;
    p.SetOptions({poInterior, poColorWrapping});
    p.SetSize({8, 4});
    p.SetView(TView::Create({nan, 0}, 0.01, 0));
    ASSERT_TRUE(Render(p));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(p.Bitmap().GetBuffer(x, y), 0) << x << "," << y;
}

TEST(Kernel, OverflowingMagnitudeEscapes)
{
    // MaxAbs 1e300: the squared radius is infinite; only an infinite magnitude reaches it.
    const double inf2 = 1e300 * 1e300;
    const int n = Count({2, 0}, {2, 0}, 50, inf2);
    EXPECT_GT(n, 2);
    EXPECT_LT(n, 50);
}

TEST(Kernel, StepLimitOfOneOrLessMakesExactlyOneTest)
{
    for (int maxSteps : {1, 0, -7}) {
        EXPECT_EQ(Count({1.9, 0}, {1.9, 0}, maxSteps), 0) << maxSteps;
        EXPECT_EQ(Count({0, 0}, {0, 0}, maxSteps), 0) << maxSteps;
        EXPECT_EQ(Count({2, 0}, {2, 0}, maxSteps), 1) << maxSteps;
        EXPECT_EQ(Count({-3, 1}, {-3, 1}, maxSteps), 1) << maxSteps;
    }
}

TEST(Kernel, JuliaIteration)
{
    EXPECT_EQ(Count({0.5, 0.5}, {0, 0}), 0);
    EXPECT_EQ(Count({0.99, 0}, {0, 0}), 0);
    EXPECT_EQ(Count({2, 0}, {0, 0}), 1);
    EXPECT_EQ(Count({0, -3}, {0, 0}), 1);
    EXPECT_EQ(Count({1.5, 0}, {0, 0}), 2);

    TProcessor p;
    p.SetAlgorithm(alJulia);
    Snapshot(p);
    EXPECT_EQ(p.IterateJulia({1.5, 0}), 3);
    EXPECT_EQ(p.IterateJulia({0.5, 0}), 0);
    p.SetJuliaPoint({-0.75, 0.1});
    EXPECT_EQ(p.IterateJulia({-0.75, 0.1}), 34);  // same orbit as the Mandelbrot point
}

TEST(Kernel, IndexFromCountWithOffsetAndWrapping)
{
    struct Row { std::int64_t n; int offset; bool wrap; std::int64_t index; };
    for (const Row& r : {Row{245, 10, true, 1}, Row{244, 10, true, 255}, Row{1, 0, true, 2}, Row{254, 0, true, 255},
                         Row{255, 0, true, 1}, Row{1, 0, false, 2}, Row{254, 0, false, 255}, Row{253, 0, false, 254},
                         Row{244, 10, false, 255}, Row{243, 10, false, 254}, Row{100000, 3, false, 255}}) {
        EXPECT_EQ(TProcessor::CountToIndex(r.n, r.offset, 255, r.wrap), r.index)
            << r.n << " offset " << r.offset << (r.wrap ? " wrapping" : "");
    }
    // Two colors: every count gets index 1.
    for (std::int64_t n : {1, 2, 3, 50})
        for (bool wrap : {false, true}) EXPECT_EQ(TProcessor::CountToIndex(n, 0, 1, wrap), 1);
}

TEST(Kernel, ProcessorUsesTheLiveColorOffset)
{
    TProcessor p;
    p.SetOptions({poColorWrapping});
    Snapshot(p);
    EXPECT_EQ(p.IterateMandelbrot({-0.75, 0.1}), 34);
    p.SetColorOffset(230);
    EXPECT_EQ(p.IterateMandelbrot({-0.75, 0.1}), (230 + 33) % 255 + 1);
}
