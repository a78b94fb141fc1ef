// The vectorised kernel against the scalar one: byte-identical images for a table
// of views and settings, on every instruction set this processor supports, and
// identical counts and final magnitudes straight from the line kernel.
#include "EngineTestUtil.h"
#include "engine/SimdKernel.h"
#include "engine/SmoothColors.h"

#include <hwy/targets.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

using namespace quillon;
using namespace quillon::test;

namespace {

#if defined(__SANITIZE_THREAD__)
constexpr int kHeightDivisor = 8; // the race checks need lines, not pixels
#else
constexpr int kHeightDivisor = 1;
#endif

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

struct TCase {
    const char* Name;
    TView View;
    TSize Size;
    int MaxSteps = 500;
    double MaxAbs = 2;
    TProcessorOptions Options{};
    double InteriorFactor = 100;
    int ColorOffset = 0;
    TAlgorithm Algorithm = alMandelbrot;
    TPoint2D JuliaPoint{};
    int ColorCount = 256;
};

const TView kWhole = TView::Create({-0.6, 0}, 4.0 / 240, 0);
const TView kSeahorse = TView::Create({-0.743643887037151, 0.131825904205330}, 1e-12, 0);
// Views of orbits that end in cycles, and Julia sets whose points are drawn into
// an attracting cycle of period 1 to 7.
const TView kCardioid = TView::Create({-0.2, 0}, 1e-4, 0);
const TView kBulb = TView::Create({-1, 0}, 0.3 / 96, 0);
// Just inside the cusp: the fixed point is barely attracting, orbits creep to it.
const TView kCusp = TView::Create({0.2499, 0}, 2e-6, 0);
// Closer still: orbits settle on their fixed point only after some 150000 steps.
const TView kSlowest = TView::Create({0.25 - 4e-9, 0}, 1e-12, 0);
const TView kJulia = TView::Create({0, 0}, 3.2 / 64, 0);

const std::vector<TCase>& Cases()
{
    static const std::vector<TCase> cases = {
        {"whole set", kWhole, {240, 136}},
        {"main cardioid interior", TView::Create({-0.2, 0}, 1e-4, 0), {160, 64}, 1000, 2, {poInterior}, 1e4},
        {"seahorse valley at scale 1e-12", kSeahorse, {256, 96}, 5000},
        {"rotated view", TView::Create({-0.7454, 0.1130}, 2e-5, 0.7), {200, 96}, 800},
        {"Julia set", TView::Create({0, 0}, 3.0 / 200, 0), {200, 136}, 400, 2, {}, 100, 0, alJulia, {-0.8, 0.156}},
        {"escape radius 100", kWhole, {240, 64}, 300, 100},
        {"escape radius 1e200 (infinite magnitudes)", kWhole, {240, 64}, 300, 1e200},
        {"interior factor 0.5", kWhole, {240, 64}, 200, 2, {poInterior}, 0.5},
        {"interior factor 1e6", kWhole, {240, 64}, 200, 2, {poInterior}, 1e6},
        {"wrapping with offset 17", kWhole, {240, 64}, 300, 2, {poColorWrapping}, 100, 17},
        {"wrapping, interior and a short palette", kWhole, {240, 64}, 300, 2, {poColorWrapping, poInterior}, 7, 5,
         alMandelbrot, {}, 23},
        {"MaxSteps 1", kWhole, {240, 32}, 1, 2, {poInterior}},
        {"MaxSteps 2", kWhole, {240, 32}, 2, 2, {poInterior}},
        {"MaxSteps 0 makes one test", kWhole, {240, 32}, 0, 2, {poInterior}},
        {"MaxSteps 5000", TView::Create({-0.7453, 0.1127}, 6.5e-4 / 100, 0), {100, 64}, 5000, 2, {poInterior}},
        {"width 1", kSeahorse, {1, 64}, 2000},
        {"width 3", TView::Create({-0.7436, 0.1318}, 2e-4, 0), {3, 64}, 1000},
        {"width 7", TView::Create({-0.75, 0.05}, 1e-3, 0.3), {7, 64}, 1000, 2, {poInterior}},
        {"width 1021", TView::Create({-1.25, 0.02}, 4e-4, 0), {1021, 24}, 700},
        {"escape radius 0.5", kWhole, {240, 32}, 100, 0.5, {poInterior}},
        {"NaN escape radius: nothing escapes", kWhole, {240, 32}, 100, kNaN, {poInterior}, 1},
        {"points beyond 1e154 overflow", TView::Create({0, 0}, 1e153, 0), {64, 32}, 50, 1e160, {poInterior}},
        {"Julia with NaN magnitudes", TView::Create({0, 0}, 3.0 / 200, 0), {200, 32}, 60, kNaN, {poInterior}, 3,
         0, alJulia, {0.4, 0.3}},
        {"cardioid interior, interior off", kCardioid, {160, 64}, 1000},
        {"cardioid interior, odd MaxSteps", kCardioid, {96, 32}, 1001, 2, {poInterior}, 1e12},
        {"period-2 bulb", kBulb, {96, 64}, 2000, 2, {poInterior}, 1e9},
        {"period-2 bulb, interior off", kBulb, {96, 64}, 777},
        {"near the cusp: slow convergence", kCusp, {64, 32}, 20000, 2, {poInterior}, 1e10},
        {"cycles after more than 1e5 steps", kSlowest, {8, 4}, 300000, 2, {poInterior}, 1e12},
        {"MaxSteps 1e6", kSlowest, {8, 2}, 1000000, 2, {poInterior}, 1e15},
        {"cardioid, MaxSteps 1", kCardioid, {64, 16}, 1, 2, {poInterior}, 1e6},
        {"cardioid, MaxSteps 2", kCardioid, {64, 16}, 2, 2, {poInterior}, 1e6},
        {"cardioid, MaxSteps 3", kCardioid, {64, 16}, 3, 2, {poInterior}, 1e6},
        {"cardioid, escape radius 10", kCardioid, {64, 16}, 500, 10, {poInterior}, 1e9},
        {"bulb, escape radius 1e150", kBulb, {96, 32}, 500, 1e150, {poInterior}, 1e9},
        {"bulb, infinite escape radius", kBulb, {96, 32}, 500, kInf, {poInterior}, 1e9},
        {"bulb, NaN escape radius", kBulb, {96, 32}, 500, kNaN, {poInterior}, 1e9},
        {"whole set, infinite escape radius", kWhole, {240, 32}, 300, kInf, {poInterior}, 1e3},
        {"Julia, attracting fixed point", kJulia, {64, 48}, 3000, 2, {poInterior}, 1e9, 0, alJulia, {-0.2, 0.1}},
        {"Julia, period 2", kJulia, {64, 48}, 3000, 2, {poInterior}, 1e9, 0, alJulia, {-1.1, 0.05}},
        {"Julia, period 3", kJulia, {64, 48}, 3000, 2, {poInterior}, 1e9, 0, alJulia, {-0.119561, 0.747862}},
        {"Julia, period 4", kJulia, {64, 48}, 3000, 2, {poInterior}, 1e9, 0, alJulia, {0.285271, 0.533061}},
        {"Julia, period 5", kJulia, {64, 48}, 3000, 2, {poInterior}, 1e9, 0, alJulia, {0.382514, 0.337932}},
        {"Julia, period 6", kJulia, {64, 48}, 3000, 2, {poInterior}, 1e9, 0, alJulia, {0.392007, 0.218851}},
        {"Julia, period 7", kJulia, {64, 48}, 3000, 2, {poInterior}, 1e9, 0, alJulia, {0.379009, 0.147749}},
        {"Julia, period 7, interior off", kJulia, {64, 48}, 3001, 2, {}, 100, 0, alJulia, {0.379009, 0.147749}},
    };
    return cases;
}

void Configure(TProcessor& p, const TCase& c)
{
    p.SetSize({c.Size.Width, std::max(1, c.Size.Height / kHeightDivisor)});
    p.SetView(c.View);
    p.SetMaxSteps(c.MaxSteps);
    p.SetMaxAbs(c.MaxAbs);
    p.SetOptions(c.Options);
    p.SetInteriorFactor(c.InteriorFactor);
    p.SetAlgorithm(c.Algorithm);
    p.SetJuliaPoint(c.JuliaPoint);
    if (c.ColorCount != 256) p.SetColors(MakeHueColors(c.ColorCount, clBlue));
    p.SetColorOffset(c.ColorOffset);
}

std::vector<std::uint8_t> RenderWith(TProcessor& p, TKernel kernel)
{
    p.SetKernel(kernel);
    EXPECT_TRUE(Render(p));
    return p.Bitmap().CopyPixels();
}

std::vector<std::vector<std::uint8_t>> ScalarImages()
{
    std::vector<std::vector<std::uint8_t>> images;
    for (const TCase& c : Cases()) {
        TProcessor p;
        Configure(p, c);
        images.push_back(RenderWith(p, TKernel::Scalar));
    }
    return images;
}

// The first differing pixel, for a readable failure.
std::string FirstDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, int bytesPerLine,
                            int height)
{
    if (a.size() != b.size()) return "sizes differ";
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) {
            const int row = static_cast<int>(i) / bytesPerLine;
            return "pixel (" + std::to_string(static_cast<int>(i) % bytesPerLine) + ", " +
                   std::to_string(height - 1 - row) + "): scalar " + std::to_string(a[i]) + ", simd " +
                   std::to_string(b[i]);
        }
    return "";
}

