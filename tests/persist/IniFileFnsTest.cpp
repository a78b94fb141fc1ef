#include "persist/IniFileFns.h"

#include "engine/Errors.h"
#include "engine/FileFns.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace quillon;

namespace {

std::string ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EQuillonError& e) {
        return e.what();
    }
    return "(no error)";
}

// A literal with embedded zero bytes.
template <std::size_t N>
std::string Bytes(const char (&text)[N])
{
    return std::string(text, N - 1);
}

std::filesystem::path TempDir()
{
    auto dir = std::filesystem::temp_directory_path() /
               ("quillon-ini-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

} // namespace

TEST(IniFileFns, SpacesAroundTheEqualsSign)
{
    TIniFile ini;
    ini.LoadFromStrings({"[S]", "N = 5", "M=5 ", "E="});
    EXPECT_EQ(ini.ReadString("S", "N"), " 5");
    EXPECT_EQ(ini.ReadInteger("S", "N"), 5);
    EXPECT_EQ(ErrorOf([&] { ini.ReadInteger("S", "M"); }), "'5 ' is not a valid integer value");
    EXPECT_EQ(ini.ReadString("S", "E"), "");
    // Real readers allow spaces on both sides.
    EXPECT_DOUBLE_EQ(ini.ReadDouble("S", "M"), 5.0);
}

TEST(IniFileFns, NamesIgnoreTheCaseOfAsciiLettersOnly)
{
    TIniFile ini;
    ini.LoadFromStrings({"[Settings]", "MaxSteps=50", "\xC3\xA4=1"});
    EXPECT_TRUE(ini.FindKey("SETTINGS", "maxsteps"));
    EXPECT_EQ(ini.ReadIntegerEx("settings", "MAXSTEPS", 0), 50);
    EXPECT_TRUE(ini.FindKey("Settings", "\xC3\xA4"));
    EXPECT_FALSE(ini.FindKey("Settings", "\xC3\x84")); // upper-case umlaut is another name
}

TEST(IniFileFns, KeyLinesAndDoubleQuotes)
{
    TIniFile ini;
    ini.LoadFromStrings({"[S]", "\"A=1", "B=\"x=y\"", "; C=3", "no equals sign", "[]", "D=4"});
    std::vector<std::string> keys;
    ini.GetKeys("S", keys);
    EXPECT_EQ(keys, (std::vector<std::string>{"B", "; C"}));
    EXPECT_EQ(ini.ReadString("S", "B"), "\"x=y\"");
    EXPECT_EQ(ini.ReadStringEx("S", "\"A", "none"), "none");
    ASSERT_EQ(ini.SectionCount(), 2);
    EXPECT_EQ(ini.Sections(1).Name, "");
    EXPECT_EQ(ini.ReadInteger("", "D"), 4);
}

TEST(IniFileFns, HeaderLinesAndHeaderSpacingSurvive)
{
    TIniFile ini;
    ini.LoadFromString("before\r\n\r\n  [  Spaced Name ] \nK=v\r");
    EXPECT_EQ(ini.HeaderLines(), (std::vector<std::string>{"before", ""}));
    ASSERT_EQ(ini.SectionCount(), 1);
    EXPECT_EQ(ini.Sections(0).Name, "Spaced Name");
    EXPECT_EQ(ini.Sections(0).Line, "  [  Spaced Name ] ");
    EXPECT_EQ(ini.ReadString("spaced name", "K"), "v");
    EXPECT_EQ(ini.Text(), "before\r\n\r\n  [  Spaced Name ] \r\nK=v\r\n\r\n");
}

TEST(IniFileFns, MissingValuesAndTheThreeReaderForms)
{
    TIniFile ini;
    ini.LoadFromStrings({"[S]", "I=$1F", "F=x", "B=on", "D= 1.5E+001 "});
    int i = -1;
    EXPECT_FALSE(ini.ReadInteger("S", "Missing", i));
    EXPECT_EQ(i, -1);
    EXPECT_FALSE(ini.ReadInteger("Nope", "I", i));
    EXPECT_TRUE(ini.ReadInteger("S", "I", i));
    EXPECT_EQ(i, 31);
    EXPECT_EQ(ini.ReadIntegerEx("S", "Missing", 7), 7);
    EXPECT_EQ(ErrorOf([&] { ini.ReadIntegerEx("S", "F", 7); }), "'x' is not a valid integer value");
    EXPECT_EQ(ErrorOf([&] { ini.ReadDoubleEx("S", "F", 7.0); }), "'x' is not a valid floating point value");
    EXPECT_EQ(ErrorOf([&] { ini.ReadBooleanEx("S", "F", true); }), "Invalid Boolean Value 'x'.");
    EXPECT_EQ(ErrorOf([&] { ini.ReadString("S", "Missing"); }), "Section [S] or Key 'Missing' not found.");
    EXPECT_EQ(ErrorOf([&] { ini.ReadDouble("T", "D"); }), "Section [T] or Key 'D' not found.");
    EXPECT_TRUE(ini.ReadBoolean("S", "B"));
    EXPECT_DOUBLE_EQ(ini.ReadDouble("S", "D"), 15.0);
    EXPECT_DOUBLE_EQ(ini.ReadDoubleEx("S", "Missing", 2.5), 2.5);
    EXPECT_FALSE(ini.ReadBooleanEx("S", "Missing", false));
}

TEST(IniFileFns, BooleanTexts)
{
    struct Row {
        const char* text;
        bool value;
    };
    for (Row row : {Row{"1", true}, Row{" 2 ", true}, Row{"0", false}, Row{"-1", true}, Row{"$10", true},
                    Row{"true", true}, Row{" On ", true}, Row{"FALSE", false}, Row{"off", false}})
        EXPECT_EQ(TextToBoolean(row.text), row.value) << row.text;
    for (const char* bad : {"", " yes", "1.0", "truex"})
        EXPECT_EQ(ErrorOf([&] { TextToBoolean(bad); }), std::string("Invalid Boolean Value '") + bad + "'.");
    EXPECT_EQ(BooleanToText(true), "1");
    EXPECT_EQ(BooleanToText(false), "0");
}

TEST(IniFileFns, WritersAppendLines)
{
    TIniFile ini;
    EXPECT_EQ(ErrorOf([&] { ini.WriteInteger("N", 5); }), "No current section available");
    EXPECT_EQ(ErrorOf([&] { ini.CurrentSection(); }), "No current section available");
    ini.WriteSection("A");
    ini.WriteDouble("One", 1);
    ini.WriteDouble("Half", 0.5, "%.16e");
    ini.WriteDouble("Neg", -1234567.5);
    ini.WriteInteger("Int", -42);
    ini.WriteBoolean("Yes", true);
    ini.WriteString("Str", " raw ");
    ini.WriteInteger("Int", 1); // appended, never replaced
    EXPECT_EQ(ini.CurrentSection().Lines,
              (std::vector<std::string>{"One=1.00", "Half=5.000000000000000E-001", "Neg=-1234567.50", "Int=-42",
                                        "Yes=1", "Str= raw ", "Int=1"}));
    ini.WriteSection("A"); // a second section of the same name
    EXPECT_EQ(ini.SectionCount(), 2);
    EXPECT_TRUE(ini.CurrentSection().Lines.empty());
}

TEST(IniFileFns, DocumentTextOfWrittenSections)
{
    TIniFile ini;
    ini.WriteSection("A");
    ini.WriteInteger("N", 5);
    ini.WriteSection("B");
    EXPECT_EQ(ini.Text(), "[A]\r\nN=5\r\n\r\n[B]\r\n\r\n");
    std::ostringstream out;
    ini.SaveToStream(out);
    EXPECT_EQ(out.str(), "[A]\r\nN=5\r\n\r\n[B]\r\n\r\n");
}

TEST(IniFileFns, LoadAndSaveAddsOneEmptyLinePerSection)
{
    TIniFile ini;
    ini.LoadFromString("h\r\n[A]\r\nN=5\r\n\r\n[B]\r\n\r\n");
    EXPECT_EQ(ini.Text(), "h\r\n[A]\r\nN=5\r\n\r\n\r\n[B]\r\n\r\n\r\n");
    EXPECT_EQ(ini.ReadInteger("A", "N"), 5);
}

TEST(IniFileFns, DuplicateKeysAreReadInTurn)
{
    TIniFile ini;
    ini.LoadFromStrings({"[S]", "K=1", "X=0", "K=2"});
    EXPECT_EQ(ini.ReadInteger("S", "K"), 1);
    EXPECT_EQ(ini.ReadInteger("S", "K"), 2);
    EXPECT_EQ(ini.ReadInteger("S", "K"), 1); // the search wraps around
    // Reads in file order each find their key at the cursor.
    EXPECT_EQ(ini.ReadInteger("S", "X"), 0);
    EXPECT_EQ(ini.ReadInteger("S", "K"), 2);
}

TEST(IniFileFns, DuplicateSectionsAndNextSection)
{
    TIniFile ini;
    ini.LoadFromStrings({"[A]", "V=1", "[B]", "[A]", "V=2", "[A]", "V=3"});
    std::vector<std::string> names;
    ini.GetSections(names);
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "A", "A"}));
    EXPECT_EQ(ini.ReadInteger("A", "V"), 1); // stays on the current section
    EXPECT_FALSE(ini.NextSection("A"));
    EXPECT_TRUE(ini.FindSection("B"));
    EXPECT_EQ(ini.ReadInteger("A", "V"), 2); // the first match after the current one
    EXPECT_TRUE(ini.NextSection("a"));
    EXPECT_EQ(ini.ReadInteger("A", "V"), 3);
    EXPECT_FALSE(ini.NextSection("A"));
    EXPECT_FALSE(ini.FindSection("C"));
    EXPECT_EQ(&ini.CurrentSection(), &ini.Sections(3)); // nothing moved
    ini.SetCurrentSection(ini.Sections(0));
    EXPECT_EQ(ini.ReadInteger("A", "V"), 1);
    TIniFile other;
    other.WriteSection("X");
    EXPECT_THROW(ini.SetCurrentSection(other.Sections(0)), ERangeError);
}

