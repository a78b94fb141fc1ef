#include "persist/SceneryFile.h"
#include "session/Session.h"

#include "colormap/ColorMap.h"
#include "engine/Errors.h"
#include "engine/FileFns.h"
#include "engine/NumberFns.h"
#include "persist/IniFileFns.h"
#include "persist/SceneryDefaults.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>

#include <unistd.h>

using namespace quillon;

namespace {

// The session behind the window and the renderer, counting what the loader
// asks of it.
class TTestHost : public TSession {
public:
    void ClearHistory() override
    {
        TSession::ClearHistory();
        ++FHistoryCleared;
    }
    void StopRendering() override
    {
        TSession::StopRendering();
        ++FStops;
    }
    void LockRendering() override
    {
        TSession::LockRendering();
        ++FLockCount;
    }
    void UnlockRendering() override
    {
        TSession::UnlockRendering();
        --FLockCount;
    }

    // A state in which every value differs from the defaults.
    void Change()
    {
        TRenderLock lock(*this);
        SetAlgorithm(alJulia);
        SetView(TView::Create({0.25, -0.5}, 1e-5, 0.5));
        SetMaxSteps(1234);
        SetMaxAbs(16);
        SetAnimationSpeed(9);
        SetAnimationDirection(drDown);
        SetInteriorFactor(0.333);
        TColorMap map;
        map.Add(RGB(255, 255, 255), 1);
        map.Add(RGB(1, 2, 3), 99);
        SetColorMap(map);
        SetColorOffset(42);
        SetColorWrapping(true);
        SetJuliaPoint({0.285, -0.01});
    }

    int FHistoryCleared = 0;
    int FStops = 0;
    int FLockCount = 0;
};

// Everything a scenery file carries, for comparing two hosts.
struct TSnapshot {
    TView View;
    int MaxSteps, AnimationSpeed, ColorOffset;
    double MaxAbs, InteriorFactor;
    TUpDown AnimationDirection;
    bool ColorWrapping;
    TAlgorithm Algorithm;
    TPoint2D JuliaPoint;
    std::string ColorMap;

    explicit TSnapshot(const ISceneryHost& h)
        : View(h.View()), MaxSteps(h.MaxSteps()), AnimationSpeed(h.AnimationSpeed()), ColorOffset(h.ColorOffset()),
          MaxAbs(h.MaxAbs()), InteriorFactor(h.InteriorFactor()), AnimationDirection(h.AnimationDirection()),
          ColorWrapping(h.ColorWrapping()), Algorithm(h.Algorithm()), JuliaPoint(h.JuliaPoint()),
          ColorMap(h.ColorMap().AsString())
    {
    }
    bool operator==(const TSnapshot&) const = default;
};

std::string Fixture(const char* name) { return ReadFileBytes(std::string(QUILLON_TEST_DATA) + "/" + name); }

// The default file with some lines replaced (or removed, for nullopt): a key
// names its "Key=value" line, other lines are named by their whole text.
std::string Edited(const std::map<std::string, std::optional<std::string>>& changes)
{
    std::string text = Fixture("default.qsf"), out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        std::string line = text.substr(start, end - start);
        start = end + 2;
        bool keyLine = line.find('=') != std::string::npos;
        std::string key = keyLine ? line.substr(0, line.find('=')) : line;
        auto change = changes.find(key);
        if (change == changes.end()) out += line + "\r\n";
        else if (change->second) out += (keyLine ? key + "=" : std::string()) + *change->second + "\r\n";
    }
    return out;
}

class SceneryFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        FDir = std::filesystem::temp_directory_path() /
               ("quillon-qsf-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(FDir);
        std::filesystem::create_directories(FDir);
    }
    void TearDown() override { std::filesystem::remove_all(FDir); }
    std::string Path(const char* name) const { return (FDir / name).string(); }
    std::string Write(const std::string& bytes, const char* name = "scenery.qsf") const
    {
        WriteFileAtomic(Path(name), bytes);
        return Path(name);
    }
    std::filesystem::path FDir;
};

std::string ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EQuillonError& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace

TEST_F(SceneryFile, DefaultStateSavesTheReferenceFile)
{
    TTestHost host;
    SaveSceneryFile(host, Path("default.qsf"));
    EXPECT_EQ(ReadFileBytes(Path("default.qsf")), Fixture("default.qsf"));
}

