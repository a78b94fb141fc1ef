#include "colormap/ColorMap.h"
#include "colormap/ColorMapFns.h"

#include "engine/Errors.h"
#include "engine/FileFns.h"
#include "engine/TextFileFns.h"

#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>

using namespace quillon;
namespace fs = std::filesystem;

namespace {

std::string ErrorOf(const std::function<void()>& op)
{
    try {
        op();
    } catch (const EQuillonError& e) {
        return e.what();
    }
    return "(no error)";
}

// A fresh folder per test, and a map that counts its change events.
class ColorMapFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        FDir = fs::temp_directory_path() / (std::string("quillon-colormap-") + info->test_suite_name() + "-" + info->name());
        fs::remove_all(FDir);
        fs::create_directories(FDir);
        FMap.OnChanged = [this](TColorMap&) { ++FEvents; };
    }
    void TearDown() override { fs::remove_all(FDir); }
    std::string PathOf(const std::string& name) const { return (FDir / name).string(); }
    void WriteBytes(const std::string& name, const std::string& bytes) const { WriteFileAtomic(PathOf(name), bytes); }
    std::string ReadBytes(const std::string& name) const { return ReadFileBytes(PathOf(name)); }
    std::vector<std::string> FolderEntries() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(FDir)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path FDir;
    TColorMap FMap;
    int FEvents = 0;
};

const char* const DefaultMapText =
    "$FF0000\r\n$FF00FF, 16\r\n$0000FF, 16\r\n$00FFFF, 16\r\n$00FF00, 16\r\n$FFFF00, 16\r\n$FF0000, 16\r\n";

} // namespace

TEST(NodeLine, Formats)
{
    EXPECT_EQ(FormatNodeLine(clBlack, 1), "$000000");
    EXPECT_EQ(FormatNodeLine(clRed, 16), "$0000FF, 16");
    EXPECT_EQ(FormatNodeLine(0xABCDEF, 2), "$ABCDEF, 2");
    EXPECT_EQ(FormatNodeLine(0x12FF0000, 1), "$12FF0000");

    TColorMap map;
    EXPECT_EQ(map.AsString(), "");
    map.Add(clBlack, 1);
    map.Add(clRed, 16);
    EXPECT_EQ(map.AsString(), "$000000\r\n$0000FF, 16\r\n");
    EXPECT_EQ(map.GetItem(1).AsString(), "$0000FF, 16");
    std::vector<std::string> lines{"first"};
    map.SaveToStrings(lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"first", "$000000", "$0000FF, 16"}));

    SetApplicationDefaultColorMap(map);
    EXPECT_EQ(map.AsString(), "$000000\r\n$FF0000\r\n$FF00FF, 42\r\n$0000FF, 42\r\n$00FFFF, 44\r\n"
                              "$00FF00, 42\r\n$FFFF00, 42\r\n$FF0000, 42\r\n");
}

struct NodeLineCase {
    const char* Line;
    std::optional<TNodeLine> Expected;  // empty: the conversion fails
    const char* Error = "";
};

void PrintTo(const NodeLineCase& c, std::ostream* os)
{
    *os << '"' << c.Line << '"';
}

class NodeLineParse : public ::testing::TestWithParam<NodeLineCase> {};

