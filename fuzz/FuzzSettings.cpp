// The settings store's readers over a store file edited by hand. The only
// target that links QtCore.
#include "FuzzTargets.h"

#include "colormap/ColorMap.h"
#include "engine/Errors.h"
#include "persist/RegFns.h"
#include "persist/SettingsKeys.h"
#include "persist/StoredSettings.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include <unistd.h>

namespace quillon::fuzz {

namespace {

namespace keys = quillon::settings;

void Check(bool ok, const std::string& what)
{
    if (!ok) throw EFuzzCheck(what);
}

template <class F>
bool Handled(F f)
{
    try {
        f();
        return true;
    } catch (const EQuillonError&) {
        return false;
    }
}

// The store file of this process, rewritten for each input and removed at exit.
class TStoreFolder {
public:
    TStoreFolder() : FPath(Base() / ("quillon-fuzz-settings-" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(FPath);
        std::filesystem::create_directories(FPath / "Borvik");
    }
    ~TStoreFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(FPath, ec);
    }
    const std::filesystem::path& Path() const { return FPath; }
    // The settings library keeps a parsed store file per name and parses it
    // again only when its size or time changed: every input gets a time of its own.
    void Write(std::string_view data)
    {
        const auto file = FPath / "Borvik" / "Quillon.conf";
        {
            std::ofstream out(file, std::ios::binary | std::ios::trunc);
            out.write(data.data(), static_cast<std::streamsize>(data.size()));
        }
        std::filesystem::last_write_time(
            file, std::filesystem::file_time_type::clock::now() - std::chrono::hours(24) + std::chrono::seconds(FCounter++));
    }

private:
    // Memory-backed where there is one: every write of the store syncs its file.
    static std::filesystem::path Base()
    {
        std::error_code ec;
        if (std::filesystem::is_directory("/dev/shm", ec)) return "/dev/shm";
        return std::filesystem::temp_directory_path();
    }

    std::filesystem::path FPath;
    long FCounter = 0;
};

class TFuzzForm : public IPlacementForm {
public:
    TFuzzForm(std::string name, std::optional<TFormSize> mainSize) : FName(std::move(name)), FMainSize(mainSize) {}
    std::string Name() const override { return FName; }
    TFormBounds Bounds() const override { return FBounds; }
    TFormBounds NormalBounds() const override { return FBounds; }
    void SetBounds(const TFormBounds& bounds) override { FBounds = bounds; }
    int MonitorIndex() const override { return 0; }
    TFormSize MonitorSize() const override { return {1920, 1080}; }
    std::optional<TFormSize> MainFormSize() const override { return FMainSize; }

    std::string FName;
    std::optional<TFormSize> FMainSize;
    TFormBounds FBounds{100, 100, 640, 480};
};

bool SameSettings(const TStoredSettings& a, const TStoredSettings& b)
{
    auto close = [](double x, double y) {
        return x == y || std::fabs(x - y) <= 1e-14 * std::max(std::fabs(x), std::fabs(y)) || std::fabs(x - y) < 1e-300;
    };
    return a.AutoRender == b.AutoRender && a.ToolMode == b.ToolMode && a.MaxSteps == b.MaxSteps &&
           close(a.MaxAbs, b.MaxAbs) && a.AnimationSpeed == b.AnimationSpeed &&
           a.AnimationDirection == b.AnimationDirection && a.InteriorVisible == b.InteriorVisible &&
           close(a.InteriorFactor, b.InteriorFactor) && a.ColorOffset == b.ColorOffset &&
           a.ColorWrapping == b.ColorWrapping && a.ColorMap == b.ColorMap;
}

TStoredSettings WindowDefaults()
{
    TStoredSettings s;
    s.MaxSteps = 50;
    s.MaxAbs = 2.0;
    s.AnimationSpeed = 5;
    s.InteriorFactor = 100.0;
    return s;
}

} // namespace

void FuzzSettings(std::string_view data)
{
    static TStoreFolder folder;
    folder.Write(data);
    TAppRegistry::SetStoreFolder(folder.Path().string());
    {
        TAppRegistry reg;
        reg.SetCompanyKey(keys::CompanyKey);
        reg.SetApplicationKey(keys::ApplicationKey);
        TRegIniFile& r = reg.Registry();

        // Start-up: the main window's values, then its map.
        TStoredSettings s = WindowDefaults();
        const bool read = Handled([&] { ReadStoredSettings(r, s); });
        Check(s.ToolMode >= 0 && s.ToolMode <= 2, "tool mode outside 0..2");
        Check(s.AnimationSpeed >= 1 && s.AnimationSpeed <= 10, "animation speed outside the scale");
        Check(s.AnimationDirection == drUp || s.AnimationDirection == drDown, "direction outside 0..1");
        if (!s.ColorMap.empty()) {
            TColorMap map;
            if (Handled([&] { map.SetAsString(s.ColorMap); })) Handled([&] { (void)map.AsColorArray(); });
        }
        (void)ReadQuickHelpVisible(r);

        // Placements, with and without a main form to centre on.
        TFuzzForm main(keys::SectionMainDialog, std::nullopt);
        reg.LoadPlacement(main);
        TFuzzForm options(keys::SectionOptions, TFormSize{800, 600});
        reg.LoadPlacement(options, {}, {poPosition});
        TFuzzForm help(keys::SectionQuickHelpDialog, TFormSize{800, 600});
        reg.LoadPlacement(help, {}, {poSize});

        // Values other windows read.
        (void)r.ReadInteger(keys::SectionOptions, keys::KeyFirstChapterVisible, 0);
        (void)r.ReadBool(keys::SectionOptions, keys::KeyStretchView, false);
        (void)r.ReadString(keys::SectionPalette, keys::KeyRandomNodeCount, "12");
        (void)r.ReadString(keys::SectionPalette, keys::KeyRandomColorCount, "256");
        (void)r.ReadInteger(keys::SectionQuickHelpDialog, keys::KeyOffsetX, 0);
        (void)r.ReadInteger(keys::SectionQuickHelpDialog, keys::KeyOffsetY, 0);
        Handled([&] { (void)r.ReadFloat(keys::SectionCurrent, keys::KeyMaxAbs, 2.0); });

        // Shut-down writes what start-up read; the next start reads the same values.
        if (read) {
            WriteStoredSettings(r, s);
            TStoredSettings again = WindowDefaults();
            try {
                ReadStoredSettings(r, again);
            } catch (const EQuillonError& e) {
                throw EFuzzCheck(std::string("stored settings do not read back: ") + e.what());
            }
            Check(SameSettings(s, again), "stored settings read back differently");
        }
    }
    TAppRegistry::SetStoreFolder({});
}

} // namespace quillon::fuzz
