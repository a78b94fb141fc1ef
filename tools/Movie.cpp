#include "Movie.h"

#include "Progress.h"
#include "RenderSession.h"

#include "engine/Errors.h"
#include "engine/FileFns.h"
#include "engine/NumberFns.h"
#include "engine/RgbPicture.h"
#include "imageio/PngReader.h"
#include "persist/SceneImage.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <new>
#include <numeric>
#include <thread>

namespace quillon {

namespace {

constexpr auto PollInterval = std::chrono::milliseconds(5);
constexpr int MaxPatternWidth = 9;
constexpr double MaxFrameRate = 1000;

// A frame file pattern taken apart: Prefix, the number, Suffix.
struct TFramePattern {
    std::string Prefix;
    std::string Suffix;
    int Width = 0;
    bool ZeroPad = false;
};

TFramePattern ParseFramePattern(const std::string& pattern)
{
    auto invalid = [&](const std::string& why) {
        return EUsageError("Invalid frame file pattern '" + pattern + "': " + why);
    };
    TFramePattern result;
    bool converted = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        std::string& out = converted ? result.Suffix : result.Prefix;
        if (c != '%') {
            if (converted && (c == '/' || c == '\\')) throw invalid("the frame number belongs in the file name.");
            out += c;
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        if (j < pattern.size() && pattern[j] == '0') {
            result.ZeroPad = true;
            ++j;
        }
        if (j < pattern.size() && pattern[j] >= '1' && pattern[j] <= '9') result.Width = pattern[j++] - '0';
        if (j >= pattern.size() || pattern[j] != 'd')
            throw invalid("use %d, %5d or %05d for the frame number and %% for a percent sign.");
        if (converted) throw invalid("it holds more than one frame number.");
        converted = true;
        i = j;
    }
    if (!converted) throw invalid("it needs a frame number such as %05d.");
    return result;
}

bool EndsWithPng(const std::string& name)
{
    if (name.size() < 4) return false;
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext == ".png";
}

std::string FrameNumberText(const TFramePattern& pattern, int k)
{
    std::string digits = Format("%d", {k});
    if (static_cast<int>(digits.size()) < pattern.Width)
        digits.insert(0, static_cast<std::size_t>(pattern.Width) - digits.size(), pattern.ZeroPad ? '0' : ' ');
    return digits;
}

// A frame is complete once it is in place, and it is this frame when it has
// the size and carries the scene and samples that this run would give it.
bool FrameComplete(const std::string& path, const std::string& sceneText, const TSize& size, int samples)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    try {
        const std::optional<TSize> frameSize = ReadPngSize(path);
        if (!frameSize || *frameSize != size) return false;
        const std::optional<std::string> text = ReadPngText(path, std::string(SceneChunkKeyword));
        if (!text || *text != sceneText) return false;
        return ReadPngText(path, std::string(SamplesChunkKeyword)) == SamplesChunkText(samples);
    } catch (const EQuillonError&) {
        return false; // damaged or unreadable: made again
    }
}

// Sets the view without starting a rendering.
void SetViewOnly(TSession& session, const TView& view)
{
    TRenderLock lock(session);
    session.SetView(view);
}

// Renders the session's view; Done counts the frames finished before it.
void RenderFrame(TRenderSession& session, TProgress& progress, double done, const TMovieHooks& hooks)
{
    TRenderProcessor& processor = session.Processor();
    processor.ResetLinesDone();
    session.SetRunning(true);
    while (processor.Running()) {
        if (hooks.Interrupted()) session.SetRunning(false);
        progress.UpdateCount(done + static_cast<double>(processor.LinesDone()) / processor.Height());
        std::this_thread::sleep_for(PollInterval);
    }
    session.CheckRendering();
    hooks.CheckInterrupted();
}

// The frame as 24-bit picture (smooth colors, Samples x Samples per pixel), by
// the same definition as a single rendering; Done as for RenderFrame.
TRgbPicture RenderRgbFrame(TRenderSession& session, int samples, TProgress& progress, double done,
                           const TMovieHooks& hooks)
{
    TRenderProcessor& processor = session.Processor();
    const double lines = static_cast<double>(processor.Height()) * samples;
    TRgbPicture picture = RenderRgbPicture(processor, processor.Size(), samples, [&](int linesDone) {
        processor.ResetLinesDone();
        processor.Start();
        while (processor.Running()) {
            if (hooks.Interrupted()) processor.Stop();
            progress.UpdateCount(done + (static_cast<double>(linesDone) * samples + processor.LinesDone()) / lines);
            std::this_thread::sleep_for(PollInterval);
        }
        hooks.CheckInterrupted();
    });
    return picture;
}

TColorImage ColorImageOf(const TRgbPicture& picture)
{
    return {picture.Width, picture.Height, picture.Pixels.data(), picture.Width};
}

TRgbImage RgbImageOf(const TRgbPicture& picture)
{
    TRgbImage image;
    image.Width = picture.Width;
    image.Height = picture.Height;
    image.Pixels.reserve(picture.Pixels.size() * 3);
    for (const std::uint32_t color : picture.Pixels) { // TColor: red in the low byte
        image.Pixels.push_back(static_cast<std::uint8_t>(color));
        image.Pixels.push_back(static_cast<std::uint8_t>(color >> 8));
        image.Pixels.push_back(static_cast<std::uint8_t>(color >> 16));
    }
    return image;
}

// Encodes the frame files 0 .. Frames - 1 into the open video.
void EncodeFrameFiles(TVideoWriter& video, const std::string& pattern, int frames, TProgress& progress,
                      const TMovieHooks& hooks)
{
    progress.BeginCount("Encoding video", frames, 0);
    for (int k = 0; k < frames; ++k) {
        hooks.CheckInterrupted();
        const std::string path = FrameFileName(pattern, k);
        const TRgbImage image = ReadPngRgb(path);
        if (image.Width != video.Width() || image.Height != video.Height())
            throw EQuillonError(Format("Frame \"%s\" is %dx%d, the frames before it %dx%d.",
                                       {path, image.Width, image.Height, video.Width(), video.Height()}));
        video.AddFrame(image);
        progress.UpdateCount(k + 1);
    }
    progress.End();
}

bool SameFile(const std::string& a, const std::string& b)
{
    if (a.empty() || b.empty()) return false;
    std::error_code ec;
    const auto pa = std::filesystem::weakly_canonical(a, ec);
    if (ec) return a == b;
    const auto pb = std::filesystem::weakly_canonical(b, ec);
    return ec ? a == b : pa == pb;
}

TFrameRate FrameRateOf(const TRenderOptions& options)
{
    return options.FrameRate.value_or(TFrameRate{});
}

} // namespace