TEST_F(SceneryFile, LoadingRestoresEveryValue)
{
    TTestHost defaults;
    TTestHost host;
    host.Change();
    const TSnapshot changed(host);
    ASSERT_FALSE(changed == TSnapshot(defaults));

    LoadSceneryFile(host, Write(Fixture("default.qsf")));
    EXPECT_TRUE(TSnapshot(host) == TSnapshot(defaults));
    EXPECT_EQ(host.FHistoryCleared, 1);
    EXPECT_EQ(host.FStops, 1);
    EXPECT_EQ(host.FLockCount, 0);
    EXPECT_FALSE(host.Processor().Running());

    // And back: the changed state through a file into a default host. The stored
    // view wins over the Julia home view that the algorithm switch brings, and
    // the stored offset survives the new palette.
    SaveSceneryFile(host, Path("same.qsf"));
    EXPECT_EQ(ReadFileBytes(Path("same.qsf")), Fixture("default.qsf"));
    TTestHost source;
    source.Change();
    SaveSceneryFile(source, Path("changed.qsf"));
    TTestHost target;
    LoadSceneryFile(target, Path("changed.qsf"));
    TSnapshot expected(source);
    expected.InteriorFactor = 0.33; // written with two decimals
    EXPECT_TRUE(TSnapshot(target) == expected);
    EXPECT_EQ(target.View(), TView::Create({0.25, -0.5}, 1e-5, 0.5));
    EXPECT_EQ(target.ColorOffset(), 42);
}

TEST_F(SceneryFile, SavedFileLayout)
{
    TTestHost host;
    host.Change();
    TIniFile ini;
    WriteScenery(host, ini);
    std::vector<std::string> sections;
    ini.GetSections(sections);
    EXPECT_EQ(sections, (std::vector<std::string>{"Common", "Settings", "Colors"}));
    std::vector<std::string> keys;
    ini.GetKeys("Settings", keys);
    EXPECT_EQ(keys, (std::vector<std::string>{"View", "MaxSteps", "MaxAbs", "AnimationSpeed", "AnimationDirection",
                                              "InteriorFactor", "ColorOffset", "ColorWrapping", "Algorithm",
                                              "JuliaPoint"}));
    EXPECT_EQ(ini.ReadString("Settings", "JuliaPoint"), "0.2850000000000000,-0.0100000000000000");
    EXPECT_EQ(ini.ReadString("Settings", "InteriorFactor"), "0.33");
    EXPECT_EQ(ini.ReadString("Settings", "MaxAbs"), "1.600000000000000E+001");
    EXPECT_EQ(ini.Text().substr(ini.Text().find("[Colors]")), "[Colors]\r\n$FFFFFF\r\n$030201, 99\r\n\r\n\r\n");
}

TEST_F(SceneryFile, SixteenDigitsMayChangeTheLastBit)
{
    TTestHost host;
    const double maxAbs = 0.1 + 0.2; // needs 17 digits
    host.SetMaxAbs(maxAbs);
    SaveSceneryFile(host, Path("a.qsf"));
    TTestHost back;
    LoadSceneryFile(back, Path("a.qsf"));
    EXPECT_EQ(back.MaxAbs(), 0.3);
    EXPECT_NE(back.MaxAbs(), maxAbs);
}

TEST_F(SceneryFile, TypeAndVersionAreCheckedBeforeAnythingChanges)
{
    struct Row {
        std::map<std::string, std::optional<std::string>> changes;
        std::string message;
    };
    const Row rows[] = {
        {{{"Type", "qsf"}}, "Invalid Quillon scenary file."},
        {{{"Type", "QSF "}}, "Invalid Quillon scenary file."},
        {{{"Type", " QSF"}}, "Invalid Quillon scenary file."},
        {{{"Type", std::nullopt}}, "Invalid Quillon scenary file."},
        {{{"Version", "101"}}, "Invalid Quillon scenary file."},
        {{{"Version", std::nullopt}}, "Invalid Quillon scenary file."},
        {{{"[Common]", std::nullopt}}, "Invalid Quillon scenary file."},
        {{{"Version", "1x"}}, "'1x' is not a valid integer value"},
    };
    for (const Row& row : rows) {
        TTestHost host;
        host.Change();
        const TSnapshot before(host);
        EXPECT_EQ(ErrorOf([&] { LoadSceneryFile(host, Write(Edited(row.changes))); }), row.message);
        EXPECT_TRUE(TSnapshot(host) == before);
        EXPECT_EQ(host.FHistoryCleared, 0);
        EXPECT_EQ(host.FStops, 0);
        EXPECT_EQ(host.FLockCount, 0);
    }
    // Section and key names are matched in any case, the tag is not.
    TTestHost host;
    host.Change();
    std::string text = Edited({});
    text.replace(text.find("[Common]\r\nType"), 14, "[COMMON]\r\ntype");
    LoadSceneryFile(host, Write(text));
    EXPECT_TRUE(TSnapshot(host) == TSnapshot(TTestHost()));
}

