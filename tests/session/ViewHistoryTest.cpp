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

TEST(ViewHistory, HomeViews)
{
    EXPECT_EQ(HomeView(alMandelbrot), TView::Create(TPoint2D::Create(-0.6, 0), 0.00625, 0));
    EXPECT_EQ(HomeView(alJulia), TView::Create(TPoint2D::Create(0, 0), 0.00625, 0));
}

} // namespace
} // namespace quillon
