// quillon-render, run as a separate process: its files are decoded by readers
// that share no code with the writers (Qt's image reader, giflib's decoder)
// and compared with images rendered in this process.
#include "colormap/ColorMap.h"
#include "engine/ColorFns.h"
#include "engine/FileFns.h"
#include "engine/MandelbrotProcessor.h"
#include "RenderProcess.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quillon;

namespace {

const std::string DefaultScene = "[Common]\r\n"
                                 "Type=QSF\r\n"
                                 "Version=100\r\n"
                                 "\r\n"
                                 "[Settings]\r\n"
                                 "View=-6.000000000000000E-001,0.000000000000000E+000,"
                                 "6.250000000000000E-003,0.000000000000000E+000\r\n"
                                 "MaxSteps=50\r\n"
                                 "MaxAbs=2.000000000000000E+000\r\n"
                                 "AnimationSpeed=5\r\n"
                                 "AnimationDirection=0\r\n"
                                 "InteriorFactor=100.00\r\n"
                                 "ColorOffset=0\r\n"
                                 "ColorWrapping=0\r\n"
                                 "Algorithm=0\r\n"
                                 "JuliaPoint=0.0000000000000000,0.0000000000000000\r\n"
                                 "\r\n"
                                 "[Colors]\r\n"
                                 "$000000\r\n"
                                 "$FF0000\r\n"
                                 "$FF00FF, 42\r\n"
                                 "$0000FF, 42\r\n"
                                 "$00FFFF, 44\r\n"
                                 "$00FF00, 42\r\n"
                                 "$FFFF00, 42\r\n"
                                 "$FF0000, 42\r\n"
                                 "\r\n"
                                 "\r\n";

std::string Fixture(const std::string& name) { return std::string(QUILLON_TEST_DATA) + "/" + name; }

// An image rendered in this process; Setup configures the processor after the
// palette is installed.
struct TReference {
    TReference(int width, int height, const std::function<void(TProcessor&, TColorMap&)>& setup = {})
    {
        map.OnChanged = [this](TColorMap&) { processor.SetColors(map.AsColorArray()); };
        SetApplicationDefaultColorMap(map);
        processor.SetSize({width, height});
        if (setup) setup(processor, map);
        processor.Start();
        while (processor.Running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    TColor Color(int x, int y) const { return processor.Colors()[processor.Bitmap().GetBuffer(x, y)]; }

    TColorMap map;
    TProcessor processor;
};

// The settings of tests/data/tools/julia.qsf, applied directly.
void JuliaSetup(TProcessor& p, TColorMap& map)
{
    map.LoadFromStrings({"$000000", "$FFFFFF", "$0000FF, 3", "$00FF00, 2"});
    p.SetAlgorithm(alJulia);
    p.SetJuliaPoint({-0.8, 0.156});
    p.SetView(TView::Create({0, 0}, 0.05, 0.3));
    p.SetMaxSteps(60);
    p.SetMaxAbs(3);
    p.SetOptions({poColorWrapping});
    p.SetColorOffset(3);
}

TColor ToColor(QRgb rgb) { return RGB(qRed(rgb), qGreen(rgb), qBlue(rgb)); }

struct TGifFrame {
    int Delay = -1;
    std::vector<TColor> Colors;
    std::vector<std::uint8_t> Indices;
    int Width = 0;
    TColor At(int x, int y) const { return Colors[Indices[static_cast<std::size_t>(y) * Width + x]]; }
};
struct TGif {
    int Width = 0, Height = 0;
    int LoopCount = -1;
    std::vector<TGifFrame> Frames;
};

// giflib's decoder.
TGif ReadGif(const std::string& path)
{
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (!gif) throw std::runtime_error("cannot open " + path);
    TGif result;
    if (DGifSlurp(gif) != GIF_OK) {
        DGifCloseFile(gif, &error);
        throw std::runtime_error("cannot decode " + path);
    }
    result.Width = gif->SWidth;
    result.Height = gif->SHeight;
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        for (int e = 0; e + 1 < image.ExtensionBlockCount; ++e) {
            const ExtensionBlock& block = image.ExtensionBlocks[e];
            const ExtensionBlock& next = image.ExtensionBlocks[e + 1];
            if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
                std::memcmp(block.Bytes, "NETSCAPE2.0", 11) == 0 && next.ByteCount >= 3 && next.Bytes[0] == 1)
                result.LoopCount = next.Bytes[1] | (next.Bytes[2] << 8);
        }
        TGifFrame frame;
        GraphicsControlBlock gcb;
        if (DGifSavedExtensionToGCB(gif, i, &gcb) == GIF_OK) frame.Delay = gcb.DelayTime;
        const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        for (int c = 0; map && c < map->ColorCount; ++c)
            frame.Colors.push_back(RGB(map->Colors[c].Red, map->Colors[c].Green, map->Colors[c].Blue));
        frame.Width = image.ImageDesc.Width;
        frame.Indices.assign(image.RasterBits,
                             image.RasterBits + static_cast<std::size_t>(image.ImageDesc.Width) * image.ImageDesc.Height);
        result.Frames.push_back(std::move(frame));
    }
    DGifCloseFile(gif, &error);
    return result;
}

class RenderTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        FDir = std::filesystem::temp_directory_path() /
               (std::string("quillon-render-") + info->test_suite_name() + "-" + info->name() + "-" +
                std::to_string(::getpid()));
        std::filesystem::remove_all(FDir);
        std::filesystem::create_directories(FDir);
    }
    void TearDown() override { std::filesystem::remove_all(FDir); }

    std::string Path(const std::string& name) const { return (FDir / name).string(); }
    TRun Run(const std::vector<std::string>& args, bool terminal = false) const { return RunRender(args, FDir, terminal); }
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(FDir)) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::filesystem::path FDir;
};

