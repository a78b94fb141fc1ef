#include "colormap/ColorMap.h"

#include "engine/ColorModelFns.h"
#include "engine/Errors.h"

#include <gtest/gtest.h>

#include <deque>
#include <limits>
#include <numeric>

using namespace quillon;

namespace {

// Counts change events; the handler also checks that ColorCount is consistent
// whenever the event fires.
class ColorMapEvents : public ::testing::Test {
protected:
    void SetUp() override
    {
        FMap.OnChanged = [this](TColorMap& sender) {
            EXPECT_EQ(&sender, &FMap);
            int sum = 0;
            for (int i = 0; i < sender.Count(); ++i) sum += sender.GetItem(i).Count();
            EXPECT_EQ(sender.ColorCount(), sum);
            ++FEvents;
        };
    }
    // Runs Op and returns the number of events it fired.
    template <class F>
    int EventsOf(F op)
    {
        FEvents = 0;
        op();
        return FEvents;
    }
    TColorMap FMap;
    int FEvents = 0;
};

void Fill(TColorMap& map, std::initializer_list<std::pair<TColor, int>> nodes)
{
    map.Clear();
    for (auto [color, count] : nodes) map.Add(color, count);
}

std::string ErrorOf(const std::function<void()>& op)
{
    try {
        op();
    } catch (const EQuillonError& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace

TEST(ColorMapExpansion, BuiltInDefaultGives97Entries)
{
    TColorMap map;
    map.Default();
    EXPECT_EQ(map.Count(), 7);
    EXPECT_EQ(map.ColorCount(), 97);
    const auto colors = map.AsColorArray();
    ASSERT_EQ(colors.size(), 97u);
    EXPECT_EQ(colors[0], 0xFF0000u);
    EXPECT_EQ(colors[8], 0xFF0080u);  // blue to magenta at T = 0.5: red 127.5 rounds to even 128
    EXPECT_EQ(colors[16], 0xFF00FFu);
    EXPECT_EQ(colors[32], 0x0000FFu);
    EXPECT_EQ(colors[96], 0xFF0000u);
    for (int i = 1; i < 16; ++i) {
        EXPECT_EQ(colors[i] & 0xFFFF00u, 0xFF0000u) << i;       // blue stays, green stays 0
        EXPECT_LT(GetRValue(colors[i - 1]), GetRValue(colors[i])) << i;  // red rises
    }
}

TEST(ColorMapExpansion, ApplicationDefaultGives256Entries)
{
    TColorMap map;
    SetApplicationDefaultColorMap(map);
    EXPECT_EQ(map.Count(), 8);
    EXPECT_EQ(map.ColorCount(), 256);
    const auto colors = map.AsColorArray();
    ASSERT_EQ(colors.size(), 256u);
    EXPECT_EQ(colors[0], clBlack);
    EXPECT_EQ(colors[1], clBlue);
    EXPECT_EQ(colors[43], 0xFF00FFu);
    EXPECT_EQ(colors[255], clBlue);
}

TEST(ColorMapExpansion, BlendsFromThePreviousNode)
{
    TColorMap map;
    Fill(map, {{clBlack, 1}, {clRed, 4}});
    EXPECT_EQ(map.AsColorArray(), (std::vector<TColor>{0, 64, 128, 191, 255}));

    Fill(map, {{clLime, 1}});
    EXPECT_EQ(map.AsColorArray(), std::vector<TColor>{clLime});
}

TEST(ColorMapExpansion, RefusesEmptyMapAndLongFirstNode)
{
    TColorMap map;
    EXPECT_EQ(ErrorOf([&] { map.AsColorArray(); }), "Invalid color map.");
    Fill(map, {{clRed, 2}, {clBlue, 3}});
    EXPECT_EQ(ErrorOf([&] { map.AsColorArray(); }), "Invalid color map.");
}

// A one-line file can ask for billions of colors: refused before anything is allocated.
TEST(ColorMapExpansion, RefusesMapsLongerThanTheLimit)
{
    TColorMap map;
    map.SetAsString("$000000\r\n$FFFFFF, 2000000000\r\n");
    EXPECT_EQ(map.ColorCount(), 2000000001);
    EXPECT_EQ(ErrorOf([&] { map.AsColorArray(); }), "Too many colors in the color map (up to 65536).");
    map.Items(1).SetCount(MaxColorMapColors - 1);
    EXPECT_EQ(map.AsColorArray().size(), static_cast<std::size_t>(MaxColorMapColors));
    map.Items(1).SetCount(MaxColorMapColors);
    EXPECT_EQ(ErrorOf([&] { map.AsColorArray(); }), "Too many colors in the color map (up to 65536).");
}

TEST_F(ColorMapEvents, OneEventPerOperationNoneWithoutChange)
{
    EXPECT_EQ(EventsOf([&] { FMap.Clear(); }), 0);
    EXPECT_EQ(EventsOf([&] { FMap.Default(); }), 1);
    EXPECT_EQ(EventsOf([&] { FMap.Default(); }), 0);
    EXPECT_EQ(EventsOf([&] { FMap.Add(clWhite, 3); }), 1);
    EXPECT_EQ(FMap.ColorCount(), 100);
    EXPECT_EQ(EventsOf([&] { FMap.Insert(clBlack, 1, 0); }), 1);
    EXPECT_EQ(FMap.GetItem(0).Color(), clBlack);
    EXPECT_EQ(FMap.ColorCount(), 101);
    EXPECT_EQ(EventsOf([&] { FMap.Delete(2); }), 1);  // blue-to-magenta node of count 16
    EXPECT_EQ(FMap.ColorCount(), 85);
    EXPECT_EQ(EventsOf([&] { FMap.Clear(); }), 1);
    EXPECT_EQ(FMap.Count(), 0);
    EXPECT_EQ(FMap.ColorCount(), 0);
}

TEST_F(ColorMapEvents, AssignFiresOnlyForADifferentMap)
{
    TColorMap other;
    other.Default();
    EXPECT_EQ(EventsOf([&] { FMap.Assign(other); }), 1);
    EXPECT_TRUE(FMap.Compare(other));
    EXPECT_EQ(FMap.ColorCount(), 97);
    EXPECT_EQ(EventsOf([&] { FMap.Assign(other); }), 0);
    EXPECT_EQ(EventsOf([&] { FMap.Assign(FMap); }), 0);
    other.GetItem(3).SetCount(2);
    EXPECT_EQ(EventsOf([&] { FMap.Assign(other); }), 1);
    EXPECT_EQ(FMap.ColorCount(), 83);
    // The copy is independent of its source.
    other.GetItem(3).SetCount(5);
    EXPECT_EQ(FMap.GetItem(3).Count(), 2);
}

TEST_F(ColorMapEvents, NodeSettersIgnoreNoChangeAndCountsBelowOne)
{
    Fill(FMap, {{clBlack, 1}, {clRed, 16}});
    TColorMap::TItem& node = FMap.GetItem(1);
    EXPECT_EQ(EventsOf([&] { node.SetCount(0); }), 0);
    EXPECT_EQ(EventsOf([&] { node.SetCount(-5); }), 0);
    EXPECT_EQ(EventsOf([&] { node.SetCount(16); }), 0);
    EXPECT_EQ(node.Count(), 16);
    EXPECT_EQ(EventsOf([&] { node.SetCount(4); }), 1);
    EXPECT_EQ(FMap.ColorCount(), 5);
    EXPECT_EQ(EventsOf([&] { node.SetColor(clRed); }), 0);
    EXPECT_EQ(EventsOf([&] { node.SetColor(clBlue); }), 1);
    // A color is always stored as plain RGB.
    EXPECT_EQ(EventsOf([&] { node.SetColor(0x7F00FF00); }), 1);
    EXPECT_EQ(node.Color(), clLime);
    EXPECT_EQ(EventsOf([&] { node.SetColor(0x0100FF00); }), 0);
}

TEST_F(ColorMapEvents, ExchangeSwapsColorAndCount)
{
    Fill(FMap, {{clBlack, 1}, {clRed, 16}, {clBlue, 4}, {clRed, 16}});
    EXPECT_EQ(EventsOf([&] { FMap.Exchange(1, 1); }), 0);
    EXPECT_EQ(EventsOf([&] { FMap.Exchange(1, 3); }), 0);  // equal nodes
    EXPECT_EQ(EventsOf([&] { FMap.Exchange(2, 1); }), 1);
    EXPECT_EQ(FMap.GetItem(1).Color(), clBlue);
    EXPECT_EQ(FMap.GetItem(1).Count(), 4);
    EXPECT_EQ(FMap.GetItem(2).Color(), clRed);
    EXPECT_EQ(FMap.GetItem(2).Count(), 16);
    EXPECT_EQ(FMap.ColorCount(), 37);
    for (auto [a, b] : {std::pair{-1, 0}, {0, 4}, {4, 4}}) {
        EXPECT_EQ(EventsOf([&] { EXPECT_EQ(ErrorOf([&] { FMap.Exchange(a, b); }), "ColorMap index out of range."); }), 0);
    }
}

TEST_F(ColorMapEvents, ColorArrayCompressionReplacesNodesUnlessEqual)
{
    const std::vector<TColor> colors{clBlack, clRed, clBlue};
    EXPECT_EQ(EventsOf([&] { FMap.SetAsColorArray(colors); }), 1);
    EXPECT_EQ(FMap.Count(), 3);
    EXPECT_EQ(FMap.ColorCount(), 3);
    EXPECT_EQ(FMap.AsColorArray(), colors);
    EXPECT_EQ(EventsOf([&] { FMap.SetAsColorArray(colors); }), 0);
    // Same colors, but a node spanning two entries: the nodes differ.
    FMap.GetItem(2).SetCount(2);
    EXPECT_EQ(EventsOf([&] { FMap.SetAsColorArray(colors); }), 1);
    EXPECT_EQ(FMap.ColorCount(), 3);
    // The expansion of a blended map compresses into one node per entry.
    TColorMap blended;
    blended.Default();
    EXPECT_EQ(EventsOf([&] { FMap.SetAsColorArray(blended.AsColorArray()); }), 1);
    EXPECT_EQ(FMap.Count(), 97);
    EXPECT_EQ(FMap.AsColorArray(), blended.AsColorArray());
    EXPECT_EQ(EventsOf([&] { FMap.SetAsColorArray({}); }), 1);
    EXPECT_EQ(FMap.Count(), 0);
}

TEST_F(ColorMapEvents, FailedOperationsChangeNothingAndKeepTheLockBalanced)
{
    FMap.Default();
    EXPECT_EQ(EventsOf([&] {
                  EXPECT_THROW(FMap.Insert(clWhite, 1, 8), ERangeError);
                  EXPECT_THROW(FMap.Insert(clWhite, 1, -1), ERangeError);
                  EXPECT_THROW(FMap.Insert(clWhite, 0, 1), ERangeError);
                  EXPECT_THROW(FMap.Delete(7), ERangeError);
                  EXPECT_THROW(FMap.GetItem(-1), ERangeError);
                  EXPECT_THROW(FMap.RandomMap(1, 10), ERangeError);
                  EXPECT_THROW(FMap.RandomMap(std::numeric_limits<int>::min(), 5), ERangeError);
                  EXPECT_THROW(FMap.GetItem(6).SetCount(0x7FFFFFF0), ERangeError);  // total beyond 32 bits
              }),
              0);
    TColorMap expected;
    expected.Default();
    EXPECT_TRUE(FMap.Compare(expected));
    EXPECT_EQ(FMap.ColorCount(), 97);
    // The change lock was restored on every way out.
    EXPECT_EQ(EventsOf([&] { FMap.Add(clWhite, 1); }), 1);
}

TEST_F(ColorMapEvents, HandlerSeesTheFinishedMap)
{
    int nodesSeen = -1;
    FMap.OnChanged = [&](TColorMap& m) { nodesSeen = m.Count(); };
    FMap.Default();
    EXPECT_EQ(nodesSeen, 7);
}

// Records the ranges RandomMap asks for and answers from a script.
class ScriptedRandom : public TRandomGenerator {
public:
    std::deque<int> Ints;
    std::deque<float> Floats;
    std::vector<int> Ranges;
    int Random(int range) override
    {
        Ranges.push_back(range);
        int v = Ints.empty() ? 0 : Ints.front();
        if (!Ints.empty()) Ints.pop_front();
        return v;
    }
    float RandomFloat() override
    {
        float v = Floats.empty() ? 0.f : Floats.front();
        if (!Floats.empty()) Floats.pop_front();
        return v;
    }
};

TEST_F(ColorMapEvents, RandomMapSpreadsTheRemainingColors)
{
    ScriptedRandom random;
    // Node colors: (H, U, L) per node, saturation 0.5 + U / 2.
    random.Floats = {0.f, 1.f - 1.f / 16777216.f, 0.5f, 2.f / 3.f, 0.f, 0.25f, 0.f, 0.f, 0.5f};
    // (Step = 1 + R(Remaining div 2), Target = 1 + R(NodeCount - 1)) while Remaining is 7, 4, 2, 1.
    random.Ints = {2, 1, 1, 0, 0, 1, 0, 0};
    EXPECT_EQ(EventsOf([&] { FMap.RandomMap(3, 10, random); }), 1);
    EXPECT_EQ(random.Ranges, (std::vector<int>{3, 2, 2, 2, 1, 2, 0, 2}));
    ASSERT_EQ(FMap.Count(), 3);
    EXPECT_EQ(FMap.GetItem(0).Count(), 1);
    EXPECT_EQ(FMap.GetItem(1).Count(), 1 + 2 + 1);
    EXPECT_EQ(FMap.GetItem(2).Count(), 1 + 3 + 1);
    EXPECT_EQ(FMap.ColorCount(), 10);
    EXPECT_EQ(FMap.GetItem(0).Color(), HSLToColor({0.f, 0.5f + (1.f - 1.f / 16777216.f) / 2, 0.5f}));
    EXPECT_EQ(FMap.GetItem(0).Color(), clRed);
    EXPECT_EQ(FMap.GetItem(1).Color(), HSLToColor({2.f / 3.f, 0.5f, 0.25f}));
    EXPECT_EQ(FMap.GetItem(2).Color(), HSLToColor({0.f, 0.5f, 0.5f}));
}

TEST(ColorMapRandom, CountsAddUpAndNodeZeroStaysSingle)
{
    TRandomGenerator random(42);
    TColorMap map;
    map.RandomMap(12, 256, random);
    ASSERT_EQ(map.Count(), 12);
    EXPECT_EQ(map.GetItem(0).Count(), 1);
    int sum = 0;
    for (int i = 0; i < map.Count(); ++i) sum += map.GetItem(i).Count();
    EXPECT_EQ(sum, 256);
    EXPECT_EQ(map.ColorCount(), 256);
    EXPECT_EQ(map.AsColorArray().size(), 256u);

    // The same seed gives the same map.
    TRandomGenerator again(42);
    TColorMap copy;
    copy.RandomMap(12, 256, again);
    EXPECT_TRUE(copy.Compare(map));

    map.RandomMap(300, 256, random);
    EXPECT_EQ(map.Count(), 300);
    EXPECT_EQ(map.ColorCount(), 300);
    for (int i = 0; i < map.Count(); ++i) EXPECT_EQ(map.GetItem(i).Count(), 1);
}

TEST(ColorMapRandom, GeneratorStaysInRange)
{
    TRandomGenerator random(7);
    EXPECT_EQ(random.Random(0), 0);
    EXPECT_EQ(random.Random(-3), 0);
    for (int i = 0; i < 10000; ++i) {
        const int v = random.Random(5);
        EXPECT_TRUE(v >= 0 && v < 5);
        const float f = random.RandomFloat();
        EXPECT_TRUE(f >= 0.f && f < 1.f);
    }
}
