// quillon-render: renders a scenery file, a PNG that carries its scene, or
// the default picture without a window; writes the image, the scene and the
// palette animation, or measures the rendering speed.
#include "CommandLine.h"
#include "Movie.h"
#include "Progress.h"
#include "RenderProcessor.h"
#include "RenderSession.h"

#include "engine/Errors.h"
#include "engine/FileFns.h"
#include "engine/NumberFns.h"
#include "engine/RgbPicture.h"
#include "imageio/GifWriter.h"
#include "imageio/ImageWriter.h"
#include "persist/SceneImage.h"
#include "session/Session.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <new>
#include <string>
#include <thread>
#include <time.h>
#include <vector>

using namespace quillon;

namespace {

constexpr const char* ProgramName = "quillon-render";
constexpr auto PollInterval = std::chrono::milliseconds(10);

// Set by SIGINT and SIGTERM; the long loops check it and unwind, so that the
// writers remove their temporary files on the way out.
volatile std::sig_atomic_t Interrupted = 0;

class EInterrupted : public EQuillonError {
public:
    EInterrupted() : EQuillonError("Interrupted.") {}
};

extern "C" void OnSignal(int)
{
    Interrupted = 1;
}

void CheckInterrupted()
{
    if (Interrupted) throw EInterrupted();
}

void PrintError(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", ProgramName, message.c_str());
}

void LoadScene(TSession& session, const std::string& path)
{
    try {
        // A PNG the renderer or the program wrote brings back its scene.
        session.LoadFromFile(path);
    } catch (const std::exception& e) {
        // File errors name the file already; the scene's own messages do not.
        std::string message = e.what();
        if (message.find('"' + path + '"') == std::string::npos) message = path + ": " + message;
        throw EQuillonError(message);
    }
}

// Fails now, before a long rendering, when an output cannot be created.
void CheckWritable(const std::string& path)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw EQuillonError(CannotWriteMessage(path, EISDIR));
    TAtomicFile probe(path); // removed again unless committed
}

void Render(TRenderSession& session, TProgress& progress)
{
    TRenderProcessor& processor = session.Processor();
    processor.ResetLinesDone();
    progress.Begin("Rendering", processor.Height());
    session.SetRunning(true);
    while (processor.Running()) {
        if (Interrupted) session.SetRunning(false);
        progress.Update(processor.LinesDone());
        std::this_thread::sleep_for(PollInterval);
    }
    session.CheckRendering();
    progress.End();
    CheckInterrupted();
}

// The 24-bit picture: smooth colors and N x N samples per pixel, in bands that
// the processor renders on its own (the session's picture is back afterwards).
TRgbPicture RenderRgb(TRenderProcessor& processor, int samples, TProgress& progress)
{
    const TSize size = processor.Size();
    progress.Begin("Rendering", static_cast<std::int64_t>(size.Height) * samples);
    TRgbPicture picture = RenderRgbPicture(processor, size, samples, [&](int linesDone) {
        processor.ResetLinesDone();
        processor.Start();
        while (processor.Running()) {
            if (Interrupted) processor.Stop();
            progress.Update(static_cast<std::int64_t>(linesDone) * samples + processor.LinesDone());
            std::this_thread::sleep_for(PollInterval);
        }
        CheckInterrupted();
    });
    progress.End();
    return picture;
}

int Workers(const TProcessor& processor)
{
    return processor.ThreadCount() > 0 ? processor.ThreadCount() : TProcessor::DefaultThreadCount();
}

// The escape tests of every pixel, with the same pixel mapping and scalar
// kernel as the rendering: a pixel that escapes at test n counts n, one that
// never escapes counts the step limit (at least one test is always made).
std::uint64_t CountIterations(const TProcessor& processor, int workers, TProgress& progress)
{
    const int width = processor.Width();
    const int height = processor.Height();
    const int maxSteps = processor.MaxSteps();
    const double absMax2 = processor.MaxAbs() * processor.MaxAbs();
    const bool julia = processor.Algorithm() == alJulia;
    const TPoint2D juliaPoint = processor.JuliaPoint();
    const std::uint64_t interior = static_cast<std::uint64_t>(std::max(maxSteps, 1));

    std::atomic<int> nextRow{0};
    std::atomic<int> rowsDone{0};
    std::atomic<std::uint64_t> total{0};
    auto work = [&] {
        std::uint64_t sum = 0;
        for (int y; (y = nextRow.fetch_add(1)) < height;) {
            for (int x = 0; x < width; ++x) {
                const TPoint2D p = processor.PixelToLog({x, y});
                const TPoint2D c = julia ? juliaPoint : p;
                double r2 = 0;
                const int n = TProcessor::EscapeCount(p.x, p.y, c.x, c.y, maxSteps, absMax2, r2);
                sum += n != 0 ? static_cast<std::uint64_t>(n) : interior;
            }
            rowsDone.fetch_add(1);
        }
        total.fetch_add(sum);
    };

    progress.Begin("Counting iterations", height);
    {
        std::vector<std::jthread> threads;
        for (int k = 1; k < workers; ++k) threads.emplace_back(work);
        std::jthread last(work);
        while (rowsDone.load() < height) {
            if (Interrupted) {
                nextRow.store(height); // the workers end after their current row
                break;
            }
            progress.Update(rowsDone.load());
            std::this_thread::sleep_for(PollInterval);
        }
    }
    progress.End();
    CheckInterrupted();
    return total.load();
}

