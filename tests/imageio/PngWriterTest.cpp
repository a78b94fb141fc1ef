// Palette PNG files read back by libpng, and their text chunks.
#include <gtest/gtest.h>

#include <png.h>

#include <zlib.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "ImageTestFns.h"
#include "engine/Errors.h"
#include "imageio/PngWriter.h"

// The largest single allocation of this program, so that a test can show a
// reader did not reserve what a file merely declares.
namespace {
std::atomic<std::size_t> LargestAllocation{0};
}

void* operator new(std::size_t size)
{
    std::size_t seen = LargestAllocation.load(std::memory_order_relaxed);
    while (size > seen && !LargestAllocation.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {}
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace quillon::test {
namespace {

struct TPngHeader {
    int ColorType = -1;
    int BitDepth = -1;
    int PaletteCount = -1;
};

// The header fields through libpng's low-level reader.
TPngHeader ReadPngHeader(const std::string& path)
{
    TPngHeader header;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return header;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_read_info(png, info);
        header.ColorType = png_get_color_type(png, info);
        header.BitDepth = png_get_bit_depth(png, info);
        png_colorp palette = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &palette, &count) == PNG_INFO_PLTE) header.PaletteCount = count;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return header;
}

TEST(PngWriterTest, PaletteImageWithExactColors)
{
    for (int width : {1, 3, 401}) {
        TTestImage image(width, 7, 100, [](int x, int y) { return Pattern(x, y, 100); });
        TScratchDir dir;
        std::string path = dir.File("a.png");
        WritePng(path, image.View());
        TPngHeader header = ReadPngHeader(path);
        EXPECT_EQ(header.ColorType, PNG_COLOR_TYPE_PALETTE);
        EXPECT_EQ(header.BitDepth, 8);
        EXPECT_EQ(header.PaletteCount, 100);
        TRgbImage read = ReadPngRgb(path);
        ASSERT_EQ(read.Width, width);
        ASSERT_EQ(read.Height, 7);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < width; ++x) ASSERT_EQ(read.At(x, y), image.Color(x, y)) << width << ": " << x << "," << y;
    }
}

TEST(PngWriterTest, PaletteReachesEveryIndexInUse)
{
    // Two palette colors, but one pixel uses entry 200 of the table.
    TTestImage image(4, 3, 2, [](int x, int y) { return x == 3 && y == 2 ? 200 : (x + y) % 2; });
    TScratchDir dir;
    WritePng(dir.File("a.png"), image.View());
    EXPECT_EQ(ReadPngHeader(dir.File("a.png")).PaletteCount, 201);
    TRgbImage read = ReadPngRgb(dir.File("a.png"));
    EXPECT_EQ(read.At(3, 2), image.Table[200]);
    EXPECT_EQ(read.At(0, 0), image.Table[0]);
}

TEST(PngWriterTest, TextChunksReadBack)
{
    TTestImage image(8, 8, 16, [](int x, int y) { return Pattern(x, y, 16); });
    std::string scene;
    for (int i = 0; i < 200; ++i) scene += "Line " + std::to_string(i) + "=\xE9value\r\n"; // long: compressed
    std::vector<TPngTextChunk> texts{{"Title", "short text"}, {"Quillon scene", scene}, {"Empty", ""}};
    TScratchDir dir;
    std::string path = dir.File("scene.png");
    WritePng(path, image.View(), texts);
    EXPECT_EQ(ReadPngText(path, "Quillon scene"), std::optional<std::string>(scene));
    EXPECT_EQ(ReadPngText(path, "Title"), std::optional<std::string>("short text"));
    EXPECT_EQ(ReadPngText(path, "Empty"), std::optional<std::string>(""));
    EXPECT_EQ(ReadPngText(path, "Quillon"), std::nullopt);
    EXPECT_EQ(ReadPngText(path, "quillon scene"), std::nullopt);
    // The image is untouched by the texts.
    EXPECT_EQ(ReadPngRgb(path).At(5, 6), image.Color(5, 6));
    // The long text is stored compressed.
    EXPECT_EQ(ReadAll(path).find("Line 150"), std::string::npos);
}

TEST(PngWriterTest, TextOfAFileWithoutTexts)
{
    TTestImage image(2, 2, 2, [](int x, int) { return x; });
    TScratchDir dir;
    WritePng(dir.File("plain.png"), image.View());
    EXPECT_EQ(ReadPngText(dir.File("plain.png"), "Quillon scene"), std::nullopt);
}

TEST(PngWriterTest, ReadingTextFromBadFilesFails)
{
    TScratchDir dir;
    WriteAll(dir.File("not.png"), "BM this is no PNG");
    auto message = [](const std::string& path) {
        try {
            ReadPngText(path, "Quillon scene");
        } catch (const EQuillonError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message(dir.File("not.png")), "Cannot open file \"" + dir.File("not.png") + "\". Not a PNG image.");
    EXPECT_NE(message(dir.File("missing.png")).find("Cannot open file \"" + dir.File("missing.png") + "\""),
              std::string::npos);

    // A text chunk whose bytes were changed fails its check.
    TTestImage image(2, 2, 2, [](int x, int) { return x; });
    WritePng(dir.File("damaged.png"), image.View(), {{"Quillon scene", "[View]"}});
    std::string bytes = ReadAll(dir.File("damaged.png"));
    std::size_t at = bytes.find("[View]");
    ASSERT_NE(at, std::string::npos);
    bytes[at + 1] = 'X';
    WriteAll(dir.File("damaged.png"), bytes);
    EXPECT_EQ(message(dir.File("damaged.png")), "Cannot open file \"" + dir.File("damaged.png") + "\". Damaged PNG image.");
}

std::string Chunk(const std::string& type, const std::string& data, std::uint32_t declared)
{
    auto be32 = [](std::uint32_t v) {
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    };
    const std::string typed = type + data;
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size())));
    return be32(declared) + typed + be32(crc);
}
std::string Chunk(const std::string& type, const std::string& data)
{
    return Chunk(type, data, static_cast<std::uint32_t>(data.size()));
}