TEST_P(NodeLineParse, ReadsTheIntegerSyntax)
{
    const NodeLineCase& c = GetParam();
    if (c.Expected) {
        const TNodeLine got = ParseNodeLine(c.Line);
        EXPECT_EQ(got.Color, c.Expected->Color);
        EXPECT_EQ(got.Count, c.Expected->Count);
    } else {
        EXPECT_EQ(ErrorOf([&] { ParseNodeLine(c.Line); }), c.Error);
        EXPECT_THROW(ParseNodeLine(c.Line), EConvertError);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, NodeLineParse,
    ::testing::Values(NodeLineCase{"$FF0000", TNodeLine{0xFF0000, 1}},
                      NodeLineCase{"0xFF,8", TNodeLine{0x0000FF, 8}},
                      NodeLineCase{"16711680", TNodeLine{0xFF0000, 1}},
                      NodeLineCase{"$ff00ff, 16", TNodeLine{0xFF00FF, 16}},
                      NodeLineCase{"  x1A,$10", TNodeLine{0x1A, 16}},
                      NodeLineCase{"$0000FF,0", TNodeLine{0x0000FF, 0}},
                      NodeLineCase{"$0000FF, -5", TNodeLine{0x0000FF, -5}},
                      NodeLineCase{"$FF000000", TNodeLine{0xFF000000, 1}},
                      NodeLineCase{"$0000FF,8,9", std::nullopt, "'8,9' is not a valid integer value"},
                      NodeLineCase{"$FF0000 ,8", std::nullopt, "'$FF0000 ' is not a valid integer value"},
                      NodeLineCase{"$FF0000, 8 ", std::nullopt, "' 8 ' is not a valid integer value"},
                      NodeLineCase{"$FF0000,", std::nullopt, "'' is not a valid integer value"},
                      NodeLineCase{"255 128 0", std::nullopt, "'255 128 0' is not a valid integer value"},
                      NodeLineCase{"red", std::nullopt, "'red' is not a valid integer value"}));

TEST_F(ColorMapFiles, LoadFromStringsSkipsBlankLinesAndIgnoresSmallCounts)
{
    FMap.LoadFromStrings({"$FF0000", "", "   \t", "0xFF,8", "$00FF00, 0", "$FFFFFF,-5", "$12345678, 3"});
    EXPECT_EQ(FEvents, 1);
    ASSERT_EQ(FMap.Count(), 5);
    EXPECT_EQ(FMap.GetItem(1).Color(), clRed);
    EXPECT_EQ(FMap.GetItem(1).Count(), 8);
    EXPECT_EQ(FMap.GetItem(2).Count(), 1);
    EXPECT_EQ(FMap.GetItem(3).Count(), 1);
    EXPECT_EQ(FMap.GetItem(4).Color(), 0x12345678u);  // kept as written
    EXPECT_EQ(FMap.ColorCount(), 14);
    // Loading the same content again changes nothing.
    FMap.SetAsString("$FF0000\n0xFF,8\r$00FF00\r\n$FFFFFF\n$12345678, 3");
    EXPECT_EQ(FEvents, 1);
}

TEST_F(ColorMapFiles, BadNodeLineLeavesTheMapAsItWas)
{
    FMap.Default();
    FEvents = 0;
    EXPECT_EQ(ErrorOf([&] { FMap.LoadFromStrings({"$000000", "$FF0000 ,8"}); }),
              "'$FF0000 ' is not a valid integer value");
    EXPECT_EQ(ErrorOf([&] { FMap.SetAsString("$000000\r\n$0000FF, x\r\n"); }), "' x' is not a valid integer value");
    EXPECT_EQ(ErrorOf([&] { FMap.GetItem(1).SetAsString("$0000FF, 4x"); }), "' 4x' is not a valid integer value");
    EXPECT_EQ(FEvents, 0);
    EXPECT_EQ(FMap.AsString(), DefaultMapText);
    EXPECT_EQ(FMap.ColorCount(), 97);
}

TEST_F(ColorMapFiles, NodeSetAsStringFiresOnce)
{
    FMap.Default();
    FEvents = 0;
    FMap.GetItem(1).SetAsString("$0000FF, 4");
    EXPECT_EQ(FEvents, 1);
    EXPECT_EQ(FMap.ColorCount(), 85);
    FMap.GetItem(1).SetAsString("$0000FF, 0");
    EXPECT_EQ(FEvents, 1);
    EXPECT_EQ(FMap.GetItem(1).Count(), 4);
}

struct TripleCase {
    const char* Line;
    std::optional<TColor> Expected;  // empty: "Invalid color map file."
};

void PrintTo(const TripleCase& c, std::ostream* os)
{
    *os << '"' << c.Line << '"';
}

class FractintLine : public ::testing::TestWithParam<TripleCase> {};

TEST_P(FractintLine, TakesThreeDigitRuns)
{
    const TripleCase& c = GetParam();
    if (c.Expected) {
        EXPECT_EQ(ParseFractintMap({c.Line}), std::vector<TColor>{*c.Expected});
    } else {
        EXPECT_EQ(ErrorOf([&] { ParseFractintMap({c.Line}); }), "Invalid color map file.");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, FractintLine,
    ::testing::Values(TripleCase{"255 128 0", 0x0080FF}, TripleCase{"255,128,0", 0x0080FF},
                      TripleCase{"  255\t128   0  ", 0x0080FF}, TripleCase{"255 128 0 ; orange", 0x0080FF},
                      TripleCase{"-255 +128 0.", 0x0080FF}, TripleCase{"r0g1b002", 0x020100},
                      TripleCase{"0 0 0", 0x000000}, TripleCase{"255 255 255", 0xFFFFFF},
                      TripleCase{"255 128 0 ; step 2", std::nullopt}, TripleCase{"   ", std::nullopt},
                      TripleCase{"1 2", std::nullopt}, TripleCase{"no numbers", std::nullopt},
                      TripleCase{"256 0 0", std::nullopt}, TripleCase{"0 0 1000", std::nullopt},
                      TripleCase{"4294967296 0 0", std::nullopt},
                      TripleCase{"0 99999999999999999999999 0", std::nullopt}));

TEST_F(ColorMapFiles, FractintFileSkipsEmptyLinesAndIsAllOrNothing)
{
    WriteBytes("good.map", "0 0 0\r\n\r\n255 0 0\n0 255 0 green\r\n0 0 255");
    std::vector<TColor> colors;
    LoadFractintMap(PathOf("good.map"), colors);
    EXPECT_EQ(colors, (std::vector<TColor>{0x000000, 0x0000FF, 0x00FF00, 0xFF0000}));

    WriteBytes("bad.map", "0 0 0\r\n1 2 3\r\n   \r\n4 5 6\r\n");
    EXPECT_EQ(ErrorOf([&] { LoadFractintMap(PathOf("bad.map"), colors); }), "Invalid color map file.");
    EXPECT_EQ(colors.size(), 4u);

    FMap.Default();
    FEvents = 0;
    EXPECT_EQ(ErrorOf([&] { FMap.LoadFromFile(PathOf("bad.map")); }), "Invalid color map file.");
    EXPECT_EQ(ErrorOf([&] { FMap.LoadFromFile(PathOf("missing.clm")); }).rfind("Cannot open file \"", 0), 0u);
    EXPECT_EQ(FEvents, 0);
    EXPECT_EQ(FMap.AsString(), DefaultMapText);
}

TEST_F(ColorMapFiles, ColorMapFileRoundTrip)
{
    FMap.Default();
    FMap.SaveToFile(PathOf("default.clm"));
    EXPECT_EQ(ReadBytes("default.clm"), DefaultMapText);

    SetApplicationDefaultColorMap(FMap);
    FMap.Add(0x00AB12CD, 7);  // a top byte read from text survives the file
    const std::string text = FMap.AsString();
    FMap.SaveToFile(PathOf("app.clm"));

    TColorMap loaded;
    loaded.LoadFromFile(PathOf("app.clm"));
    EXPECT_TRUE(loaded.Compare(FMap));
    EXPECT_EQ(loaded.ColorCount(), 263);

    // Any extension but ".bmp" and ".map", compared with case, gets the node text.
    FMap.SaveToFile(PathOf("colors.BMP"));
    FMap.SaveToFile(PathOf("colors.MAP"));
    FMap.SaveToFile(PathOf("colors"));
    EXPECT_EQ(ReadBytes("colors.BMP"), text);
    EXPECT_EQ(ReadBytes("colors.MAP"), text);
    EXPECT_EQ(ReadBytes("colors"), text);
}

TEST_F(ColorMapFiles, ReadsByteOrderMarks)
{
    WriteBytes("utf8.clm", "\xEF\xBB\xBF$0000FF\r\n$00FF00, 3\r\n");
    WriteBytes("utf16.clm", std::string("\xFF\xFE$\0" "1\0" "2\0\r\0\n\0", 12));
    FMap.LoadFromFile(PathOf("utf8.clm"));
    EXPECT_EQ(FMap.AsString(), "$0000FF\r\n$00FF00, 3\r\n");
    FMap.LoadFromFile(PathOf("utf16.clm"));
    EXPECT_EQ(FMap.AsString(), "$000012\r\n");
}

TEST_F(ColorMapFiles, FractintFileRoundTrip)
{
    FMap.Default();
    FMap.SaveToFile(PathOf("default.map"));
    const std::string bytes = ReadBytes("default.map");
    const std::vector<std::string> lines = SplitLines(bytes);
    ASSERT_EQ(lines.size(), 97u);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\r'), 97);
    EXPECT_EQ(lines[0], "0 0 255");
    EXPECT_EQ(lines[8], "128 0 255");
    EXPECT_EQ(lines[16], "255 0 255");

    std::vector<TColor> colors;
    LoadFractintMap(PathOf("default.map"), colors);
    EXPECT_EQ(colors, FMap.AsColorArray());

    // Reopened as a map: one node per entry, the same palette.
    TColorMap loaded;
    loaded.LoadFromFile(PathOf("default.map"));
    EXPECT_EQ(loaded.Count(), 97);
    EXPECT_EQ(loaded.AsColorArray(), FMap.AsColorArray());

    // A map of single nodes comes back equal.
    FEvents = 0;
    FMap.SetAsColorArray({clBlack, 0x123456, clWhite});
    FMap.SaveToFile(PathOf("single.map"));
    EXPECT_EQ(ReadBytes("single.map"), "0 0 0\r\n86 52 18\r\n255 255 255\r\n");
    loaded.LoadFromFile(PathOf("single.map"));
    EXPECT_TRUE(loaded.Compare(FMap));
    EXPECT_EQ(loaded.ColorCount(), 3);
}

TEST_F(ColorMapFiles, PaletteStripDecodesWithTheRightPixels)
{
    FMap.Default();
    FMap.SaveToFile(PathOf("strip.bmp"));
    const std::vector<TColor> palette = FMap.AsColorArray();

    QImage image(QString::fromStdString(PathOf("strip.bmp")));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), 97);
    EXPECT_EQ(image.height(), 1);
    EXPECT_EQ(image.depth(), 32);  // 24-bit files decode to RGB32
    for (int i = 0; i < image.width(); ++i)
        EXPECT_EQ(image.pixel(i, 0), qRgb(GetRValue(palette[i]), GetGValue(palette[i]), GetBValue(palette[i]))) << i;
    EXPECT_EQ(image.pixel(8, 0), qRgb(128, 0, 255));

    // The header says 24 bits per pixel, no compression.
    const std::string bytes = ReadBytes("strip.bmp");
    ASSERT_GE(bytes.size(), 54u);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(bytes[28]), 24);
    EXPECT_EQ(bytes.substr(30, 4), std::string(4, '\0'));
}

