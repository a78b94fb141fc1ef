// Every format read back by Qt's image reader, the choice of format by
// extension, and what a failed save leaves behind.
#include <gtest/gtest.h>

#include <QImage>
#include <QImageReader>

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <random>

#include "ImageTestFns.h"
#include "engine/ColorFns.h"
#include "engine/Errors.h"
#include "imageio/BmpWriter.h"
#include "imageio/GifWriter.h"
#include "imageio/ImageWriter.h"
#include "imageio/JpegWriter.h"
#include "imageio/PngWriter.h"

namespace quillon::test {
namespace {

std::uint32_t ToColor(QRgb rgb)
{
    return static_cast<std::uint32_t>(qRed(rgb)) | static_cast<std::uint32_t>(qGreen(rgb)) << 8 |
           static_cast<std::uint32_t>(qBlue(rgb)) << 16;
}

QImage LoadWithQt(const std::string& path, const char* expectedFormat)
{
    QImageReader reader(QString::fromStdString(path));
    EXPECT_EQ(reader.format().toStdString(), expectedFormat) << path;
    QImage image = reader.read();
    EXPECT_FALSE(image.isNull()) << path << ": " << reader.errorString().toStdString();
    return image;
}

// ---- The formats through Qt's reader, at widths that catch stride faults ----

struct TFormatCase {
    const char* Name;
    const char* QtFormat;
    int Tolerance; // per channel; 0 for the lossless formats
};

class FormatTest : public ::testing::TestWithParam<std::tuple<TFormatCase, int>> {};

TEST_P(FormatTest, ReadsBackWithThePaletteColors)
{
    const auto& [format, width] = GetParam();
    const int height = 5;
    TScratchDir dir;
    std::string path = dir.File(std::string("image.") + format.Name);
    // JPEG blurs sharp edges, so it gets a smooth gradient of neighbouring entries.
    TTestImage image(width, height, 200, [&](int x, int y) {
        return format.Tolerance ? (x / 8 + y) % 200 : Pattern(x, y, 200);
    });
    if (format.Tolerance)
        for (int i = 0; i < 256; ++i) image.Table[static_cast<std::size_t>(i)] = RGB(i / 2 + 40, 200 - i / 3, 90 + i / 4);
    WriteImage(path, image.View());

    QImage read = LoadWithQt(path, format.QtFormat);
    ASSERT_EQ(read.width(), width);
    ASSERT_EQ(read.height(), height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint32_t expected = image.Color(x, y), got = ToColor(read.pixel(x, y));
            if (format.Tolerance == 0) {
                ASSERT_EQ(got, expected) << "pixel " << x << "," << y;
            } else {
                for (int shift = 0; shift < 24; shift += 8)
                    ASSERT_NEAR(int(got >> shift & 0xFF), int(expected >> shift & 0xFF), format.Tolerance)
                        << "pixel " << x << "," << y;
            }
        }
    EXPECT_EQ(dir.Names(), std::vector<std::string>{std::string("image.") + format.Name});
}

INSTANTIATE_TEST_SUITE_P(Writers, FormatTest,
                         ::testing::Combine(::testing::Values(TFormatCase{"bmp", "bmp", 0}, TFormatCase{"png", "png", 0},
                                                              TFormatCase{"gif", "gif", 0}, TFormatCase{"jpg", "jpeg", 8}),
                                            ::testing::Values(1, 3, 401)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).Name) + "_" +
                                    std::to_string(std::get<1>(info.param));
                         });

TEST(Bmp8Test, KeepsTheWholeColorTableAndIndicesBeyondThePalette)
{
    // A palette of 4 colors whose pixels also use index 250: it shows the table's entry.
    TTestImage image(3, 2, 4, [](int x, int y) { return x == 2 && y == 1 ? 250 : x + y; });
    TScratchDir dir;
    std::string path = dir.File("indices.bmp");
    WriteBmp8(path, image.View());
    std::string bytes = ReadAll(path);
    // Headers, 256 table entries, 2 rows of 4 bytes.
    ASSERT_EQ(bytes.size(), 14u + 40 + 1024 + 8);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(bytes[28]), 8); // bits per pixel
    QImage read = LoadWithQt(path, "bmp");
    ASSERT_EQ(read.format(), QImage::Format_Indexed8);
    ASSERT_EQ(read.colorCount(), 256);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(ToColor(read.color(i)), image.Table[static_cast<std::size_t>(i)]) << i;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(read.pixelIndex(x, y), image.Index(x, y));
}

