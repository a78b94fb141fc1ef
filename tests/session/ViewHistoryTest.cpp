#include "session/ViewHistory.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

TView V(double x)
{
    return TView::Create(TPoint2D::Create(x, 0), 0.001, 0);
}

TEST(ViewHistory, PopReturnsNewestFirstAndFailsWhenEmpty)
{
    TViewHistory h;
    TView out = V(99);
    EXPECT_FALSE(h.Pop(out));
    EXPECT_EQ(out, V(99));
    h.Push(V(1));
    h.Push(V(2));
    h.Push(V(3));
    for (double x : {3.0, 2.0, 1.0}) {
        ASSERT_TRUE(h.Pop(out));
        EXPECT_EQ(out, V(x));
    }
    EXPECT_FALSE(h.Pop(out));
    EXPECT_EQ(out, V(1));
}

TEST(ViewHistory, SecondIsTheTargetOfTheFirstZoom)
{
    TViewHistory h;
    TView out = V(99);
    h.Push(V(1));
    EXPECT_FALSE(h.Second(out));
    EXPECT_EQ(out, V(99));
    h.Push(V(2));
    h.Push(V(3));
    ASSERT_TRUE(h.Second(out));
    EXPECT_EQ(out, V(2));
    EXPECT_EQ(h.Count(), 3); // reading does not pop
}

TEST(ViewHistory, NoLimitAndClearKeepsNothing)
{
    TViewHistory h;
    for (int i = 0; i < 1000; ++i)
        h.Push(V(i));
    EXPECT_EQ(h.Count(), 1000);
    TView out;
    for (int i = 999; i >= 0; --i) {
        ASSERT_TRUE(h.Pop(out));
        ASSERT_EQ(out, V(i));
    }
    h.Push(V(1));
    h.Clear();
    EXPECT_FALSE(h.Pop(out));
}

TEST(ViewHistory, AssignedCopiesAreIndependent)
{
    TViewHistory a;
    a.Push(V(1));
    a.Push(V(2));
    TViewHistory b;
    b.Assign(a);
    a.Clear();
    a.Push(V(7));
    TView out;
    ASSERT_TRUE(b.Pop(out));
    EXPECT_EQ(out, V(2));
    ASSERT_TRUE(a.Pop(out));
    EXPECT_EQ(out, V(7));
}

// Zooms from V(0) to V(1), V(2), V(3): three views behind V(3).
TViewHistory ZoomedThrice()
{
    TViewHistory h;
    for (double x : {0.0, 1.0, 2.0})
        h.Push(V(x));
    return h;
}

TEST(ViewHistory, ForwardRetracesWhatBackLeft)
{
    TViewHistory h = ZoomedThrice();
    TView current = V(3);
    TView out = V(99);
    EXPECT_FALSE(h.Forward(current, out)); // nothing ahead yet
    EXPECT_EQ(out, V(99));
    for (double x : {2.0, 1.0, 0.0}) {
        ASSERT_TRUE(h.Back(current, out));
        EXPECT_EQ(out, V(x));
        current = out;
    }
    EXPECT_FALSE(h.Back(current, out));
    EXPECT_EQ(h.ForwardCount(), 3);
    for (double x : {1.0, 2.0, 3.0}) {
        ASSERT_TRUE(h.Forward(current, out));
        EXPECT_EQ(out, V(x));
        current = out;
    }
    EXPECT_FALSE(h.Forward(current, out));
    EXPECT_EQ(h.Count(), 3);
    // Back and forth again, as often as the user likes.
    ASSERT_TRUE(h.Back(current, out));
    EXPECT_EQ(out, V(2));
    ASSERT_TRUE(h.Forward(out, out));
    EXPECT_EQ(out, V(3));
}

TEST(ViewHistory, ANewViewEndsTheWayForward)
{
    struct TCase {
        const char* Name;
        void (*Act)(TViewHistory& h, const TView& current);
    };
    const TCase cases[] = {
        {"a zoom into a target", [](TViewHistory& h, const TView& c) { h.Push(c); }},
        {"a pan or a zoom about a point", [](TViewHistory& h, const TView&) { h.NoteView(V(1.5)); }},
        {"Home, Reset or a scene loaded", [](TViewHistory& h, const TView&) { h.Clear(); }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TViewHistory h = ZoomedThrice();
        TView out;
        ASSERT_TRUE(h.Back(V(3), out));
        ASSERT_TRUE(h.Back(out, out));
        ASSERT_EQ(h.ForwardCount(), 2);
        c.Act(h, out);
        EXPECT_EQ(h.ForwardCount(), 0);
        TView kept = V(99);
        EXPECT_FALSE(h.Forward(V(1.5), kept));
        EXPECT_EQ(kept, V(99));
    }
    // The view Back arrived at is no new view.
    TViewHistory h = ZoomedThrice();
    TView out;
    ASSERT_TRUE(h.Back(V(3), out));
    h.NoteView(out);
    EXPECT_EQ(h.ForwardCount(), 1);
    // Stepping forward from another view than the one Back left is refused.
    TView kept = V(99);
    EXPECT_FALSE(h.Forward(V(7), kept));
    EXPECT_EQ(kept, V(99));
}

TEST(ViewHistory, AssignCarriesTheWayForward)
{
    // The Mandelbrot/Julia switch keeps a copy and brings it back.
    TViewHistory h = ZoomedThrice();
    TView out;
    ASSERT_TRUE(h.Back(V(3), out));
    TViewHistory kept;
    kept.Assign(h);
    h.Clear();
    kept.NoteView(V(2));
    ASSERT_TRUE(kept.Forward(V(2), out));
    EXPECT_EQ(out, V(3));
}

TEST(ViewHistory, HomeViews)
{
    EXPECT_EQ(HomeView(alMandelbrot), TView::Create(TPoint2D::Create(-0.6, 0), 0.00625, 0));
    EXPECT_EQ(HomeView(alJulia), TView::Create(TPoint2D::Create(0, 0), 0.00625, 0));
}

} // namespace
} // namespace quillon