TEST_F(ColorMapFiles, FailedSavesKeepThePreviousFile)
{
    WriteBytes("keep.bmp", "previous");
    WriteBytes("keep.map", "previous");
    TColorMap empty;
    EXPECT_EQ(ErrorOf([&] { empty.SaveToFile(PathOf("keep.bmp")); }), "Invalid color map.");
    EXPECT_EQ(ErrorOf([&] { empty.SaveToFile(PathOf("keep.map")); }), "Invalid color map.");
    EXPECT_EQ(ReadBytes("keep.bmp"), "previous");
    EXPECT_EQ(ReadBytes("keep.map"), "previous");

    // A target that cannot be replaced: a folder that is not empty.
    fs::create_directories(FDir / "taken.clm");
    WriteBytes("taken.clm/inside", "previous");
    FMap.Default();
    const std::string error = ErrorOf([&] { FMap.SaveToFile(PathOf("taken.clm")); });
    EXPECT_EQ(error.rfind("Cannot write file \"" + PathOf("taken.clm") + "\". ", 0), 0u) << error;
    EXPECT_EQ(ReadBytes("taken.clm/inside"), "previous");

    const std::string missing = PathOf("no-such-folder/colors.clm");
    EXPECT_EQ(ErrorOf([&] { FMap.SaveToFile(missing); }),
              "Cannot write file \"" + missing + "\". No such file or directory.");
    // No temporary files are left behind.
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"keep.bmp", "keep.map", "taken.clm"}));
}