TEST(Bmp8Test, ReadsTopDownImagesToo)
{
    std::vector<std::uint8_t> pixels = {0, 1, 2, 3, 4, 5}; // 2 x 3, stride 2, top row first
    std::vector<std::uint32_t> table = DistinctTable();
    TIndexedImage image{2, 3, pixels.data(), 2, false, table.data(), 6};
    TScratchDir dir;
    WriteBmp8(dir.File("a.bmp"), image);
    QImage read = LoadWithQt(dir.File("a.bmp"), "bmp");
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x) EXPECT_EQ(read.pixelIndex(x, y), y * 2 + x);
}

TEST(Bmp24Test, PixelColorsInRowOrder)
{
    for (int width : {1, 3, 97, 401}) {
        const int height = 3;
        std::vector<std::uint32_t> pixels;
        for (int i = 0; i < width * height; ++i) pixels.push_back(static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFFFF);
        TScratchDir dir;
        std::string path = dir.File("strip.bmp");
        WriteBmp24(path, width, height, pixels.data());
        std::string bytes = ReadAll(path);
        EXPECT_EQ(bytes, EncodeBmp24(width, height, pixels.data()));
        // Rows padded to 4 bytes, no color table.
        EXPECT_EQ(bytes.size(), 54u + static_cast<std::size_t>((width * 3 + 3) / 4 * 4) * height);
        QImage read = LoadWithQt(path, "bmp");
        ASSERT_EQ(read.width(), width);
        ASSERT_EQ(read.height(), height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(ToColor(read.pixel(x, y)), pixels[static_cast<std::size_t>(y * width + x)]) << width << ": " << x << "," << y;
    }
}

TEST(Bmp24Test, ATopByteDoesNotReachTheFile)
{
    std::uint32_t pixel = 0x80123456; // a marked system color resolves to its RGB part
    QImage read = QImage::fromData(QByteArray::fromStdString(EncodeBmp24(1, 1, &pixel)), "BMP");
    EXPECT_EQ(ToColor(read.pixel(0, 0)), 0x123456u);
}

// ---- The format a file name selects ----

TEST(ImageFormatTest, ExtensionChoosesTheFormat)
{
    struct {
        const char* Name;
        TImageFormat Format;
    } const cases[] = {
        {"picture.jpg", TImageFormat::Jpeg}, {"PICTURE.JPG", TImageFormat::Jpeg}, {"a.Png", TImageFormat::Png},
        {"a.GIF", TImageFormat::Gif},        {"a.bmp", TImageFormat::Bmp},        {"picture.jpeg", TImageFormat::Bmp},
        {"picture", TImageFormat::Bmp},      {"a.png.txt", TImageFormat::Bmp},    {"dir.png/picture", TImageFormat::Bmp},
        {"a.gif.jpg", TImageFormat::Jpeg},   {"/x/.png", TImageFormat::Png},      {"a.jpg ", TImageFormat::Bmp},
    };
    for (const auto& c : cases) EXPECT_EQ(ImageFormatFromFileName(c.Name), c.Format) << c.Name;
    EXPECT_EQ(ExtractFileExt("dir.png/picture"), "");
    EXPECT_EQ(ExtractFileExt("a.b.Jpeg"), ".Jpeg");
}

TEST(ImageFormatTest, JpegNameGetsAWindowsBitmap)
{
    TTestImage image(5, 4, 16, [](int x, int y) { return Pattern(x, y, 16); });
    TScratchDir dir;
    WriteImage(dir.File("picture.jpeg"), image.View());
    std::string bytes = ReadAll(dir.File("picture.jpeg"));
    EXPECT_EQ(bytes, EncodeBmp8(image.View()));
}

TEST(ImageFormatTest, PngTextsGoOnlyIntoPng)
{
    TTestImage image(4, 4, 8, [](int x, int y) { return Pattern(x, y, 8); });
    TScratchDir dir;
    std::vector<TPngTextChunk> texts{{"Quillon scene", "[View]\r\n"}};
    WriteImage(dir.File("a.png"), image.View(), texts);
    WriteImage(dir.File("a.bmp"), image.View(), texts);
    EXPECT_EQ(ReadPngText(dir.File("a.png"), "Quillon scene"), std::optional<std::string>("[View]\r\n"));
    EXPECT_EQ(ReadAll(dir.File("a.bmp")), EncodeBmp8(image.View()));
}

// ---- Failures ----

using TWriter = void (*)(const std::string&, const TIndexedImage&);

struct TWriterCase {
    const char* Name;
    TWriter Write;
};

void WriteAnimation(const std::string& path, const TIndexedImage& image)
{
    TAnimatedGifWriter writer;
    writer.Begin(path, image.Width, image.Height);
    writer.AddFrame(image, 5);
    writer.AddFrame(image, 5);
    writer.Finish();
}

const TWriterCase WriterCases[] = {
    {"bmp8", [](const std::string& p, const TIndexedImage& i) { WriteBmp8(p, i); }},
    {"bmp24",
     [](const std::string& p, const TIndexedImage& i) {
         std::vector<std::uint32_t> pixels(static_cast<std::size_t>(i.Width) * i.Height, 0x123456);
         WriteBmp24(p, i.Width, i.Height, pixels.data());
     }},
    {"png", [](const std::string& p, const TIndexedImage& i) { WritePng(p, i); }},
    {"jpeg", [](const std::string& p, const TIndexedImage& i) { WriteJpeg(p, i); }},
    {"gif", [](const std::string& p, const TIndexedImage& i) { WriteGif(p, i); }},
    {"animated_gif", WriteAnimation},
};

class WriterFailureTest : public ::testing::TestWithParam<TWriterCase> {};

TEST_P(WriterFailureTest, MissingFolderNamesThePathAndLeavesNoFile)
{
    TTestImage image(7, 3, 16, [](int x, int y) { return Pattern(x, y, 16); });
    TScratchDir dir;
    std::string path = dir.File("missing/out.img");
    try {
        GetParam().Write(path, image.View());
        FAIL() << "no error";
    } catch (const EQuillonError& e) {
        EXPECT_NE(std::string(e.what()).find("\"" + path + "\""), std::string::npos) << e.what();
    }
    EXPECT_TRUE(dir.Names().empty());
}

// A file size limit makes the system refuse the write half way, the way a
// full disk does.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &FOld);
        rlimit limit = FOld;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit() { setrlimit(RLIMIT_FSIZE, &FOld); }

private:
    rlimit FOld{};
};