void ExpectSameImages(const std::vector<std::vector<std::uint8_t>>& scalar, const std::string& target)
{
    for (std::size_t k = 0; k < Cases().size(); ++k) {
        const TCase& c = Cases()[k];
        TProcessor p;
        Configure(p, c);
        const auto simd = RenderWith(p, TKernel::Simd);
        EXPECT_EQ(FirstDifference(scalar[k], simd, p.Bitmap().BytesPerLine(), p.Height()), "")
            << c.Name << " on " << target;
    }
}

bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

TEST(SimdKernel, DefaultsToTheVectorisedKernelAndNamesItsInstructionSet)
{
    TProcessor p;
    EXPECT_EQ(p.Kernel(), TKernel::Simd);
    EXPECT_FALSE(TProcessor::KernelTargetName().empty());
}

TEST(SimdKernel, RunsWithAnInstructionSetOfThisProcessor)
{
    // The one measured fastest here; with a single one available, that one.
    const std::string chosen = TProcessor::KernelTargetName();
    std::vector<std::string> names;
    for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) names.push_back(hwy::TargetName(target));
    EXPECT_NE(std::find(names.begin(), names.end(), chosen), names.end()) << chosen;
    EXPECT_EQ(TProcessor::KernelTargetName(), chosen); // kept for the process
}

