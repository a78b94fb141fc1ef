// Deep views: precise numbers and centres, exact view arithmetic, the choice of
// kernel, and perturbation against escape counts computed directly in MPFR.
#include "EngineTestUtil.h"

#include "engine/DeepKernel.h"
#include "engine/PreciseNumberImpl.h"
#include "engine/SmoothColors.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace quillon;
using namespace quillon::test;

namespace {

TPreciseNumber Dec(const std::string& text)
{
    auto n = TPreciseNumber::FromDecimal(text);
    EXPECT_TRUE(n.has_value()) << text;
    return n.value_or(TPreciseNumber());
}

// mpfr_t with a lifetime.
struct TBig {
    mpfr_t v;
    explicit TBig(long bits) { mpfr_init2(v, bits); }
    ~TBig() { mpfr_clear(v); }
};

} // namespace

TEST(PreciseNumber, DecimalTextIsExactAndRoundTrips)
{
    // Plain decimal, no exponent, no trailing zeros.
    const std::pair<double, const char*> cases[] = {
        {0.0, "0"}, {-1.5, "-1.5"}, {12.0, "12"}, {0.25, "0.25"}, {1e-6, nullptr}, {-0.6, nullptr}};
    for (const auto& [value, text] : cases) {
        const TPreciseNumber n(value);
        const std::string s = n.ToDecimal();
        if (text) {
            EXPECT_EQ(s, text);
        }
        EXPECT_EQ(s.find_first_of("eE"), std::string::npos) << s;
        EXPECT_EQ(Dec(s), n) << s;
        EXPECT_EQ(Dec(s).ToDouble(), value);
    }
    // -0.6 as a double is a binary fraction of 52 places, written out in full.
    EXPECT_EQ(TPreciseNumber(-0.6).ToDecimal(), "-0.59999999999999997779553950749686919152736663818359375");

    // A deep coordinate: far more bits than a double, back exactly from its text.
    const TPreciseNumber deep = Dec("-1.5").Plus(std::ldexp(1.0, -900)).Plus(std::ldexp(3.0, -1000));
    EXPECT_FALSE(deep.IsDouble());
    EXPECT_GT(deep.Bits(), 990);
    EXPECT_EQ(deep.ToDouble(), -1.5);
    EXPECT_EQ(Dec(deep.ToDecimal()), deep);
    EXPECT_EQ(Dec(deep.ToDecimal()).ToDecimal(), deep.ToDecimal());

    for (const char* bad : {"", "-", ".", "1,5", "1.2.3", " 1", "1 ", "0x10", "nan", "inf", "1e", "1e+", "--1"})
        EXPECT_FALSE(TPreciseNumber::FromDecimal(bad).has_value()) << bad;
    EXPECT_EQ(Dec("2.5e-3"), Dec("0.0025"));
}

TEST(PreciseNumber, DecimalTextRoundedToDecimals)
{
    const TPreciseNumber deep = Dec("-1.5").Plus(std::ldexp(1.0, -200));
    EXPECT_EQ(deep.ToDecimal(3), "-1.5");
    EXPECT_EQ(deep.ToDecimal(0), "-1");
    EXPECT_EQ(Dec("-2.5").ToDecimal(0), "-2"); // half to even
    EXPECT_EQ(Dec("0.125").ToDecimal(2), "0.12");
    EXPECT_EQ(Dec("-0.0000004").ToDecimal(3), "0");
    EXPECT_EQ(Dec("12").ToDecimal(5), "12");
    // 2^-200 is 6.2e-61: sixty-one decimals show its first digit.
    EXPECT_EQ(deep.ToDecimal(61), "-1.4999999999999999999999999999999999999999999999999999999999994");
    EXPECT_EQ(TPreciseNumber().ToDecimal(4), "0");
}

