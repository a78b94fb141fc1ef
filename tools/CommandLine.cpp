#include "CommandLine.h"
#include "Movie.h"

#include "engine/MandelbrotProcessor.h"
#include "engine/NumberFns.h"
#include "engine/StrFns.h"

#include <filesystem>
#include <string_view>

namespace quillon {

namespace {

// Threads beyond this serve no machine and would only exhaust resources.
constexpr int MaxThreads = 1024;

bool SameFile(const std::string& a, const std::string& b)
{
    if (a.empty() || b.empty()) return false;
    std::error_code ec;
    const auto pa = std::filesystem::weakly_canonical(a, ec);
    if (ec) return a == b;
    const auto pb = std::filesystem::weakly_canonical(b, ec);
    if (ec) return a == b;
    return pa == pb;
}

int PositiveArgument(const std::string& option, const std::string& text, int max)
{
    const auto value = TryStrToInt(text);
    if (!value || *value < 1 || *value > max)
        throw EUsageError(Format("Invalid value '%s' for %s (1..%d).", {QuoteText(text), option, max}));
    return *value;
}

} // namespace

TRenderOptions ParseCommandLine(const std::vector<std::string>& args)
{
    TRenderOptions options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (!options.Scene.empty()) throw EUsageError("More than one scene given ('" + QuoteText(arg) + "').");
            options.Scene = arg;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // "--name=value" as well as "--name value".
        std::optional<std::string> inlineValue;
        if (arg.starts_with("--")) {
            if (const auto eq = arg.find('='); eq != std::string::npos) {
                inlineValue = arg.substr(eq + 1);
                arg.resize(eq);
            }
        }
        auto value = [&]() -> std::string {
            if (inlineValue) return *inlineValue;
            if (i + 1 >= args.size()) throw EUsageError("Option '" + QuoteText(arg) + "' needs an argument.");
            return args[++i];
        };
        auto fileValue = [&] {
            std::string name = value();
            if (name.empty()) throw EUsageError("Option '" + QuoteText(arg) + "' needs a file name.");
            return name;
        };
        auto noValue = [&] {
            if (inlineValue) throw EUsageError("Option '" + QuoteText(arg) + "' takes no argument.");
        };

        if (arg == "-o" || arg == "--output") {
            options.Output = fileValue();
        } else if (arg == "--write-scene") {
            options.SceneOutput = fileValue();
        } else if (arg == "--animate") {
            options.AnimationOutput = fileValue();
        } else if (arg == "--size") {
            if (!TryStrToSize(value(), options.Size)) throw EUsageError("Invalid size.");
        } else if (arg == "--threads") {
            options.Threads = PositiveArgument(arg, value(), MaxThreads);
        } else if (arg == "--steps") {
            options.Steps = PositiveArgument(arg, value(), 2147483647);
        } else if (arg == "--kernel") {
            const std::string kernel = value();
            if (kernel != "simd" && kernel != "scalar")
                throw EUsageError("Invalid value '" + QuoteText(kernel) + "' for --kernel (simd or scalar).");
            options.ScalarKernel = kernel == "scalar";
        } else if (arg == "--zoom-to") {
            options.ZoomTo = fileValue();
        } else if (arg == "--frames") {
            options.Frames = PositiveArgument(arg, value(), MaxMovieFrames);
        } else if (arg == "--frame-range") {
            const std::string range = value();
            options.FrameRange = TryStrToFrameRange(range);
            if (!options.FrameRange) throw EUsageError("Invalid frame range '" + range + "' (A-B, from 0).");
        } else if (arg == "--video") {
            options.Video = fileValue();
        } else if (arg == "--fps") {
            const std::string rate = value();
            options.FrameRate = TryStrToFrameRate(rate);
            if (!options.FrameRate)
                throw EUsageError("Invalid frame rate '" + rate + "' (such as 30, 29.97 or 30000/1001).");
        } else if (arg == "--assemble") {
            options.Assemble = fileValue();
        } else if (arg == "--interior") {
            noValue();
            options.Interior = true;
        } else if (arg == "--deep") {
            const std::string deep = value();
            if (deep == "auto")
                options.Deep = TDeepMode::Auto;
            else if (deep == "on")
                options.Deep = TDeepMode::On;
            else if (deep == "off")
                options.Deep = TDeepMode::Off;
            else
                throw EUsageError("Invalid value '" + deep + "' for --deep (on, off or auto).");
        } else if (arg == "--smooth") {
            noValue();
            options.Smooth = true;
        } else if (arg == "--supersample") {
            options.Supersample = PositiveArgument(arg, value(), 8);
        } else if (arg == "--bench") {
            noValue();
            options.Bench = true;
        } else if (arg == "-h" || arg == "--help") {
            noValue();
            options.Help = true;
        } else if (arg == "--version") {
            noValue();
            options.Version = true;
        } else {
            throw EUsageError("Unknown option '" + QuoteText(arg) + "'.");
        }
    }
    if (options.Help || options.Version) return options;
    if (CheckMovieOptions(options)) return options;

    const bool writes = options.WritesImage() || !options.SceneOutput.empty();
    if (options.Bench && writes) throw EUsageError("--bench writes no files; drop -o, --write-scene and --animate.");
    if (!options.Bench && !writes) throw EUsageError("Nothing to do: give -o OUT, --write-scene, --animate or --bench.");
    if (options.Bench && options.Supersample > 1) throw EUsageError("--bench renders one sample per pixel; drop --supersample.");