TEST(SimdKernel, ImagesEqualTheScalarKernelsForEveryCase)
{
    const auto scalar = ScalarImages();
    ExpectSameImages(scalar, TProcessor::KernelTargetName());
    // Each case really draws something to compare: not one color all over.
    for (std::size_t k = 0; k < Cases().size(); ++k) {
        const auto& image = scalar[k];
        const TCase& c = Cases()[k];
        if (c.Size.Width == 1 || c.MaxSteps <= 1 || std::isnan(c.MaxAbs) || c.View.Center.x == 0) continue;
        // Wholly interior views without interior coloring show the interior color only.
        if (!c.Options.Contains(poInterior) && (c.View == kCardioid || c.View == kBulb)) continue;
        EXPECT_NE(std::count(image.begin(), image.end(), image[0]), static_cast<std::ptrdiff_t>(image.size()))
            << c.Name;
    }
}

TEST(SimdKernel, ImagesEqualTheScalarKernelsOnEverySupportedInstructionSet)
{
    const auto scalar = ScalarImages();
    const std::vector<std::int64_t> targets = hwy::SupportedAndGeneratedTargets();
    ASSERT_FALSE(targets.empty());
    for (const std::int64_t target : targets) {
        hwy::SetSupportedTargetsForTest(target);
        const std::string name = hwy::TargetName(target);
        EXPECT_EQ(TProcessor::KernelTargetName(), name);
        ExpectSameImages(scalar, name);
    }
    hwy::SetSupportedTargetsForTest(0);
}

