// Zoom movies made by quillon-render, run as a separate process: the frames'
// views are read back from the scenes they carry, the videos with ffprobe, and
// the spreading over processes with GNU parallel.
#include "engine/FileFns.h"
#include "engine/MandelbrotProcessor.h"
#include "imageio/PngWriter.h"
#include "RenderProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillon;
namespace fs = std::filesystem;

namespace {

const std::string Seahorse = std::string(QUILLON_DOCS) + "/seahorse-valley.qsf";
// A view at a scale of 1e-100 with its precise center.
const std::string DeepScene = std::string(QUILLON_TEST_DATA) + "/bench-deep.qsf";

std::string SceneOf(const std::string& png)
{
    const auto text = ReadPngText(png, "Quillon scene");
    return text ? *text : std::string();
}

TView ViewOf(const std::string& png)
{
    std::smatch match;
    const std::string scene = SceneOf(png);
    if (!std::regex_search(scene, match, std::regex("View=([^\r\n]*)"))) return {};
    return StrToView(match[1].str());
}

// The view with the precise center when the scene has one.
TView PreciseViewOf(const std::string& png)
{
    std::smatch view, center;
    const std::string scene = SceneOf(png);
    if (!std::regex_search(scene, view, std::regex("View=([^\r\n]*)"))) return {};
    if (!std::regex_search(scene, center, std::regex("Center=([^\r\n]*)"))) return StrToView(view[1].str());
    const TView precise = StrToView(view[1].str() + "," + center[1].str());
    EXPECT_TRUE(precise.HasPreciseCenter()) << png;
    return precise;
}

// The scene without its view.
std::string SettingsOf(const std::string& png)
{
    return std::regex_replace(SceneOf(png), std::regex("View=[^\r\n]*"), "");
}

std::string FrameName(int k)
{
    char name[32];
    std::snprintf(name, sizeof name, "f%05d.png", k);
    return name;
}

ino_t Inode(const fs::path& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

struct TProbe {
    int Frames = -1;
    std::string Size;
    std::string Rate;
    std::string Codec;
};

// What ffprobe reads from a video, counting the frames by decoding them.
TProbe Probe(const fs::path& dir, const std::string& video)
{
    const TRun run = RunProgram("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                                            "stream=codec_name,width,height,r_frame_rate,nb_read_frames", "-of",
                                            "default=noprint_wrappers=1", video},
                                dir);
    EXPECT_EQ(run.Status, 0) << "ffprobe (scripts/setup.sh installs it): " << run.Err;
    std::map<std::string, std::string> fields;
    std::smatch match;
    const std::regex line("(\\w+)=([^\n]*)");
    for (auto it = std::sregex_iterator(run.Out.begin(), run.Out.end(), line); it != std::sregex_iterator(); ++it)
        fields[(*it)[1]] = (*it)[2];
    TProbe probe;
    if (fields.count("nb_read_frames")) probe.Frames = std::stoi(fields["nb_read_frames"]);
    probe.Size = fields["width"] + "x" + fields["height"];
    probe.Rate = fields["r_frame_rate"];
    probe.Codec = fields["codec_name"];
    return probe;
}

class MovieTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        FDir = fs::temp_directory_path() / (std::string("quillon-movie-") + info->name() + "-" +
                                             std::to_string(::getpid()));
        fs::remove_all(FDir);
        fs::create_directories(FDir);
    }
    void TearDown() override { fs::remove_all(FDir); }

    std::string Path(const std::string& name) const { return (FDir / name).string(); }
    TRun Run(const std::vector<std::string>& args, bool terminal = false) const
    {
        return RunRender(args, FDir, terminal);
    }
    // A movie of Frames frames from the default view to the seahorse valley.
    TRun Zoom(int frames, const std::string& output, std::vector<std::string> more = {}) const
    {
        std::vector<std::string> args{"--zoom-to", Seahorse, "--frames", std::to_string(frames), "--size", "48x36"};
        if (!output.empty()) args.insert(args.end(), {"-o", output});
        args.insert(args.end(), more.begin(), more.end());
        return Run(args);
    }
    std::vector<std::string> Files(const std::string& sub = {}) const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(FDir / sub)) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    void ExpectSameFrames(const std::string& a, const std::string& b, int frames) const
    {
        for (int k = 0; k < frames; ++k)
            EXPECT_TRUE(ReadFileBytes(Path(a + "/" + FrameName(k))) == ReadFileBytes(Path(b + "/" + FrameName(k))))
                << "frame " << k;
    }

    fs::path FDir;
};