TEST(IniFileFns, GetLinesWithAndWithoutSpace)
{
    TIniFile ini;
    ini.LoadFromStrings({"[S]", "a", "", "  ", " b ", "[T]"});
    std::vector<std::string> all, text;
    ini.GetLines("s", all);
    ini.GetLines("S", text, true);
    ini.GetLines("Missing", text, true);
    EXPECT_EQ(all, (std::vector<std::string>{"a", "", "  ", " b "}));
    EXPECT_EQ(text, (std::vector<std::string>{"a", " b "}));
}

TEST(IniFileFns, FilesWithByteOrderMarks)
{
    auto dir = TempDir();
    struct Row {
        const char* name;
        std::string bytes;
        TTextEncoding encoding;
    };
    const Row rows[] = {
        {"ansi.ini", "[S]\r\nK=caf\xE9\r\n", TTextEncoding::Ansi},
        {"utf8.ini", "\xEF\xBB\xBF[S]\r\nK=caf\xC3\xA9\r\n", TTextEncoding::Utf8},
        {"utf16le.ini", Bytes("\xFF\xFE[\0S\0]\0\r\0\n\0K\0=\0c\0a\0f\0\xE9\0"), TTextEncoding::Utf16LE},
        {"utf16be.ini", Bytes("\xFE\xFF\0[\0S\0]\0\r\0\n\0K\0=\0c\0a\0f\0\xE9"), TTextEncoding::Utf16BE},
    };
    for (const Row& row : rows) {
        std::string path = (dir / row.name).string();
        WriteFileAtomic(path, row.bytes);
        TTextEncoding found = TTextEncoding::Utf16BE;
        EXPECT_TRUE(TIniFile::IsIniFile(path, found)) << row.name;
        EXPECT_EQ(found, row.encoding) << row.name;
        TIniFile ini;
        ini.LoadFromFile(path);
        EXPECT_EQ(ini.ReadString("S", "K"), "caf\xC3\xA9") << row.name;
        EXPECT_EQ(ini.Encoding(), TTextEncoding::Ansi) << row.name; // the encoding found is not kept
    }
    std::string tiny = (dir / "tiny.ini").string();
    WriteFileAtomic(tiny, "[S]");
    TTextEncoding found = TTextEncoding::Utf8;
    EXPECT_FALSE(TIniFile::IsIniFile(tiny, found));
    EXPECT_THROW(TIniFile::IsIniFile((dir / "missing.ini").string(), found), EQuillonError);
    std::filesystem::remove_all(dir);
}