TEST(SimdKernel, SmoothCodesEqualTheScalarKernelsOnEverySupportedInstructionSet)
{
    const auto render = [](const TCase& c, TKernel kernel) {
        TProcessor p;
        Configure(p, c);
        p.SetSmoothColors(true);
        p.SetKernel(kernel);
        EXPECT_TRUE(Render(p));
        std::vector<std::uint16_t> codes;
        for (int y = 0; y < p.Height(); ++y)
            for (int x = 0; x < p.Width(); ++x) codes.push_back(p.SmoothCode(x, y));
        return std::make_pair(p.Bitmap().CopyPixels(), codes);
    };
    std::vector<std::pair<std::vector<std::uint8_t>, std::vector<std::uint16_t>>> scalar;
    for (const TCase& c : Cases()) scalar.push_back(render(c, TKernel::Scalar));
    for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
        hwy::SetSupportedTargetsForTest(target);
        for (std::size_t k = 0; k < Cases().size(); ++k) {
            const TCase& c = Cases()[k];
            const auto simd = render(c, TKernel::Simd);
            EXPECT_EQ(simd.first, scalar[k].first) << c.Name << " on " << hwy::TargetName(target);
            const auto& want = scalar[k].second;
            const auto diff = std::mismatch(want.begin(), want.end(), simd.second.begin());
            EXPECT_TRUE(diff.first == want.end())
                << c.Name << " on " << hwy::TargetName(target) << ":"
                << " pixel " << (diff.first - want.begin()) << " scalar " << *diff.first << " simd " << *diff.second;
        }
    }
    hwy::SetSupportedTargetsForTest(0);
    // The views really carry fractions: not every escaped pixel at its own entry.
    const auto& whole = scalar[0].second;
    EXPECT_GT(std::count_if(whole.begin(), whole.end(),
                            [](std::uint16_t code) { return code != NoSmoothCode && code != SmoothCodeAtCount; }),
              1000);
}

TEST(SimdKernel, CountsAndFinalMagnitudesEqualEscapeCount)
{
    struct Row {
        TView View;
        int MaxSteps;
        double AbsMax2;
    };
    const Row rows[] = {
        {TView::Create({-0.6, 0}, 4.0 / 333, 0), 1, 4},
        {TView::Create({-0.6, 0}, 4.0 / 333, 0), 2, 4},
        {TView::Create({-0.6, 0}, 4.0 / 333, 0), 97, 4},
        {TView::Create({-0.75, 0.1}, 1e-3, 1.1), 1500, 4},
        {TView::Create({0, 0}, 1e153, 0), 40, std::numeric_limits<double>::infinity()},
        {TView::Create({-0.6, 0}, 4.0 / 333, 0), 33, kNaN},
        // Orbits that end in cycles: the last magnitude comes from the cycle.
        {TView::Create({-0.2, 0}, 1e-4, 0), 1000, 4},
        {TView::Create({-0.2, 0}, 1e-4, 0), 1001, 4},
        {TView::Create({-1, 0}, 0.3 / 333, 0), 2000, 4},
        {TView::Create({-1, 0}, 0.3 / 333, 0), 1999, kInf},
        {TView::Create({-1, 0}, 0.3 / 333, 0), 500, kNaN},
        {TView::Create({0.2499, 0}, 2e-6, 0), 5000, 4},
        {TView::Create({-0.1225, 0.7448}, 1e-3, 0), 3333, 4},
    };
    for (std::size_t row = 0; row < std::size(rows); ++row) {
        const Row& r = rows[row];
        // Every other row also has a limit above which counts need no continuous value.
        const std::int64_t limit = row % 2 == 1 ? 12 : std::numeric_limits<std::int64_t>::max();
        TProcessor p;
        p.SetSize({333, 9});
        p.SetView(r.View);
        for (int y = 0; y < p.Height(); ++y) {
            std::vector<std::int32_t> counts(333, -1);
            std::vector<double> lastR2(333, -1);
            std::vector<std::uint16_t> smooth(333, 7);
            TEscapeLine line;
            line.Matrix = &p.PxToLogMatrix;
            line.Y = y;
            line.Width = 333;
            line.MaxSteps = r.MaxSteps;
            line.AbsMax2 = r.AbsMax2;
            line.SmoothCodes = smooth.data();
            line.SmoothLimit = limit;
            SimdEscapeLine(line, counts.data(), lastR2.data());
            for (int x = 0; x < 333; ++x) {
                const TPoint2D c = p.PixelToLog({x, y});
                double r2 = -2;
                const int n = TProcessor::EscapeCount(c.x, c.y, c.x, c.y, r.MaxSteps, r.AbsMax2, r2);
                ASSERT_EQ(counts[static_cast<std::size_t>(x)], n) << "pixel " << x << "," << y << " N " << r.MaxSteps;
                if (n == 0) {
                    ASSERT_TRUE(SameBits(lastR2[static_cast<std::size_t>(x)], r2))
                        << "pixel " << x << "," << y << ": " << lastR2[static_cast<std::size_t>(x)] << " vs " << r2;
                    ASSERT_EQ(smooth[static_cast<std::size_t>(x)], NoSmoothCode) << "pixel " << x << "," << y;
                } else if (n > limit) {
                    ASSERT_EQ(smooth[static_cast<std::size_t>(x)], SmoothCodeAtCount) << "pixel " << x << "," << y;
                } else {
                    // The continuous value from the point of the escaping test.
                    double zx = c.x, zy = c.y;
                    for (int i = 1; i < n; ++i) {
                        const double xx = zx * zx, yy = zy * zy;
                        zy = 2 * zx * zy + c.y;
                        zx = (xx - yy) + c.x;
                    }
                    const double v = SmoothEscapeValue(n, zx, zy, c.x, c.y, r.AbsMax2);
                    ASSERT_EQ(smooth[static_cast<std::size_t>(x)], SmoothCodeOf(v, n))
                        << "pixel " << x << "," << y << ": value " << v;
                }
            }
        }
    }
}

