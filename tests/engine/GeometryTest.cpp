// Plane geometry, the view and size texts and the field splitter.
#include "engine/Errors.h"
#include "engine/MandelbrotProcessor.h"
#include "engine/Matrix2D.h"
#include "engine/StrFns.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace quillon;

namespace {

void ExpectMatrix(const TMatrix2D& m, std::array<double, 6> expected)
{
    const std::array<double, 6> got = {m.m11(), m.m12(), m.dx(), m.m21(), m.m22(), m.dy()};
    for (int i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(got[i], expected[i]) << "element " << i;
}

template <class F>
std::string ErrorOf(F f)
{
    try {
        f();
    } catch (const EQuillonError& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace

TEST(Matrix2D, ElementaryOperationsFollowTheRowFormulas)
{
    TMatrix2D m = TMatrix2D::Create();
    ExpectMatrix(m, {1, 0, 0, 0, 1, 0});

    m.Rotate(0.3);
    ExpectMatrix(m, {std::cos(0.3), -std::sin(0.3), 0, std::sin(0.3), std::cos(0.3), 0});

    m = TMatrix2D::Create();
    m.Translate(5, 7);
    m.Scale(2, -3);  // rows, offsets included
    ExpectMatrix(m, {2, 0, 10, 0, -3, -21});
    m.Translate(TPoint2D{1, 1});
    ExpectMatrix(m, {2, 0, 11, 0, -3, -20});

    // Rotate mixes both rows column by column, offsets included.
    m = TMatrix2D::Create();
    m.Translate(1, 0);
    m.Rotate(std::numbers::pi / 2);
    EXPECT_NEAR(m.dx(), 0, 1e-15);
    EXPECT_DOUBLE_EQ(m.dy(), 1);

    m.Identity();
    ExpectMatrix(m, {1, 0, 0, 0, 1, 0});
}

TEST(Matrix2D, InverseUndoesTheMappingAndTransformsRoundHalfToEven)
{
    TMatrix2D m = TMatrix2D::Create();
    m.Scale(2, 3);
    m.Rotate(0.7);
    m.Translate(-4, 9);
    TMatrix2D inv = m;
    inv.Inverse();
    for (TPoint2D p : {TPoint2D{0, 0}, TPoint2D{1.5, -2}, TPoint2D{-100, 33}}) {
        const TPoint2D back = inv.Transform(m.Transform(p));
        EXPECT_NEAR(back.x, p.x, 1e-12);
        EXPECT_NEAR(back.y, p.y, 1e-12);
    }

    TMatrix2D half = TMatrix2D::Create();
    half.Scale(0.5, 0.5);
    TPoint pts[] = {{5, 7}, {-5, 1}, {3, 0}};  // 2.5, 3.5, -2.5, 0.5, 1.5
    half.Transform(pts, 3);
    EXPECT_EQ(pts[0], (TPoint{2, 4}));
    EXPECT_EQ(pts[1], (TPoint{-2, 0}));
    EXPECT_EQ(pts[2], (TPoint{2, 0}));

    TMatrix2D shifted = TMatrix2D::Create();
    shifted.Translate(100, 100);
    shifted.Scale(2, 2);
    const TPoint2D d = shifted.TransformDistance(TPoint{3, -1});
    EXPECT_EQ(d, (TPoint2D{6, -2}));

    const TXForm xf = MatrixToXForm(shifted);
    EXPECT_EQ(xf.eM11, 2.0f);
    EXPECT_EQ(xf.eM22, 2.0f);
    EXPECT_EQ(xf.eDx, 200.0f);
    EXPECT_EQ(xf.eDy, 200.0f);
    EXPECT_EQ(xf.eM12, 0.0f);
}

TEST(Processor, PixelToPlaneMapping)
{
    TProcessor p;
    ASSERT_EQ(p.Size(), (TSize{400, 300}));
    struct Row { TPoint px; TPoint2D log; };
    for (const Row& r : {Row{{0, 0}, {-1.85, 0.9375}}, Row{{200, 150}, {-0.6, 0}}, Row{{400, 300}, {0.65, -0.9375}}}) {
        const TPoint2D got = p.PixelToLog(r.px);
        EXPECT_DOUBLE_EQ(got.x, r.log.x) << r.px.x;
        EXPECT_DOUBLE_EQ(got.y, r.log.y) << r.px.y;
    }

    p.SetView(TView::Create({-0.6, 0}, 0.00625, std::numbers::pi / 2));
    const TPoint2D rotated = p.PixelToLog({400, 150});
    EXPECT_NEAR(rotated.x, -0.6, 1e-15);
    EXPECT_DOUBLE_EQ(rotated.y, 1.25);

    // An odd width puts the centre between two pixels.
    p.SetView(TView::Create({0, 0}, 1, 0));
    p.SetSize({401, 300});
    EXPECT_EQ(p.PixelToLog({0, 150}).x, -200.5);
    // So does an odd height, vertically: half a pixel, not an integer half.
    p.SetSize({400, 301});
    EXPECT_EQ(p.PixelToLog({200, 150}).y, 0.5);
    EXPECT_EQ(p.PixelToLog({200, 0}).y, 150.5);
}

// Points halfway between pixels go to the even one, on both sides of zero.
TEST(Processor, LogToPixelRoundsTiesToEven)
{
    TProcessor p;
    p.SetView(TView::Create({0, 0}, 1, 0));
    p.SetSize({4, 4});
    struct Row { TPoint2D log; TPoint px; };
    for (const Row& r : {Row{{0.5, 0.5}, {2, 2}}, Row{{-0.5, -0.5}, {2, 2}}, Row{{1.5, -1.5}, {4, 4}},
                         Row{{-2.5, 2.5}, {0, 0}}, Row{{-3.5, 3.5}, {-2, -2}}}) {
        EXPECT_EQ(p.LogToPixel(r.log), r.px) << r.log.x << "," << r.log.y;
    }
}

TEST(Processor, LogToPixelInvertsPixelToLogForEveryPixel)
{
    TProcessor p;
    p.SetView(TView::Create({0.3, -0.2}, 1e-5, 0.4));
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x) {
            const TPoint back = p.LogToPixel(p.PixelToLog({x, y}));
            ASSERT_EQ(back, (TPoint{x, y}));
        }
}

TEST(Processor, ScaleZeroViewMapsEveryPixelToTheCentre)
{
    TProcessor p;
    p.SetView(TView::Create({0.5, 0.25}, 0, 0));
    EXPECT_EQ(p.PixelToLog({0, 0}), (TPoint2D{0.5, 0.25}));
    EXPECT_EQ(p.PixelToLog({399, 299}), (TPoint2D{0.5, 0.25}));
    EXPECT_FALSE(std::isfinite(p.LogToPxMatrix.m11()));
    (void)p.LogToPixel({0.5, 0.25});  // non-finite input to rounding: defined, no crash
}

TEST(ViewText, DefaultViewTextAndRoundTrip)
{
    const TView v = TView::Create({-0.6, 0}, 0.00625, 0);
    const std::string text = ViewToStr(v);
    EXPECT_EQ(text, "-6.000000000000000E-001,0.000000000000000E+000,6.250000000000000E-003,0.000000000000000E+000");
    EXPECT_EQ(StrToView(text), v);
    EXPECT_EQ(ViewToStr(TProcessor().View()), text);
}

TEST(ViewText, FieldsAfterTheFourthAreIgnoredAndMissingOnesFail)
{
    EXPECT_EQ(StrToView("1,2,3,4,5"), TView::Create({1, 2}, 3, 4));
    EXPECT_EQ(StrToView("1,2,0,4"), TView::Create({1, 2}, 0, 4));  // the empty view, not validated
    EXPECT_EQ(ErrorOf([] { StrToView("1,2,3"); }), "Invalid index");
    EXPECT_THROW(StrToView("1,two,3,4"), EConvertError);
}

TEST(ViewText, ViewComparisonIsExact)
{
    TView a = TView::Create({1, 2}, 3, 4);
    TView b = a;
    EXPECT_TRUE(a == b);
    b.Center.y = std::nextafter(2.0, 3.0);
    EXPECT_TRUE(a != b);
    b = a;
    b.Invalidate();
    EXPECT_FALSE(b.GetValid());
    EXPECT_EQ(b.Center, a.Center);
    EXPECT_TRUE(a.GetValid());
}

TEST(SizeText, ParsesWidthAndHeightAroundLowerCaseX)
{
    TSize s;
    ASSERT_TRUE(TryStrToSize("640x480", s));
    EXPECT_EQ(s, (TSize{640, 480}));
    ASSERT_TRUE(TryStrToSize("65535x65535", s));
    EXPECT_EQ(s, (TSize{MaxImageSide, MaxImageSide}));
    // Sizes beyond the limit are refused where they are typed, before any memory is asked for.
    for (const char* bad : {"640X480", "640", "0x480", "640x-1", "x480", "640x", "640x480x", "", "65536x1",
                            "1x65536", "2000000000x2000000000", "$7FFFFFFFx1"}) {
        TSize unchanged{1, 2};
        EXPECT_FALSE(TryStrToSize(bad, unchanged)) << bad;
        EXPECT_EQ(unchanged, (TSize{1, 2})) << bad;
    }
    EXPECT_EQ(SizeToStr({800, 600}), "800x600");
    EXPECT_EQ(StrToSize(SizeToStr({1920, 1080})), (TSize{1920, 1080}));
    EXPECT_EQ(ErrorOf([] { StrToSize("640X480"); }), "Invalid size.");
}

TEST(GetFieldOf, SplitsOutsideQuotes)
{
    struct Row { const char* text; int n; const char* field; };
    for (const Row& r : {Row{"a,b,c", 0, "a"}, Row{"a,b,c", 2, "c"}, Row{" a , b ", 1, " b "},
                         Row{"a,,c", 1, ""}, Row{"", 0, ""}, Row{"x,\"1,2\",y", 1, "1,2"},
                         Row{"x,\"1,2\",y", 2, "y"}, Row{"pre \"in,side\" post,z", 0, "in,side"},
                         Row{"\"\",z", 0, ""}, Row{"a;b,c", 1, "b,c"}}) {
        const char sep = std::string_view(r.text).find(';') != std::string_view::npos ? ';' : ',';
        EXPECT_EQ(GetFieldOf(r.text, r.n, sep), r.field) << r.text << " #" << r.n;
    }
}

TEST(GetFieldOf, MissingFieldOrOpenQuoteFailsWithInvalidIndex)
{
    for (auto f : {+[] { GetFieldOf("a,b", 2, ','); }, +[] { GetFieldOf("a,\"b", 0, ','); },
                   +[] { GetFieldOf("\"a,b", 0, ','); }, +[] { GetFieldOf("a", -1, ','); }})
        EXPECT_EQ(ErrorOf(f), "Invalid index");
}
