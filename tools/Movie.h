#pragma once
// Zoom movies: the path of views from one scene to another, the frames as
// PNG files that carry their scene, and the video made of them.
#include "CommandLine.h"
#include "engine/MandelbrotProcessor.h"
#include "imageio/PngWriter.h"
#include "imageio/VideoWriter.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

class TProgress;
class TSession;

// Frames of one movie at most: a day of video at 60 frames per second.
inline constexpr int MaxMovieFrames = 5184000;

// The view of frame K (0 .. Frames - 1, t = K / (Frames - 1)) of a zoom from
// Start to End: the scale goes geometrically from Start's to End's (the same
// factor from frame to frame), the angle linearly, and the center is
// c1 + (c0 - c1) (1 - t) s/s0, so that End's center travels at constant speed
// from where Start shows it to the middle while the picture grows around it.
// The first and the last frame have Start's and End's view exactly. The center
// is computed at the ends' full precision and kept to far below a pixel; it
// is plain doubles where they come within 1/4096 of a pixel.
TView ZoomFrameView(const TView& start, const TView& end, int frames, int k);

// Fails with EQuillonError unless both scales are finite, not 0 and of one
// sign, and the centers and angles are finite.
void CheckZoomViews(const TView& start, const TView& end, const std::string& startName, const std::string& endName);

// A frame file pattern holds one integer conversion, %d, %Nd or %0Nd (N up to
// 9), in its file name; %% stands for a percent sign. Fails with EUsageError
// otherwise or when it does not end in ".png".
void CheckFramePattern(const std::string& pattern);
// The file name of frame K.
std::string FrameFileName(const std::string& pattern, int k);
// The frames present: the numbers of the files in the pattern's folder whose
// names the pattern gives, in ascending order.
std::vector<int> FindFrames(const std::string& pattern);

// "A-B" with 0 <= A <= B; no value otherwise.
std::optional<std::pair<int, int>> TryStrToFrameRange(std::string_view text);
// "30", "29.97" or "30000/1001", positive and at most 1000; no value otherwise.
std::optional<TFrameRate> TryStrToFrameRate(std::string_view text);

// Checks how the movie options go together: fails with EUsageError when they
// clash. False when the command line makes no movie and assembles none.
bool CheckMovieOptions(const TRenderOptions& options);

// PNG pictures made with more than one sample per pixel say so in a text chunk
// of this keyword ("3x3"): a resumed movie run tells its frames from those of
// a run with other samples, which carry the same scene.
inline constexpr std::string_view SamplesChunkKeyword = "Quillon samples";
std::optional<std::string> SamplesChunkText(int samples);

// What the renderer's main unit provides: loading scenes with its messages,
// the early check of outputs, the PNG texts, and the interruption by signals.
struct TMovieHooks {
    std::function<void(TSession&, const std::string&)> LoadScene;
    std::function<void(const std::string&)> CheckWritable;
    // The text chunks of a PNG of the session rendered with samples x samples per pixel.
    std::function<std::vector<TPngTextChunk>(const TSession&, int samples)> PngTexts;
    std::function<bool()> Interrupted;
    // Throws when interrupted.
    std::function<void()> CheckInterrupted;
};

// --zoom-to: renders the frames of Options' range that are not complete yet
// into PNG files, and encodes the movie when --video is given (from the
// frame files when there are any). Returns the exit status.
int RunZoomMovie(const TRenderOptions& options, TProgress& progress, const TMovieHooks& hooks);

// --assemble: encodes the frames 0, 1, ... that the pattern names into the video.
int RunAssemble(const TRenderOptions& options, TProgress& progress, const TMovieHooks& hooks);

} // namespace quillon
