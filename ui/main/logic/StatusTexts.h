#pragma once
// The texts of the main window's status bar and control bar tooltips.
#include <string>

#include "engine/MandelbrotProcessor.h"

namespace quillon {

// 1 / image width / scale: the reciprocal of the plane width the image spans.
double ZoomFigure(int ImageWidth, double Scale);
// "%.1f" below 100, "%.2e" above 100000, "%.0f" in between.
std::string ZoomText(double Zoom);
// "%.3f, %.3f" of the view centre.
std::string CenterText(const TView& View);
// The view centre with as many digits as its scale needs: the status bar's
// hint on the centre panel.
std::string PreciseCenterText(const TView& View);
// Progress of a rendering: "%d/%d lines".
std::string ProgressText(int LinesDone, int Lines);
// The view angle in whole degrees with a degree sign.
std::string AngleText(const TView& View);
// "%.1fms".
std::string ElapsedText(double ElapsedMs);
// "Maximum steps = %d" and "Maximum absolute value = %.1f".
std::string MaxStepsHint(int MaxSteps);
std::string MaxAbsHint(double MaxAbs);
// Tooltip of the Animation track bar: "%.1f frames/s".
std::string FrameRateHint(float FrameRate);

} // namespace quillon