// Every pixel of the decoded file shows the reference's palette color.
void ExpectSameImage(const QImage& image, const TReference& ref)
{
    ASSERT_FALSE(image.isNull());
    ASSERT_EQ(image.width(), ref.processor.Width());
    ASSERT_EQ(image.height(), ref.processor.Height());
    int mismatches = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (ToColor(image.pixel(x, y)) != ref.Color(x, y)) ++mismatches;
    EXPECT_EQ(mismatches, 0);
}

} // namespace

TEST_F(RenderTool, DefaultStateWritesTheEnginesImage)
{
    const TReference ref(64, 48);
    // picture.jpeg is a Windows bitmap: only .jpg selects JPEG.
    for (const std::string name : {"picture.bmp", "picture.png", "picture.jpeg"}) {
        SCOPED_TRACE(name);
        const TRun run = Run({"-o", name, "--size", "64x48"});
        ASSERT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(run.Err, "");
        EXPECT_EQ(run.Out, "");
        QImage image;
        ASSERT_TRUE(image.load(QString::fromStdString(Path(name)), name.ends_with(".png") ? "PNG" : "BMP"));
        ExpectSameImage(image, ref);
        if (!name.ends_with(".png")) {
            // The index image itself, not only its colors.
            ASSERT_EQ(image.format(), QImage::Format_Indexed8);
            for (int y = 0; y < 48; ++y)
                for (int x = 0; x < 64; ++x) ASSERT_EQ(image.pixelIndex(x, y), ref.processor.Bitmap().GetBuffer(x, y));
        }
    }
    EXPECT_EQ(ReadFileBytes(Path("picture.jpeg")).substr(0, 2), "BM");
    // A PNG carries the scene it shows.
    QImage png(QString::fromStdString(Path("picture.png")));
    std::string scene = DefaultScene;
    std::erase(scene, '\r');
    EXPECT_EQ(png.text("Quillon scene").toStdString(), scene);
    EXPECT_EQ(png.text("Software").toStdString(), std::string("quillon-render ") + QUILLON_VERSION);
}

