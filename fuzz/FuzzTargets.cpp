#include "FuzzTargets.h"

#include "colormap/ColorMap.h"
#include "colormap/ColorMapFns.h"
#include "engine/Errors.h"
#include "engine/FileFns.h"
#include "engine/MandelbrotProcessor.h"
#include "engine/NumberFns.h"
#include "engine/StrFns.h"
#include "engine/TextFileFns.h"
#include "persist/IniFileFns.h"
#include "persist/SceneImage.h"
#include "persist/SceneryDefaults.h"
#include "persist/SceneryFile.h"
#include "session/Session.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

namespace quillon::fuzz {

namespace {

void Check(bool ok, const std::string& what)
{
    if (!ok) throw EFuzzCheck(what);
}

// Runs F; false when it refused its input with the clear-message error.
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

// Equal up to the rounding of a 16-significant-digit text form (or both tiny).
bool Close(double a, double b, double absolute = 0)
{
    if (a == b) return true;
    if (!std::isfinite(a) || !std::isfinite(b)) return false;
    const double diff = std::fabs(a - b);
    return diff <= 1e-15 * std::max(std::fabs(a), std::fabs(b)) || diff <= absolute || diff <= 1e-300;
}

// ---------------------------------------------------------------------------
// INI document

bool SameDocumentAfterSave(const TIniFile& original, const TIniFile& copy)
{
    if (copy.HeaderLines() != original.HeaderLines() || copy.SectionCount() != original.SectionCount()) return false;
    for (int i = 0; i < original.SectionCount(); ++i) {
        const TSection& a = original.Sections(i);
        const TSection& b = copy.Sections(i);
        // Every section is written with an empty line after it.
        std::vector<std::string> expected = a.Lines;
        expected.emplace_back();
        if (b.Line != a.Line || b.Name != a.Name || b.Lines != expected) return false;
    }
    return true;
}

bool StartsWithByteOrderMark(const std::string& bytes)
{
    return bytes.rfind("\xEF\xBB\xBF", 0) == 0 || bytes.rfind("\xFF\xFE", 0) == 0 || bytes.rfind("\xFE\xFF", 0) == 0;
}

// ---------------------------------------------------------------------------
// Scenery host: the session the window and the renderer share, on a small image.

class TFuzzHost : public TSession {
public:
    TFuzzHost()
    {
        Processor().SetThreadCount(1);
        TRenderLock lock(*this);
        SetSize({16, 12});
    }
};

void CheckSameScenery(const TFuzzHost& a, const TFuzzHost& b)
{
    const TView va = a.View(), vb = b.View();
    Check(Close(va.Center.x, vb.Center.x) && Close(va.Center.y, vb.Center.y) && Close(va.Scale, vb.Scale) &&
              Close(va.Angle, vb.Angle),
          "view changed on the way through a file: " + ViewToStr(va) + " / " + ViewToStr(vb));
    Check(a.MaxSteps() == b.MaxSteps(), "MaxSteps changed");
    Check(Close(a.MaxAbs(), b.MaxAbs()), "MaxAbs changed");
    Check(a.AnimationSpeed() == b.AnimationSpeed(), "AnimationSpeed changed");
    Check(a.AnimationDirection() == b.AnimationDirection(), "AnimationDirection changed");
    // Written with two decimals.
    Check(Close(a.InteriorFactor(), b.InteriorFactor(), 0.0051), "InteriorFactor changed");
    Check(a.ColorOffset() == b.ColorOffset(), "ColorOffset changed");
    Check(a.ColorWrapping() == b.ColorWrapping(), "ColorWrapping changed");
    Check(a.Algorithm() == b.Algorithm(), "Algorithm changed");
    // Written with 16 decimals.
    Check(Close(a.JuliaPoint().x, b.JuliaPoint().x, 1e-16) && Close(a.JuliaPoint().y, b.JuliaPoint().y, 1e-16),
          "JuliaPoint changed");
    Check(a.ColorMap().AsString() == b.ColorMap().AsString(), "color map changed");
}

// ---------------------------------------------------------------------------
// Numbers

void CheckDouble(double value)
{
    if (!std::isfinite(value)) {
        // Never written as a number, and never read back as one.
        Check(!TryStrToFloat(Format("%.16e", {value})).has_value(), "a non-finite text reads as a number");
        return;
    }
    for (const char* fmt : {"%.16e", "%e", "%16e", "%g", "%f", "%.16f", "%.2e"}) {
        const std::string text = Format(fmt, {value});
        const auto back = TryStrToFloat(text);
        Check(back.has_value(), std::string("formatted double does not read back: ") + fmt + " " + text);
        const bool sixteen = std::strcmp(fmt, "%.16e") == 0;
        const bool fifteen = std::strcmp(fmt, "%e") == 0 || std::strcmp(fmt, "%16e") == 0;
        if ((sixteen || fifteen) && std::fabs(value) >= std::numeric_limits<double>::min()) {
            Check(std::fabs(*back - value) <= (sixteen ? 1e-15 : 1e-14) * std::fabs(value),
                  "scientific text reads back as another value: " + text);
            // 15 significant digits survive a double exactly.
            if (fifteen) Check(Format(fmt, {*back}) == text, "%e text is not stable: " + text);
        }
    }
    (void)RoundHalfEven(value);
    if (auto r = RoundHalfEvenChecked(value)) Check(std::fabs(static_cast<double>(*r) - value) <= 0.5, "rounding");
}

// ---------------------------------------------------------------------------
// View text

void DriveProcessor(const TView& view, TAlgorithm algorithm)
{
    TProcessor p;
    p.SetThreadCount(1);
    p.SetSize({5, 3});
    p.SetAlgorithm(algorithm);
    p.SetJuliaPoint(view.Center);
    p.SetOptions({poInterior, poColorWrapping});
    p.SetView(view);
    for (int y = 0; y < p.Height(); ++y)
        for (int x = 0; x < p.Width(); ++x) (void)p.LogToPixel(p.PixelToLog({x, y}));
    (void)p.LogToPixel(view.Center);
    for (int y = 0; y < p.Height(); ++y) p.ComputeLine(y);
}

} // namespace

void FuzzIniFile(std::string_view data)
{
    TIniFile ini;
    std::istringstream in{std::string(data)};
    ini.LoadFromStream(in);

    std::vector<std::string> sections;
    ini.GetSections(sections);
    Check(static_cast<int>(sections.size()) == ini.SectionCount(), "section count");
    for (const std::string& section : sections) {
        std::vector<std::string> keys;
        ini.GetKeys(section, keys);
        for (const std::string& key : keys) {
            std::string value;
            Check(ini.ReadString(section, key, value), "a listed key is not found");
            Check(ini.FindKey(section, key), "FindKey misses a listed key");
            int i = 0;
            double d = 0;
            bool b = false;
            Handled([&] { ini.ReadInteger(section, key, i); });
            Handled([&] { ini.ReadDouble(section, key, d); });
            Handled([&] { ini.ReadBoolean(section, key, b); });
            Handled([&] { (void)ini.ReadIntegerEx(section, key, 0); });
            Handled([&] { (void)ini.ReadDoubleEx(section, key, 0); });
            Handled([&] { (void)ini.ReadBooleanEx(section, key, false); });
        }
        std::vector<std::string> lines;
        ini.GetLines(section, lines, true);
        ini.GetLines(section, lines, false);
        (void)ini.NextSection(section);
    }
    Handled([&] { (void)ini.ReadString("Missing", "Key"); });
    Handled([&] { (void)ini.CurrentSection(); });

    // Saving and loading again keeps every line, in every encoding that can hold the text.
    const std::string text = ini.Text();
    for (TTextEncoding encoding :
         {TTextEncoding::Utf8, TTextEncoding::Utf16LE, TTextEncoding::Utf16BE, TTextEncoding::Ansi}) {
        std::ostringstream out;
        ini.SaveToStream(out, encoding);
        const std::string bytes = out.str();
        if (encoding == TTextEncoding::Ansi) {
            // Windows-1252 cannot hold every character, and text that starts like a
            // byte-order mark is read as one: both are limits of the format.
            if (DecodeText(EncodeText(text)) != text || StartsWithByteOrderMark(bytes)) continue;
        }
        TIniFile copy;
        std::istringstream again(bytes);
        copy.LoadFromStream(again);
        Check(SameDocumentAfterSave(ini, copy), "a saved document reads back differently");
    }
}

void FuzzSceneryFile(std::string_view data)
{
    TIniFile ini;
    std::istringstream in{std::string(data)};
    ini.LoadFromStream(in);
    TFuzzHost host;
    const bool loaded = Handled([&] { ApplyScenery(ini, host); });
    Check(host.LockCount() == 0, "render lock not released");
    Check(!host.Processor().Running(), "loading started a rendering");
    if (!loaded) return;

    // What loaded is saved into a file that loads again to the same state.
    TIniFile saved;
    WriteScenery(host, saved);
    std::ostringstream out;
    saved.SaveToStream(out);
    TIniFile reread;
    std::istringstream again(out.str());
    reread.LoadFromStream(again);
    TFuzzHost second;
    try {
        ApplyScenery(reread, second);
    } catch (const EQuillonError& e) {
        throw EFuzzCheck(std::string("a saved scenery file does not load: ") + e.what());
    }
    CheckSameScenery(host, second);
}

void FuzzPngScene(std::string_view data)
{
    if (data.empty()) return; // a memory stream needs a byte
    std::string bytes(data);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(fmemopen(bytes.data(), bytes.size(), "rb"), std::fclose);
    Check(file != nullptr, "fmemopen failed");
    std::optional<std::string> text;
    if (!Handled([&] { text = ReadSceneFromPng(file.get(), "fuzz.png"); }) || !text) return;
    Check(text->size() <= MaxReadFileSize * 3, "a scene larger than any scenery file");
    TFuzzHost host;
    Handled([&] { LoadSceneryFromText(host, *text); });
    Check(host.LockCount() == 0, "render lock not released");
    Check(!host.Processor().Running(), "loading started a rendering");
}

void FuzzColorMap(std::string_view data)
{
    const std::string text = DecodeText(data);
    TColorMap map;
    SetApplicationDefaultColorMap(map);
    int events = 0;
    map.OnChanged = [&](TColorMap&) { ++events; };
    if (!Handled([&] { map.SetAsString(text); })) {
        TColorMap appDefault;
        SetApplicationDefaultColorMap(appDefault);
        Check(map.Compare(appDefault) && events == 0, "a failed load changed the map");
    } else {
        Check(events <= 1, "more than one change event for one load");
        std::int64_t sum = 0;
        for (int i = 0; i < map.Count(); ++i) {
            Check(map.Items(i).Count() >= 1, "node count below 1");
            sum += map.Items(i).Count();
        }
        Check(sum == map.ColorCount(), "ColorCount is not the sum of the counts");

        // The node text of the map loads into the same map.
        TColorMap copy;
        copy.SetAsString(map.AsString());
        Check(copy.Compare(map), "node text does not load back into the same map");
        std::vector<std::string> lines;
        map.SaveToStrings(lines);
        TColorMap copy2;
        copy2.LoadFromStrings(lines);
        Check(copy2.Compare(map), "node lines do not load back into the same map");

        // Expanding (the palette, the editor's preview) gives ColorCount entries or a message.
        std::vector<TColor> colors;
        if (Handled([&] { colors = map.AsColorArray(); }))
            Check(colors.size() == static_cast<std::size_t>(map.ColorCount()), "expansion size");
    }

    // One node line applied to a node.
    const std::vector<std::string> lines = SplitLines(text);
    if (!lines.empty()) {
        Handled([&] { (void)ParseNodeLine(lines.front()); });
        TColorMap one;
        one.Add(RGB(1, 2, 3), 5);
        const std::string before = one.AsString();
        if (!Handled([&] { one.Items(0).SetAsString(lines.front()); }))
            Check(one.AsString() == before, "a failed node line changed the node");
        Check(one.ColorCount() == one.Items(0).Count(), "node count and ColorCount disagree");
    }
}

void FuzzPaletteMap(std::string_view data)
{
    const std::vector<std::string> lines = SplitLines(DecodeText(data));
    std::vector<TColor> colors;
    if (!Handled([&] { colors = ParseFractintMap(lines); })) return;
    std::size_t counted = 0;
    for (const std::string& line : lines) counted += line.empty() ? 0 : 1;
    Check(colors.size() == counted, "one color per counted line");
    std::string written;
    for (TColor c : colors) {
        Check(c <= 0xFFFFFF, "color outside the 24-bit range");
        written += Format("%d %d %d\r\n", {GetRValue(c), GetGValue(c), GetBValue(c)});
    }
    Check(ParseFractintMap(SplitLines(written)) == colors, "written palette reads back differently");
    if (colors.empty()) return;
    TColorMap map;
    map.SetAsColorArray(colors);
    Check(map.AsColorArray() == colors, "palette does not expand back to its colors");
}

void FuzzViewText(std::string_view data)
{
    const std::string text(data);
    for (int n = 0; n < 5; ++n) Handled([&] { (void)GetFieldOf(text, n, ','); });

    TView view;
    if (Handled([&] { view = StrToView(text); })) {
        Check(std::isfinite(view.Center.x) && std::isfinite(view.Center.y) && std::isfinite(view.Scale) &&
                  std::isfinite(view.Angle),
              "a view text read as a non-finite number");
        const std::string written = ViewToStr(view);
        const TView back = StrToView(written);
        Check(Close(back.Center.x, view.Center.x) && Close(back.Center.y, view.Center.y) &&
                  Close(back.Scale, view.Scale) && Close(back.Angle, view.Angle),
              "view text reads back as another view: " + written);
        DriveProcessor(view, alMandelbrot);
        DriveProcessor(view, alJulia);
    }

    TSize size;
    if (TryStrToSize(text, size)) {
        Check(size.Width > 0 && size.Height > 0, "a size below one pixel");
        TSize back;
        Check(TryStrToSize(SizeToStr(size), back) && back == size, "size text reads back differently");
        Check(StrToSize(text) == size, "StrToSize and TryStrToSize disagree");
    } else {
        Check(!Handled([&] { (void)StrToSize(text); }), "StrToSize accepts what TryStrToSize refuses");
    }
}

void FuzzNumbers(std::string_view data)
{
    const auto i64 = TryStrToInt64(data);
    const auto i32 = TryStrToInt(data);
    if (i32) {
        Check(TryStrToInt(Format("%d", {*i32})) == i32, "integer text reads back differently");
        Check(StrToInt(data) == *i32 && StrToIntDef(data, 0) == *i32, "integer readers disagree");
    } else {
        Check(!Handled([&] { (void)StrToInt(data); }), "StrToInt accepts what TryStrToInt refuses");
    }
    if (i64) Check(TryStrToInt64(Format("%d", {*i64})) == i64, "64-bit integer text reads back differently");

    if (const auto d = TryStrToFloat(data)) {
        Check(std::isfinite(*d), "a number text read as a non-finite value");
        CheckDouble(*d);
    } else {
        Check(!Handled([&] { (void)StrToFloat(data); }), "StrToFloat accepts what TryStrToFloat refuses");
    }

    // The raw bytes as doubles: formatting any value for a file must read back.
    for (std::size_t i = 0; i + sizeof(double) <= data.size() && i < 64; i += sizeof(double)) {
        double value;
        std::memcpy(&value, data.data() + i, sizeof value);
        CheckDouble(value);
        (void)FormatGeneral(value, 1 + static_cast<int>(static_cast<unsigned char>(data[i]) % 20));
        (void)FormatFixed(value, static_cast<int>(static_cast<unsigned char>(data[i]) % 20));
    }
}

const std::vector<TFuzzTarget>& FuzzTargets()
{
    static const std::vector<TFuzzTarget> targets = {
        {"ini_file", FuzzIniFile},       {"scenery_file", FuzzSceneryFile}, {"color_map", FuzzColorMap},
        {"palette_map", FuzzPaletteMap}, {"view_text", FuzzViewText},       {"numbers", FuzzNumbers},
        {"settings", FuzzSettings},      {"png_scene", FuzzPngScene},
    };
    return targets;
}

} // namespace quillon::fuzz
