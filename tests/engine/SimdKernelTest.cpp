// The vectorised kernel against the scalar one: byte-identical images for a table
// of views and settings, on every instruction set this processor supports, and
// identical counts and final magnitudes straight from the line kernel.
#include "EngineTestUtil.h"
#include "engine/SimdKernel.h"

#include <hwy/targets.h>

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

TEST(SimdKernel, ImagesEqualTheScalarKernelsForEveryCase)
{
    const auto scalar = ScalarImages();
    ExpectSameImages(scalar, TProcessor::KernelTargetName());
    // Each case really draws something to compare: not one color all over.
    for (std::size_t k = 0; k < Cases().size(); ++k) {
        const auto& image = scalar[k];
        const TCase& c = Cases()[k];
        if (c.Size.Width == 1 || c.MaxSteps <= 1 || std::isnan(c.MaxAbs) || c.View.Center.x == 0) continue;
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
    };
    for (const Row& r : rows) {
        TProcessor p;
        p.SetSize({333, 9});
        p.SetView(r.View);
        for (int y = 0; y < p.Height(); ++y) {
            std::vector<std::int32_t> counts(333, -1);
            std::vector<double> lastR2(333, -1);
            TEscapeLine line;
            line.Matrix = &p.PxToLogMatrix;
            line.Y = y;
            line.Width = 333;
            line.MaxSteps = r.MaxSteps;
            line.AbsMax2 = r.AbsMax2;
            SimdEscapeLine(line, counts.data(), lastR2.data());
            for (int x = 0; x < 333; ++x) {
                const TPoint2D c = p.PixelToLog({x, y});
                double r2 = -2;
                const int n = TProcessor::EscapeCount(c.x, c.y, c.x, c.y, r.MaxSteps, r.AbsMax2, r2);
                ASSERT_EQ(counts[static_cast<std::size_t>(x)], n) << "pixel " << x << "," << y << " N " << r.MaxSteps;
                if (n == 0) {
                    ASSERT_TRUE(SameBits(lastR2[static_cast<std::size_t>(x)], r2))
                        << "pixel " << x << "," << y << ": " << lastR2[static_cast<std::size_t>(x)] << " vs " << r2;
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
