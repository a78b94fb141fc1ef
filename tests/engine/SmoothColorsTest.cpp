// Smooth colors: the continuous value, its code, the palette steps, the blend,
// and the processor's codes beside the unchanged index image.
#include "EngineTestUtil.h"

#include "engine/SmoothColors.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

using namespace quillon;
using namespace quillon::test;

namespace {

std::vector<std::uint8_t> Indices(const TProcessor& p)
{
    TSize size;
    auto pixels = p.Bitmap().CopyPixels(&size);
    return pixels;
}

std::vector<std::uint32_t> SmoothPixels(const TProcessor& p)
{
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(p.Width()) * static_cast<std::size_t>(p.Height()));
    p.CopySmoothPixels(pixels.data(), p.Width(), 0, p.Height());
    return pixels;
}

} // namespace

TEST(SmoothColors, CodeOfValue)
{
    struct Row { double v; int n; std::uint16_t code; };
    const double nan = std::nan("");
    for (const Row& r : {Row{5.0, 5, 16384}, Row{5.5, 5, 16384 + 8192}, Row{4.25, 5, 4096}, Row{6.75, 5, 32768 + 12288},
                         Row{3.9, 5, 0}, Row{-100, 5, 0}, Row{7.0, 5, 49151}, Row{1e300, 5, 49151},
                         Row{-INFINITY, 5, 0}, Row{nan, 5, SmoothCodeAtCount},
                         // half a step rounds up
                         Row{5 + 0.5 / 16384, 5, 16385}, Row{5 - 0.5 / 16384, 5, 16384}}) {
        EXPECT_EQ(SmoothCodeOf(r.v, r.n), r.code) << r.v << " " << r.n;
    }
}

TEST(SmoothColors, PaletteStepsFollowTheIndexRules)
{
    // Index of count n + d from the index of count n, for every offset: the same
    // as the rule that made the index.
    for (bool wrapping : {false, true})
        for (int top : {1, 2, 7, 255})
            for (int offset : {0, 1, top - 1})
                for (int n = 1; n < 3 * top + 3; ++n)
                    for (int d : {-1, 0, 1, 2}) {
                        const int i = static_cast<int>(TProcessor::CountToIndex(n, offset, top, wrapping));
                        const int expected = static_cast<int>(TProcessor::CountToIndex(n + d, offset, top, wrapping));
                        // Without wrapping, counts past the top all show the top entry and
                        // the processor gives them no blend; below it the rule holds.
                        if (!wrapping && offset + n + 1 > top) continue;
                        EXPECT_EQ(StepPaletteIndex(i, d, top, wrapping), expected)
                            << wrapping << " top " << top << " offset " << offset << " n " << n << " d " << d;
                    }
    EXPECT_EQ(StepPaletteIndex(0, 1, 255, true), 0);  // the interior entry stays
    EXPECT_EQ(StepPaletteIndex(9, 1, 7, false), 9);   // beyond the palette
}

TEST(SmoothColors, BlendPerChannelRoundsHalfUp)
{
    struct Row { std::uint32_t lo, hi; int w; std::uint32_t result; };
    for (const Row& r : {Row{0x000000, 0xFFFFFF, 0, 0x000000}, Row{0x000000, 0xFFFFFF, 16384, 0xFFFFFF},
                         Row{0x000000, 0xFF0001, 8192, 0x800001},  // 127.5 -> 128, 0.5 -> 1
                         Row{0x0000FF, 0x000000, 8192, 0x000080},  // falling: 255 - 127.5 -> 128 (floor(-127.5 + .5))
                         Row{0x102030, 0x403020, 4096, 0x1C242C},
                         Row{0x00FF00, 0x00FE00, 8191, 0x00FF00}, Row{0x00FF00, 0x00FE00, 8193, 0x00FE00}}) {
        EXPECT_EQ(BlendTableColors(r.lo, r.hi, r.w), r.result) << std::hex << r.lo << " " << r.hi << " " << std::dec << r.w;
    }
    std::array<std::uint32_t, 256> table{};
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint32_t>(i * 0x010101);
    const TSmoothPalette palette(table, 9, true);
    EXPECT_EQ(palette.Color(4, NoSmoothCode), 0xFF040404u);
    EXPECT_EQ(palette.Color(4, SmoothCodeAtCount), 0xFF040404u);
    EXPECT_EQ(palette.Color(4, 0), 0xFF030303u);                       // one count lower
    EXPECT_EQ(palette.Color(9, 2 * 16384 + 8192), 0xFF020202u); // two counts up wraps to 1 and 2: 1.5 rounds up
    EXPECT_EQ(palette.Color(1, 4096), 0xFF070707u);             // below entry 1 lies the top entry: 9 - 8/4
}

