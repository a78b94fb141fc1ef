#include "SceneryFile.h"

#include "IniFileFns.h"
#include "colormap/ColorMap.h"
#include "engine/AnimationSpeed.h"
#include "engine/Errors.h"
#include "engine/NumberFns.h"
#include "engine/StrFns.h"

#include <vector>

namespace quillon {

namespace {

constexpr const char* SectionCommon = "Common";
constexpr const char* SectionSettings = "Settings";
constexpr const char* SectionColors = "Colors";

constexpr const char* KeyType = "Type";
constexpr const char* KeyVersion = "Version";
constexpr const char* KeyView = "View";
constexpr const char* KeyMaxSteps = "MaxSteps";
constexpr const char* KeyMaxAbs = "MaxAbs";
constexpr const char* KeyAnimationSpeed = "AnimationSpeed";
constexpr const char* KeyAnimationDirection = "AnimationDirection";
constexpr const char* KeyInteriorFactor = "InteriorFactor";
constexpr const char* KeyColorOffset = "ColorOffset";
constexpr const char* KeyColorWrapping = "ColorWrapping";
constexpr const char* KeyAlgorithm = "Algorithm";
constexpr const char* KeyJuliaPoint = "JuliaPoint";
// Written only when on, after the others, so that a file without interior
// coloring stays as it always was.
constexpr const char* KeyInterior = "Interior";
// The view's centre with every digit, when View's doubles do not hold it.
constexpr const char* KeyCenter = "Center";
// Written only when on, so that a scene without smooth colors stays as it always was.
constexpr const char* KeySmoothColors = "SmoothColors";

constexpr const char* FileType = "QSF";
constexpr int FileVersion = 100;

TAlgorithm ToAlgorithm(int value)
{
    // Any other value would leave every line of the image uncomputed.
    if (value != alMandelbrot && value != alJulia) throw ERangeError("Invalid algorithm.");
    return static_cast<TAlgorithm>(value);
}

TUpDown ToDirection(int value)
{
    // The direction is kept in 8 bits; only 0 and 1 name a direction.
    int byte = value & 0xFF;
    if (byte != drUp && byte != drDown) throw ERangeError("Invalid animation direction.");
    return static_cast<TUpDown>(byte);
}

// The view of View, with the precise centre of Center when it rounds to View's.
TView ReadView(TIniFile& ini)
{
    TView view = StrToView(ini.ReadString(SectionSettings, KeyView));
    std::string text;
    if (!ini.ReadString(SectionSettings, KeyCenter, text)) return view;
    const auto comma = text.find(',');
    const auto x = TPreciseNumber::FromDecimal(std::string_view(text).substr(0, comma));
    const auto y = comma == std::string::npos ? std::nullopt
                                              : TPreciseNumber::FromDecimal(std::string_view(text).substr(comma + 1));
    if (!x || !y) throw EConvertError(Format("'%s' is not a valid center", {text}));
    // A View edited by hand wins over a Center written for another view.
    if (PreciseMatches(*x, view.Center.x) && PreciseMatches(*y, view.Center.y)) view.SetPreciseCenter({*x, *y});
    return view;
}

} // namespace

void WriteScenery(const ISceneryHost& host, TIniFile& ini)
{
    ini.WriteSection(SectionCommon);
    ini.WriteString(KeyType, FileType);
    ini.WriteInteger(KeyVersion, FileVersion);

    ini.WriteSection(SectionSettings);
    ini.WriteString(KeyView, ViewToStr(host.View()));
    ini.WriteInteger(KeyMaxSteps, host.MaxSteps());
    ini.WriteDouble(KeyMaxAbs, host.MaxAbs(), "%.16e");
    ini.WriteInteger(KeyAnimationSpeed, host.AnimationSpeed());
    ini.WriteInteger(KeyAnimationDirection, host.AnimationDirection());
    ini.WriteDouble(KeyInteriorFactor, host.InteriorFactor());
    ini.WriteInteger(KeyColorOffset, host.ColorOffset());
    ini.WriteBoolean(KeyColorWrapping, host.ColorWrapping());
    ini.WriteInteger(KeyAlgorithm, host.Algorithm());
    TPoint2D julia = host.JuliaPoint();
    ini.WriteString(KeyJuliaPoint, Format("%.16f,%.16f", {julia.x, julia.y}));
    const TView view = host.View();
    if (view.HasPreciseCenter())
        ini.WriteString(KeyCenter, view.Precise.X.ToDecimal() + "," + view.Precise.Y.ToDecimal());
    if (host.Interior()) ini.WriteBoolean(KeyInterior, true);
    if (host.SmoothColors()) ini.WriteBoolean(KeySmoothColors, true);

    // The map's text is one stored line that holds a line per node.
    ini.WriteSection(SectionColors);
    ini.CurrentSection().Lines.push_back(host.ColorMap().AsString());
}

void SaveSceneryFile(const ISceneryHost& host, const std::string& filename)
{
    TIniFile ini;
    WriteScenery(host, ini);
    ini.SaveToFile(filename);
}

std::string SceneryText(const ISceneryHost& host)
{
    TIniFile ini;
    WriteScenery(host, ini);
    return ini.Text();
}

void ApplyScenery(TIniFile& ini, ISceneryHost& host)
{
    std::string type = ini.ReadStringEx(SectionCommon, KeyType, "");
    int version = ini.ReadIntegerEx(SectionCommon, KeyVersion, 0);
    if (type != FileType || version != FileVersion) throw EQuillonError("Invalid Quillon scenary file.");

    host.ClearHistory();
    host.StopRendering();
    TRenderLock lock(host);

    // The algorithm first: switching it brings a home view, which the stored
    // view then replaces.
    int algorithm = 0;
    if (ini.ReadInteger(SectionSettings, KeyAlgorithm, algorithm)) host.SetAlgorithm(ToAlgorithm(algorithm));

    host.SetView(ReadView(ini));
    host.SetMaxSteps(ini.ReadInteger(SectionSettings, KeyMaxSteps));
    host.SetMaxAbs(ini.ReadDouble(SectionSettings, KeyMaxAbs));
    host.SetAnimationSpeed(ClampAnimationSpeed(ini.ReadInteger(SectionSettings, KeyAnimationSpeed)));
    host.SetAnimationDirection(ToDirection(ini.ReadInteger(SectionSettings, KeyAnimationDirection)));

    double interiorFactor = 0;
    if (ini.ReadDouble(SectionSettings, KeyInteriorFactor, interiorFactor)) host.SetInteriorFactor(interiorFactor);

    // The color map before the offset: a new palette resets the offset, and
    // the offset is checked against the palette in force.
    if (ini.FindSection(SectionColors)) {
        std::vector<std::string> lines;
        ini.GetLines(SectionColors, lines);
        TColorMap map;
        map.LoadFromStrings(lines);
        // Refused before the host's map takes its nodes: a map that cannot be
        // the palette would otherwise linger in the host and in its settings.
        CheckPaletteMap(map);
        host.SetColorMap(map);
    }

    int colorOffset = 0;
    if (ini.ReadInteger(SectionSettings, KeyColorOffset, colorOffset)) host.SetColorOffset(colorOffset);
    bool colorWrapping = false;
    if (ini.ReadBoolean(SectionSettings, KeyColorWrapping, colorWrapping)) host.SetColorWrapping(colorWrapping);

    std::string julia;
    if (ini.ReadString(SectionSettings, KeyJuliaPoint, julia)) {
        TPoint2D point;
        point.x = StrToFloat(GetFieldOf(julia, 0, ','));
        point.y = StrToFloat(GetFieldOf(julia, 1, ','));
        host.SetJuliaPoint(point);
    }

    bool interior = false;
    if (ini.ReadBoolean(SectionSettings, KeyInterior, interior)) host.SetInterior(interior);

    // A scene without the key was made without smooth colors.
    bool smoothColors = false;
    ini.ReadBoolean(SectionSettings, KeySmoothColors, smoothColors);
    host.SetSmoothColors(smoothColors);
}

void LoadSceneryFile(ISceneryHost& host, const std::string& filename)
{
    TIniFile ini;
    ini.LoadFromFile(filename);
    ApplyScenery(ini, host);
}

void LoadSceneryFromText(ISceneryHost& host, std::string_view text)
{
    TIniFile ini;
    ini.LoadFromString(text);
    ApplyScenery(ini, host);
}

} // namespace quillon
