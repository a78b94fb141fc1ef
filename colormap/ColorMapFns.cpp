#include "ColorMapFns.h"

#include "ColorMap.h"

#include "engine/Errors.h"
#include "engine/NumberFns.h"
#include "engine/TextFileFns.h"
#include "imageio/BmpWriter.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <memory>

namespace quillon {

namespace {

const char* const InvalidMapFileMessage = "Invalid color map file.";

// The extension with its dot, as written ("" when the name has none).
std::string ExtractFileExt(const std::string& filename)
{
    const auto dot = filename.find_last_of('.');
#ifdef _WIN32
    const auto slash = filename.find_last_of("/\\:");
#else
    const auto slash = filename.find_last_of('/');
#endif
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return filename.substr(dot);
}

bool IsBlank(std::string_view line)
{
    for (char c : line)
        if (static_cast<unsigned char>(c) > 32) return false;
    return true;
}

struct TCodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct TMatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

// The digit runs of a palette line; compiled once.
const pcre2_code* DigitRunPattern()
{
    static const std::unique_ptr<pcre2_code, TCodeDeleter> pattern = [] {
        int error = 0;
        PCRE2_SIZE offset = 0;
        pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>("[0-9]+"), PCRE2_ZERO_TERMINATED, 0,
                                         &error, &offset, nullptr);
        if (!code) throw std::logic_error("digit run pattern does not compile");
        return std::unique_ptr<pcre2_code, TCodeDeleter>(code);
    }();
    return pattern.get();
}

// Red, green and blue of one counted palette line.
TColor ParseFractintLine(const std::string& line, pcre2_match_data* match)
{
    int values[3];
    int found = 0;
    PCRE2_SIZE start = 0;
    const auto subject = reinterpret_cast<PCRE2_SPTR>(line.data());
    while (start <= line.size()) {
        const int rc = pcre2_match(DigitRunPattern(), subject, line.size(), start, 0, match, nullptr);
        if (rc == PCRE2_ERROR_NOMATCH) break;
        if (rc < 0) throw EQuillonError(InvalidMapFileMessage);
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(match);
        if (found == 3) throw EQuillonError(InvalidMapFileMessage);
        // A channel holds 0..255; a larger number would spill into its neighbours.
        const auto value = TryStrToInt(std::string_view(line).substr(ovector[0], ovector[1] - ovector[0]));
        if (!value || *value > 255) throw EQuillonError(InvalidMapFileMessage);
        values[found++] = *value;
        start = ovector[1];
    }
    if (found != 3) throw EQuillonError(InvalidMapFileMessage);
    return RGB(static_cast<unsigned>(values[0]), static_cast<unsigned>(values[1]), static_cast<unsigned>(values[2]));
}

} // namespace

std::string FormatNodeLine(TColor color, int count)
{
    std::string line = Format("$%.6x", {color});
    if (count > 1) line += Format(", %d", {count});
    return line;
}

TNodeLine ParseNodeLine(std::string_view line)
{
    TNodeLine result;
    const auto comma = line.find(',');
    const std::string_view colorText = line.substr(0, comma);
    result.Color = static_cast<TColor>(static_cast<std::uint32_t>(StrToInt(colorText)));
    if (comma != std::string_view::npos) result.Count = StrToInt(line.substr(comma + 1));
    return result;
}

std::vector<TColor> ParseFractintMap(const std::vector<std::string>& lines)
{
    std::unique_ptr<pcre2_match_data, TMatchDataDeleter> match(
        pcre2_match_data_create_from_pattern(DigitRunPattern(), nullptr));
    if (!match) throw std::bad_alloc();
    std::vector<TColor> colors;
    colors.reserve(lines.size());
    for (const std::string& line : lines) {
        if (line.empty()) continue;
        colors.push_back(ParseFractintLine(line, match.get()));
    }
    return colors;
}

void LoadFractintMap(const std::string& filename, std::vector<TColor>& colors)
{
    colors = ParseFractintMap(ReadTextLines(filename));
}

void SaveFractintMap(const std::string& filename, const std::vector<TColor>& colors)
{
    std::string text;
    text.reserve(colors.size() * 13);
    for (TColor c : colors) text += Format("%d %d %d\r\n", {GetRValue(c), GetGValue(c), GetBValue(c)});
    WriteTextFile(filename, text);
}

void SavePaletteBitmap(const std::string& filename, const std::vector<TColor>& colors)
{
    std::vector<std::uint32_t> pixels(colors.size());
    for (std::size_t i = 0; i < colors.size(); ++i) pixels[i] = ResolveColor(colors[i]);
    WriteBmp24(filename, static_cast<int>(pixels.size()), 1, pixels.data());
}

void TColorMap::SaveToStrings(std::vector<std::string>& strings) const
{
    strings.reserve(strings.size() + FItems.size());
    for (const auto& node : FItems) strings.push_back(node->AsString());
}

void TColorMap::LoadFromStrings(const std::vector<std::string>& strings)
{
    // Built aside, so a bad line leaves this map as it was.
    TColorMap map;
    for (const std::string& line : strings) {
        if (IsBlank(line)) continue;
        map.Add(0, 1).SetAsString(line);
    }
    Assign(map);
}

std::string TColorMap::AsString() const
{
    std::string text;
    for (const auto& node : FItems) {
        text += node->AsString();
        text += "\r\n";
    }
    return text;
}

void TColorMap::SetAsString(std::string_view text)
{
    LoadFromStrings(SplitLines(text));
}

void TColorMap::SaveToFile(const std::string& filename) const
{
    const std::string ext = ExtractFileExt(filename);
    if (ext == ".bmp")
        SavePaletteBitmap(filename, AsColorArray());
    else if (ext == ".map")
        SaveFractintMap(filename, AsColorArray());
    else
        WriteTextFile(filename, AsString());
}

void TColorMap::LoadFromFile(const std::string& filename)
{
    if (ExtractFileExt(filename) == ".map") {
        std::vector<TColor> colors;
        LoadFractintMap(filename, colors);
        SetAsColorArray(colors);
    } else {
        LoadFromStrings(ReadTextLines(filename));
    }
}

} // namespace quillon
