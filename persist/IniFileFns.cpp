#include "IniFileFns.h"

#include "engine/Errors.h"
#include "engine/StrFns.h"
#include "engine/FileFns.h"
#include "engine/NumberFns.h"
#include "engine/TextFileFns.h"

#include <istream>
#include <iterator>
#include <ostream>

namespace quillon {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string_view Trim(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Only the ASCII letters are compared without regard to case.
bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

bool ParseSectionLine(std::string_view line, std::string& name)
{
    std::string_view t = Trim(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
    name = std::string(Trim(t.substr(1, t.size() - 2)));
    return true;
}

// A key line has an "=" before any double quote.
bool ParseKeyLine(std::string_view line, std::string_view& key, std::size_t& equalPos)
{
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') return false;
        if (line[i] == '=') {
            key = Trim(line.substr(0, i));
            equalPos = i;
            return true;
        }
    }
    return false;
}

[[noreturn]] void NoCurrentSection() { throw EQuillonError("No current section available"); }

} // namespace

std::string BooleanToText(bool value) { return value ? "1" : "0"; }

bool TextToBoolean(std::string_view text)
{
    std::string_view t = Trim(text);
    if (auto v = TryStrToInt(t)) return *v != 0;
    if (SameName(t, "TRUE") || SameName(t, "ON")) return true;
    if (SameName(t, "FALSE") || SameName(t, "OFF")) return false;
    throw EConvertError(Format("Invalid Boolean Value '%s'.", {QuoteText(text)}));
}

TIniFile::TIniFile() = default;
TIniFile::~TIniFile() = default;

void TIniFile::Clear()
{
    FHeaderLines.clear();
    FSections.clear();
    Reset();
}

void TIniFile::Reset()
{
    FCurrentSectionIndex = 0;
    FCurrentLineIndex = 0;
}

void TIniFile::LoadFromStrings(const std::vector<std::string>& strings)
{
    Clear();
    try {
        std::string name;
        for (const std::string& line : strings) {
            if (ParseSectionLine(line, name)) {
                auto section = std::make_unique<TSection>();
                section->Line = line;
                section->Name = name;
                FSections.push_back(std::move(section));
            } else if (FSections.empty()) {
                FHeaderLines.push_back(line);
            } else {
                FSections.back()->Lines.push_back(line);
            }
        }
    } catch (...) {
        Clear();
        throw;
    }
}

void TIniFile::LoadFromString(std::string_view str) { LoadFromStrings(SplitLines(str)); }

void TIniFile::LoadFromFile(const std::string& filename) { LoadFromStrings(ReadTextLines(filename)); }

void TIniFile::LoadFromStream(std::istream& stream, std::int64_t /*count*/)
{
    std::string bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    LoadFromString(DecodeText(bytes));
}

void TIniFile::SaveToStream(std::ostream& stream, std::optional<TTextEncoding> altEncoding) const
{
    std::string bytes = EncodeTextAs(Text(), altEncoding.value_or(FEncoding));
    stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void TIniFile::SaveToFile(const std::string& filename, std::optional<TTextEncoding> altEncoding) const
{
    WriteFileAtomic(filename, EncodeTextAs(Text(), altEncoding.value_or(FEncoding)));
}

bool TIniFile::IsIniFile(const std::string& filename, TTextEncoding& encoding)
{
    const std::string head = ReadFileHead(filename, 4);
    if (head.size() <= 3) return false;
    encoding = DetectTextEncoding(head);
    return true;
}

std::string TIniFile::Text() const
{
    std::string text;
    for (const std::string& line : FHeaderLines) text += line + "\r\n";
    for (const auto& section : FSections) {
        text += section->Line + "\r\n";
        for (const std::string& line : section->Lines) text += line + "\r\n";
        text += "\r\n";
    }
    return text;
}

TSection& TIniFile::GetSection(int index) const
{
    if (index < 0 || index >= SectionCount())
        throw ERangeError(Format("List index out of bounds (%d)", {index}));
    return *FSections[static_cast<std::size_t>(index)];
}

TSection& TIniFile::CurrentSection() const
{
    if (FCurrentSectionIndex < 0 || FCurrentSectionIndex >= SectionCount()) NoCurrentSection();
    return *FSections[static_cast<std::size_t>(FCurrentSectionIndex)];
}

void TIniFile::SetCurrentSection(const TSection& section)
{
    for (std::size_t i = 0; i < FSections.size(); ++i)
        if (FSections[i].get() == &section) {
            FCurrentSectionIndex = static_cast<std::int32_t>(i);
            return;
        }
    throw ERangeError("The section does not belong to this document");
}

bool TIniFile::FindSection(std::string_view name)
{
    const int count = SectionCount();
    if (count == 0) return false;
    const int current = FCurrentSectionIndex >= 0 && FCurrentSectionIndex < count ? FCurrentSectionIndex : -1;
    if (current >= 0 && SameName(FSections[static_cast<std::size_t>(current)]->Name, name)) return true;
    // The sections after the current one first, then from the top.
    for (int step = 1; step <= count; ++step) {
        int i = (current + step) % count;
        if (i < 0) i += count;
        if (SameName(FSections[static_cast<std::size_t>(i)]->Name, name)) {
            FCurrentSectionIndex = i;
            FCurrentLineIndex = 0;
            return true;
        }
    }
    return false;
}

std::optional<TIniFile::TKeyLine> TIniFile::FindKeyLine(std::string_view key)
{
    if (FCurrentSectionIndex < 0 || FCurrentSectionIndex >= SectionCount()) return std::nullopt;
    const auto& lines = FSections[static_cast<std::size_t>(FCurrentSectionIndex)]->Lines;
    const int n = static_cast<int>(lines.size());
    if (n == 0) return std::nullopt;
    int start = FCurrentLineIndex < 0 ? 0 : FCurrentLineIndex;
    if (start >= n) start = 0;
    for (int step = 0; step < n; ++step) {
        int i = (start + step) % n;
        std::string_view lineKey;
        std::size_t eq = 0;
        if (ParseKeyLine(lines[static_cast<std::size_t>(i)], lineKey, eq) && SameName(lineKey, key)) {
            FCurrentLineIndex = i + 1 >= n ? 0 : i + 1;
            return TKeyLine{i, eq};
        }
    }
    return std::nullopt;
}

bool TIniFile::FindKey(std::string_view section, std::string_view key)
{
    return FindSection(section) && FindKeyLine(key).has_value();
}

bool TIniFile::NextSection(std::string_view section)
{
    int next = FCurrentSectionIndex + 1;
    if (next < 0 || next >= SectionCount() || !SameName(FSections[static_cast<std::size_t>(next)]->Name, section))
        return false;
    FCurrentSectionIndex = next;
    return true;
}

void TIniFile::GetSections(std::vector<std::string>& sections) const
{
    for (const auto& section : FSections) sections.push_back(section->Name);
}

void TIniFile::GetKeys(std::string_view section, std::vector<std::string>& keys)
{
    if (!FindSection(section)) return;
    for (const std::string& line : CurrentSection().Lines) {
        std::string_view key;
        std::size_t eq = 0;
        if (ParseKeyLine(line, key, eq)) keys.emplace_back(key);
    }
}

void TIniFile::GetLines(std::string_view section, std::vector<std::string>& lines, bool noSpace)
{
    if (!FindSection(section)) return;
    for (const std::string& line : CurrentSection().Lines)
        if (!noSpace || !Trim(line).empty()) lines.push_back(line);
}

std::optional<std::string> TIniFile::FindValue(std::string_view section, std::string_view key)
{
    if (!FindSection(section)) return std::nullopt;
    auto found = FindKeyLine(key);
    if (!found) return std::nullopt;
    return CurrentSection().Lines[static_cast<std::size_t>(found->Index)].substr(found->EqualPos + 1);
}

std::string TIniFile::RequireValue(std::string_view section, std::string_view key)
{
    if (auto value = FindValue(section, key)) return *value;
    throw EQuillonError(Format("Section [%s] or Key '%s' not found.", {section, key}));
}

bool TIniFile::ReadString(std::string_view section, std::string_view key, std::string& value)
{
    auto v = FindValue(section, key);
    if (v) value = std::move(*v);
    return v.has_value();
}

bool TIniFile::ReadInteger(std::string_view section, std::string_view key, int& value)
{
    auto v = FindValue(section, key);
    if (v) value = StrToInt(*v);
    return v.has_value();
}

bool TIniFile::ReadBoolean(std::string_view section, std::string_view key, bool& value)
{
    auto v = FindValue(section, key);
    if (v) value = TextToBoolean(*v);
    return v.has_value();
}

bool TIniFile::ReadDouble(std::string_view section, std::string_view key, double& value)
{
    auto v = FindValue(section, key);
    if (v) value = StrToFloat(*v);
    return v.has_value();
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key) { return RequireValue(section, key); }

int TIniFile::ReadInteger(std::string_view section, std::string_view key) { return StrToInt(RequireValue(section, key)); }

bool TIniFile::ReadBoolean(std::string_view section, std::string_view key)
{
    return TextToBoolean(RequireValue(section, key));
}

double TIniFile::ReadDouble(std::string_view section, std::string_view key)
{
    return StrToFloat(RequireValue(section, key));
}

std::string TIniFile::ReadStringEx(std::string_view section, std::string_view key, std::string_view fallback)
{
    auto v = FindValue(section, key);
    return v ? *v : std::string(fallback);
}

int TIniFile::ReadIntegerEx(std::string_view section, std::string_view key, int fallback)
{
    auto v = FindValue(section, key);
    return v ? StrToInt(*v) : fallback;
}

bool TIniFile::ReadBooleanEx(std::string_view section, std::string_view key, bool fallback)
{
    auto v = FindValue(section, key);
    return v ? TextToBoolean(*v) : fallback;
}

double TIniFile::ReadDoubleEx(std::string_view section, std::string_view key, double fallback)
{
    auto v = FindValue(section, key);
    return v ? StrToFloat(*v) : fallback;
}

void TIniFile::WriteSection(std::string_view section)
{
    auto s = std::make_unique<TSection>();
    s->Name = std::string(section);
    s->Line = "[" + s->Name + "]";
    FSections.push_back(std::move(s));
    FCurrentSectionIndex = SectionCount() - 1;
    FCurrentLineIndex = 0;
}

void TIniFile::WriteString(std::string_view key, std::string_view value)
{
    CurrentSection().Lines.push_back(Format("%s=%s", {key, value}));
}

void TIniFile::WriteInteger(std::string_view key, int value)
{
    CurrentSection().Lines.push_back(Format("%s=%d", {key, value}));
}

void TIniFile::WriteBoolean(std::string_view key, bool value) { WriteString(key, BooleanToText(value)); }

void TIniFile::WriteDouble(std::string_view key, double value)
{
    CurrentSection().Lines.push_back(Format("%s=%f", {key, value}));
}

void TIniFile::WriteDouble(std::string_view key, double value, std::string_view fmt)
{
    TSection& section = CurrentSection();
    section.Lines.push_back(Format("%s=%s", {key, Format(fmt, {value})}));
}

} // namespace quillon
