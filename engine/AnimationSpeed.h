#pragma once
// The palette animation's speed scale: speeds 1 to 10 map logarithmically to
// timer intervals from 1000 ms down to 20 ms. Shared by the window and the
// command-line renderer, so both agree on intervals and GIF frame delays.

namespace quillon {

// Maps a logarithmic quantity ("value") to a linear one ("position") and back.
struct TConverter {
    double a = 0.0;      // offset of the linear scale
    double b = 1.0;      // slope per unit of log to Base
    double Base = 10.0;
    double LnBase = 0.0;

    // Val0 maps to Pos0 and Val1 to Pos1. Fails with
    // "Invalid logarithmic conversion parameters." when Pos1 or ABase is 0.
    static TConverter Create(double Val0, double Val1, double Pos0, double Pos1, double ABase);

    // Position to value.
    double There(double val) const;
    // Value to position.
    double Back(double pos) const;
};

constexpr int MinAnimationSpeed = 1;
constexpr int MaxAnimationSpeed = 10;
constexpr int DefaultAnimationSpeed = 5;

// The converter of the speed scale: 1000 ms at speed 1, 20 ms at speed 10.
TConverter MakeAnimationSpeedConverter();

// Speed to timer interval in ms, rounded half to even.
int AnimationSpeedToInterval(const TConverter& Converter, int Speed);
// Timer interval in ms back to the nearest speed.
int IntervalToAnimationSpeed(const TConverter& Converter, int Interval);
// Frames per second of a speed.
float AnimationSpeedToFrameRate(const TConverter& Converter, int Speed);
// The speed nearest to a frame rate.
int FrameRateToAnimationSpeed(const TConverter& Converter, float FrameRate);

// Speeds outside 1..10 would give intervals below 20 ms or non-positive
// ones; values from storage are clamped to the scale.
int ClampAnimationSpeed(int Speed);

} // namespace quillon
