#pragma once
// Scenery files (.qsf): everything needed to bring a picture back -- the view,
// the iteration parameters, the palette animation, the algorithm with its
// Julia point and the color map -- as an INI document in Windows-1252 with
// CR LF line ends. The file is applied through ISceneryHost, which the main
// window and the command-line renderer implement.
#include "engine/MandelbrotProcessor.h"

#include <string>
#include <string_view>

namespace quillon {

class TColorMap;
class TIniFile;

class ISceneryHost {
public:
    virtual ~ISceneryHost() = default;

    // What saving reads.
    virtual TView View() const = 0;
    virtual int MaxSteps() const = 0;
    virtual double MaxAbs() const = 0;
    virtual int AnimationSpeed() const = 0;
    virtual TUpDown AnimationDirection() const = 0;
    virtual double InteriorFactor() const = 0;
    virtual int ColorOffset() const = 0;
    virtual bool ColorWrapping() const = 0;
    virtual TAlgorithm Algorithm() const = 0;
    virtual TPoint2D JuliaPoint() const = 0;
    virtual const TColorMap& ColorMap() const = 0;
    // Interior coloring; a host without it never saves or applies it.
    virtual bool Interior() const { return false; }
    // Smooth colors; a host without them shows the palette's colors only.
    virtual bool SmoothColors() const { return false; }

    // What loading applies, each through the host's own setter.
    virtual void SetView(const TView& value) = 0;
    virtual void SetMaxSteps(int value) = 0;
    virtual void SetMaxAbs(double value) = 0;
    virtual void SetAnimationSpeed(int value) = 0;
    virtual void SetAnimationDirection(TUpDown value) = 0;
    virtual void SetInteriorFactor(double value) = 0;
    // Fails with "Invalid color offset." outside the palette in force.
    virtual void SetColorOffset(int value) = 0;
    virtual void SetColorWrapping(bool value) = 0;
    // May replace the view (the Julia set has a home view of its own).
    virtual void SetAlgorithm(TAlgorithm value) = 0;
    virtual void SetJuliaPoint(const TPoint2D& value) = 0;
    // Replaces the working map by Map; a new palette resets the color offset.
    virtual void SetColorMap(const TColorMap& map) = 0;
    virtual void SetInterior(bool) {}
    virtual void SetSmoothColors(bool) {}
    virtual void ClearHistory() = 0;
    virtual void StopRendering() = 0;
    // The render lock: while held, no setter starts a rendering.
    virtual void LockRendering() = 0;
    virtual void UnlockRendering() = 0;
};

// The render lock held for a scope: taken on construction, released on every
// way out.
class TRenderLock {
public:
    explicit TRenderLock(ISceneryHost& host) : FHost(host) { FHost.LockRendering(); }
    ~TRenderLock() { FHost.UnlockRendering(); }
    TRenderLock(const TRenderLock&) = delete;
    TRenderLock& operator=(const TRenderLock&) = delete;

private:
    ISceneryHost& FHost;
};

// The host's state as a scenery document.
void WriteScenery(const ISceneryHost& host, TIniFile& ini);
// Writes the host's state to Filename through a temporary file, so a failure
// leaves any previous file intact. Changes nothing in the host.
void SaveSceneryFile(const ISceneryHost& host, const std::string& filename);
// The text SaveSceneryFile writes, before encoding: UTF-8 with CR LF line ends.
std::string SceneryText(const ISceneryHost& host);

// Checks the type tag and version ("Invalid Quillon scenary file." and nothing
// changed), then clears the history, stops rendering and applies the values
// under the render lock. A failure after the check leaves what was applied
// before it; every value is parsed completely before it is applied.
void ApplyScenery(TIniFile& ini, ISceneryHost& host);
// Loads Filename (a UTF-8 or UTF-16 byte-order mark selects that encoding,
// else Windows-1252) and applies it. Rendering is not started.
void LoadSceneryFile(ISceneryHost& host, const std::string& filename);
// Applies a scenery document given as UTF-8 text (any line ends), as
// LoadSceneryFile applies a file.
void LoadSceneryFromText(ISceneryHost& host, std::string_view text);

} // namespace quillon
