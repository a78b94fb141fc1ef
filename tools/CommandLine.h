#pragma once
// The command line of quillon-render.
#include "engine/Errors.h"
#include "engine/MandelbrotProcessor.h"
#include "engine/Matrix2D.h"
#include "imageio/VideoWriter.h"

#include <optional>
#include <string>
#include <vector>

namespace quillon {

// A command line that cannot be run as given (exit status 2).
class EUsageError : public EQuillonError {
public:
    using EQuillonError::EQuillonError;
};

struct TRenderOptions {
    std::string Scene;           // empty: the program's default state
    std::string Output;          // -o: the image
    std::string SceneOutput;     // --write-scene
    std::string AnimationOutput; // --animate
    TSize Size{800, 600};
    int Threads = 0;             // 0: one per logical processor
    std::optional<int> Steps;    // overrides the scene's iteration limit
    bool ScalarKernel = false;   // the one-pixel-at-a-time kernel instead of the vectorised one
    bool Interior = false;       // turns interior coloring on, whatever the scene says
    TDeepMode Deep = TDeepMode::Auto; // --deep: perturbation where needed, always or never
    bool Smooth = false;         // smooth colors for this rendering
    int Supersample = 1;         // N x N samples per pixel of the image
    bool Bench = false;
    bool Help = false;
    bool Version = false;

    // Zoom movies: the scene above is where they start.
    std::string ZoomTo;                           // --zoom-to: the end scene
    int Frames = 0;                               // --frames
    std::string Video;                            // --video
    std::optional<TFrameRate> FrameRate;          // --fps (30 unless given)
    std::optional<std::pair<int, int>> FrameRange; // --frame-range: first and last frame
    std::string Assemble;                         // --assemble: the frames' file pattern

    bool WritesImage() const { return !Output.empty() || !AnimationOutput.empty(); }
};

// Parses the arguments after the program name. Fails with EUsageError for an
// unknown option, a missing or malformed option argument, a second scene,
// nothing to do, or outputs that clash; the size fails with "Invalid size.".
TRenderOptions ParseCommandLine(const std::vector<std::string>& args);

// The --help text.
std::string UsageText();

} // namespace quillon