TEST(SmoothColors, PaletteColorIsTheBlendOfItsTwoEntriesForEveryCode)
{
    // The packed arithmetic of the palette against the per-channel definition,
    // for every index and code, on a table with rising and falling channels.
    std::array<std::uint32_t, 256> table{};
    std::uint32_t seed = 12345;
    for (auto& color : table) {
        seed = seed * 1664525u + 1013904223u;
        color = seed >> 8;
    }
    table[7] = 0xFFFFFF;
    table[8] = 0x000000;
    for (const bool wrapping : {false, true}) {
        const int top = wrapping ? 200 : 255;
        const TSmoothPalette palette(table, top, wrapping);
        for (int index = 0; index < 256; ++index)
            for (int code = 0; code < 3 * SmoothWeightOne; ++code) {
                const int step = code >> SmoothWeightBits;
                const std::uint32_t lo = table[static_cast<std::size_t>(StepPaletteIndex(index, step - 1, top, wrapping))];
                const std::uint32_t hi = table[static_cast<std::size_t>(StepPaletteIndex(index, step, top, wrapping))];
                const std::uint32_t want = 0xFF000000u | BlendTableColors(lo & 0xFFFFFF, hi & 0xFFFFFF, code & (SmoothWeightOne - 1));
                const std::uint32_t got = palette.Color(static_cast<std::uint8_t>(index), static_cast<std::uint16_t>(code));
                if (got != want) {
                    ADD_FAILURE() << "index " << index << " code " << code << std::hex << ": " << got << " vs " << want;
                    return;
                }
            }
        for (const std::uint16_t code : {NoSmoothCode, std::uint16_t{3 * SmoothWeightOne}})
            EXPECT_EQ(palette.Color(7, code), 0xFFFFFFFFu);
    }
}

TEST(SmoothColors, ValueIsContinuousAcrossBands)
{
    // Along a line through the bands, the value changes by little between
    // neighbouring points, also where the count changes, and stays within a
    // step of the count.
    const double absMax2 = 4;
    double previous = std::nan("");
    int crossings = 0;
    int previousCount = 0;
    for (int k = 0; k <= 20000; ++k) {
        const double cx = -2.5 + k * 2e-4;
        const double cy = 1.2;
        double r2 = 0;
        const int n = TProcessor::EscapeCount(cx, cy, cx, cy, 1000, absMax2, r2);
        if (n == 0) continue;
        // The escaping z: the orbit once more, n - 1 steps.
        double x = cx, y = cy;
        for (int i = 1; i < n; ++i) {
            const double xx = x * x, yy = y * y;
            y = 2 * x * y + cy;
            x = (xx - yy) + cx;
        }
        const double v = SmoothEscapeValue(n, x, y, cx, cy, absMax2);
        EXPECT_GT(v, n - 1.0);
        EXPECT_LT(v, n + 2.0);
        if (!std::isnan(previous)) {
            EXPECT_NEAR(v, previous, 0.05) << cx;
            if (n != previousCount) ++crossings;
        }
        previous = v;
        previousCount = n;
    }
    EXPECT_GE(crossings, 3);
    EXPECT_TRUE(std::isnan(SmoothEscapeValue(3, 2, 0, 0, 0, 1.0)));
    EXPECT_TRUE(std::isnan(SmoothEscapeValue(3, 2, 0, 0, 0, INFINITY)));
    EXPECT_TRUE(std::isnan(SmoothEscapeValue(3, 2, 0, 0, 0, std::nan(""))));
}

class SmoothProcessor : public ::testing::TestWithParam<TKernel> {};