TEST_F(SceneryFile, MissingFileChangesNothing)
{
    TTestHost host;
    host.Change();
    const TSnapshot before(host);
    std::string message = ErrorOf([&] { LoadSceneryFile(host, Path("missing.qsf")); });
    EXPECT_EQ(message.rfind("Cannot open file", 0), 0u) << message;
    EXPECT_TRUE(TSnapshot(host) == before);
    EXPECT_EQ(host.FStops, 0);
}

TEST_F(SceneryFile, FailuresKeepWhatWasAppliedBefore)
{
    // Each row: the edit, the message, and which values were applied before the
    // failure (the rest keep the changed state).
    enum Applied : unsigned {
        aAlgorithm = 1, aView = 2, aMaxSteps = 4, aMaxAbs = 8, aSpeed = 16, aDirection = 32,
        aInterior = 64, aColors = 128, aOffset = 256, aWrapping = 512,
    };
    constexpr unsigned Head = aAlgorithm | aView | aMaxSteps | aMaxAbs | aSpeed | aDirection | aInterior;
    struct Row {
        std::map<std::string, std::optional<std::string>> changes;
        std::string message;
        unsigned applied;
    };
    const Row rows[] = {
        {{{"MaxAbs", std::nullopt}}, "Section [Settings] or Key 'MaxAbs' not found.", aAlgorithm | aView | aMaxSteps},
        {{{"View", std::nullopt}}, "Section [Settings] or Key 'View' not found.", aAlgorithm},
        {{{"View", "1,2,3"}}, "Invalid index", aAlgorithm},
        {{{"View", "1,2,x,4"}}, "'x' is not a valid floating point value", aAlgorithm},
        {{{"MaxSteps", "50 "}}, "'50 ' is not a valid integer value", aAlgorithm | aView},
        {{{"AnimationSpeed", std::nullopt}}, "Section [Settings] or Key 'AnimationSpeed' not found.",
         aAlgorithm | aView | aMaxSteps | aMaxAbs},
        {{{"AnimationDirection", std::nullopt}}, "Section [Settings] or Key 'AnimationDirection' not found.",
         aAlgorithm | aView | aMaxSteps | aMaxAbs | aSpeed},
        {{{"AnimationDirection", "2"}}, "Invalid animation direction.", aAlgorithm | aView | aMaxSteps | aMaxAbs | aSpeed},
        {{{"InteriorFactor", "1,5"}}, "'1,5' is not a valid floating point value", Head & ~aInterior},
        {{{"ColorOffset", "256"}}, "Invalid color offset.", Head | aColors},
        {{{"ColorOffset", "-1"}}, "Invalid color offset.", Head | aColors},
        {{{"$FF0000", "junk"}}, "'junk' is not a valid integer value", Head},
        // Maps that parse but cannot be the palette.
        {{{"$000000", "$000000, 2"}}, "Invalid color map.", Head},
        {{{"$FF0000", "$FF0000, 300"}}, "Invalid number of colors (up to 256).", Head},
        {{{"$000000", std::nullopt}, {"$FF0000", std::nullopt}, {"$FF00FF, 42", std::nullopt},
          {"$0000FF, 42", std::nullopt}, {"$00FFFF, 44", std::nullopt}, {"$00FF00, 42", std::nullopt},
          {"$FFFF00, 42", std::nullopt}, {"$FF0000, 42", std::nullopt}},
         "Invalid color map.",
         Head},
        {{{"ColorWrapping", "maybe"}}, "Invalid Boolean Value 'maybe'.", Head | aColors | aOffset},
        {{{"JuliaPoint", "0.5"}}, "Invalid index", Head | aColors | aOffset | aWrapping},
        {{{"JuliaPoint", "0.5,y"}}, "'y' is not a valid floating point value", Head | aColors | aOffset | aWrapping},
        {{{"Algorithm", "2"}}, "Invalid algorithm.", 0},
    };
    const TTestHost defaults;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        std::string text = Edited(row.changes);
        TTestHost host;
        host.Change();
        const TSnapshot changed(host);
        EXPECT_EQ(ErrorOf([&] { LoadSceneryFile(host, Write(text)); }), row.message);
        EXPECT_EQ(host.FLockCount, 0);
        EXPECT_EQ(host.FStops, 1);
        EXPECT_EQ(host.FHistoryCleared, 1);
        const TSnapshot now(host);
        const TSnapshot want(defaults);
        auto pick = [&](unsigned flag, auto member) { return (row.applied & flag) ? want.*member : changed.*member; };
        EXPECT_EQ(now.Algorithm, pick(aAlgorithm, &TSnapshot::Algorithm));
        // Without the stored view the algorithm switch leaves the view it brings.
        if (row.applied & aView) {
            EXPECT_EQ(now.View, want.View);
        } else if (!(row.applied & aAlgorithm)) {
            EXPECT_EQ(now.View, changed.View);
        }
        EXPECT_EQ(now.MaxSteps, pick(aMaxSteps, &TSnapshot::MaxSteps));
        EXPECT_EQ(now.MaxAbs, pick(aMaxAbs, &TSnapshot::MaxAbs));
        EXPECT_EQ(now.AnimationSpeed, pick(aSpeed, &TSnapshot::AnimationSpeed));
        EXPECT_EQ(now.AnimationDirection, pick(aDirection, &TSnapshot::AnimationDirection));
        EXPECT_EQ(now.InteriorFactor, pick(aInterior, &TSnapshot::InteriorFactor));
        EXPECT_EQ(now.ColorMap, pick(aColors, &TSnapshot::ColorMap));
        if (row.applied & aOffset) {
            EXPECT_EQ(now.ColorOffset, want.ColorOffset);
        }
        EXPECT_EQ(now.ColorWrapping, pick(aWrapping, &TSnapshot::ColorWrapping));
        EXPECT_EQ(now.JuliaPoint, changed.JuliaPoint);
    }
}