TView ZoomFrameView(const TView& start, const TView& end, int frames, int k)
{
    if (k <= 0) return start;
    if (k >= frames - 1) return end;
    const double t = static_cast<double>(k) / (frames - 1);
    // Through the logarithms, so that no ratio of two tiny scales underflows.
    const double growth = std::exp(t * (std::log(std::fabs(end.Scale)) - std::log(std::fabs(start.Scale))));
    const double travel = (1 - t) * growth; // (1 - t) s/s0
    TView view;
    view.Scale = start.Scale * growth;
    view.Angle = start.Angle + (end.Angle - start.Angle) * t;
    // The center at the ends' full precision: c0 - c1 exactly, scaled exactly,
    // then kept to 64 bits below a pixel, far finer than any picture shows.
    const TPreciseCenter c0 = start.PreciseCenter();
    const TPreciseCenter c1 = end.PreciseCenter();
    const long lowestBit = std::ilogb(view.Scale) - 64L;
    const TPreciseCenter precise{c1.X.Plus(c0.X.Minus(c1.X).Times(travel)).RoundedToMultipleOfPow2(lowestBit),
                                 c1.Y.Plus(c0.Y.Minus(c1.Y).Times(travel)).RoundedToMultipleOfPow2(lowestBit)};
    // Where the nearest doubles lie within 1/4096 of a pixel (the rule by which
    // the engine keeps to doubles), the view carries no more, so that its scene
    // needs no Center key.
    const double pixelPart = std::ldexp(std::fabs(view.Scale), -12);
    auto nearDouble = [&](const TPreciseNumber& n) {
        return std::fabs(n.Minus(TPreciseNumber(n.ToDouble())).ToDouble()) <= pixelPart;
    };
    if (nearDouble(precise.X) && nearDouble(precise.Y))
        view.Center = {precise.X.ToDouble(), precise.Y.ToDouble()};
    else
        view.SetPreciseCenter(precise);
    // The view as the frame's scene brings it back, so that the scene renders the frame again.
    TView written = StrToView(ViewToStr(view));
    if (view.HasPreciseCenter() && PreciseMatches(precise.X, written.Center.x) &&
        PreciseMatches(precise.Y, written.Center.y))
        written.SetPreciseCenter(precise);
    return written;
}