TEST_P(SmoothProcessor, IndexImageUnchangedAndInteriorKeepsItsColor)
{
    for (bool interior : {false, true}) {
        TProcessor p;
        p.SetKernel(GetParam());
        p.SetSize({160, 120});
        if (interior) p.SetOptions({poInterior, poColorWrapping});
        ASSERT_TRUE(Render(p));
        EXPECT_FALSE(p.HasSmoothCodes());
        const auto plain = Indices(p);
        const auto plainColors = SmoothPixels(p); // palette colors without codes

        p.SetSmoothColors(true);
        ASSERT_TRUE(Render(p));
        ASSERT_TRUE(p.HasSmoothCodes());
        EXPECT_EQ(Indices(p), plain);
        const auto smooth = SmoothPixels(p);
        const auto table = p.Bitmap().ColorTable();
        std::set<std::uint32_t> distinct;
        for (int y = 0; y < p.Height(); ++y)
            for (int x = 0; x < p.Width(); ++x) {
                const std::size_t k = static_cast<std::size_t>(y) * static_cast<std::size_t>(p.Width()) + static_cast<std::size_t>(x);
                const std::uint16_t code = p.SmoothCode(x, y);
                distinct.insert(smooth[k]);
                double r2 = 0;
                const TPoint2D c = p.PixelToLog({x, y});
                if (TProcessor::EscapeCount(c.x, c.y, c.x, c.y, p.MaxSteps(), 4, r2) == 0) {
                    EXPECT_EQ(code, NoSmoothCode);
                    EXPECT_EQ(smooth[k], 0xFF000000u | table[p.Bitmap().GetBuffer(x, y)]);
                    EXPECT_EQ(smooth[k], plainColors[k]);
                } else {
                    EXPECT_NE(code, NoSmoothCode);
                }
            }
        // Bands become gradients: more colors than palette entries in use.
        const std::set<std::uint32_t> plainDistinct(plainColors.begin(), plainColors.end());
        EXPECT_GT(distinct.size(), 2 * plainDistinct.size());

        p.SetSmoothColors(false);
        ASSERT_TRUE(Render(p));
        EXPECT_FALSE(p.HasSmoothCodes());
        EXPECT_EQ(SmoothPixels(p), plainColors);
    }
}

TEST_P(SmoothProcessor, BandsEqualTheLinesOfTheWholePicture)
{
    for (TAlgorithm algorithm : {alMandelbrot, alJulia}) {
        TProcessor whole;
        // The same processor renders plainly, then by perturbation: deep lines
        // give their own continuous values, none kept from the earlier rendering.
        for (TDeepMode deep : {TDeepMode::Off, TDeepMode::On}) {
            whole.SetKernel(GetParam());
            whole.SetDeepMode(deep);
            whole.SetSmoothColors(true);
            whole.SetAlgorithm(algorithm);
            whole.SetJuliaPoint({-0.8, 0.156});
            whole.SetView(TView::Create({-0.3, 0.1}, 0.021, 0.4));
            whole.SetSize({97, 61});
            ASSERT_TRUE(Render(whole));
            const auto all = SmoothPixels(whole);
            if (deep == TDeepMode::On) {
                // Escaped pixels (index above 0) have a value, the others none.
                for (int y = 0; y < 61; ++y)
                    for (int x = 0; x < 97; ++x)
                        ASSERT_EQ(whole.SmoothCode(x, y) == NoSmoothCode, whole.Bitmap().GetBuffer(x, y) == 0)
                            << x << "," << y;
            }

            TProcessor band;
            band.SetKernel(GetParam());
            band.SetDeepMode(deep);
            band.SetSmoothColors(true);
            band.SetAlgorithm(algorithm);
            band.SetJuliaPoint({-0.8, 0.156});
            band.SetView(whole.View());
            for (int first = 0; first < 61; first += 16) {
                const int lines = std::min(16, 61 - first);
                band.SetSize({97, lines});
                band.SetBand(first, 61);
                ASSERT_TRUE(Render(band));
                const auto part = SmoothPixels(band);
                for (int y = 0; y < lines; ++y)
                    for (int x = 0; x < 97; ++x) {
                        ASSERT_EQ(band.Bitmap().GetBuffer(x, y), whole.Bitmap().GetBuffer(x, first + y)) << x << "," << y;
                        ASSERT_EQ(part[static_cast<std::size_t>(y * 97 + x)], all[static_cast<std::size_t>((first + y) * 97 + x)]);
                    }
            }
            band.SetBand(0, 0);
            band.SetSize({97, 61});
            ASSERT_TRUE(Render(band));
            EXPECT_EQ(SmoothPixels(band), all);
        }
    }
    TProcessor p;
    EXPECT_EQ(ErrorOf([&] { p.SetBand(-1, 10); }), "Invalid size.");
}