TEST(DeepView, CenterCoordinateTextHasTheDigitsTheScaleNeeds)
{
    // Twelve digits where they place the centre within a hundredth of a pixel.
    EXPECT_EQ(CenterCoordinateText(TPreciseNumber(-0.6), 0.00625), "-0.6");
    EXPECT_EQ(CenterCoordinateText(TPreciseNumber(0.1234567890123456), 1e-9), "0.123456789012");
    // Short doubles stay short at any depth.
    EXPECT_EQ(CenterCoordinateText(TPreciseNumber(-0.75), 1e-40), "-0.75");
    // Beyond that, plain decimal down to a millionth of a pixel.
    EXPECT_EQ(CenterCoordinateText(TPreciseNumber(0.1234567890123456), 1e-12), "0.123456789012345594");
    const TPreciseNumber deep = Dec("-1.5").Plus(std::ldexp(1.0, -200));
    const std::string text = CenterCoordinateText(deep, 1e-60);
    EXPECT_EQ(text.size(), std::string("-1.").size() + 66);
    // Read back, the text is within a millionth of a pixel.
    EXPECT_LT(std::abs(Dec(text).Minus(deep).ToDouble()), 1e-66);
}

TEST(PreciseNumber, SumsAreExact)
{
    const TPreciseNumber a = TPreciseNumber(1.0).Plus(1e-300);
    EXPECT_EQ(a.Minus(TPreciseNumber(1.0)), TPreciseNumber(1e-300));
    EXPECT_EQ(a.Minus(a), TPreciseNumber());
    EXPECT_EQ(TPreciseNumber().Minus(a).Plus(1.0).Plus(1e-300), TPreciseNumber());
    EXPECT_EQ(a.Plus(TPreciseNumber(-1.0)), TPreciseNumber(1e-300));
    EXPECT_EQ(TPreciseNumber().Plus(a), a);
}

TEST(PreciseNumber, ProductsAreExactAndRoundingKeepsMultiplesOfAPowerOfTwo)
{
    // (1 + 2^-200) * (1 + 2^-52) = 1 + 2^-52 + 2^-200 + 2^-252, every bit kept.
    const TPreciseNumber a = TPreciseNumber(1.0).Plus(std::ldexp(1.0, -200));
    const TPreciseNumber product = a.Times(1 + std::ldexp(1.0, -52));
    EXPECT_EQ(product.Minus(a).Minus(TPreciseNumber(std::ldexp(1.0, -52))), TPreciseNumber(std::ldexp(1.0, -252)));
    EXPECT_EQ(a.Times(-0.5).Plus(a.Times(0.5)), TPreciseNumber());
    EXPECT_EQ(TPreciseNumber().Times(3.0), TPreciseNumber());

    // Multiples of 2^-3 = 0.125: to nearest, ties to the even multiple.
    const std::pair<const char*, const char*> cases[] = {
        {"1.3", "1.25"},   {"1.0625", "1"}, {"1.1875", "1.25"}, {"-1.3", "-1.25"},
        {"0.0625", "0"},   {"0.07", "0.125"}, {"-0.07", "-0.125"}, {"2.5", "2.5"},
    };
    for (const auto& [value, rounded] : cases)
        EXPECT_EQ(Dec(value).RoundedToMultipleOfPow2(-3), Dec(rounded)) << value;
    EXPECT_EQ(a.RoundedToMultipleOfPow2(-100), TPreciseNumber(1.0));
    EXPECT_EQ(a.RoundedToMultipleOfPow2(-200), a);
}

TEST(DeepView, PreciseCentreIsInForceOnlyWhileItRoundsToCenter)
{
    TView v = TView::Create({-0.75, 0.1}, 1e-40, 0.5);
    EXPECT_FALSE(v.HasPreciseCenter());
    const TView moved = MoveView(v, {3e-40, -2e-40});
    EXPECT_TRUE(moved.HasPreciseCenter());
    EXPECT_EQ(moved.Center, v.Center); // the move is below the double's last bit
    EXPECT_NE(moved, v);
    EXPECT_EQ(MoveView(moved, {-3e-40, 2e-40}), v);

    // Code that writes Center alone drops the precise centre.
    TView edited = moved;
    edited.Center.x = 0.25;
    EXPECT_FALSE(edited.HasPreciseCenter());
    EXPECT_EQ(edited.PreciseCenter().X, TPreciseNumber(0.25));
    EXPECT_EQ(edited, TView::Create({0.25, 0.1}, 1e-40, 0.5));

    // A centre that a double holds exactly leaves no precise part.
    TView plain;
    plain.SetPreciseCenter({TPreciseNumber(0.5), TPreciseNumber(-2.0)});
    EXPECT_FALSE(plain.HasPreciseCenter());
    EXPECT_EQ(plain.Center, TPoint2D::Create(0.5, -2.0));
}

