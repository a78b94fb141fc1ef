#include "persist/RegFns.h"

#include "engine/AnimationSpeed.h"
#include "engine/Errors.h"
#include "engine/MandelbrotProcessor.h"
#include "persist/SettingsKeys.h"
#include "persist/StoredSettings.h"

#include <gtest/gtest.h>

#include <QSettings>

#include <filesystem>

#include <unistd.h>

using namespace quillon;
namespace keys = quillon::settings;

namespace {

// Every test gets a store of its own in a fresh folder.
class RegFns : public ::testing::Test {
protected:
    void SetUp() override
    {
        FDir = std::filesystem::temp_directory_path() /
               ("quillon-reg-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(FDir);
        std::filesystem::create_directories(FDir);
        TAppRegistry::SetStoreFolder(FDir.string());
    }
    void TearDown() override
    {
        TAppRegistry::SetStoreFolder({});
        std::filesystem::remove_all(FDir);
    }
    // The program's own store.
    static void Configure(TAppRegistry& reg)
    {
        reg.SetCompanyKey(keys::CompanyKey);
        reg.SetApplicationKey(keys::ApplicationKey);
    }
    std::filesystem::path FDir;
};

class TFakeForm : public IPlacementForm {
public:
    std::string FName = "OptionsDialog";
    TFormBounds FBounds{10, 20, 400, 300};
    int FMonitor = 0;
    TFormSize FMonitorSize{1920, 1080};
    std::optional<TFormSize> FMainSize;

