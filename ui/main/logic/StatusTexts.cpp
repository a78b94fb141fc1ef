#include "ui/main/logic/StatusTexts.h"

#include "engine/NumberFns.h"

namespace quillon {

double ZoomFigure(int ImageWidth, double Scale)
{
    return 1.0 / ImageWidth / Scale;
}

std::string ZoomText(double Zoom)
{
    if (Zoom < 100)
        return Format("%.1f", {Zoom});
    if (Zoom > 100000)
        return Format("%.2e", {Zoom});
    return Format("%.0f", {Zoom});
}

std::string CenterText(const TView& View)
{
    return Format("%.3f, %.3f", {View.Center.x, View.Center.y});
}

std::string PreciseCenterText(const TView& View)
{
    const TPreciseCenter c = View.PreciseCenter();
    return CenterCoordinateText(c.X, View.Scale) + ", " + CenterCoordinateText(c.Y, View.Scale);
}

std::string ProgressText(int LinesDone, int Lines)
{
    return Format("%d/%d lines", {LinesDone, Lines});
}

std::string AngleText(const TView& View)
{
    return Format("%.0f", {View.Angle * 57.29577951308232}) + "\u00B0";
}

std::string ElapsedText(double ElapsedMs)
{
    return Format("%.1fms", {ElapsedMs});
}

std::string MaxStepsHint(int MaxSteps)
{
    return Format("Maximum steps = %d", {MaxSteps});
}

std::string MaxAbsHint(double MaxAbs)
{
    return Format("Maximum absolute value = %.1f", {MaxAbs});
}

std::string FrameRateHint(float FrameRate)
{
    return Format("%.1f frames/s", {FrameRate});
}

} // namespace quillon
