#pragma once
// What the options chapters see of the session: each chapter gets the narrow
// part it edits, so that it can be tested without a window.
#include "engine/MandelbrotProcessor.h"

namespace quillon {

class TColorMap;

class IViewChapterHost {
public:
    virtual ~IViewChapterHost() = default;
    virtual TView View() const = 0;
    virtual TSize Size() const = 0;
    // Applies both with a single start of rendering; nothing when both are unchanged.
    virtual void Setup(const TSize& ASize, const TView& AView) = 0;
};

class IAlgorithmChapterHost {
public:
    virtual ~IAlgorithmChapterHost() = default;
    virtual int MaxSteps() const = 0;
    virtual void SetMaxSteps(int Value) = 0;
    virtual double MaxAbs() const = 0;
    virtual void SetMaxAbs(double Value) = 0;
    virtual TAlgorithm Algorithm() const = 0;
    virtual TPoint2D JuliaPoint() const = 0;
    // As the Mandelbrot/Julia switch: the Julia set of Point with the
    // Mandelbrot state kept, or back to that state (Point is kept for later).
    // Nothing renders when both are unchanged.
    virtual void SetAlgorithmAndJuliaPoint(TAlgorithm Value, const TPoint2D& Point) = 0;
};

class IPaletteChapterHost {
public:
    virtual ~IPaletteChapterHost() = default;
    // The working map; assigning to it installs its palette.
    virtual TColorMap& ColorMap() = 0;
    virtual const TColorMap& DefaultColorMap() const = 0;
};

class IEffectsChapterHost {
public:
    virtual ~IEffectsChapterHost() = default;
    virtual TUpDown AnimationDirection() const = 0;
    virtual void SetAnimationDirection(TUpDown Value) = 0;
    virtual bool ColorWrapping() const = 0;
    virtual void SetColorWrapping(bool Value) = 0;
    virtual int AnimationSpeed() const = 0;
    virtual void SetAnimationSpeed(int Value) = 0;
    virtual float AnimationSpeedToFrameRate(int Value) const = 0;
    virtual int FrameRateToAnimationSpeed(float Value) const = 0;
    // The processor's color offset; the setter refuses values outside the palette.
    virtual int ColorOffset() const = 0;
    virtual void SetColorOffset(int Value) = 0;
    virtual double InteriorFactor() const = 0;
    virtual void SetInteriorFactor(double Value) = 0;
    virtual bool SmoothColors() const = 0;
    virtual void SetSmoothColors(bool Value) = 0;
};

// Everything the system's chapters edit.
class IOptionsHost : public IViewChapterHost,
                     public IAlgorithmChapterHost,
                     public IPaletteChapterHost,
                     public IEffectsChapterHost {};

} // namespace quillon