TEST_F(RenderTool, SceneSettingsReachTheImage)
{
    const TReference ref(40, 30, JuliaSetup);
    for (const std::string kernel : {"simd", "scalar"}) {
        SCOPED_TRACE(kernel);
        const TRun run =
            Run({Fixture("julia.qsf"), "-o", "julia.png", "--size", "40x30", "--threads", "3", "--kernel", kernel});
        ASSERT_EQ(run.Status, 0) << run.Err;
        ExpectSameImage(QImage(QString::fromStdString(Path("julia.png"))), ref);
    }
}

TEST_F(RenderTool, GifAndJpegImages)
{
    const TReference ref(64, 48);
    ASSERT_EQ(Run({"-o", "a.gif", "--size", "64x48"}).Status, 0);
    ASSERT_EQ(Run({"-o", "a.jpg", "--size", "64x48"}).Status, 0);
    const TGif gif = ReadGif(Path("a.gif"));
    ASSERT_EQ(gif.Frames.size(), 1u);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) ASSERT_EQ(gif.Frames[0].At(x, y), ref.Color(x, y)) << x << "," << y;
    QImage jpeg;
    ASSERT_TRUE(jpeg.load(QString::fromStdString(Path("a.jpg")), "JPEG"));
    ASSERT_EQ(jpeg.size(), QSize(64, 48));
    // Lossy: the mean error per channel stays small.
    double error = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const QRgb p = jpeg.pixel(x, y);
            const TColor c = ref.Color(x, y);
            error += std::abs(qRed(p) - GetRValue(c)) + std::abs(qGreen(p) - GetGValue(c)) +
                     std::abs(qBlue(p) - GetBValue(c));
        }
    EXPECT_LT(error / (64 * 48 * 3), 12.0);
}