    std::string Name() const override { return FName; }
    TFormBounds Bounds() const override { return FBounds; }
    TFormBounds NormalBounds() const override { return FBounds; }
    void SetBounds(const TFormBounds& b) override { FBounds = b; }
    int MonitorIndex() const override { return FMonitor; }
    TFormSize MonitorSize() const override { return FMonitorSize; }
    std::optional<TFormSize> MainFormSize() const override { return FMainSize; }
};

} // namespace

TEST(RegFnsKeys, Normalisation)
{
    struct Row {
        const char* given;
        const char* company;
        const char* application;
    };
    const Row rows[] = {
        {"", "\\", ""},
        {"Borvik", "\\Borvik\\", "Borvik\\"},
        {"  Software\\Borvik  ", "\\Software\\Borvik\\", "Software\\Borvik\\"},
        {"\\Quillon", "\\Quillon\\", "Quillon\\"},
        {"\\Software\\Borvik\\", "\\Software\\Borvik\\", "Software\\Borvik\\"},
        {"\\", "\\", ""},
        {"   ", "\\", ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(NormalizeCompanyKey(row.given), row.company) << '"' << row.given << '"';
        EXPECT_EQ(NormalizeApplicationKey(row.given), row.application) << '"' << row.given << '"';
    }
}

TEST_F(RegFns, KeysAreStoredInNormalFormAndCombineWellFormed)
{
    TAppRegistry reg;
    EXPECT_EQ(reg.CompanyKey(), "Software\\"); // the defaults are kept as given
    EXPECT_EQ(reg.ApplicationKey(), "Application\\");
    reg.SetCompanyKey("Software\\Borvik");
    reg.SetApplicationKey("\\Quillon");
    EXPECT_EQ(reg.CompanyKey() + reg.ApplicationKey(), "\\Software\\Borvik\\Quillon\\");
    reg.SetCompanyKey("\\SOFTWARE\\BORVIK\\"); // same key in another case: kept as it was
    EXPECT_EQ(reg.CompanyKey(), "\\Software\\Borvik\\");
    EXPECT_EQ(reg.Registry().FileName(), (FDir / "Borvik" / "Quillon.conf").string());
}

TEST_F(RegFns, ValueEncodings)
{
    TAppRegistry reg;
    Configure(reg);
    TRegIniFile& r = reg.Registry();
    r.WriteInteger("S", "Int", -42);
    r.WriteBool("S", "Yes", true);
    r.WriteBool("S", "No", false);
    r.WriteFloat("S", "Two", 2);
    r.WriteFloat("S", "Hundred", 100);
    r.WriteString("S", "Text", "a, b\r\nc");
    EXPECT_EQ(r.ReadString("S", "Int", ""), "-42");
    EXPECT_EQ(r.ReadString("S", "Yes", ""), "1");
    EXPECT_EQ(r.ReadString("S", "No", ""), "0");
    EXPECT_EQ(r.ReadString("S", "Two", ""), "2.00000000000000E+000");
    EXPECT_EQ(r.ReadString("S", "Hundred", ""), "1.00000000000000E+002");
    EXPECT_EQ(r.ReadString("S", "Text", ""), "a, b\r\nc");
    EXPECT_EQ(r.ReadInteger("S", "Int", 0), -42);
    EXPECT_DOUBLE_EQ(r.ReadFloat("S", "Hundred", 0), 100.0);
    EXPECT_TRUE(r.ReadBool("S", "Yes", false));
    EXPECT_FALSE(r.ReadBool("S", "No", true));

    // Hand-edited values.
    r.WriteString("S", "Two", "2");
    r.WriteString("S", "X", "x");
    r.WriteString("S", "Hex", "$10");
    r.WriteString("S", "Float", " 2.5 ");
    EXPECT_TRUE(r.ReadBool("S", "Two", false));
    EXPECT_TRUE(r.ReadBool("S", "X", true));
    EXPECT_FALSE(r.ReadBool("S", "X", false));
    EXPECT_EQ(r.ReadInteger("S", "X", 7), 7);
    EXPECT_EQ(r.ReadInteger("S", "Hex", 7), 16);
    EXPECT_DOUBLE_EQ(r.ReadFloat("S", "Float", 0), 2.5);
    EXPECT_THROW(r.ReadFloat("S", "X", 1.0), EConvertError);

    // Missing sections and values give the defaults and create nothing.
    EXPECT_EQ(r.ReadString("Missing", "V", "d"), "d");
    EXPECT_EQ(r.ReadInteger("S", "Missing", 3), 3);
    EXPECT_DOUBLE_EQ(r.ReadFloat("S", "Missing", 1.5), 1.5);
    EXPECT_FALSE(r.SectionExists("Missing"));
    EXPECT_TRUE(r.SectionExists("S"));
}

TEST_F(RegFns, StoreFileKeepsTheValueTexts)
{
    {
        TAppRegistry reg;
        Configure(reg);
        reg.Registry().WriteFloat(keys::SectionCurrent, keys::KeyMaxAbs, 2);
        reg.Registry().WriteBool(keys::SectionView, keys::KeyQuickHelpVisible, false);
    }
    QSettings file(QString::fromStdString((FDir / "Borvik" / "Quillon.conf").string()), QSettings::IniFormat);
    EXPECT_EQ(file.value("Current/MaxAbs").toString().toStdString(), "2.00000000000000E+000");
    EXPECT_EQ(file.value("View/QuickHelpVisible").toString().toStdString(), "0");
}

TEST_F(RegFns, FirstStartDefaults)
{
    TAppRegistry reg;
    Configure(reg);
    TProcessor processor;
    TStoredSettings s;
    s.MaxSteps = processor.MaxSteps();
    s.MaxAbs = processor.MaxAbs();
    s.AnimationSpeed = DefaultAnimationSpeed;
    s.InteriorFactor = processor.InteriorFactor();
    ReadStoredSettings(reg.Registry(), s);
    EXPECT_TRUE(s.AutoRender);
    EXPECT_EQ(s.ToolMode, 2);
    EXPECT_EQ(s.MaxSteps, 50);
    EXPECT_EQ(s.MaxAbs, 2.0);
    EXPECT_EQ(s.AnimationSpeed, 5);
    EXPECT_EQ(s.AnimationDirection, drUp);
    EXPECT_FALSE(s.InteriorVisible);
    EXPECT_EQ(s.InteriorFactor, 100.0);
    EXPECT_EQ(s.ColorOffset, 0);
    EXPECT_FALSE(s.ColorWrapping);
    EXPECT_EQ(s.ColorMap, "");
    EXPECT_TRUE(ReadQuickHelpVisible(reg.Registry()));
    EXPECT_FALSE(std::filesystem::exists(FDir / "Borvik" / "Quillon.conf")); // reading created nothing
}

TEST_F(RegFns, StoredSettingsRoundTripAndBadValues)
{
    TAppRegistry reg;
    Configure(reg);
    TStoredSettings written;
    written.AutoRender = false;
    written.ToolMode = 1;
    written.MaxSteps = 500;
    written.MaxAbs = 1e10;
    written.AnimationSpeed = 9;
    written.AnimationDirection = drDown;
    written.InteriorVisible = true;
    written.InteriorFactor = 0.5;
    written.ColorOffset = 17;
    written.ColorWrapping = true;
    written.ColorMap = "$000000\r\n$FF0000, 255\r\n";
    WriteStoredSettings(reg.Registry(), written);
    WriteQuickHelpVisible(reg.Registry(), false);

    TStoredSettings read;
    ReadStoredSettings(reg.Registry(), read);
    EXPECT_EQ(read.AutoRender, false);
    EXPECT_EQ(read.ToolMode, 1);
    EXPECT_EQ(read.MaxSteps, 500);
    EXPECT_EQ(read.MaxAbs, 1e10);
    EXPECT_EQ(read.AnimationSpeed, 9);
    EXPECT_EQ(read.AnimationDirection, drDown);
    EXPECT_EQ(read.InteriorVisible, true);
    EXPECT_EQ(read.InteriorFactor, 0.5);
    EXPECT_EQ(read.ColorOffset, 17);
    EXPECT_EQ(read.ColorWrapping, true);
    EXPECT_EQ(read.ColorMap, written.ColorMap);
    EXPECT_FALSE(ReadQuickHelpVisible(reg.Registry()));

    // Speeds outside the scale are clamped; other unusable values keep the current one.
    TRegIniFile& r = reg.Registry();
    struct Row {
        const char* speed;
        int expected;
    };
    for (Row row : {Row{"20", 10}, Row{"0", 1}, Row{"-3", 1}, Row{"x", 4}, Row{"7", 7}}) {
        r.WriteString(keys::SectionCurrent, keys::KeyAnimationSpeed, row.speed);
        TStoredSettings s;
        s.AnimationSpeed = 4;
        ReadStoredSettings(r, s);
        EXPECT_EQ(s.AnimationSpeed, row.expected) << row.speed;
    }
    r.WriteString(keys::SectionCurrent, keys::KeyToolMode, "3");
    r.WriteString(keys::SectionCurrent, keys::KeyAnimationDirection, "2");
    TStoredSettings s;
    ReadStoredSettings(r, s);
    EXPECT_EQ(s.ToolMode, 2);
    EXPECT_EQ(s.AnimationDirection, drUp);

    // An unreadable "MaxAbs" fails after the values before it have been read.
    r.WriteString(keys::SectionCurrent, keys::KeyMaxAbs, "two");
    TStoredSettings partial;
    partial.AnimationSpeed = 5;
    try {
        ReadStoredSettings(r, partial);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'two' is not a valid floating point value");
    }
    EXPECT_EQ(partial.MaxSteps, 500);
    EXPECT_EQ(partial.AnimationSpeed, 5);
}

TEST_F(RegFns, DefaultAppRegistryIsTheFirstInstance)
{
    ASSERT_EQ(DefaultAppRegistry(), nullptr);
    auto first = std::make_unique<TAppRegistry>();
    Configure(*first);
    {
        TAppRegistry second;
        Configure(second);
        EXPECT_EQ(DefaultAppRegistry(), first.get());
        // Both reach the same store.
        second.Registry().WriteInteger("Palette", "RandomNodeCount", 12);
        EXPECT_EQ(DefaultAppRegistry()->Registry().ReadInteger("Palette", "RandomNodeCount", 0), 12);
    }
    EXPECT_EQ(DefaultAppRegistry(), first.get());
    TAppRegistry third;
    first.reset();
    EXPECT_EQ(DefaultAppRegistry(), nullptr); // not handed on to a later instance
}

TEST_F(RegFns, BadRootKey)
{
    TAppRegistry reg;
    reg.SetInitialRoot(static_cast<TRootKey>(42));
    try {
        reg.Registry();
        FAIL() << "no error";
    } catch (const EQuillonError& e) {
        EXPECT_STREQ(e.what(), "Bad root key value");
    }
}

TEST_F(RegFns, PlacementRoundTrip)
{
    TAppRegistry reg;
    Configure(reg);
    TFakeForm form;
    form.FBounds = {100, 50, 889, 640};
    form.FMonitor = 1;
    reg.SavePlacement(form, keys::SectionMainDialog);
    EXPECT_EQ(reg.Registry().ReadInteger(keys::SectionMainDialog, keys::KeyMonitor, -1), 1);
    TFakeForm other;
    other.FMonitor = 1;
    reg.LoadPlacement(other, keys::SectionMainDialog);
    EXPECT_EQ(other.FBounds, (TFormBounds{100, 50, 889, 640}));

    // Without a key the form's name names the section; options select the parts.
    reg.SavePlacement(form);
    TFakeForm positionOnly;
    reg.LoadPlacement(positionOnly, {}, {poPosition});
    EXPECT_EQ(positionOnly.FBounds, (TFormBounds{100, 50, 400, 300}));
    TFakeForm sizeOnly;
    reg.LoadPlacement(sizeOnly, {}, {poSize});
    EXPECT_EQ(sizeOnly.FBounds, (TFormBounds{10, 20, 889, 640}));
}

TEST_F(RegFns, PlacementIsClampedOnTheFirstMonitor)
{
    TAppRegistry reg;
    Configure(reg);
    struct Row {
        TFormBounds stored;
        int monitor;
        TFormBounds expected;
    };
    const Row rows[] = {
        {{-201, 100, 400, 300}, 0, {0, 100, 400, 300}},     // more than half left of the monitor
        {{-200, 100, 400, 300}, 0, {-200, 100, 400, 300}},  // exactly half stays
        {{100, -151, 400, 300}, 0, {100, 0, 400, 300}},     // more than half above
        {{1721, 100, 400, 300}, 0, {1520, 100, 400, 300}},  // more than half right
        {{1720, 100, 400, 300}, 0, {1720, 100, 400, 300}},
        {{100, 931, 400, 300}, 0, {100, 780, 400, 300}},    // more than half below: bottom on the edge
        {{-5000, 5000, 400, 300}, 1, {-5000, 5000, 400, 300}}, // another monitor: as stored
        {{100, 100, 0, -3}, 0, {100, 100, 400, 300}},       // unusable sizes keep the current size
    };
    for (const Row& row : rows) {
        TRegIniFile& r = reg.Registry();
        r.WriteInteger("Dlg", keys::KeyLeft, row.stored.Left);
        r.WriteInteger("Dlg", keys::KeyTop, row.stored.Top);
        r.WriteInteger("Dlg", keys::KeyWidth, row.stored.Width);
        r.WriteInteger("Dlg", keys::KeyHeight, row.stored.Height);
        TFakeForm form;
        form.FMonitor = row.monitor;
        reg.LoadPlacement(form, "Dlg");
        EXPECT_EQ(form.FBounds, row.expected) << row.stored.Left << "," << row.stored.Top;
    }
}

TEST_F(RegFns, DialogWithoutPlacementIsCentredOnTheMainFormSize)
{
    TAppRegistry reg;
    Configure(reg);
    TFakeForm dialog;
    dialog.FBounds = {500, 500, 400, 300};
    dialog.FMainSize = TFormSize{889, 640};
    reg.LoadPlacement(dialog);
    EXPECT_EQ(dialog.FBounds, (TFormBounds{244, 170, 400, 300}));
    dialog.FMainSize = TFormSize{300, 200}; // larger than the main form: clamped at 0
    reg.LoadPlacement(dialog);
    EXPECT_EQ(dialog.FBounds, (TFormBounds{0, 0, 400, 300}));
    TFakeForm mainForm; // the main form itself: nothing happens
    mainForm.FBounds = {500, 500, 400, 300};
    reg.LoadPlacement(mainForm);
    EXPECT_EQ(mainForm.FBounds, (TFormBounds{500, 500, 400, 300}));
}