TEST_F(SceneryFile, OptionalValuesAndSections)
{
    TTestHost host;
    host.Change();
    const TSnapshot changed(host);
    LoadSceneryFile(host, Write(Edited({{"InteriorFactor", std::nullopt},
                                        {"ColorOffset", std::nullopt},
                                        {"ColorWrapping", std::nullopt},
                                        {"Algorithm", std::nullopt},
                                        {"JuliaPoint", std::nullopt},
                                        {"[Colors]", std::nullopt},
                                        {"$000000", std::nullopt},
                                        {"$FF0000", std::nullopt},
                                        {"$FF00FF, 42", std::nullopt},
                                        {"$0000FF, 42", std::nullopt},
                                        {"$00FFFF, 44", std::nullopt},
                                        {"$00FF00, 42", std::nullopt},
                                        {"$FFFF00, 42", std::nullopt},
                                        {"$FF0000, 42", std::nullopt}})));
    const TSnapshot now(host);
    EXPECT_EQ(now.InteriorFactor, changed.InteriorFactor);
    EXPECT_EQ(now.ColorOffset, changed.ColorOffset);
    EXPECT_EQ(now.ColorWrapping, changed.ColorWrapping);
    EXPECT_EQ(now.Algorithm, changed.Algorithm);
    EXPECT_EQ(now.JuliaPoint, changed.JuliaPoint);
    EXPECT_EQ(now.ColorMap, changed.ColorMap);
    EXPECT_EQ(now.View, TTestHost().View());
    EXPECT_EQ(now.MaxSteps, 50);
}

