#include "engine/AnimationSpeed.h"

#include <algorithm>
#include <cmath>

#include "engine/Errors.h"
#include "engine/NumberFns.h"

namespace quillon {

TConverter TConverter::Create(double Val0, double Val1, double Pos0, double Pos1, double ABase)
{
    if (Pos1 == 0.0 || ABase == 0.0)
        throw EQuillonError("Invalid logarithmic conversion parameters.");
    TConverter c;
    c.LnBase = std::log(ABase);
    c.Base = ABase;
    c.b = (Pos0 - Pos1) / (std::log(Val0 / Val1) / c.LnBase);
    c.a = std::log(Val0) / c.LnBase * c.b - Pos0;
    return c;
}

double TConverter::There(double val) const
{
    return std::pow(Base, (a + val) / b);
}

double TConverter::Back(double pos) const
{
    return std::log(pos) / LnBase * b - a;
}

TConverter MakeAnimationSpeedConverter()
{
    return TConverter::Create(1000, 20, 1, 10, 10);
}

int AnimationSpeedToInterval(const TConverter& Converter, int Speed)
{
    return static_cast<int>(RoundHalfEven(Converter.There(Speed)));
}

int IntervalToAnimationSpeed(const TConverter& Converter, int Interval)
{
    return static_cast<int>(RoundHalfEven(Converter.Back(Interval)));
}

float AnimationSpeedToFrameRate(const TConverter& Converter, int Speed)
{
    return static_cast<float>(1000.0 / AnimationSpeedToInterval(Converter, Speed));
}

int FrameRateToAnimationSpeed(const TConverter& Converter, float FrameRate)
{
    return IntervalToAnimationSpeed(Converter, static_cast<int>(RoundHalfEven(1000.0 / FrameRate)));
}

int ClampAnimationSpeed(int Speed)
{
    return std::clamp(Speed, MinAnimationSpeed, MaxAnimationSpeed);
}

} // namespace quillon