TEST_P(WriterFailureTest, AFailedWriteKeepsThePreviousFile)
{
    // Noise compresses badly, so every format needs well over the limit.
    std::mt19937 random(5);
    TTestImage image(300, 200, 256, [&](int, int) { return static_cast<int>(random() % 256); });
    TScratchDir dir;
    std::string path = dir.File("out.img");
    const std::string previous = "the previous file\r\n";
    WriteAll(path, previous);
    try {
        TFileSizeLimit limit(4096);
        GetParam().Write(path, image.View());
        FAIL() << "no error";
    } catch (const EQuillonError& e) {
        EXPECT_NE(std::string(e.what()).find("\"" + path + "\""), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadAll(path), previous);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"out.img"});
    // And without the limit the same write replaces it.
    GetParam().Write(path, image.View());
    EXPECT_NE(ReadAll(path), previous);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"out.img"});
}

INSTANTIATE_TEST_SUITE_P(Writers, WriterFailureTest, ::testing::ValuesIn(WriterCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(WriterFailureTest, InvalidImagesAreRefusedBeforeTouchingTheFile)
{
    TTestImage good(4, 4, 16, [](int x, int y) { return Pattern(x, y, 16); });
    TScratchDir dir;
    std::string path = dir.File("out.png");
    WriteAll(path, "previous");
    std::vector<TIndexedImage> bad(5, good.View());
    bad[0].Width = 0;
    bad[1].Pixels = nullptr;
    bad[2].BytesPerLine = 3;
    bad[3].ColorCount = 0;
    bad[4].ColorTable = nullptr;
    for (const TIndexedImage& image : bad)
        for (const char* name : {"out.png", "out.bmp", "out.jpg", "out.gif"}) {
            std::string target = dir.File(name);
            EXPECT_THROW(WriteImage(target, image), EQuillonError) << name;
        }
    EXPECT_THROW(WriteBmp24(dir.File("out.bmp"), 0, 1, good.Table.data()), EQuillonError);
    EXPECT_THROW(WriteBmp24(dir.File("out.bmp"), 1, 1, nullptr), EQuillonError);
    EXPECT_EQ(ReadAll(path), "previous");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"out.png"});
}

} // namespace
} // namespace quillon::test