TEST(DeepView, TextCarriesThePreciseCentreAfterTheFourFields)
{
    const TView shallow = HomeView(alMandelbrot);
    EXPECT_EQ(PreciseViewToStr(shallow), ViewToStr(shallow));

    const TView deep = MoveView(TView::Create({-1.25, 0.0}, 1e-200, 0.0), {7e-199, -3.5e-199});
    const std::string text = PreciseViewToStr(deep);
    EXPECT_TRUE(text.starts_with(ViewToStr(deep) + ",-1.24999")) << text;
    EXPECT_EQ(StrToView(text), deep);
    // Readers of the four fields get the double view.
    EXPECT_EQ(StrToView(ViewToStr(deep)), TView::Create(deep.Center, deep.Scale, deep.Angle));
    // Extra fields that do not round to the double centre are ignored.
    const std::string stale = ViewToStr(deep) + ",-1.3," + deep.Precise.Y.ToDecimal();
    EXPECT_FALSE(StrToView(stale).HasPreciseCenter());
    EXPECT_FALSE(StrToView(ViewToStr(deep) + ",x,y").HasPreciseCenter());
    // The four fields keep 16 digits: a centre whose double needs 17 still
    // finds its precise coordinates.
    const TView odd = MoveView(TView::Create({0.1 + 0.2, 1.0 / 3}, 1e-50, 0.0), {1e-49, 1e-49});
    ASSERT_NE(StrToView(ViewToStr(odd)).Center, odd.Center);
    EXPECT_EQ(StrToView(PreciseViewToStr(odd)), odd);
}

TEST(DeepView, TwoHundredFiftyZoomStepsLandWhereExactArithmeticLands)
{
    // Each step takes a pixel's plane offset in doubles (as the window does)
    // and zooms ten times into it: once centring it, once about it. The exact
    // result adds the same offsets with 20000 bits.
    TProcessor p;
    p.SetSize({400, 300});
    TView view = TView::Create({-0.743643887037151, 0.131825904205330}, 0.00625, 0.3);
    TView about = view;
    TBig x(20000), y(20000), ax(20000), ay(20000);
    mpfr_set_d(x.v, view.Center.x, MPFR_RNDN);
    mpfr_set_d(y.v, view.Center.y, MPFR_RNDN);
    mpfr_set(ax.v, x.v, MPFR_RNDN);
    mpfr_set(ay.v, y.v, MPFR_RNDN);
    const TPoint pixels[] = {{123, 45}, {250, 201}, {1, 299}, {399, 0}, {200, 150}};
    for (int step = 0; step < 250; ++step) {
        const TPoint px = pixels[step % 5];
        p.SetView(view);
        const TPoint2D offset = p.PixelToOffset(px);
        view = MoveView(view, offset);
        view.Scale /= 10;
        mpfr_add_d(x.v, x.v, offset.x, MPFR_RNDN);
        mpfr_add_d(y.v, y.v, offset.y, MPFR_RNDN);

        p.SetView(about);
        const TPoint2D o = p.PixelToOffset(px);
        about = ZoomViewAbout(about, o, 10);
        mpfr_add_d(ax.v, ax.v, o.x * (1.0 - 1.0 / 10), MPFR_RNDN);
        mpfr_add_d(ay.v, ay.v, o.y * (1.0 - 1.0 / 10), MPFR_RNDN);
    }
    EXPECT_LT(view.Scale, 1e-251);
    const TPreciseCenter c = view.PreciseCenter();
    EXPECT_EQ(c.X, FromMpfr(x.v));
    EXPECT_EQ(c.Y, FromMpfr(y.v));
    EXPECT_GT(c.X.Bits(), 800);
    const TPreciseCenter a = about.PreciseCenter();
    EXPECT_EQ(a.X, FromMpfr(ax.v));
    EXPECT_EQ(a.Y, FromMpfr(ay.v));
    // And through the view text, as the scenery files and the clipboard carry it.
    EXPECT_EQ(StrToView(PreciseViewToStr(view)), view);
}