void CheckZoomViews(const TView& start, const TView& end, const std::string& startName, const std::string& endName)
{
    auto finite = [](const TView& v) {
        return std::isfinite(v.Center.x) && std::isfinite(v.Center.y) && std::isfinite(v.Scale) &&
               std::isfinite(v.Angle);
    };
    if (!finite(start) || !finite(end) || start.Scale == 0 || end.Scale == 0 || (start.Scale < 0) != (end.Scale < 0))
        throw EQuillonError("Cannot zoom from " + startName + " to " + endName +
                            ": the views need finite numbers and scales of one sign, not 0.");
}

void CheckFramePattern(const std::string& pattern)
{
    ParseFramePattern(pattern);
    if (!EndsWithPng(pattern))
        throw EUsageError("Invalid frame file pattern '" + pattern + "': frames are PNG files (.png).");
}

std::string FrameFileName(const std::string& pattern, int k)
{
    const TFramePattern parts = ParseFramePattern(pattern);
    return parts.Prefix + FrameNumberText(parts, k) + parts.Suffix;
}

std::vector<int> FindFrames(const std::string& pattern)
{
    namespace fs = std::filesystem;
    const TFramePattern parts = ParseFramePattern(pattern);
    const fs::path prefix(parts.Prefix);
    // A prefix that ends in a separator names the folder and no part of the name.
    const bool folderOnly = !parts.Prefix.empty() && (parts.Prefix.back() == '/' || parts.Prefix.back() == '\\');
    const fs::path folder = folderOnly ? prefix : prefix.parent_path();
    const std::string namePrefix = folderOnly ? std::string() : prefix.filename().string();
    const fs::path searched = folder.empty() ? fs::path(".") : folder;

    std::vector<int> found;
    std::error_code ec;
    fs::directory_iterator it(searched, ec);
    if (ec) throw EQuillonError(CannotOpenMessage(searched.string(), ec.value()));
    for (const fs::directory_entry& entry : it) {
        const std::string name = entry.path().filename().string();
        if (name.size() <= namePrefix.size() + parts.Suffix.size() || !name.starts_with(namePrefix) ||
            !name.ends_with(parts.Suffix))
            continue;
        std::string number = name.substr(namePrefix.size(), name.size() - namePrefix.size() - parts.Suffix.size());
        const std::size_t firstDigit = number.find_first_not_of(' ');
        if (firstDigit == std::string::npos ||
            number.find_first_not_of("0123456789", firstDigit) != std::string::npos)
            continue;
        const std::optional<int> k = TryStrToInt(number.substr(firstDigit));
        // Only the name this number gets ("00007", not "0007" or "7").
        if (k && namePrefix + FrameNumberText(parts, *k) + parts.Suffix == name) found.push_back(*k);
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::optional<std::pair<int, int>> TryStrToFrameRange(std::string_view text)
{
    const std::size_t dash = text.find('-', 1);
    const std::optional<int> first = TryStrToInt(text.substr(0, dash));
    const std::optional<int> last = dash == std::string_view::npos ? first : TryStrToInt(text.substr(dash + 1));
    if (!first || !last || *first < 0 || *last < *first) return std::nullopt;
    return std::pair{*first, *last};
}

std::optional<TFrameRate> TryStrToFrameRate(std::string_view text)
{
    if (const std::size_t slash = text.find('/'); slash != std::string_view::npos) {
        const std::optional<int> num = TryStrToInt(text.substr(0, slash));
        const std::optional<int> den = TryStrToInt(text.substr(slash + 1));
        if (!num || !den || *num <= 0 || *den <= 0 || *num > MaxFrameRate * *den) return std::nullopt;
        const int divisor = std::gcd(*num, *den);
        return TFrameRate{*num / divisor, *den / divisor};
    }
    const std::optional<double> value = TryStrToFloat(text);
    if (!value || !std::isfinite(*value) || *value <= 0 || *value > MaxFrameRate) return std::nullopt;
    // Thousandths are as fine as rates are given ("23.976").
    const std::int64_t thousandths = RoundHalfEven(*value * 1000);
    if (thousandths <= 0) return std::nullopt;
    const int num = static_cast<int>(thousandths);
    const int divisor = std::gcd(num, 1000);
    return TFrameRate{num / divisor, 1000 / divisor};
}

std::optional<std::string> SamplesChunkText(int samples)
{
    if (samples <= 1) return std::nullopt;
    return std::to_string(samples) + "x" + std::to_string(samples);
}

bool CheckMovieOptions(const TRenderOptions& options)
{
    const bool zoom = !options.ZoomTo.empty();
    const bool assemble = !options.Assemble.empty();
    if (!zoom && !assemble) {
        if (options.Frames || !options.Video.empty() || options.FrameRate || options.FrameRange)
            throw EUsageError("--frames, --frame-range, --video and --fps make movies: give --zoom-to END.qsf "
                              "or --assemble FRAMES.");
        return false;
    }
    if (zoom && assemble) throw EUsageError("--zoom-to and --assemble go separately: make the frames, then join them.");
    if (!options.SceneOutput.empty() || !options.AnimationOutput.empty() || options.Bench)
        throw EUsageError("Movies go without --write-scene, --animate and --bench.");

    for (const std::string* scene : {&options.Scene, &options.ZoomTo})
        if (SameFile(options.Video, *scene))
            throw EUsageError("--video would overwrite the scene '" + *scene + "'.");

    if (assemble) {
        if (!options.Scene.empty() || !options.Output.empty() || options.Frames || options.FrameRange)
            throw EUsageError("--assemble takes the frames' pattern, --video and --fps only.");
        // The frames are joined as they were made: these act when they are rendered.
        if (options.Smooth || options.Supersample > 1 || options.Steps || options.Interior ||
            options.Deep != TDeepMode::Auto)
            throw EUsageError("--assemble joins the frames as they are: --smooth, --supersample, --steps, --interior "
                              "and --deep go with --zoom-to, where the frames are rendered.");
        if (options.Video.empty()) throw EUsageError("--assemble needs --video OUT.mp4.");
        CheckFramePattern(options.Assemble);
        return true;
    }

    if (options.Frames < 2) throw EUsageError("--zoom-to needs --frames N, at least 2.");
    if (options.Output.empty() && options.Video.empty())
        throw EUsageError("Nothing to do: give -o DIR/NAME%05d.png for the frames or --video OUT.mp4.");
    if (!options.Output.empty()) CheckFramePattern(options.Output);
    if (options.FrameRange) {
        if (options.Output.empty() || !options.Video.empty())
            throw EUsageError("--frame-range makes frame files (-o) for --assemble; it makes no video.");
        if (options.FrameRange->second >= options.Frames)
            throw EUsageError(Format("Frame range %d-%d lies beyond frame %d, the last of %d.",
                                     {options.FrameRange->first, options.FrameRange->second, options.Frames - 1,
                                      options.Frames}));
    }
    return true;
}

int RunZoomMovie(const TRenderOptions& options, TProgress& progress, const TMovieHooks& hooks)
{
    TRenderSession start;
    // Every setting but the view comes from the end.
    TRenderSession session;
    TRenderProcessor& processor = session.Processor();
    // Nothing renders until a frame is asked for.
    TRenderLock startLock(start);
    {
        TRenderLock lock(session);
        if (!options.Scene.empty()) hooks.LoadScene(start, options.Scene);
        hooks.LoadScene(session, options.ZoomTo);
        if (options.Steps) session.SetMaxSteps(*options.Steps);
        if (options.Interior) session.SetInteriorVisible(true);
        if (options.Smooth) session.SetSmoothColors(true);
        processor.SetThreadCount(options.Threads);
        processor.SetKernel(options.ScalarKernel ? TKernel::Scalar : TKernel::Simd);
        processor.SetDeepMode(options.Deep);
        try {
            session.SetSize(options.Size);
        } catch (const std::bad_alloc&) {
            throw EQuillonError("Not enough memory for an image of " + SizeToStr(options.Size) + " pixels.");
        }
    }
    const TView startView = start.View();
    const TView endView = session.View();
    CheckZoomViews(startView, endView, options.Scene.empty() ? "the default view" : options.Scene, options.ZoomTo);

    const int frames = options.Frames;
    const int first = options.FrameRange ? options.FrameRange->first : 0;
    const int last = options.FrameRange ? options.FrameRange->second : frames - 1;

    // The video is opened first, so that a size it cannot take fails before the rendering.
    TVideoWriter video;
    if (!options.Video.empty()) {
        hooks.CheckWritable(options.Video);
        video.Begin(options.Video, processor.Width(), processor.Height(), FrameRateOf(options));
    }
    std::array<std::uint32_t, 256> table{};
    // Smooth colors and supersampling give 24-bit frames, as they give 24-bit pictures.
    const bool rgb = session.SmoothColors() || options.Supersample > 1;

    if (options.Output.empty()) {
        progress.BeginCount("Rendering frames", frames, 0);
        for (int k = 0; k < frames; ++k) {
            hooks.CheckInterrupted();
            SetViewOnly(session, ZoomFrameView(startView, endView, frames, k));
            if (rgb) {
                video.AddFrame(RgbImageOf(RenderRgbFrame(session, options.Supersample, progress, k, hooks)));
            } else {
                RenderFrame(session, progress, k, hooks);
                video.AddFrame(IndexedImageOf(processor, table));
            }
            progress.UpdateCount(k + 1);
        }
        progress.End();
        video.Finish();
        return 0;
    }

    // Frames that an earlier run finished are kept.
    std::vector<int> missing;
    for (int k = first; k <= last; ++k) {
        SetViewOnly(session, ZoomFrameView(startView, endView, frames, k));
        if (!FrameComplete(FrameFileName(options.Output, k), SceneTextChunk(session).Text, processor.Size(),
                           options.Supersample))
            missing.push_back(k);
    }
    if (!missing.empty()) hooks.CheckWritable(FrameFileName(options.Output, missing.front()));

    const int count = last - first + 1;
    double done = count - static_cast<double>(missing.size());
    progress.BeginCount("Rendering frames", count, count - static_cast<int>(missing.size()));
    for (const int k : missing) {
        hooks.CheckInterrupted();
        SetViewOnly(session, ZoomFrameView(startView, endView, frames, k));
        const std::string path = FrameFileName(options.Output, k);
        if (rgb) {
            WritePng(path, ColorImageOf(RenderRgbFrame(session, options.Supersample, progress, done, hooks)),
                     hooks.PngTexts(session, options.Supersample));
        } else {
            RenderFrame(session, progress, done, hooks);
            WritePng(path, IndexedImageOf(processor, table), hooks.PngTexts(session, 1));
        }
        progress.UpdateCount(++done);
    }
    progress.End();

    if (!options.Video.empty()) {
        EncodeFrameFiles(video, options.Output, frames, progress, hooks);
        video.Finish();
    }
    return 0;
}

int RunAssemble(const TRenderOptions& options, TProgress& progress, const TMovieHooks& hooks)
{
    const std::vector<int> found = FindFrames(options.Assemble);
    if (found.empty()) throw EQuillonError("No frames are named like '" + options.Assemble + "'.");
    // A gap is a frame whose part of the work failed: no movie without it.
    for (int k = 0; k <= found.back(); ++k)
        if (k >= static_cast<int>(found.size()) || found[static_cast<std::size_t>(k)] != k)
            throw EQuillonError(Format("Frame %d of %d is missing: \"%s\".",
                                       {k, found.back() + 1, FrameFileName(options.Assemble, k)}));
    const int frames = found.back() + 1;

    hooks.CheckWritable(options.Video);
    const TRgbImage first = ReadPngRgb(FrameFileName(options.Assemble, 0));
    TVideoWriter video;
    video.Begin(options.Video, first.Width, first.Height, FrameRateOf(options));
    EncodeFrameFiles(video, options.Assemble, frames, progress, hooks);
    video.Finish();
    return 0;
}

} // namespace quillon