TEST_F(RenderTool, WriteSceneIsTheSavedFile)
{
    // Without an image nothing is rendered, and the default state is the 27-line file.
    TRun run = Run({"--write-scene", "default.qsf"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(ReadFileBytes(Path("default.qsf")), DefaultScene);

    // A loaded scene is written back byte for byte, together with the image.
    run = Run({Fixture("julia.qsf"), "--write-scene", "julia.qsf", "-o", "julia.bmp", "--size", "8x6"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(ReadFileBytes(Path("julia.qsf")), ReadFileBytes(Fixture("julia.qsf")));

    // --steps replaces the scene's limit, and the written scene says so.
    run = Run({"--steps", "7", "--write-scene", "steps.qsf"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    std::string expected = DefaultScene;
    expected.replace(expected.find("MaxSteps=50"), 11, "MaxSteps=7");
    EXPECT_EQ(ReadFileBytes(Path("steps.qsf")), expected);
}

struct TAnimationCase {
    const char* Name;
    std::optional<std::string> Scene;
    std::function<void(TProcessor&, TColorMap&)> Setup;
    std::size_t Frames;
    int Delay;
    TUpDown Direction;
};

TEST_F(RenderTool, AnimationIsOneRotationCycle)
{
    const TAnimationCase cases[] = {
        {"default map, speed 5, up", std::nullopt, {}, 255, 17, drUp},
        {"7 colors, speed 10, down", Fixture("julia.qsf"), JuliaSetup, 6, 2, drDown},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TReference ref(32, 24, c.Setup);
        std::vector<std::string> args{"--animate", "anim.gif", "--size", "32x24"};
        if (c.Scene) args.insert(args.begin(), *c.Scene);
        const TRun run = Run(args);
        ASSERT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(run.Err, "");
        EXPECT_EQ(Files(), std::vector<std::string>{"anim.gif"});

        const TGif gif = ReadGif(Path("anim.gif"));
        EXPECT_EQ(gif.Width, 32);
        EXPECT_EQ(gif.Height, 24);
        EXPECT_EQ(gif.LoopCount, 0);
        ASSERT_EQ(gif.Frames.size(), c.Frames);
        for (std::size_t k = 0; k < gif.Frames.size(); ++k) {
            SCOPED_TRACE("frame " + std::to_string(k));
            if (k > 0) ref.processor.RotatePalette(c.Direction);
            EXPECT_EQ(gif.Frames[k].Delay, c.Delay);
            for (int y = 0; y < 24; ++y)
                for (int x = 0; x < 32; ++x) ASSERT_EQ(gif.Frames[k].At(x, y), ref.Color(x, y)) << x << "," << y;
        }
        // One more rotation closes the cycle: the loop has no jump.
        ref.processor.RotatePalette(c.Direction);
        EXPECT_EQ(ref.processor.Colors(), ref.map.AsColorArray());
        std::filesystem::remove(Path("anim.gif"));
    }
}

// A PNG file's bytes without a scene (Qt's writer stores no text).
std::string PlainPng()
{
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data().toStdString();
}

TEST_F(RenderTool, PngBringsBackItsScene)
{
    TRun run = Run({Fixture("julia.qsf"), "-o", "julia.png", "--size", "40x30"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    // Told by its signature, not by its name.
    std::filesystem::copy_file(Path("julia.png"), Path("julia.qsf"));
    for (const std::string scene : {"julia.png", "julia.qsf"}) {
        SCOPED_TRACE(scene);
        run = Run({scene, "-o", "again.png", "--write-scene", "again.qsf", "--size", "40x30"});
        ASSERT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(ReadFileBytes(Path("again.qsf")), ReadFileBytes(Fixture("julia.qsf")));
        const QImage first(QString::fromStdString(Path("julia.png")));
        const QImage again(QString::fromStdString(Path("again.png")));
        ASSERT_FALSE(again.isNull());
        EXPECT_EQ(again.convertToFormat(QImage::Format_Indexed8, first.colorTable()),
                  first.convertToFormat(QImage::Format_Indexed8, first.colorTable()));
        EXPECT_EQ(again.text("Quillon scene"), first.text("Quillon scene"));
        ExpectSameImage(again, TReference(40, 30, JuliaSetup));
    }
}

TEST_F(RenderTool, InteriorColoringIsTurnedOnAndKeptInThePng)
{
    // The default scene with interior coloring, as the window's Interior command shows it.
    const TReference ref(64, 48, [](TProcessor& p, TColorMap&) { p.SetOptions({poInterior}); });
    TRun run = Run({"-o", "inside.png", "--size", "64x48", "--interior", "--write-scene", "inside.qsf"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const QImage first(QString::fromStdString(Path("inside.png")));
    ExpectSameImage(first, ref);
    // Only the scene says so: it carries one more line, after the others.
    std::string scene = DefaultScene;
    const std::string juliaLine = "JuliaPoint=0.0000000000000000,0.0000000000000000\r\n";
    scene.insert(scene.find(juliaLine) + juliaLine.size(), "Interior=1\r\n");
    EXPECT_EQ(ReadFileBytes(Path("inside.qsf")), scene);
    std::erase(scene, '\r');
    EXPECT_EQ(first.text("Quillon scene").toStdString(), scene);
    // Rendered again from the PNG alone, the picture comes back alike.
    run = Run({"inside.png", "-o", "again.png", "--size", "64x48"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    ExpectSameImage(QImage(QString::fromStdString(Path("again.png"))), ref);
    // The option takes no value.
    run = Run({"--interior=1", "-o", "x.png"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("Option '--interior' takes no argument."), std::string::npos) << run.Err;
}

// The default scene with lines replaced (or removed, for nullopt), by key.
std::string EditedScene(const std::map<std::string, std::optional<std::string>>& changes)
{
    std::string out;
    std::size_t start = 0;
    while (start < DefaultScene.size()) {
        const std::size_t end = DefaultScene.find("\r\n", start);
        const std::string line = DefaultScene.substr(start, end - start);
        start = end + 2;
        const auto eq = line.find('=');
        const std::string key = eq == std::string::npos ? line : line.substr(0, eq);
        const auto change = changes.find(key);
        if (change == changes.end())
            out += line + "\r\n";
        else if (change->second)
            out += (eq == std::string::npos ? "" : key + "=") + *change->second + "\r\n";
    }
    return out;
}

TEST_F(RenderTool, BadInputLeavesNoFile)
{
    struct TCase {
        const char* Name;
        std::optional<std::string> SceneText; // written to scene.qsf and passed first
        std::vector<std::string> Args;
        int Status;
        std::string Message;
    };
    const std::vector<std::string> outputs{"-o", "out.png", "--write-scene", "out.qsf", "--animate", "out.gif"};
    const TCase cases[] = {
        {"missing scene", std::nullopt, {"missing.qsf"}, 1, "Cannot open file \"missing.qsf\"."},
        {"scene is a folder", std::nullopt, {"."}, 1, "Cannot open file \".\"."},
        {"wrong type", EditedScene({{"Type", "qsf"}}), {}, 1, "scene.qsf: Invalid Quillon scenary file."},
        {"wrong version", EditedScene({{"Version", "101"}}), {}, 1, "Invalid Quillon scenary file."},
        {"PNG without a scene", PlainPng(), {}, 1, "scene.qsf: Invalid Quillon scenary file."},
        {"truncated PNG", PlainPng().substr(0, 40), {}, 1, "scene.qsf: Invalid Quillon scenary file."},
        {"version no integer", EditedScene({{"Version", "1x"}}), {}, 1, "'1x' is not a valid integer value"},
        {"key missing", EditedScene({{"MaxAbs", std::nullopt}}), {}, 1,
         "Section [Settings] or Key 'MaxAbs' not found."},
        {"short view", EditedScene({{"View", "1,2,3"}}), {}, 1, "Invalid index"},
        {"short Julia point", EditedScene({{"JuliaPoint", "0.5"}}), {}, 1, "Invalid index"},
        {"bad number", EditedScene({{"MaxAbs", "two"}}), {}, 1, "'two' is not a valid floating point value"},
        {"bad Boolean", EditedScene({{"ColorWrapping", "maybe"}}), {}, 1, "Invalid Boolean Value 'maybe'."},
        {"offset outside the palette", EditedScene({{"ColorOffset", "256"}}), {}, 1, "Invalid color offset."},
        {"bad node line", EditedScene({{"$FF00FF, 42", "$FF00FG, 42"}}), {}, 1, "not a valid integer value"},
        {"unwritable output", std::nullopt, {"-o", "no/such/folder/x.png"}, 1,
         "Cannot write file \"no/such/folder/x.png\"."},
        {"output is a folder", std::nullopt, {"--animate", "."}, 1, "Cannot write file \".\"."},
        {"JPEG beyond its sides", std::nullopt, {"-o", "big.jpg", "--size", "65535x2"}, 1,
         "Cannot write file \"big.jpg\". JPEG images are at most 65500 pixels wide and high."},
        {"endless scene", std::nullopt, {"/dev/zero"}, 1,
         "Cannot open file \"/dev/zero\". The file is larger than 16 MiB."},
        {"PNG declaring a 2 GB text", PlainPng().substr(0, 33) + std::string("\x7F\xFF\xFF\xF0tEXtQuillon scene\0x", 23),
         {}, 1, "Damaged PNG image."},
        {"invalid size", std::nullopt, {"--size", "64x0"}, 2, "quillon-render: Invalid size."},
        {"size without x", std::nullopt, {"--size", "64"}, 2, "Invalid size."},
        {"invalid threads", std::nullopt, {"--threads", "0"}, 2, "Invalid value '0' for --threads"},
        {"invalid kernel", std::nullopt, {"--kernel", "avx"}, 2, "Invalid value 'avx' for --kernel"},
        {"unknown option", std::nullopt, {"--colour"}, 2, "Unknown option '--colour'."},
        {"missing argument", std::nullopt, {"-o", "x.png", "--size"}, 2, "Option '--size' needs an argument."},
        {"second scene", std::nullopt, {"a.qsf", "b.qsf"}, 2, "More than one scene given"},
        {"bench with outputs", std::nullopt, {"--bench"}, 2, "--bench writes no files"},
        {"image over the scene", std::nullopt, {"scene.qsf", "--animate", "scene.qsf"}, 2,
         "--animate would overwrite the scene"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<std::string> args;
        if (c.SceneText) {
            WriteFileAtomic(Path("scene.qsf"), *c.SceneText);
            args.push_back("scene.qsf");
        }
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        // Outputs given by the case replace the standard ones.
        if (std::find(c.Args.begin(), c.Args.end(), "-o") == c.Args.end() &&
            std::find(c.Args.begin(), c.Args.end(), "--animate") == c.Args.end())
            args.insert(args.end(), outputs.begin(), outputs.end());
        const TRun run = Run(args);
        EXPECT_EQ(run.Status, c.Status);
        EXPECT_NE(run.Err.find(c.Message), std::string::npos) << run.Err;
        EXPECT_TRUE(run.Err.starts_with("quillon-render: ")) << run.Err;
        EXPECT_EQ(run.Out, "");
        std::vector<std::string> expected;
        if (c.SceneText) expected.push_back("scene.qsf");
        EXPECT_EQ(Files(), expected);
        std::filesystem::remove(Path("scene.qsf"));
    }
}

TEST_F(RenderTool, UnwritableOutputStopsBeforeAnyOther)
{
    // Checked before rendering, so the other outputs are not written either.
    const TRun run = Run({"-o", "ok.png", "--write-scene", "ok.qsf", "--animate", "missing/x.gif", "--size", "8x6"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("Cannot write file \"missing/x.gif\"."), std::string::npos) << run.Err;
    EXPECT_TRUE(Files().empty());
}

TEST_F(RenderTool, InterruptLeavesNoFile)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(FDir.c_str()) != 0) ::_exit(126);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDERR_FILENO);
        ::execl(QUILLON_RENDER, QUILLON_RENDER, "--animate", "big.gif", "--size", "2000x1500", nullptr);
        ::_exit(127);
    }
    // Interrupt once a temporary file of big.gif exists: the run is under way, the handler installed.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (Files().empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_FALSE(Files().empty());
    ::kill(pid, SIGINT);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_TRUE(Files().empty());
}

TEST_F(RenderTool, UsageErrorsAndInformation)
{
    TRun run = Run({});
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("Nothing to do"), std::string::npos);
    EXPECT_NE(run.Err.find("Try 'quillon-render --help'"), std::string::npos);

    run = Run({"--help"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_TRUE(run.Out.starts_with("Usage: quillon-render")) << run.Out;
    EXPECT_EQ(run.Err, "");

    run = Run({"--version"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out, std::string("quillon-render ") + QUILLON_VERSION + "\n");

    // Both option forms, and "--" before a scene that looks like an option.
    run = Run({"--size=8x6", "--output=a.bmp", "--", "-weird.qsf"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("Cannot open file \"-weird.qsf\"."), std::string::npos) << run.Err;
    run = Run({"--bench=yes"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("Option '--bench' takes no argument."), std::string::npos) << run.Err;
}

TEST_F(RenderTool, BenchCountsEveryIteration)
{
    const TRun run = Run({"--bench", "--size", "160x120", "--threads", "1", "--steps", "200", "--kernel", "scalar"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::regex layout("Size: 160x120\nSteps: 200\nWorkers: 1\nMilliseconds: [0-9]+\\.[0-9]\n"
                            "Pixels per second: ([0-9]+)\nIterations per second: ([0-9]+)\nKernel: scalar\n");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(run.Out, match, layout)) << run.Out;
    EXPECT_TRUE(Files().empty());

    // The two rates share their time, so their ratio is the mean number of
    // escape tests per pixel, counted here independently.
    const TReference ref(160, 120, [](TProcessor& p, TColorMap&) { p.SetMaxSteps(200); });
    double total = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) {
            TPoint2D c = ref.processor.PixelToLog({x, y});
            double zx = 0, zy = 0;
            int tests = 0;
            // Tests of |z| against the radius, z starting at c.
            zx = c.x;
            zy = c.y;
            for (;;) {
                ++tests;
                if (zx * zx + zy * zy >= 4.0 || tests >= 200) break;
                const double nx = zx * zx - zy * zy + c.x;
                zy = 2 * zx * zy + c.y;
                zx = nx;
            }
            total += tests;
        }
    const double ratio = std::stod(match[2]) / std::stod(match[1]);
    EXPECT_NEAR(ratio, total / (160 * 120), 1e-3 * ratio);
}

TEST_F(RenderTool, ProgressOnlyOnATerminal)
{
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) GTEST_SKIP() << "no pseudo terminals here";
    ::close(master);
    ::close(slave);
    TRun run = Run({"-o", "a.bmp", "--animate", "a.gif", "--size", "32x24"}, true);
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Err.find("Rendering ["), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find("Writing frames ["), std::string::npos) << run.Err;
    // Every bar is erased again.
    EXPECT_TRUE(run.Err.ends_with("\r\x1b[K")) << run.Err;

    run = Run({"-o", "b.bmp", "--animate", "b.gif", "--size", "32x24"});
    ASSERT_EQ(run.Status, 0);
    EXPECT_EQ(run.Err, "");
}

namespace {

// The reference's colors as 0xFFRRGGBB: smooth when its processor keeps codes.
std::vector<std::uint32_t> ReferenceColors(const TReference& ref)
{
    const TProcessor& p = ref.processor;
    std::vector<std::uint32_t> colors(static_cast<std::size_t>(p.Width()) * static_cast<std::size_t>(p.Height()));
    p.CopySmoothPixels(colors.data(), p.Width(), 0, p.Height());
    return colors;
}

// Each N x N block of the large picture, averaged per channel: (sum + count / 2) / count.
std::vector<std::uint32_t> BlockAverage(const std::vector<std::uint32_t>& big, int width, int height, int n)
{
    std::vector<std::uint32_t> out;
    const int count = n * n;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int sums[3] = {0, 0, 0};
            for (int by = 0; by < n; ++by)
                for (int bx = 0; bx < n; ++bx) {
                    const std::uint32_t c = big[static_cast<std::size_t>((y * n + by) * width * n + x * n + bx)];
                    for (int ch = 0; ch < 3; ++ch) sums[ch] += static_cast<int>((c >> (8 * ch)) & 0xFF);
                }
            std::uint32_t pixel = 0xFF000000u;
            for (int ch = 0; ch < 3; ++ch) pixel |= static_cast<std::uint32_t>((sums[ch] + count / 2) / count) << (8 * ch);
            out.push_back(pixel);
        }
    return out;
}

} // namespace

TEST_F(RenderTool, SupersampleIsTheBlockAverageOfTheLargerPicture)
{
    struct Case {
        const char* Name;
        std::optional<std::string> Scene;
        std::function<void(TProcessor&, TColorMap&)> Setup;
        int N;
        bool Smooth;
    };
    const Case cases[] = {
        {"default, 3x3", std::nullopt, {}, 3, false},
        {"default, 3x3, smooth", std::nullopt, {}, 3, true},
        {"julia, 2x2, smooth", Fixture("julia.qsf"), JuliaSetup, 2, true},
        {"julia, 1x1, smooth", Fixture("julia.qsf"), JuliaSetup, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        // The same scene at N times the size with an N-th of the scale.
        const TReference big(40 * c.N, 30 * c.N, [&](TProcessor& p, TColorMap& map) {
            if (c.Setup) c.Setup(p, map);
            TView view = p.View();
            view.Scale = view.Scale / c.N;
            p.SetView(view);
            p.SetSmoothColors(c.Smooth);
        });
        const auto expected = BlockAverage(ReferenceColors(big), 40, 30, c.N);
        for (const std::string name : {"ss.png", "ss.bmp"}) {
            SCOPED_TRACE(name);
            std::vector<std::string> args{"-o", name, "--size", "40x30", "--supersample", std::to_string(c.N)};
            if (c.Smooth) args.push_back("--smooth");
            if (c.Scene) args.insert(args.begin(), *c.Scene);
            const TRun run = Run(args);
            ASSERT_EQ(run.Status, 0) << run.Err;
            QImage image;
            ASSERT_TRUE(image.load(QString::fromStdString(Path(name))));
            ASSERT_EQ(image.size(), QSize(40, 30));
            EXPECT_FALSE(image.format() == QImage::Format_Indexed8);
            for (int y = 0; y < 30; ++y)
                for (int x = 0; x < 40; ++x)
                    ASSERT_EQ(image.pixel(x, y), expected[static_cast<std::size_t>(y * 40 + x)]) << x << "," << y;
        }
    }
}

TEST_F(RenderTool, SmoothColorsReachTheSceneAndStayOutOfGifs)
{
    TRun run = Run({"--smooth", "-o", "smooth.png", "--write-scene", "smooth.qsf", "--size", "40x30"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    std::string scene = DefaultScene;
    scene.insert(scene.find("\r\n\r\n[Colors]") + 2, "SmoothColors=1\r\n");
    EXPECT_EQ(ReadFileBytes(Path("smooth.qsf")), scene);
    const QImage png(QString::fromStdString(Path("smooth.png")));
    std::erase(scene, '\r');
    EXPECT_EQ(png.text("Quillon scene").toStdString(), scene);

    // The scene alone turns them on; the PNG brings them back.
    run = Run({"smooth.png", "-o", "again.png", "--size", "40x30"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(QImage(QString::fromStdString(Path("again.png"))), png);

    // GIF files and the animation keep the 8-bit index image.
    const TReference ref(40, 30);
    run = Run({"--smooth", "--supersample", "2", "-o", "smooth.gif", "--animate", "anim.gif", "--size", "40x30"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    for (const std::string name : {"smooth.gif", "anim.gif"}) {
        const TGif gif = ReadGif(Path(name));
        ASSERT_GE(gif.Frames.size(), 1u);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) ASSERT_EQ(gif.Frames[0].At(x, y), ref.Color(x, y)) << name << " " << x << "," << y;
    }
    // A 24-bit image first, then the animation from the index image.
    run = Run({"--smooth", "-o", "smooth.jpg", "--animate", "anim2.gif", "--size", "40x30"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(ReadFileBytes(Path("anim2.gif")), ReadFileBytes(Path("anim.gif")));
    QImage jpeg;
    ASSERT_TRUE(jpeg.load(QString::fromStdString(Path("smooth.jpg")), "JPEG"));
    EXPECT_EQ(jpeg.size(), QSize(40, 30));
}

TEST_F(RenderTool, SupersampleUsage)
{
    for (const std::string value : {"0", "9", "x", ""}) {
        const TRun run = Run({"-o", "a.png", "--supersample", value});
        EXPECT_EQ(run.Status, 2) << value;
        EXPECT_NE(run.Err.find("--supersample"), std::string::npos) << run.Err;
    }
    TRun run = Run({"--bench", "--supersample", "2"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("drop --supersample"), std::string::npos) << run.Err;
    run = Run({"--smooth=1", "-o", "a.png"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(Files(), std::vector<std::string>{});
}