TEST_P(SmoothProcessor, PaletteAnimationOnlyRecolors)
{
    // A small picture, and one large enough to be recolored by several threads.
    for (const TSize size : {TSize{64, 48}, TSize{1200, 700}}) {
        TProcessor p;
        p.SetKernel(GetParam());
        p.SetSize(size);
        p.SetSmoothColors(true);
        p.SetOptions({poColorWrapping});
        ASSERT_TRUE(Render(p));
        const auto indices = Indices(p);
        for (int tick = 0; tick < 3; ++tick) p.RotatePalette(drUp);
        // The rotated table under the same rule: every pixel from its own definition.
        const auto table = p.Bitmap().ColorTable();
        const int top = p.ColorCount() - 1;
        const auto smooth = SmoothPixels(p);
        EXPECT_EQ(Indices(p), indices);
        for (int y = 0; y < size.Height; ++y)
            for (int x = 0; x < size.Width; ++x) {
                const int i = p.Bitmap().GetBuffer(x, y);
                const std::uint16_t code = p.SmoothCode(x, y);
                std::uint32_t expected = table[static_cast<std::size_t>(i)];
                if (code != NoSmoothCode) {
                    const int step = code >> 14;
                    expected =
                        BlendTableColors(table[static_cast<std::size_t>(StepPaletteIndex(i, step - 1, top, true))],
                                         table[static_cast<std::size_t>(StepPaletteIndex(i, step, top, true))],
                                         code & 0x3FFF);
                }
                ASSERT_EQ(smooth[static_cast<std::size_t>(y * size.Width + x)], 0xFF000000u | expected)
                    << x << "," << y << " of " << size.Width << "x" << size.Height;
            }
    }
}

TEST(SmoothColors, PicturesOfOneLineKeepTheirCodesInside)
{
    // One line (also the last band of a banded picture): the odd pass hands out
    // line 1, whose codes would lie past the end of the picture's.
    std::vector<std::vector<std::uint16_t>> codes;
    for (const TKernel kernel : {TKernel::Scalar, TKernel::Simd}) {
        TProcessor p;
        p.SetKernel(kernel);
        p.SetSize({300, 1});
        p.SetSmoothColors(true);
        ASSERT_TRUE(Render(p));
        codes.emplace_back();
        for (int x = 0; x < 300; ++x) codes.back().push_back(p.SmoothCode(x, 0));
        EXPECT_EQ(p.SmoothCode(0, 1), NoSmoothCode);
    }
    EXPECT_EQ(codes[0], codes[1]);
    EXPECT_GT(std::count_if(codes[0].begin(), codes[0].end(), [](std::uint16_t c) { return c != NoSmoothCode; }), 20);
}

INSTANTIATE_TEST_SUITE_P(Kernels, SmoothProcessor, ::testing::Values(TKernel::Scalar, TKernel::Simd),
                         [](const auto& info) { return info.param == TKernel::Scalar ? "Scalar" : "Simd"; });

TEST(SmoothColors, FastLogarithm)
{
    for (double x : {1.0, 1.5, 1.41421356, 1.41421357, 2.0, 3.0, 4.0, 10.0, 65536.0, 1e10, 1e300, 1.0000001, 0.75, 1e-5}) {
        EXPECT_NEAR(SmoothLog2(x), std::log2(x), 2e-9 * std::max(1.0, std::abs(std::log2(x)))) << x;
    }
    EXPECT_EQ(SmoothLog2(1.0), 0.0);
    EXPECT_EQ(SmoothLog2(2.0), 1.0);
    EXPECT_EQ(SmoothLog2(0.5), -1.0);
}