// Processor time of the whole process, in seconds.
double ProcessSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

std::string KernelName(const TProcessor& processor)
{
    const std::string kernel =
        processor.Kernel() == TKernel::Simd ? "simd (" + TProcessor::KernelTargetName() + ")" : "scalar";
    return processor.DeepActive() ? "perturbation, " + kernel : kernel;
}

// The figures of a deep rendering, with the plain kernel on the whole set at
// the same size and steps, without cycle detection, as the yardstick.
void BenchDeep(const TRenderProcessor& processor, double cpuSeconds, TProgress& progress)
{
    const double ms = processor.ElapsedMs();
    const double referenceMs = processor.DeepReferenceMs();
    const double deepRate = static_cast<double>(processor.DeepIterations()) / std::max(cpuSeconds, 1e-9);
    std::printf("Reference orbit milliseconds: %s (%s %% of the rendering)\n", Format("%.1f", {referenceMs}).c_str(),
                Format("%.1f", {100.0 * referenceMs / std::max(ms, 1e-6)}).c_str());
    std::printf("Processor seconds: %s\n", Format("%.2f", {cpuSeconds}).c_str());
    std::printf("Iterations per processor second: %s\n", Format("%d", {RoundHalfEven(deepRate)}).c_str());

    TRenderSession whole;
    TRenderProcessor& plain = whole.Processor();
    {
        TRenderLock lock(whole);
        whole.SetSize(processor.Size());
        whole.SetMaxSteps(processor.MaxSteps());
        whole.SetMaxAbs(processor.MaxAbs());
        plain.SetThreadCount(processor.ThreadCount());
        plain.SetKernel(processor.Kernel());
        plain.SetDeepMode(TDeepMode::Off);
        // Counted alike: the yardstick runs every test it is credited with, as
        // perturbation does, instead of leaving interior orbits at a cycle.
        plain.SetCycleDetection(false);
    }
    const double t0 = ProcessSeconds();
    Render(whole, progress);
    const double plainSeconds = ProcessSeconds() - t0;
    const std::uint64_t plainIterations = CountIterations(plain, Workers(plain), progress);
    const double plainRate = static_cast<double>(plainIterations) / std::max(plainSeconds, 1e-9);
    std::printf("Whole set, %s: iterations per processor second: %s\n", KernelName(plain).c_str(),
                Format("%d", {RoundHalfEven(plainRate)}).c_str());
    std::printf("Perturbation against the whole set: %s\n", Format("%.2f", {deepRate / plainRate}).c_str());
}

int Bench(TRenderSession& session, TProgress& progress)
{
    const TRenderProcessor& processor = session.Processor();
    const double t0 = ProcessSeconds();
    Render(session, progress);
    const double cpuSeconds = ProcessSeconds() - t0;
    const double ms = processor.ElapsedMs();
    const int workers = Workers(processor);
    const bool deep = processor.DeepActive();
    const std::uint64_t iterations =
        deep ? processor.DeepIterations() : CountIterations(processor, workers, progress);
    const double seconds = std::max(ms, 1e-6) / 1000.0;
    const double pixels = static_cast<double>(processor.Width()) * processor.Height();

    std::printf("Size: %s\n", SizeToStr(processor.Size()).c_str());
    std::printf("Steps: %s\n", Format("%d", {processor.MaxSteps()}).c_str());
    std::printf("Workers: %s\n", Format("%d", {workers}).c_str());
    std::printf("Milliseconds: %s\n", Format("%.1f", {ms}).c_str());
    std::printf("Pixels per second: %s\n", Format("%d", {RoundHalfEven(pixels / seconds)}).c_str());
    std::printf("Iterations per second: %s\n",
                Format("%d", {RoundHalfEven(static_cast<double>(iterations) / seconds)}).c_str());
    std::printf("Kernel: %s\n", KernelName(processor).c_str());
    if (deep) BenchDeep(processor, cpuSeconds, progress);
    return 0;
}