TEST_F(SceneryFile, InteriorColoringIsALineOnlyWhenOn)
{
    TTestHost host;
    const std::string plain = SceneryText(host);
    EXPECT_EQ(plain.find("Interior="), std::string::npos);
    host.SetInterior(true);
    const std::string juliaLine = "JuliaPoint=0.0000000000000000,0.0000000000000000\r\n";
    std::string on = plain;
    on.insert(on.find(juliaLine) + juliaLine.size(), "Interior=1\r\n");
    EXPECT_EQ(SceneryText(host), on);

    TTestHost other;
    LoadSceneryFromText(other, on);
    EXPECT_TRUE(other.Interior());
    EXPECT_TRUE(other.Processor().Options().Contains(poInterior));
    // Like the other optional values, a file without it leaves it as it was.
    LoadSceneryFromText(other, plain);
    EXPECT_TRUE(other.Interior());
    std::string off = on;
    off.replace(off.find("Interior=1"), 10, "Interior=0");
    LoadSceneryFromText(other, off);
    EXPECT_FALSE(other.Interior());
    std::string bad = on;
    bad.replace(bad.find("Interior=1"), 10, "Interior=maybe");
    EXPECT_EQ(ErrorOf([&] { LoadSceneryFromText(other, bad); }), "Invalid Boolean Value 'maybe'.");
    EXPECT_FALSE(other.Interior());
}

TEST_F(SceneryFile, SmoothColorsFollowInteriorAndAreALineOnlyWhenOn)
{
    TTestHost host;
    const std::string plain = SceneryText(host);
    EXPECT_EQ(plain.find("SmoothColors="), std::string::npos);
    const std::string juliaLine = "JuliaPoint=0.0000000000000000,0.0000000000000000\r\n";
    host.SetSmoothColors(true);
    std::string smooth = plain;
    smooth.insert(smooth.find(juliaLine) + juliaLine.size(), "SmoothColors=1\r\n");
    EXPECT_EQ(SceneryText(host), smooth);
    host.SetInterior(true);
    std::string both = plain;
    both.insert(both.find(juliaLine) + juliaLine.size(), "Interior=1\r\nSmoothColors=1\r\n");
    EXPECT_EQ(SceneryText(host), both);

    TTestHost other;
    LoadSceneryFromText(other, both);
    EXPECT_TRUE(other.Interior());
    EXPECT_TRUE(other.SmoothColors());
    // A scene without the key was made without smooth colors.
    LoadSceneryFromText(other, plain);
    EXPECT_FALSE(other.SmoothColors());
    EXPECT_TRUE(other.Interior());
}

TEST_F(SceneryFile, ReadsLikeTheDocumentModel)
{
    // Leading spaces for integers, spaces around reals, out-of-scale speeds clamped.
    TTestHost host;
    LoadSceneryFile(host, Write(Edited({{"MaxSteps", "  $20"},
                                        {"MaxAbs", " 4.0 "},
                                        {"AnimationSpeed", "20"},
                                        {"AnimationDirection", "257"},
                                        {"JuliaPoint", "\"0.5\", -0.25 ,9"}})));
    EXPECT_EQ(host.MaxSteps(), 32);
    EXPECT_EQ(host.MaxAbs(), 4.0);
    EXPECT_EQ(host.AnimationSpeed(), 10);
    EXPECT_EQ(host.AnimationDirection(), drDown);
    EXPECT_EQ(host.JuliaPoint(), TPoint2D::Create(0.5, -0.25));
    LoadSceneryFile(host, Write(Edited({{"AnimationSpeed", "0"}})));
    EXPECT_EQ(host.AnimationSpeed(), 1);
}

TEST_F(SceneryFile, ByteOrderMarksSelectTheEncoding)
{
    std::string text = Fixture("default.qsf");
    std::string utf16le = "\xFF\xFE", utf16be = "\xFE\xFF";
    for (char c : text) {
        utf16le += c;
        utf16le += '\0';
        utf16be += '\0';
        utf16be += c;
    }
    for (const std::string& bytes : {"\xEF\xBB\xBF" + text, utf16le, utf16be}) {
        TTestHost host;
        host.Change();
        LoadSceneryFile(host, Write(bytes));
        EXPECT_TRUE(TSnapshot(host) == TSnapshot(TTestHost()));
    }
}