TEST_F(MovieTool, FramesFollowTheZoomPath)
{
    constexpr int N = 10;
    constexpr int W = 64, H = 48;
    fs::create_directory(FDir / "f");
    TRun run = Run({"--zoom-to", Seahorse, "--frames", "10", "-o", "f/f%05d.png", "--size", "64x48"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    ASSERT_EQ(Files("f").size(), std::size_t(N));

    // The last frame is the end scene, the first the end scene with the start's view.
    run = Run({Seahorse, "-o", "end.png", "--size", "64x48"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(ReadFileBytes(Path("f/" + FrameName(N - 1))), ReadFileBytes(Path("end.png")));
    const TView start = HomeView(alMandelbrot);
    const std::string startScene =
        std::regex_replace(ReadFileBytes(Seahorse), std::regex("View=[^\r\n]*"), "View=" + ViewToStr(start));
    WriteFileAtomic(Path("start.qsf"), startScene);
    run = Run({"start.qsf", "-o", "start.png", "--size", "64x48"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(ReadFileBytes(Path("f/" + FrameName(0))), ReadFileBytes(Path("start.png")));

    const TView end = ViewOf(Path("end.png"));
    std::vector<TView> views;
    for (int k = 0; k < N; ++k) {
        views.push_back(ViewOf(Path("f/" + FrameName(k))));
        EXPECT_EQ(SettingsOf(Path("f/" + FrameName(k))), SettingsOf(Path("end.png"))) << "frame " << k;
    }
    EXPECT_EQ(views.front(), start);
    EXPECT_EQ(views.back(), end);

    // Where the start shows the end's center, in pixels from the middle (y up).
    auto pixelOf = [&](const TView& view, const TPoint2D& point) {
        TProcessor processor;
        processor.SetSize({W, H});
        processor.SetView(view);
        const TPoint2D p = processor.LogToPxMatrix.Transform(point);
        return TPoint2D{p.x - W / 2.0, H / 2.0 - p.y};
    };
    const TPoint2D startOffset = pixelOf(start, end.Center);
    const double ratio = views[1].Scale / views[0].Scale;
    for (int k = 0; k < N; ++k) {
        const double t = static_cast<double>(k) / (N - 1);
        SCOPED_TRACE("frame " + std::to_string(k));
        // One zoom factor from frame to frame.
        if (k > 0) {
            EXPECT_NEAR(views[k].Scale / views[k - 1].Scale / ratio, 1.0, 1e-12);
        }
        EXPECT_NEAR(views[k].Angle, start.Angle + (end.Angle - start.Angle) * t, 1e-12);
        // The end's center moves from where the start shows it to the middle, at
        // constant speed, turning with the picture.
        const double turn = start.Angle - views[k].Angle;
        const TPoint2D expected{(1 - t) * (std::cos(turn) * startOffset.x - std::sin(turn) * startOffset.y),
                                (1 - t) * (std::sin(turn) * startOffset.x + std::cos(turn) * startOffset.y)};
        const TPoint2D actual = pixelOf(views[k], end.Center);
        EXPECT_NEAR(actual.x, expected.x, 1e-6);
        EXPECT_NEAR(actual.y, expected.y, 1e-6);
    }
    EXPECT_NEAR(std::pow(ratio, N - 1), end.Scale / start.Scale, 1e-12 * end.Scale / start.Scale);
}

// A dive from the default view to a scale of 1e-100: every frame's center is
// computed at full precision, so the end's center sits where the formula puts
// it in every frame, far below where doubles would place it.
TEST_F(MovieTool, DeepMoviesFollowThePreciseCenter)
{
    constexpr int N = 6;
    constexpr int W = 48, H = 36;
    const std::string size = "48x36";
    fs::create_directory(FDir / "f");
    TRun run = Run({"--zoom-to", DeepScene, "--frames", std::to_string(N), "-o", "f/f%05d.png", "--size", size});
    ASSERT_EQ(run.Status, 0) << run.Err;
    run = Run({DeepScene, "-o", "end.png", "--size", size});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(ReadFileBytes(Path("f/" + FrameName(N - 1))), ReadFileBytes(Path("end.png")));

    const TView start = HomeView(alMandelbrot);
    const TView end = PreciseViewOf(Path("end.png"));
    ASSERT_TRUE(end.HasPreciseCenter());
    // Pixels from the middle (y up) at which a view shows a point, from the
    // exact difference of the two.
    auto pixelOf = [&](const TView& view, const TPreciseCenter& point) {
        const TPreciseCenter c = view.PreciseCenter();
        TProcessor processor;
        processor.SetSize({W, H});
        processor.SetView(TView{{0, 0}, view.Scale, view.Angle});
        const TPoint2D p =
            processor.LogToPxMatrix.Transform(TPoint2D{point.X.Minus(c.X).ToDouble(), point.Y.Minus(c.Y).ToDouble()});
        return TPoint2D{p.x - W / 2.0, H / 2.0 - p.y};
    };
    const TPoint2D startOffset = pixelOf(start, end.PreciseCenter());
    std::vector<TView> views;
    for (int k = 0; k < N; ++k) {
        SCOPED_TRACE("frame " + std::to_string(k));
        const std::string frame = Path("f/" + FrameName(k));
        views.push_back(PreciseViewOf(frame));
        // The scene says what the frame shows: it renders again alike.
        run = Run({frame, "-o", "again.png", "--size", size});
        ASSERT_EQ(run.Status, 0) << run.Err;
        EXPECT_TRUE(ReadFileBytes(Path("again.png")) == ReadFileBytes(frame));
    }
    EXPECT_EQ(views.front(), start);
    EXPECT_EQ(views.back(), end);
    const double ratio = views[1].Scale / views[0].Scale;
    for (int k = 0; k < N; ++k) {
        SCOPED_TRACE("frame " + std::to_string(k));
        const double t = static_cast<double>(k) / (N - 1);
        if (k > 0) {
            EXPECT_NEAR(views[k].Scale / views[k - 1].Scale / ratio, 1.0, 1e-12);
        }
        // Frames past the doubles' reach carry their precise center.
        EXPECT_EQ(views[k].HasPreciseCenter(), k > 0);
        const TPoint2D actual = pixelOf(views[k], end.PreciseCenter());
        EXPECT_NEAR(actual.x, (1 - t) * startOffset.x, 1e-6);
        EXPECT_NEAR(actual.y, (1 - t) * startOffset.y, 1e-6);
    }
}

// Smooth colors and supersampling make 24-bit frames, each what a single
// rendering of its scene gives with the same options; ranges and videos alike.
TEST_F(MovieTool, SmoothAndSupersampledFramesAreSingleRenderings)
{
    constexpr int N = 4;
    const std::string size = "48x36";
    for (const std::string& end : {Seahorse, DeepScene}) {
        SCOPED_TRACE(end);
        fs::remove_all(FDir / "f");
        fs::remove_all(FDir / "parts");
        fs::create_directory(FDir / "f");
        fs::create_directory(FDir / "parts");
        const std::vector<std::string> movie{"--zoom-to", end, "--frames", std::to_string(N), "--size", size,
                                             "--smooth", "--supersample", "2"};
        std::vector<std::string> args = movie;
        args.insert(args.end(), {"-o", "f/f%05d.png"});
        TRun run = Run(args);
        ASSERT_EQ(run.Status, 0) << run.Err;
        for (const char* range : {"0-1", "2-3"}) {
            args = movie;
            args.insert(args.end(), {"-o", "parts/f%05d.png", "--frame-range", range});
            ASSERT_EQ(Run(args).Status, 0);
        }
        ExpectSameFrames("f", "parts", N);
        for (int k = 0; k < N; ++k) {
            SCOPED_TRACE("frame " + std::to_string(k));
            const std::string frame = Path("f/" + FrameName(k));
            EXPECT_NE(SceneOf(frame).find("SmoothColors=1"), std::string::npos);
            run = Run({frame, "--supersample", "2", "-o", "single.png", "--size", size});
            ASSERT_EQ(run.Status, 0) << run.Err;
            EXPECT_TRUE(ReadFileBytes(Path("single.png")) == ReadFileBytes(frame));
        }
    }
    // The frames say how they were sampled: a run with other samples makes them
    // again, one with the same keeps them.
    fs::remove_all(FDir / "f");
    fs::create_directory(FDir / "f");
    const auto samplesRun = [&](const char* samples) {
        return Run({"--zoom-to", Seahorse, "--frames", "2", "--size", size, "--supersample", samples, "-o",
                    "f/f%05d.png"})
            .Status;
    };
    const fs::path first = FDir / "f" / FrameName(0);
    ASSERT_EQ(samplesRun("2"), 0);
    const ino_t made = Inode(first);
    EXPECT_EQ(ReadPngText(first.string(), "Quillon samples"), std::optional<std::string>("2x2"));
    ASSERT_EQ(samplesRun("2"), 0);
    EXPECT_EQ(Inode(first), made);
    ASSERT_EQ(samplesRun("1"), 0);
    const ino_t remade = Inode(first);
    EXPECT_NE(remade, made);
    EXPECT_EQ(ReadPngText(first.string(), "Quillon samples"), std::nullopt);
    ASSERT_EQ(samplesRun("3"), 0);
    EXPECT_NE(Inode(first), remade);
    EXPECT_EQ(ReadPngText(first.string(), "Quillon samples"), std::optional<std::string>("3x3"));

    // A video straight from the 24-bit frames.
    const TRun run = Zoom(N, "", {"--smooth", "--supersample", "2", "--video", "smooth.mp4"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const TProbe probe = Probe(FDir, "smooth.mp4");
    EXPECT_EQ(probe.Frames, N);
    EXPECT_EQ(probe.Size, "48x36");
}

TEST_F(MovieTool, RangesGiveTheFramesOfAWholeRunAndResume)
{
    constexpr int N = 8;
    fs::create_directory(FDir / "whole");
    fs::create_directory(FDir / "parts");
    ASSERT_EQ(Zoom(N, "whole/f%05d.png").Status, 0);
    for (const char* range : {"5-7", "0-2", "3-4"}) {
        const TRun run = Zoom(N, "parts/f%05d.png", {"--frame-range", range});
        ASSERT_EQ(run.Status, 0) << run.Err;
    }
    ASSERT_EQ(Files("parts").size(), std::size_t(N));
    ExpectSameFrames("whole", "parts", N);

    // A rerun keeps complete frames and makes the missing one and one that
    // belongs to another movie (another size) again.
    fs::remove(FDir / "parts" / FrameName(5));
    ASSERT_EQ(Run({"--zoom-to", Seahorse, "--frames", "8", "-o", "other%05d.png", "--size", "32x24",
                   "--frame-range", "2"})
                  .Status,
              0);
    fs::rename(FDir / FrameName(2).replace(0, 1, "other"), FDir / "parts" / FrameName(2));
    std::map<int, ino_t> inodes;
    for (int k = 0; k < N; ++k) inodes[k] = Inode(FDir / "parts" / FrameName(k));
    ASSERT_EQ(Zoom(N, "parts/f%05d.png").Status, 0);
    for (int k = 0; k < N; ++k) {
        if (k == 2 || k == 5) continue;
        EXPECT_EQ(Inode(FDir / "parts" / FrameName(k)), inodes[k]) << "frame " << k << " was made again";
    }
    EXPECT_NE(Inode(FDir / "parts" / FrameName(2)), inodes[2]);
    ExpectSameFrames("whole", "parts", N);
    EXPECT_EQ(Files("parts").size(), std::size_t(N)); // no temporary file left
}

// The README's recipes: GNU parallel on this machine, and its --sshlogin form
// with ":" (this machine) standing for the remote ones.
TEST_F(MovieTool, AnInterruptedRunKeepsItsFinishedFramesAndResumes)
{
    // Enough frames that the signal comes long before the end.
    const std::vector<std::string> args{"--zoom-to", Seahorse, "--frames", "400", "--size", "200x150", "--threads", "1",
                                        "-o", "f/f%05d.png", "--video", "a.mp4"};
    fs::create_directory(FDir / "f");
    const int pid = StartRender(args, FDir);
    ASSERT_GT(pid, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!fs::exists(FDir / "f" / FrameName(1)) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ::kill(pid, SIGINT);
    ASSERT_EQ(WaitRender(pid), 130);
    // Only whole frames, no temporary files and no video.
    const std::vector<std::string> made = Files("f");
    ASSERT_GE(made.size(), 2u);
    ASSERT_LT(made.size(), 400u);
    for (std::size_t k = 0; k < made.size(); ++k) EXPECT_EQ(made[k], FrameName(static_cast<int>(k)));
    EXPECT_EQ(Files(), (std::vector<std::string>{"f"}));

    // The rest, from where it stopped.
    const ino_t first = Inode(FDir / "f" / FrameName(0));
    const TRun run = Run({"--zoom-to", Seahorse, "--frames", "400", "--size", "200x150", "-o", "f/f%05d.png",
                          "--frame-range", "0-" + std::to_string(made.size())});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(Inode(FDir / "f" / FrameName(0)), first);
    EXPECT_EQ(Files("f").size(), made.size() + 1);
}

TEST_F(MovieTool, GnuParallelSharesAMovie)
{
    constexpr int N = 6;
    fs::create_directory(FDir / "single");
    ASSERT_EQ(Zoom(N, "single/f%05d.png").Status, 0);
    const std::string render = std::string(QUILLON_RENDER) + " --zoom-to " + Seahorse +
                               " --frames 6 --size 48x36 -o shared/f%05d.png --frame-range {}";
    for (const std::vector<std::string>& recipe :
         {std::vector<std::string>{"--will-cite", "-j2", render, ":::", "0-2", "3-5"},
          std::vector<std::string>{"--will-cite", "--sshlogin", "2/:", render, ":::", "0-2", "3-5"}}) {
        fs::remove_all(FDir / "shared");
        fs::create_directory(FDir / "shared");
        const TRun run = RunProgram("parallel", recipe, FDir);
        ASSERT_EQ(run.Status, 0) << "GNU parallel (scripts/setup.sh installs it): " << run.Err;
        ASSERT_EQ(Files("shared").size(), std::size_t(N));
        ExpectSameFrames("single", "shared", N);
    }
}

TEST_F(MovieTool, VideosPlayWithTheirFramesSizeAndRate)
{
    fs::create_directory(FDir / "f");
    struct TCase {
        std::vector<std::string> Args;
        std::string Rate;
    };
    const std::vector<TCase> cases = {
        {{"--zoom-to", Seahorse, "--frames", "10", "--size", "64x48", "--video", "direct.mp4"}, "30/1"},
        {{"--zoom-to", Seahorse, "--frames", "10", "--size", "64x48", "-o", "f/f%05d.png", "--video", "frames.mp4",
          "--fps", "25"},
         "25/1"},
        {{"--assemble", "f/f%05d.png", "--video", "assembled.mp4", "--fps", "30000/1001"}, "30000/1001"},
    };
    for (const TCase& c : cases) {
        const std::string& video = c.Args[c.Args.size() - (c.Args[c.Args.size() - 2] == "--fps" ? 3 : 1)];
        SCOPED_TRACE(video);
        const TRun run = Run(c.Args);
        ASSERT_EQ(run.Status, 0) << run.Err;
        const TProbe probe = Probe(FDir, video);
        EXPECT_EQ(probe.Codec, "h264");
        EXPECT_EQ(probe.Frames, 10);
        EXPECT_EQ(probe.Size, "64x48");
        EXPECT_EQ(probe.Rate, c.Rate);
    }
}

TEST_F(MovieTool, AssemblingNeedsEveryFrame)
{
    fs::create_directory(FDir / "f");
    ASSERT_EQ(Zoom(6, "f/f%05d.png").Status, 0);
    fs::remove(FDir / "f" / FrameName(4));
    TRun run = Run({"--assemble", "f/f%05d.png", "--video", "out.mp4"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("Frame 4 of 6 is missing: \"f/f00004.png\""), std::string::npos) << run.Err;
    fs::remove(FDir / "f" / FrameName(0));
    run = Run({"--assemble", "f/g%05d.png", "--video", "out.mp4"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("No frames are named like 'f/g%05d.png'"), std::string::npos) << run.Err;
    // An odd size fails before anything is rendered.
    run = Zoom(6, "", {"--video", "odd.mp4", "--size", "49x36"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("even width and height"), std::string::npos) << run.Err;
    EXPECT_EQ(Files(), (std::vector<std::string>{"f"}));
}

TEST_F(MovieTool, UsageErrors)
{
    const std::string S = Seahorse;
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--zoom-to", S, "-o", "f%05d.png"}, "needs --frames N"},
        {{"--zoom-to", S, "--frames", "1", "-o", "f%05d.png"}, "at least 2"},
        {{"--zoom-to", S, "--frames", "5"}, "Nothing to do"},
        {{"--zoom-to", S, "--frames", "5", "-o", "f.png"}, "needs a frame number"},
        {{"--zoom-to", S, "--frames", "5", "-o", "f%05d.bmp"}, "frames are PNG files"},
        {{"--zoom-to", S, "--frames", "5", "-o", "f%05d_%d.png"}, "more than one frame number"},
        {{"--zoom-to", S, "--frames", "5", "-o", "f%05d/a.png"}, "belongs in the file name"},
        {{"--zoom-to", S, "--frames", "5", "-o", "f%x.png"}, "use %d"},
        {{"--zoom-to", S, "--frames", "5", "-o", "f%05d.png", "--frame-range", "3-5"}, "beyond frame 4"},
        {{"--zoom-to", S, "--frames", "5", "-o", "f%05d.png", "--frame-range", "3-1"}, "Invalid frame range"},
        {{"--zoom-to", S, "--frames", "5", "--video", "a.mp4", "--frame-range", "0-1"}, "makes no video"},
        {{"--zoom-to", S, "--frames", "5", "--video", "a.mp4", "--fps", "0"}, "Invalid frame rate"},
        {{"--zoom-to", S, "--frames", "5", "--video", "a.mp4", "--bench"}, "without --write-scene"},
        {{"--zoom-to", S, "--assemble", "f%05d.png", "--video", "a.mp4"}, "go separately"},
        {{"--assemble", "f%05d.png"}, "needs --video"},
        {{"--assemble", "f%05d.png", "--video", "a.mp4", "-o", "x.png"}, "--assemble takes"},
        {{"--assemble", "f%05d.png", "--video", "a.mp4", "--smooth"}, "joins the frames as they are"},
        {{"--assemble", "f%05d.png", "--video", "a.mp4", "--supersample", "2"}, "joins the frames as they are"},
        {{"--assemble", "f%05d.png", "--video", "a.mp4", "--deep", "on"}, "joins the frames as they are"},
        {{S, "--video", "a.mp4"}, "make movies"},
        {{"--zoom-to", S, "--frames", "5", "--video", S}, "would overwrite the scene"},
    };
    for (const auto& [args, message] : cases) {
        const TRun run = Run(args);
        EXPECT_EQ(run.Status, 2) << message;
        EXPECT_NE(run.Err.find(message), std::string::npos) << run.Err;
    }
    EXPECT_TRUE(Files().empty());
}

TEST_F(MovieTool, ProgressCountsFramesAndTellsTheTimeLeft)
{
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) GTEST_SKIP() << "no pseudo terminals here";
    ::close(master);
    ::close(slave);
    const TRun run = Run({"--zoom-to", Seahorse, "--frames", "4", "--size", "64x48", "-o", "f%05d.png", "--video",
                          "a.mp4"},
                         true);
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_TRUE(std::regex_search(run.Err, std::regex("Rendering frames \\[[#.]+\\] 4/4, \\d+:\\d\\d left")))
        << run.Err;
    EXPECT_NE(run.Err.find("Encoding video ["), std::string::npos) << run.Err;
    EXPECT_TRUE(run.Err.ends_with("\r\x1b[K")) << run.Err;
}

} // namespace