const std::string Signature("\x89PNG\r\n\x1A\n", 8);
const std::string Header = Chunk("IHDR", std::string("\0\0\0\1\0\0\0\1\x08\x03\0\0\0", 13));

// Declared lengths are held to what the file holds and to the size of a scene,
// before anything is reserved for them.
TEST(PngWriterTest, DeclaredLengthsAreCheckedBeforeReading)
{
    TScratchDir dir;
    auto message = [](const std::string& path) {
        try {
            const auto text = ReadPngText(path, "Quillon scene");
            return text ? "text: " + text->substr(0, 40) : std::string("no text");
        } catch (const EQuillonError& e) {
            return std::string(e.what());
        }
    };
    const std::string scene = Chunk("tEXt", std::string("Quillon scene\0[View]", 20));
    struct TCase {
        const char* Name;
        std::string Bytes;
    };
    const TCase damaged[] = {
        // A text chunk that declares 2 GB and holds a few bytes.
        {"2gb.png", Signature + Header + Chunk("tEXt", std::string("Quillon scene\0x", 15), 0x7FFFFFF0u)},
        // Another kind of chunk declaring more than the file holds.
        {"idat.png", Signature + Header + Chunk("IDAT", "xx", 0x10000000u) + scene},
        // A compressed scene that inflates beyond any scenery file.
        {"bomb.png", [] {
             std::string zeros(17u << 20, ' ');
             uLongf size = compressBound(static_cast<uLong>(zeros.size()));
             std::string packed(size, '\0');
             compress(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(zeros.data()),
                      static_cast<uLong>(zeros.size()));
             packed.resize(size);
             return Signature + Header + Chunk("zTXt", std::string("Quillon scene\0\0", 15) + packed);
         }()},
    };
    for (const TCase& c : damaged) {
        SCOPED_TRACE(c.Name);
        WriteAll(dir.File(c.Name), c.Bytes);
        LargestAllocation = 0;
        EXPECT_EQ(message(dir.File(c.Name)), "Cannot open file \"" + dir.File(c.Name) + "\". Damaged PNG image.");
        EXPECT_LT(LargestAllocation.load(), std::size_t(64) << 20);
    }

    // A text too large for a scene: skipped when it is another one, damage when it is the scene.
    const std::string huge(std::size_t(17) << 20, 'x');
    WriteAll(dir.File("other.png"), Signature + Header + Chunk("tEXt", "Comment" + std::string(1, '\0') + huge) +
                                        scene + Chunk("IEND", ""));
    LargestAllocation = 0;
    EXPECT_EQ(message(dir.File("other.png")), "text: [View]");
    EXPECT_LT(LargestAllocation.load(), std::size_t(1) << 20);
    WriteAll(dir.File("ours.png"),
             Signature + Header + Chunk("tEXt", std::string("Quillon scene\0", 14) + huge) + Chunk("IEND", ""));
    EXPECT_EQ(message(dir.File("ours.png")), "Cannot open file \"" + dir.File("ours.png") + "\". Damaged PNG image.");
}

TEST(PngWriterTest, InvalidTextChunksWriteNothing)
{
    TTestImage image(2, 2, 2, [](int x, int) { return x; });
    TScratchDir dir;
    std::string path = dir.File("a.png");
    const TPngTextChunk bad[] = {{"", "x"},          {std::string(80, 'k'), "x"}, {" lead", "x"},
                                 {"trail ", "x"},    {"two  spaces", "x"},        {"tab\there", "x"},
                                 {"ok", std::string("nul\0byte", 8)}};
    for (const TPngTextChunk& text : bad) {
        try {
            WritePng(path, image.View(), {text});
            ADD_FAILURE() << "accepted \"" << text.Keyword << "\"";
        } catch (const EQuillonError& e) {
            EXPECT_NE(std::string(e.what()).find("\"" + path + "\""), std::string::npos);
        }
    }
    EXPECT_TRUE(dir.Names().empty());
    WritePng(path, image.View(), {{std::string(79, 'k'), "fine"}});
    EXPECT_EQ(ReadPngText(path, std::string(79, 'k')), std::optional<std::string>("fine"));
}

} // namespace
} // namespace quillon::test