std::vector<TPngTextChunk> PngTexts(const TSession& session, int samples)
{
    std::vector<TPngTextChunk> texts{{"Software", std::string(ProgramName) + " " + QUILLON_VERSION},
                                     SceneTextChunk(session)};
    if (const std::optional<std::string> text = SamplesChunkText(samples))
        texts.push_back({std::string(SamplesChunkKeyword), *text});
    return texts;
}

void WriteAnimation(TRenderSession& session, const std::string& path, TProgress& progress)
{
    const TRenderProcessor& processor = session.Processor();
    // One full rotation cycle: entry 0 stays, the other ColorCount - 1 move.
    const int frames = std::max(processor.ColorCount() - 1, 1);
    std::array<std::uint32_t, 256> table{};
    TAnimatedGifWriter gif;
    gif.Begin(path, processor.Width(), processor.Height());
    progress.Begin("Writing frames", frames);
    for (int k = 0; k < frames; ++k) {
        CheckInterrupted();
        if (k > 0) session.RotatePalette();
        gif.AddFrame(IndexedImageOf(processor, table), session.FrameDelay());
        progress.Update(k + 1);
    }
    progress.End();
    gif.Finish();
}

int Run(const TRenderOptions& options)
{
    if (options.Help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (options.Version) {
        std::printf("%s %s\n", ProgramName, QUILLON_VERSION);
        return 0;
    }

    if (!options.ZoomTo.empty() || !options.Assemble.empty()) {
        TProgress progress;
        const TMovieHooks hooks{LoadScene, CheckWritable, PngTexts, [] { return Interrupted != 0; },
                                CheckInterrupted};
        return options.ZoomTo.empty() ? RunAssemble(options, progress, hooks)
                                      : RunZoomMovie(options, progress, hooks);
    }

    TRenderSession session;
    TRenderProcessor& processor = session.Processor();
    {
        // Set up first; the rendering starts when everything is in place.
        TRenderLock lock(session);
        if (!options.Scene.empty()) LoadScene(session, options.Scene);
        if (options.Steps) session.SetMaxSteps(*options.Steps);
        if (options.Interior) session.SetInteriorVisible(true);
        if (options.Smooth) session.SetSmoothColors(true);

        for (const std::string* path : {&options.SceneOutput, &options.Output, &options.AnimationOutput})
            if (!path->empty()) CheckWritable(*path);
        if (options.WritesImage()) {
            if (!options.Output.empty())
                CheckImageSizeFor(ImageFormatFromFileName(options.Output), options.Output, options.Size.Width,
                                  options.Size.Height);
            if (!options.AnimationOutput.empty())
                CheckImageSizeFor(TImageFormat::Gif, options.AnimationOutput, options.Size.Width,
                                  options.Size.Height);
        }

        processor.SetThreadCount(options.Threads);
        processor.SetKernel(options.ScalarKernel ? TKernel::Scalar : TKernel::Simd);
        processor.SetDeepMode(options.Deep);
        if (options.Bench || options.WritesImage()) session.SetSize(options.Size);
    }
    TProgress progress;
    if (options.Bench) return Bench(session, progress);

    // The scene needs no image; everything else waits for the rendering.
    if (!options.SceneOutput.empty()) session.SaveToFile(options.SceneOutput);
    if (!options.WritesImage()) return 0;
    // Smooth colors and supersampling give 24-bit pictures; GIF files and the
    // animation stay 8-bit, from the index image.
    const bool rgbOutput = !options.Output.empty() && HoldsColorImages(options.Output) &&
                           (session.SmoothColors() || options.Supersample > 1);
    if (rgbOutput) {
        const TRgbPicture picture = RenderRgb(processor, options.Supersample, progress);
        WriteImage(options.Output, TColorImage{picture.Width, picture.Height, picture.Pixels.data(), picture.Width},
                   PngTexts(session, options.Supersample));
    }
    if (rgbOutput && options.AnimationOutput.empty()) return 0;
    Render(session, progress);
    if (!options.Output.empty() && !rgbOutput) {
        std::array<std::uint32_t, 256> table{};
        WriteImage(options.Output, IndexedImageOf(processor, table), PngTexts(session, 1));
    }
    if (!options.AnimationOutput.empty()) WriteAnimation(session, options.AnimationOutput, progress);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    try {
        return Run(ParseCommandLine(args));
    } catch (const EInterrupted& e) {
        PrintError(e.what());
        return 130;
    } catch (const EUsageError& e) {
        PrintError(e.what());
        std::fprintf(stderr, "Try '%s --help' for more information.\n", ProgramName);
        return 2;
    } catch (const std::bad_alloc&) {
        PrintError("Not enough memory.");
        return 1;
    } catch (const std::exception& e) {
        PrintError(e.what());
        return 1;
    }
}
