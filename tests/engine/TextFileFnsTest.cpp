#include "engine/Errors.h"
#include "engine/FileFns.h"
#include "engine/TextFileFns.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace quillon;
namespace fs = std::filesystem;

namespace {

class TextFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FDir = fs::temp_directory_path() / ("quillon-text-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(FDir);
        fs::create_directories(FDir);
    }
    void TearDown() override { fs::remove_all(FDir); }
    std::string PathOf(const char* name) const { return (FDir / name).string(); }
    fs::path FDir;
};

TEST(TextCodec, DecodesByByteOrderMark)
{
    EXPECT_EQ(DecodeText("abc"), "abc");
    EXPECT_EQ(DecodeText("\xEF\xBB\xBF" "caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(DecodeText("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");  // Windows-1252 é and €
    EXPECT_EQ(DecodeText(std::string("\xFF\xFE" "a\0\xE9\0", 6)), "a\xC3\xA9");
    EXPECT_EQ(DecodeText(std::string("\xFE\xFF\0a\0\xE9", 6)), "a\xC3\xA9");
    EXPECT_EQ(DecodeText(std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6)), "\xF0\x9F\x98\x80");  // surrogate pair
    EXPECT_EQ(DecodeText(std::string("\xFF\xFE\x00\xDE", 4)), "\xEF\xBF\xBD");            // lone surrogate
    EXPECT_EQ(DecodeText("\xEF\xBB\xBF\xFF"), "\xEF\xBF\xBD");                           // bad UTF-8
}

TEST(TextCodec, EncodesWindows1252)
{
    EXPECT_EQ(EncodeText("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xE9 \x80");
    EXPECT_EQ(EncodeText("\xE4\xB8\xAD"), "?");
    EXPECT_EQ(DecodeText(EncodeText("\xC5\x93\xE2\x80\x94")), "\xC5\x93\xE2\x80\x94");
}

TEST(TextCodec, EveryEncodingCarriesItsMarkAndReadsBack)
{
    const std::string text = "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80";  // é, €, a character beyond 16 bits
    for (TTextEncoding encoding : {TTextEncoding::Utf8, TTextEncoding::Utf16LE, TTextEncoding::Utf16BE}) {
        std::string bytes = EncodeTextAs(text, encoding);
        EXPECT_EQ(DetectTextEncoding(bytes), encoding);
        EXPECT_EQ(DecodeText(bytes), text);
    }
    EXPECT_EQ(EncodeTextAs("caf\xC3\xA9", TTextEncoding::Ansi), "caf\xE9");
    EXPECT_EQ(DetectTextEncoding("caf\xE9"), TTextEncoding::Ansi);
}

TEST(TextCodec, SplitsAtEveryLineEnd)
{
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
    EXPECT_TRUE(SplitLines("").empty());
}

TEST_F(TextFileTest, WritesCp1252WithCrLfAndReadsBack)
{
    auto path = PathOf("t.txt");
    WriteTextFile(path, "[Common]\ncaf\xC3\xA9\r\nend\n");
    EXPECT_EQ(ReadFileBytes(path), "[Common]\r\ncaf\xE9\r\nend\r\n");
    EXPECT_EQ(ReadTextLines(path), (std::vector<std::string>{"[Common]", "caf\xC3\xA9", "end"}));
}

TEST_F(TextFileTest, FailedWriteKeepsThePreviousFileAndLeavesNoTemporary)
{
    auto path = PathOf("keep.txt");
    WriteTextFile(path, "old\n");
    EXPECT_THROW(WriteTextFile((FDir / "missing-dir" / "x.txt").string(), "new"), EQuillonError);
    {
        TAtomicFile file(path);
        std::fputs("partial", file.Handle());
        // destroyed without Commit: as if the writer failed half way
    }
    EXPECT_EQ(ReadFileBytes(path), "old\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(FDir), fs::directory_iterator()), 1);
}

TEST_F(TextFileTest, MissingFileNamesThePath)
{
    try {
        ReadTextFile(PathOf("nope.qsf"));
        FAIL();
    } catch (const EQuillonError& e) {
        EXPECT_NE(std::string(e.what()).find("nope.qsf"), std::string::npos) << e.what();
    }
    EXPECT_THROW(ReadFileBytes(FDir.string()), EQuillonError);
}

// A save through a symbolic link writes the link's target and keeps the link,
// also through a chain of relative links.
TEST_F(TextFileTest, SavingThroughASymbolicLinkWritesItsTarget)
{
    fs::create_directories(FDir / "real");
    WriteTextFile(PathOf("real/scene.qsf"), "old");
    fs::create_symlink("real/scene.qsf", FDir / "link.qsf");
    fs::create_symlink("link.qsf", FDir / "link2.qsf");
    for (const char* name : {"link.qsf", "link2.qsf"}) {
        SCOPED_TRACE(name);
        WriteTextFile(PathOf(name), name);
        EXPECT_TRUE(fs::is_symlink(FDir / name));
        EXPECT_EQ(ReadTextFile(PathOf("real/scene.qsf")), name);
        EXPECT_EQ(ReadTextFile(PathOf(name)), name);
    }
    // Nothing left beside the link or the target.
    EXPECT_EQ(std::distance(fs::directory_iterator(FDir), fs::directory_iterator()), 3);
    EXPECT_EQ(std::distance(fs::directory_iterator(FDir / "real"), fs::directory_iterator()), 1);
}

// Files read whole are bounded, so a huge file or an endless stream is refused
// with the file's name instead of taking the memory.
TEST_F(TextFileTest, FilesLargerThanTheBoundAreRefused)
{
    const std::string atBound = PathOf("at-bound.qsf"), above = PathOf("above.qsf");
    std::ofstream(atBound).close();
    std::ofstream(above).close();
    fs::resize_file(atBound, MaxReadFileSize);
    fs::resize_file(above, MaxReadFileSize + 1);
    EXPECT_EQ(ReadFileBytes(atBound).size(), MaxReadFileSize);
    const std::string streams[] = {above, "/dev/zero"};
    for (const std::string& path : streams) {
        if (!fs::exists(path)) continue;
        try {
            ReadTextLines(path);
            ADD_FAILURE() << path << " was read";
        } catch (const EQuillonError& e) {
            EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + path + "\". The file is larger than 16 MiB.");
        }
    }
}

} // namespace
