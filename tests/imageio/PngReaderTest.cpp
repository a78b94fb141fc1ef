// PNG files read back as RGB for the video encoder.
#include <gtest/gtest.h>

#include "ImageTestFns.h"
#include "engine/Errors.h"
#include "imageio/PngReader.h"
#include "imageio/PngWriter.h"

namespace quillon::test {
namespace {

TEST(PngReaderTest, PaletteImageGivesItsColors)
{
    TTestImage image(5, 3, 40, [](int x, int y) { return Pattern(x, y, 40); });
    TScratchDir dir;
    const std::string path = dir.File("a.png");
    WritePng(path, image.View(), {{"Quillon scene", "[Common]"}});
    const quillon::TRgbImage rgb = quillon::ReadPngRgb(path);
    ASSERT_EQ(rgb.Width, 5);
    ASSERT_EQ(rgb.Height, 3);
    ASSERT_EQ(rgb.Pixels.size(), std::size_t(5 * 3 * 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const std::uint8_t* p = &rgb.Pixels[static_cast<std::size_t>(y * 5 + x) * 3];
            EXPECT_EQ(p[0] | p[1] << 8 | p[2] << 16, static_cast<int>(image.Color(x, y))) << x << "," << y;
        }
    EXPECT_EQ(ReadPngSize(path), (TSize{5, 3}));
}

TEST(PngReaderTest, BadFilesFailWithTheirName)
{
    TScratchDir dir;
    WriteAll(dir.File("not.png"), "BM this is no PNG");
    TTestImage image(4, 4, 2, [](int x, int) { return x % 2; });
    WritePng(dir.File("cut.png"), image.View());
    const std::string bytes = ReadAll(dir.File("cut.png"));
    WriteAll(dir.File("cut.png"), bytes.substr(0, bytes.size() - 20));
    auto message = [](const std::string& path) {
        try {
            quillon::ReadPngRgb(path);
        } catch (const EQuillonError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message(dir.File("not.png")), "Cannot open file \"" + dir.File("not.png") + "\". Not a PNG image.");
    EXPECT_EQ(message(dir.File("cut.png")), "Cannot open file \"" + dir.File("cut.png") + "\". Damaged PNG image.");
    EXPECT_EQ(message(dir.File("missing.png")).rfind("Cannot open file \"" + dir.File("missing.png") + "\".", 0), 0u);
    EXPECT_FALSE(ReadPngSize(dir.File("not.png")));
}

} // namespace
} // namespace quillon::test
