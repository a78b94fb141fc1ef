#pragma once
// A line-preserving INI document: header lines, then sections that keep every
// line verbatim. Keys are looked up on demand by scanning a section from a
// cursor, so reading a section's keys in file order costs one step per key.
// Writers only ever append. Numbers use the fixed en-US conventions.
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/TextFileFns.h"

namespace quillon {

class TSection {
public:
    std::string Line;               // the header line as read, or "[" + Name + "]"
    std::string Name;               // the name between the brackets, trimmed
    std::vector<std::string> Lines; // every line up to the next header, verbatim
};

// "1" or "0".
std::string BooleanToText(bool value);
// An integer (non-zero is true) or TRUE/FALSE/ON/OFF in any case; anything
// else fails with "Invalid Boolean Value '<text>'.".
bool TextToBoolean(std::string_view text);

class TIniFile {
public:
    TIniFile();
    ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    TTextEncoding Encoding() const { return FEncoding; }
    void SetEncoding(TTextEncoding value) { FEncoding = value; }

    void Clear();
    void Reset();

    void LoadFromStrings(const std::vector<std::string>& strings);
    void LoadFromString(std::string_view str);
    // Reads the file as text: a UTF-8 or UTF-16 byte-order mark selects that
    // encoding, else Windows-1252. On failure the document is unchanged.
    void LoadFromFile(const std::string& filename);
    // Reads from the stream's position to its end; Count is not used.
    void LoadFromStream(std::istream& stream, std::int64_t count = 0);
    void SaveToStream(std::ostream& stream, std::optional<TTextEncoding> altEncoding = std::nullopt) const;
    // Written through a temporary file and a rename: a failure leaves the
    // previous file intact.
    void SaveToFile(const std::string& filename, std::optional<TTextEncoding> altEncoding = std::nullopt) const;

    // True when the file holds more than 3 bytes; Encoding then receives the
    // encoding of its byte-order mark (Ansi when there is none). Fails when the
    // file cannot be opened.
    static bool IsIniFile(const std::string& filename, TTextEncoding& encoding);

    std::string Text() const;
    void SetText(std::string_view text) { LoadFromString(text); }

    int SectionCount() const { return static_cast<int>(FSections.size()); }
    TSection& Sections(int index) const { return GetSection(index); }
    TSection& GetSection(int index) const;
    // Fails with "No current section available" when the cursor is on no section.
    TSection& CurrentSection() const;
    void SetCurrentSection(const TSection& section);
    const std::vector<std::string>& HeaderLines() const { return FHeaderLines; }

    bool FindSection(std::string_view name);
    bool FindKey(std::string_view section, std::string_view key);
    bool NextSection(std::string_view section);
    void GetSections(std::vector<std::string>& sections) const;
    void GetKeys(std::string_view section, std::vector<std::string>& keys);
    void GetLines(std::string_view section, std::vector<std::string>& lines, bool noSpace = false);

    // Value readers in three forms: report presence, fail when missing
    // ("Section [%s] or Key '%s' not found."), or give a default when missing.
    // A present value that does not convert always fails.
    bool ReadString(std::string_view section, std::string_view key, std::string& value);
    bool ReadInteger(std::string_view section, std::string_view key, int& value);
    bool ReadBoolean(std::string_view section, std::string_view key, bool& value);
    bool ReadDouble(std::string_view section, std::string_view key, double& value);
    std::string ReadString(std::string_view section, std::string_view key);
    int ReadInteger(std::string_view section, std::string_view key);
    bool ReadBoolean(std::string_view section, std::string_view key);
    double ReadDouble(std::string_view section, std::string_view key);
    std::string ReadStringEx(std::string_view section, std::string_view key, std::string_view fallback);
    int ReadIntegerEx(std::string_view section, std::string_view key, int fallback);
    bool ReadBooleanEx(std::string_view section, std::string_view key, bool fallback);
    double ReadDoubleEx(std::string_view section, std::string_view key, double fallback);

    // Appending writers: each adds one line to the current section and never
    // replaces an existing key.
    void WriteSection(std::string_view section);
    void WriteString(std::string_view key, std::string_view value);
    void WriteInteger(std::string_view key, int value);
    void WriteBoolean(std::string_view key, bool value);
    // "%f": two decimals.
    void WriteDouble(std::string_view key, double value);
    // The value formatted by Fmt (a single floating-point conversion).
    void WriteDouble(std::string_view key, double value, std::string_view fmt);

private:
    struct TKeyLine {
        int Index;
        std::size_t EqualPos;
    };

    std::optional<TKeyLine> FindKeyLine(std::string_view key);
    // The raw value after the first "=" of the key, if the section and key exist.
    std::optional<std::string> FindValue(std::string_view section, std::string_view key);
    std::string RequireValue(std::string_view section, std::string_view key);

    std::vector<std::string> FHeaderLines;
    std::vector<std::unique_ptr<TSection>> FSections;
    std::int32_t FCurrentSectionIndex = 0;
    std::int32_t FCurrentLineIndex = 0;
    TTextEncoding FEncoding = TTextEncoding::Ansi;
};

} // namespace quillon