    const std::pair<const char*, const std::string*> outputs[] = {
        {"-o", &options.Output}, {"--write-scene", &options.SceneOutput}, {"--animate", &options.AnimationOutput}};
    for (std::size_t a = 0; a < std::size(outputs); ++a) {
        // Rewriting the scene in place is fine; overwriting it with an image is not.
        if (a != 1 && SameFile(*outputs[a].second, options.Scene))
            throw EUsageError(Format("%s would overwrite the scene '%s'.", {outputs[a].first, QuoteText(options.Scene)}));
        for (std::size_t b = a + 1; b < std::size(outputs); ++b)
            if (SameFile(*outputs[a].second, *outputs[b].second))
                throw EUsageError(Format("%s and %s name the same file.", {outputs[a].first, outputs[b].first}));
    }
    return options;
}

std::string UsageText()
{
    return R"(Usage: quillon-render [SCENE.qsf] -o OUT [--size WxH] [--threads N]
                                          [--smooth] [--supersample N]
       quillon-render [SCENE.qsf] --write-scene OUT.qsf
       quillon-render [SCENE.qsf] --animate OUT.gif [--size WxH] [--threads N]
       quillon-render [SCENE.qsf] --bench [--size WxH] [--threads N]
       quillon-render [START.qsf] --zoom-to END.qsf --frames N
                      (-o DIR/NAME%05d.png [--frame-range A-B] | --video OUT.mp4)
                      [--fps F] [--size WxH] [--threads N]
       quillon-render --assemble DIR/NAME%05d.png --video OUT.mp4 [--fps F]

Renders a Quillon scenery file without a window. SCENE may also be a PNG
written by quillon-render or by the program: it carries its scene in a text
chunk. Without SCENE it renders the program's default picture: the whole
Mandelbrot set, 50 steps, escape radius 2 and the default color map.

Outputs (any combination; written in this order):
      --write-scene FILE  the scene as rendered, as a scenery file (.qsf),
                          exactly as the program's "Save as..." writes it
  -o, --output FILE       the image; the extension selects the format:
                          .png palette PNG (with the scene in a text chunk),
                          .jpg JPEG, .gif GIF, anything else an 8-bit BMP;
                          with smooth colors or supersampling a 24-bit PNG,
                          JPEG or BMP (a GIF stays the 8-bit index image)
      --animate FILE      the palette animation as an animated GIF that loops
                          forever: one full rotation of the palette (palette
                          colors - 1 frames) in the scene's direction, each
                          frame shown as long as the scene's animation speed says

Zoom movies:
      --zoom-to END       a movie from SCENE (START; without it the default
                          view) to END: the scale changes by the same factor
                          from frame to frame, the angle evenly, and END's
                          center moves at constant speed to the middle of the
                          picture; every other setting is END's (deep views
                          keep their precise center all the way); --smooth,
                          --supersample, --interior, --steps and --deep act
                          on every frame as on a single picture
      --frames N          the movie's frames, at least 2; the first shows
                          START's view, the last END's
  -o DIR/NAME%05d.png     with --zoom-to: the frame files, numbered from 0
                          (%d, %5d or %05d; %% for a percent sign); each
                          carries its scene. Frames already there and made for
                          this movie are kept, so a run that was stopped
                          resumes
      --frame-range A-B   only frames A to B (or A), numbered and rendered
                          exactly as in the whole movie, for sharing a movie
                          between processes or machines
      --video FILE        an H.264 MP4 video (even width and height); with -o
                          made from the frame files
      --fps F             frames per second of the video: 30 (default),
                          29.97 or 30000/1001
      --assemble PATTERN  joins the frame files 0, 1, ... that PATTERN names
                          (made anywhere, all there) into the --video

Options:
      --size WxH          image size in pixels (default 800x600)
      --threads N         worker threads (default: one per logical processor)
      --steps N           iteration limit, replacing the scene's
      --interior          interior coloring on, as the program's Interior
                          command turns it on: points that do not escape
                          are colored by their final magnitude and the
                          scene's interior factor (a scene saved with it on
                          brings it back by itself)
      --smooth            smooth colors: each escaped pixel blends the two
                          palette entries around its continuous escape value
                          (also on when the scene says SmoothColors=1)
      --supersample N     N x N samples per pixel of the image (1..8): the
                          picture at N times the width and height with a
                          N-th of the scale, each N x N block averaged per
                          channel; rendered in bands, so memory stays small
      --kernel K          simd (default: vectorised, as the program renders)
                          or scalar (one pixel at a time); both give the
                          same image
      --deep D            auto (default): perturbation, one reference orbit
                          in high precision and the pixels' deltas in
                          doubles, where plain doubles cannot resolve the
                          pixels (scales below about 1e-13 near 1); on:
                          always; off: never (deep views turn into blocks)
      --bench             render without writing files and print the size,
                          steps, workers, milliseconds, pixels per second and
                          iterations per second, one per line, then the
                          kernel; for a view rendered with perturbation also
                          the reference orbit's time, iterations per second
                          of processor time, and the same figure for the
                          plain kernel on the whole set at the same size and
                          steps (without cycle detection, so that both run
                          every test they count), rendered in the same run
  -h, --help              show this help and exit
      --version           show the version and exit

Milliseconds run from the start of the rendering to the end of its last worker.
Iterations are the escape tests summed over all pixels (a pixel that escapes at
test n counts n, one that never escapes counts the step limit); they are
counted after the timed rendering, in a separate pass of the engine's scalar
escape test on the same pixels (both kernels count alike). A rendering with
perturbation counts its own escape tests as it goes.

A progress bar is drawn on standard error when it is a terminal.

Exit status: 0 on success, 1 on failure, 2 on wrong usage, 130 when
interrupted (SIGINT or SIGTERM; nothing unfinished is left). The scene is
loaded and every output is checked for writing before anything is rendered.
Every file is written through a temporary file, so a failure leaves no partial
file; when a later output fails, the outputs written before it stay.
)";
}

} // namespace quillon