TEST_F(SceneryFile, FailedSaveKeepsThePreviousFile)
{
    TTestHost host;
    // A folder in the way: the rename fails and nothing is left behind.
    std::filesystem::create_directories(FDir / "folder.qsf" / "inside");
    std::string message = ErrorOf([&] { SaveSceneryFile(host, Path("folder.qsf")); });
    EXPECT_EQ(message.rfind("Cannot write file", 0), 0u) << message;
    EXPECT_TRUE(std::filesystem::is_directory(FDir / "folder.qsf" / "inside"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(FDir), std::filesystem::directory_iterator()), 1);

    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    std::string target = Write("previous", "kept.qsf");
    std::filesystem::permissions(FDir, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    message = ErrorOf([&] { SaveSceneryFile(host, target); });
    std::filesystem::permissions(FDir, std::filesystem::perms::owner_all);
    EXPECT_EQ(message.rfind("Cannot write file", 0), 0u) << message;
    EXPECT_EQ(ReadFileBytes(target), "previous");
}

TEST_F(SceneryFile, TextIsTheFileAndLoadsBack)
{
    TTestHost source;
    source.Change();
    SaveSceneryFile(source, Path("changed.qsf"));
    const std::string text = SceneryText(source);
    EXPECT_EQ(text, ReadFileBytes(Path("changed.qsf")));

    // Line feeds alone (as a PNG text chunk keeps them) load alike.
    std::string lf = text;
    std::erase(lf, '\r');
    TTestHost target;
    LoadSceneryFromText(target, lf);
    TTestHost fromFile;
    LoadSceneryFile(fromFile, Path("changed.qsf"));
    EXPECT_TRUE(TSnapshot(target) == TSnapshot(fromFile));
    EXPECT_EQ(SceneryText(target), text);

    // Text that is no scenery document is refused before anything changes.
    for (const std::string& bad : {std::string(), std::string("\x89PNG\r\n\x1a\n", 8), Edited({{"Type", "CLM"}})}) {
        TTestHost host;
        host.Change();
        const TSnapshot before(host);
        EXPECT_EQ(ErrorOf([&] { LoadSceneryFromText(host, bad); }), "Invalid Quillon scenary file.");
        EXPECT_TRUE(TSnapshot(host) == before);
        EXPECT_EQ(host.FHistoryCleared, 0);
    }
}

TEST_F(SceneryFile, DeepViewsCarryTheirCentreAfterJuliaPoint)
{
    TTestHost host;
    const TView deep = MoveView(TView::Create({-1.25, 0.125}, 1e-120, 0.25), {3.3e-119, -7.1e-119});
    ASSERT_TRUE(deep.HasPreciseCenter());
    host.SetView(deep);
    TIniFile ini;
    WriteScenery(host, ini);
    std::vector<std::string> keys;
    ini.GetKeys("Settings", keys);
    ASSERT_EQ(keys.size(), 11u);
    EXPECT_EQ(keys[9], "JuliaPoint");
    EXPECT_EQ(keys[10], "Center");
    EXPECT_EQ(ini.ReadString("Settings", "View"), ViewToStr(deep)); // the four doubles, as ever
    const std::string center = ini.ReadString("Settings", "Center");
    EXPECT_EQ(center, deep.Precise.X.ToDecimal() + "," + deep.Precise.Y.ToDecimal());
    EXPECT_EQ(center.find_first_of("eE"), std::string::npos);

    const std::string path = Path("deep.qsf");
    SaveSceneryFile(host, path);
    TTestHost back;
    LoadSceneryFile(back, path);
    EXPECT_EQ(back.View(), deep);
    EXPECT_EQ(SceneryText(back), SceneryText(host));

    // A View edited by hand wins; a Center that is not two numbers is an error.
    const std::string text = ReadFileBytes(path);
    const std::string viewLine = "View=" + ViewToStr(deep);
    std::string edited = text;
    edited.replace(edited.find(viewLine), viewLine.size(), "View=-1.3,0.125,1e-120,0.25");
    TTestHost handEdited;
    LoadSceneryFile(handEdited, Write(edited, "edited.qsf"));
    EXPECT_EQ(handEdited.View(), TView::Create({-1.3, 0.125}, 1e-120, 0.25));
    // The same centre written another way still selects the precise one.
    edited = text;
    edited.replace(edited.find(viewLine), viewLine.size(),
                   Format("View=-1.25,0.125,%.16e,%.16e", {deep.Scale, deep.Angle}));
    TTestHost sameCentre;
    LoadSceneryFile(sameCentre, Write(edited, "same.qsf"));
    EXPECT_EQ(sameCentre.View(), deep);
    for (const char* bad : {"1.5", "1.5,", "x,1", "1,2,3"}) {
        edited = text;
        const auto at = edited.find("Center=");
        edited.replace(at, edited.find('\r', at) - at, std::string("Center=") + bad);
        TTestHost broken;
        EXPECT_EQ(ErrorOf([&] { LoadSceneryFile(broken, Write(edited, "broken.qsf")); }),
                  Format("'%s' is not a valid center", {std::string(bad)}));
    }
}