TEST(DeepView, PerturbationOnlyWhereDoublesFail)
{
    const TSize size{1920, 1080};
    struct TCase {
        TView View;
        bool Deep;
    };
    const TCase cases[] = {
        {HomeView(alMandelbrot), false},
        {HomeView(alJulia), false},
        {TView::Create({-0.75, 0.1}, 1e-12, 0), false},
        {TView::Create({-0.75, 0.1}, 1e-13, 0), true},
        {TView::Create({-1.99, 0.0}, 1e-13, 0), true},
        // Near 0 the doubles are fine much deeper, unless the image spans far.
        {TView::Create({1e-10, 0.0}, 1e-22, 0), false},
        {TView::Create({1e-10, 0.0}, 1e-24, 0), true},
        {TView::Create({0.0, 0.0}, 1e-280, 0), false},
        {TView::Create({0.0, 0.0}, 1e-295, 0), true},
        {TView::Create({0.0, 0.0}, 0, 0), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TProcessor::NeedsDeep(c.View, size), c.Deep) << ViewToStr(c.View);
}

namespace {

struct TDeepCase {
    const char* Name;
    bool Julia;
    int Exponent; // scale 10^-Exponent
};

// Centre plus a 50-digit offset of about five pixels: x + 5.3183..e-k, y + 3.7323..e-k.
TPreciseCenter ShiftedCentre(const TPreciseCenter& point, int exponent, long bits)
{
    const std::string zeros(static_cast<std::size_t>(exponent - 1), '0');
    const TPreciseNumber dx = Dec("0." + zeros + "53183098861837906715377675267450287240689192914809");
    const TPreciseNumber dy = Dec("-0." + zeros + "37323954473516268615107010698011489627567716592365");
    TBig x(bits), y(bits), t(bits);
    ToMpfr(point.X, x.v);
    ToMpfr(dx, t.v);
    mpfr_add(x.v, x.v, t.v, MPFR_RNDN);
    ToMpfr(point.Y, y.v);
    ToMpfr(dy, t.v);
    mpfr_add(y.v, y.v, t.v, MPFR_RNDN);
    return {FromMpfr(x.v), FromMpfr(y.v)};
}

// The repelling fixed point (1 + sqrt(1 - 4c)) / 2 of z^2 + c.
TPreciseCenter RepellingFixedPoint(const TPoint2D& c, long bits)
{
    TBig u(bits), v(bits), r(bits), sx(bits), sy(bits);
    mpfr_set_d(u.v, 1 - 4 * c.x, MPFR_RNDN); // exact for the c below
    mpfr_set_d(v.v, -4 * c.y, MPFR_RNDN);
    mpfr_hypot(r.v, u.v, v.v, MPFR_RNDN);
    mpfr_add(sx.v, r.v, u.v, MPFR_RNDN);
    mpfr_div_2ui(sx.v, sx.v, 1, MPFR_RNDN);
    mpfr_sqrt(sx.v, sx.v, MPFR_RNDN);
    mpfr_sub(sy.v, r.v, u.v, MPFR_RNDN);
    mpfr_div_2ui(sy.v, sy.v, 1, MPFR_RNDN);
    mpfr_sqrt(sy.v, sy.v, MPFR_RNDN);
    if (mpfr_sgn(v.v) < 0) mpfr_neg(sy.v, sy.v, MPFR_RNDN);
    mpfr_add_ui(sx.v, sx.v, 1, MPFR_RNDN);
    mpfr_div_2ui(sx.v, sx.v, 1, MPFR_RNDN);
    mpfr_div_2ui(sy.v, sy.v, 1, MPFR_RNDN);
    return {FromMpfr(sx.v), FromMpfr(sy.v)};
}

// The escape count of z under z -> z^2 + c from z = start, directly in MPFR:
// the first test n with |z|^2 >= absMax2, or 0 within maxSteps tests.
int ExactCount(const mpfr_t zx0, const mpfr_t zy0, const mpfr_t cx, const mpfr_t cy, int maxSteps, double absMax2,
               long bits)
{
    TBig x(bits), y(bits), xx(bits), yy(bits), r2(bits);
    mpfr_set(x.v, zx0, MPFR_RNDN);
    mpfr_set(y.v, zy0, MPFR_RNDN);
    for (int n = 1; n <= maxSteps; ++n) {
        mpfr_sqr(xx.v, x.v, MPFR_RNDN);
        mpfr_sqr(yy.v, y.v, MPFR_RNDN);
        mpfr_add(r2.v, xx.v, yy.v, MPFR_RNDN);
        if (mpfr_cmp_d(r2.v, absMax2) >= 0) return n;
        mpfr_mul(y.v, y.v, x.v, MPFR_RNDN);
        mpfr_mul_2ui(y.v, y.v, 1, MPFR_RNDN);
        mpfr_add(y.v, y.v, cy, MPFR_RNDN);
        mpfr_sub(x.v, xx.v, yy.v, MPFR_RNDN);
        mpfr_add(x.v, x.v, cx, MPFR_RNDN);
    }
    return 0;
}

// The counts of one image line from the perturbation kernel, set up as the processor sets it up.
std::vector<std::int32_t> DeepCounts(const TProcessor& p, const TReferenceOrbit& orbit, int y, bool simd)
{
    const double s = DeltaScale(p.View().Scale);
    TMatrix2D m = p.PxToOffsetMatrix;
    m.Scale(s, s);
    TDeepLine line;
    line.Orbit = &orbit;
    line.Matrix = &m;
    line.DeltaScale = s;
    line.Y = y;
    line.Width = p.Width();
    line.MaxSteps = p.MaxSteps();
    line.AbsMax2 = p.MaxAbs() * p.MaxAbs();
    line.Julia = p.Algorithm() == alJulia;
    std::vector<std::int32_t> counts(static_cast<std::size_t>(p.Width()));
    std::vector<double> r2(counts.size());
    std::uint64_t iterations = 0;
    const bool done = simd ? DeepEscapeLine(line, counts.data(), r2.data(), iterations)
                           : DeepEscapeLineScalar(line, counts.data(), r2.data(), iterations);
    EXPECT_TRUE(done);
    return counts;
}

class DeepAgainstExact : public ::testing::TestWithParam<TDeepCase> {};

} // namespace

TEST_P(DeepAgainstExact, SampledPixelsHaveTheExactEscapeCount)
{
    const TDeepCase& tc = GetParam();
    const double scale = std::pow(10.0, -tc.Exponent);
    const TPoint2D juliaPoint{-0.125, 0.75}; // near the rabbit; its fixed point repels
    const long bits = 2 * ReferenceBits(scale, 2.0) + 64;
    const TPreciseCenter point =
        tc.Julia ? RepellingFixedPoint(juliaPoint, bits) : TPreciseCenter{TPreciseNumber(), TPreciseNumber(1.0)};

    TProcessor p;
    p.SetSize({48, 36});
    p.SetMaxSteps(4000);
    p.SetAlgorithm(tc.Julia ? alJulia : alMandelbrot);
    p.SetJuliaPoint(juliaPoint);
    TView view(TPoint2D{}, scale, 0.4);
    view.SetPreciseCenter(ShiftedCentre(point, tc.Exponent, bits));
    p.SetView(view);
    ASSERT_TRUE(TProcessor::NeedsDeep(view, p.Size()));

    TReferenceOrbit orbit;
    ASSERT_TRUE(ComputeReferenceOrbit(view.PreciseCenter(), tc.Julia, juliaPoint, p.MaxSteps(), 4.0,
                                      ReferenceBits(scale, 2.0), nullptr, orbit));

    TBig cx(bits), cy(bits), zx(bits), zy(bits);
    if (tc.Julia) {
        mpfr_set_d(cx.v, juliaPoint.x, MPFR_RNDN);
        mpfr_set_d(cy.v, juliaPoint.y, MPFR_RNDN);
    }
    int samples = 0, exact = 0, escaped = 0, inside = 0;
    std::int32_t least = 1 << 30, most = 0;
    for (int y = 1; y < p.Height(); y += 3) {
        const std::vector<std::int32_t> counts = DeepCounts(p, orbit, y, true);
        for (int x = y % 2; x < p.Width(); x += 2) {
            // The pixel's point at full precision.
            const TPoint2D offset = p.PixelToOffset({x, y});
            ToMpfr(view.PreciseCenter().X, zx.v);
            ToMpfr(view.PreciseCenter().Y, zy.v);
            mpfr_add_d(zx.v, zx.v, offset.x, MPFR_RNDN);
            mpfr_add_d(zy.v, zy.v, offset.y, MPFR_RNDN);
            const int want = tc.Julia ? ExactCount(zx.v, zy.v, cx.v, cy.v, p.MaxSteps(), 4.0, bits)
                                      : ExactCount(zx.v, zy.v, zx.v, zy.v, p.MaxSteps(), 4.0, bits);
            const int got = counts[static_cast<std::size_t>(x)];
            ++samples;
            if (got == want) ++exact;
            if (want == 0) {
                ++inside;
            } else {
                ++escaped;
                least = std::min(least, want);
                most = std::max(most, want);
            }
            const int allowed = std::max(1, want / 100);
            EXPECT_LE(std::abs(got - want), want == 0 || got == 0 ? 0 : allowed)
                << "pixel " << x << "," << y << ": " << got << " instead of " << want;
        }
    }
    EXPECT_GE(exact * 100, samples * 99) << exact << " of " << samples << " exact";
    // The picture has detail: many different counts, deep ones among them.
    EXPECT_GT(escaped, samples / 2);
    EXPECT_GT(most - least, 5) << least << ".." << most;
    EXPECT_GT(most, tc.Exponent * 2);
    std::printf("%s: %d of %d exact, %d inside, counts %d..%d\n", tc.Name, exact, samples, inside, least, most);
    RecordProperty("exact", exact);
    RecordProperty("samples", samples);
    RecordProperty("inside", inside);
}

INSTANTIATE_TEST_SUITE_P(Scales, DeepAgainstExact,
                         ::testing::Values(TDeepCase{"Mandelbrot20", false, 20}, TDeepCase{"Mandelbrot100", false, 100},
                                           TDeepCase{"Mandelbrot300", false, 300}, TDeepCase{"Julia20", true, 20},
                                           TDeepCase{"Julia100", true, 100}, TDeepCase{"Julia300", true, 300}),
                         [](const auto& info) { return std::string(info.param.Name); });

namespace {

// The continuous value of the orbit of z under z -> z^2 + c from z = start,
// exactly in MPFR by the definition of SmoothEscapeValue: the escape count n,
// then up to SmoothMaxExtraSteps further steps until |z|^2 >= SmoothFarAbs2.
// NaN when the orbit does not escape within maxSteps tests.
double ExactSmoothValue(const mpfr_t zx0, const mpfr_t zy0, const mpfr_t cx, const mpfr_t cy, int maxSteps,
                        double absMax2, long bits, int& count)
{
    TBig x(bits), y(bits), xx(bits), yy(bits), r2(bits);
    mpfr_set(x.v, zx0, MPFR_RNDN);
    mpfr_set(y.v, zy0, MPFR_RNDN);
    count = 0;
    int extra = 0;
    for (int n = 1; n <= maxSteps + SmoothMaxExtraSteps; ++n) {
        mpfr_sqr(xx.v, x.v, MPFR_RNDN);
        mpfr_sqr(yy.v, y.v, MPFR_RNDN);
        mpfr_add(r2.v, xx.v, yy.v, MPFR_RNDN);
        if (count == 0 && mpfr_cmp_d(r2.v, absMax2) >= 0) count = n;
        if (count == 0 && n >= maxSteps) return std::nan("");
        if (count > 0 && (mpfr_cmp_d(r2.v, SmoothFarAbs2) >= 0 || extra == SmoothMaxExtraSteps)) {
            // n + k + 1 - log2(log2 |z|^2 / log2 absMax2)
            mpfr_log2(r2.v, r2.v, MPFR_RNDN);
            mpfr_div_d(r2.v, r2.v, std::log2(absMax2), MPFR_RNDN);
            mpfr_log2(r2.v, r2.v, MPFR_RNDN);
            return count + extra + 1 - mpfr_get_d(r2.v, MPFR_RNDN);
        }
        if (count > 0) ++extra;
        mpfr_mul(y.v, y.v, x.v, MPFR_RNDN);
        mpfr_mul_2ui(y.v, y.v, 1, MPFR_RNDN);
        mpfr_add(y.v, y.v, cy, MPFR_RNDN);
        mpfr_sub(x.v, xx.v, yy.v, MPFR_RNDN);
        mpfr_add(x.v, x.v, cx, MPFR_RNDN);
    }
    return std::nan("");
}

class DeepSmoothAgainstExact : public ::testing::TestWithParam<TDeepCase> {};

} // namespace

// Smooth colors in deep views: the perturbation kernel hands over the full
// point at the escape, and its code is the exact orbit's code or one step
// (1/16384 of a count) beside it where the doubles round the other way.
TEST_P(DeepSmoothAgainstExact, CodesAreThoseOfTheExactOrbit)
{
    const TDeepCase& tc = GetParam();
    const double scale = std::pow(10.0, -tc.Exponent);
    const TPoint2D juliaPoint{-0.125, 0.75};
    const long bits = 2 * ReferenceBits(scale, 2.0) + 64;
    const TPreciseCenter point =
        tc.Julia ? RepellingFixedPoint(juliaPoint, bits) : TPreciseCenter{TPreciseNumber(), TPreciseNumber(1.0)};
    TView view(TPoint2D{}, scale, 0.4);
    view.SetPreciseCenter(ShiftedCentre(point, tc.Exponent, bits));
    TBig cx(bits), cy(bits), zx(bits), zy(bits);
    mpfr_set_d(cx.v, juliaPoint.x, MPFR_RNDN);
    mpfr_set_d(cy.v, juliaPoint.y, MPFR_RNDN);

    for (const TKernel kernel : {TKernel::Simd, TKernel::Scalar}) {
        TProcessor p;
        p.SetSize({24, 18});
        p.SetMaxSteps(4000);
        p.SetOptions({poColorWrapping});
        p.SetAlgorithm(tc.Julia ? alJulia : alMandelbrot);
        p.SetJuliaPoint(juliaPoint);
        p.SetKernel(kernel);
        p.SetSmoothColors(true);
        p.SetView(view);
        ASSERT_TRUE(Render(p));
        ASSERT_TRUE(p.DeepActive());
        int samples = 0, equal = 0, codes = 0;
        std::set<std::uint16_t> distinct;
        for (int y = 1; y < p.Height(); y += 4) {
            for (int x = y % 3; x < p.Width(); x += 3) {
                const TPoint2D offset = p.PixelToOffset({x, y});
                ToMpfr(view.PreciseCenter().X, zx.v);
                ToMpfr(view.PreciseCenter().Y, zy.v);
                mpfr_add_d(zx.v, zx.v, offset.x, MPFR_RNDN);
                mpfr_add_d(zy.v, zy.v, offset.y, MPFR_RNDN);
                int n = 0;
                const double v = tc.Julia ? ExactSmoothValue(zx.v, zy.v, cx.v, cy.v, p.MaxSteps(), 4.0, bits, n)
                                          : ExactSmoothValue(zx.v, zy.v, zx.v, zy.v, p.MaxSteps(), 4.0, bits, n);
                const std::uint16_t got = p.SmoothCode(x, y);
                ++samples;
                if (n == 0) {
                    EXPECT_EQ(got, NoSmoothCode) << "pixel " << x << "," << y;
                    continue;
                }
                const std::uint16_t want = SmoothCodeOf(v, n);
                ++codes;
                distinct.insert(got);
                if (got == want) ++equal;
                EXPECT_LE(std::abs(int(got) - int(want)), 1) << "pixel " << x << "," << y << " count " << n;
            }
        }
        // Escaped pixels with their own fractions, not palette colors.
        EXPECT_GT(codes, samples / 2);
        EXPECT_GT(distinct.size(), static_cast<std::size_t>(codes) / 2);
        std::printf("%s %s: %d of %d codes equal, the rest one step apart\n", tc.Name,
                    kernel == TKernel::Simd ? "simd" : "scalar", equal, codes);
    }
}

INSTANTIATE_TEST_SUITE_P(Scales, DeepSmoothAgainstExact,
                         ::testing::Values(TDeepCase{"Mandelbrot20", false, 20}, TDeepCase{"Mandelbrot300", false, 300},
                                           TDeepCase{"Julia100", true, 100}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(DeepRendering, VectorisedAndScalarKernelsAgreeAndTheProcessorUsesThem)
{
    for (const bool julia : {false, true}) {
        TProcessor p;
        p.SetSize({37, 23}); // lines that do not fill whole vectors
        p.SetMaxSteps(3000);
        p.SetOptions({poInterior, poColorWrapping});
        p.SetAlgorithm(julia ? alJulia : alMandelbrot);
        p.SetJuliaPoint({-0.125, 0.75});
        TView view(TPoint2D{}, 1e-60, 0.1);
        view.SetPreciseCenter(ShiftedCentre(julia ? RepellingFixedPoint({-0.125, 0.75}, 600)
                                                  : TPreciseCenter{TPreciseNumber(), TPreciseNumber(1.0)},
                                            60, 600));
        p.SetView(view);
        ASSERT_TRUE(Render(p));
        EXPECT_TRUE(p.DeepActive());
        EXPECT_GT(p.DeepIterations(), 37u * 23u);
        const std::vector<std::uint8_t> simd(p.Bitmap().Buffer(), p.Bitmap().Buffer() + 37 * 23);
        p.SetKernel(TKernel::Scalar);
        ASSERT_TRUE(Render(p));
        const std::vector<std::uint8_t> scalar(p.Bitmap().Buffer(), p.Bitmap().Buffer() + 37 * 23);
        EXPECT_EQ(simd, scalar) << (julia ? "Julia" : "Mandelbrot");
        // Not one flat color.
        EXPECT_GT(std::set<std::uint8_t>(simd.begin(), simd.end()).size(), 3u);

        // Forbidding perturbation gives the double kernel's picture (blocks at this depth).
        p.SetDeepMode(TDeepMode::Off);
        ASSERT_TRUE(Render(p));
        EXPECT_FALSE(p.DeepActive());
    }
}

TEST(DeepRendering, ShallowViewsKeepTheDoubleKernel)
{
    TProcessor p;
    p.SetSize({64, 48});
    ASSERT_TRUE(Render(p));
    EXPECT_FALSE(p.DeepActive());
    const std::vector<std::uint8_t> plain(p.Bitmap().Buffer(), p.Bitmap().Buffer() + 64 * 48);
    // A precise centre does not change a shallow view's picture.
    TView v = p.View();
    v.SetPreciseCenter({TPreciseNumber(-0.6).Plus(1e-40), TPreciseNumber()});
    ASSERT_TRUE(v.HasPreciseCenter());
    p.SetView(v);
    ASSERT_TRUE(Render(p));
    EXPECT_FALSE(p.DeepActive());
    EXPECT_EQ(std::vector<std::uint8_t>(p.Bitmap().Buffer(), p.Bitmap().Buffer() + 64 * 48), plain);
}

TEST(DeepRendering, StopEndsADeepRenderingWithAHugeLimit)
{
    TProcessor p;
    p.SetSize({64, 48});
    p.SetMaxSteps(2000000000);
    TView v(TPoint2D{}, 1e-100, 0);
    v.SetPreciseCenter({Dec("-0.75"), Dec("0.000000000000000000000000000000000000000000000000001")});
    p.SetView(v);
    p.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    p.Stop();
    EXPECT_FALSE(p.Running());
    EXPECT_TRUE(p.DeepActive());
}