TEST(IniFileFns, SaveInAnotherEncodingAndFailedLoadKeepsTheDocument)
{
    auto dir = TempDir();
    TIniFile ini;
    ini.WriteSection("S");
    ini.WriteString("K", "caf\xC3\xA9");
    std::string ansi = (dir / "a.ini").string(), wide = (dir / "w.ini").string();
    ini.SaveToFile(ansi);
    EXPECT_EQ(ReadFileBytes(ansi), "[S]\r\nK=caf\xE9\r\n\r\n");
    ini.SaveToFile(wide, TTextEncoding::Utf16LE);
    EXPECT_EQ(ReadFileBytes(wide).substr(0, 4), std::string("\xFF\xFE[\0", 4));
    TIniFile back;
    back.LoadFromFile(wide);
    EXPECT_EQ(back.ReadString("S", "K"), "caf\xC3\xA9");
    EXPECT_THROW(back.LoadFromFile((dir / "missing.ini").string()), EQuillonError);
    EXPECT_EQ(back.ReadString("S", "K"), "caf\xC3\xA9");
    std::istringstream in("\xEF\xBB\xBF[T]\nX=1\n");
    back.LoadFromStream(in);
    EXPECT_EQ(back.ReadInteger("T", "X"), 1);
    back.Clear();
    EXPECT_EQ(back.SectionCount(), 0);
    EXPECT_EQ(back.Text(), "");
    std::filesystem::remove_all(dir);
}