TEST(SimdKernel, JuliaConstantIsReadWhenAPixelStarts)
{
    // Both kernels read the live Julia point: changed between renderings, it is used.
    TProcessor p;
    p.SetSize({64, 16});
    p.SetAlgorithm(alJulia);
    p.SetView(TView::Create({0, 0}, 3.0 / 64, 0));
    p.SetJuliaPoint({-0.8, 0.156});
    const auto first = RenderWith(p, TKernel::Simd);
    p.SetJuliaPoint({0.3, 0.5});
    const auto second = RenderWith(p, TKernel::Simd);
    EXPECT_NE(first, second);
    EXPECT_EQ(second, RenderWith(p, TKernel::Scalar));
}

namespace {

struct TLineWork {
    std::int64_t Work = 0;
    std::int64_t Accounted = 0; // tests the outcomes stand for
    std::vector<std::int32_t> Counts;
};

TLineWork RunLines(const TView& view, int maxSteps, double absMax2, bool detect, bool needR2)
{
    TProcessor p;
    p.SetSize({97, 4});
    p.SetView(view);
    TLineWork result;
    for (int y = 0; y < p.Height(); ++y) {
        std::vector<std::int32_t> counts(97);
        std::vector<double> lastR2(97);
        TEscapeLine line;
        line.Matrix = &p.PxToLogMatrix;
        line.Y = y;
        line.Width = 97;
        line.MaxSteps = maxSteps;
        line.AbsMax2 = absMax2;
        line.DetectCycles = detect;
        line.NeedLastR2 = needR2;
        line.Work = &result.Work;
        EXPECT_TRUE(SimdEscapeLine(line, counts.data(), lastR2.data()));
        for (const std::int32_t n : counts) result.Accounted += n != 0 ? n : maxSteps;
        result.Counts.insert(result.Counts.end(), counts.begin(), counts.end());
    }
    return result;
}

} // namespace

TEST(SimdKernel, InteriorOrbitsEndAtTheirCycle)
{
    // Interior points of the cardioid and the period-2 bulb settle within a few
    // hundred steps: a tiny part of 100000 is run, with or without the magnitudes.
    for (const TView& view : {TView::Create({-0.2, 0}, 1e-4, 0), TView::Create({-1, 0}, 2e-3, 0)}) {
        for (const bool needR2 : {true, false}) {
            const TLineWork w = RunLines(view, 100000, 4, true, needR2);
            EXPECT_EQ(w.Accounted, 97 * 4 * 100000LL);
            EXPECT_LT(w.Work * 100, w.Accounted) << view.Center.x << " " << needR2;
        }
        // Without cycle detection every step is run.
        EXPECT_GE(RunLines(view, 2000, 4, false, true).Work, 97 * 4 * 2000LL);
    }
}

TEST(SimdKernel, NaNOrbitsAreNeverTakenForCycles)
{
    // Far out every orbit overflows into NaN (x*x - y*y of infinities); with a NaN
    // escape radius none escapes, and a NaN point repeats its bits: all steps run.
    const TLineWork w = RunLines(TView::Create({1e3, 1e3}, 1.0, 0), 3000, kNaN, true, true);
    EXPECT_EQ(w.Accounted, 97 * 4 * 3000LL);
    EXPECT_GE(w.Work, w.Accounted);
}
