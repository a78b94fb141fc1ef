#include "engine/AnimationSpeed.h"

#include <gtest/gtest.h>

#include "engine/Errors.h"
#include "engine/NumberFns.h"

namespace quillon {
namespace {

struct SpeedRow {
    int Speed;
    int Interval;
    const char* FrameRate;
};

class AnimationSpeedTable : public ::testing::TestWithParam<SpeedRow> {};

TEST_P(AnimationSpeedTable, IntervalFrameRateAndRoundTrip)
{
    const auto row = GetParam();
    const TConverter c = MakeAnimationSpeedConverter();
    EXPECT_EQ(AnimationSpeedToInterval(c, row.Speed), row.Interval);
    EXPECT_EQ(Format("%.1f frames/s", {AnimationSpeedToFrameRate(c, row.Speed)}),
              std::string(row.FrameRate) + " frames/s");
    EXPECT_EQ(IntervalToAnimationSpeed(c, row.Interval), row.Speed);
}

INSTANTIATE_TEST_SUITE_P(Speeds, AnimationSpeedTable,
                         ::testing::Values(SpeedRow{1, 1000, "1.0"}, SpeedRow{2, 647, "1.5"},
                                           SpeedRow{3, 419, "2.4"}, SpeedRow{4, 271, "3.7"},
                                           SpeedRow{5, 176, "5.7"}, SpeedRow{6, 114, "8.8"},
                                           SpeedRow{7, 74, "13.5"}, SpeedRow{8, 48, "20.8"},
                                           SpeedRow{9, 31, "32.3"}, SpeedRow{10, 20, "50.0"}));

TEST(AnimationSpeed, FrameRateGivesNearestSpeed)
{
    const TConverter c = MakeAnimationSpeedConverter();
    const std::pair<float, int> rows[] = {{1, 1}, {2, 3}, {5, 5}, {10, 6}, {25, 8}, {50, 10}};
    for (const auto& [rate, speed] : rows)
        EXPECT_EQ(FrameRateToAnimationSpeed(c, rate), speed) << rate;
}

TEST(AnimationSpeed, InvalidParametersAreRefused)
{
    try {
        (void)TConverter::Create(1000, 20, 1, 0, 10);
        FAIL() << "no error";
    } catch (const EQuillonError& e) {
        EXPECT_STREQ(e.what(), "Invalid logarithmic conversion parameters.");
    }
    EXPECT_THROW((void)TConverter::Create(1000, 20, 1, 10, 0), EQuillonError);
}

TEST(AnimationSpeed, StoredSpeedsAreClampedToTheScale)
{
    EXPECT_EQ(ClampAnimationSpeed(20), 10);
    EXPECT_EQ(ClampAnimationSpeed(0), 1);
    EXPECT_EQ(ClampAnimationSpeed(7), 7);
}

} // namespace
} // namespace quillon
