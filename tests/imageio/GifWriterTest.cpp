// GIF files and animations read back by giflib's decoder and Qt's reader.
#include <gtest/gtest.h>

#include <QImage>
#include <QImageReader>

#include "ImageTestFns.h"
#include "engine/Errors.h"
#include "imageio/GifWriter.h"

namespace quillon::test {
namespace {

void ExpectFrameShows(const TGifFrame& frame, const TTestImage& image, const std::vector<std::uint32_t>& table,
                      const std::string& what)
{
    ASSERT_EQ(frame.Width, image.Width()) << what;
    ASSERT_EQ(frame.Height, image.Height()) << what;
    EXPECT_EQ(frame.Left, 0);
    EXPECT_EQ(frame.Top, 0);
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            ASSERT_EQ(frame.At(x, y), table[static_cast<std::size_t>(image.Index(x, y))]) << what << " " << x << "," << y;
}

TEST(GifWriterTest, SingleFrameWithThePalette)
{
    for (int width : {1, 3, 401})
        for (int count : {2, 5, 100, 256}) {
            TTestImage image(width, 6, count, [&](int x, int y) { return Pattern(x, y, count); });
            TScratchDir dir;
            WriteGif(dir.File("a.gif"), image.View());
            TGifFile gif = ReadGif(dir.File("a.gif"));
            std::string what = std::to_string(width) + "/" + std::to_string(count);
            EXPECT_EQ(gif.Width, width);
            EXPECT_EQ(gif.Height, 6);
            ASSERT_EQ(gif.Frames.size(), 1u);
            EXPECT_EQ(gif.LoopCount, -1);
            EXPECT_EQ(gif.Frames[0].Delay, -1);
            // A power-of-two map holding the palette.
            std::size_t size = gif.Frames[0].Colors.size();
            EXPECT_TRUE(size >= static_cast<std::size_t>(count) && (size & (size - 1)) == 0) << what << ": " << size;
            ExpectFrameShows(gif.Frames[0], image, image.Table, what);
        }
}

TEST(GifWriterTest, IndicesBeyondThePaletteShowTheTable)
{
    TTestImage image(3, 3, 3, [](int x, int y) { return x == 1 && y == 1 ? 255 : x; });
    TScratchDir dir;
    WriteGif(dir.File("a.gif"), image.View());
    TGifFile gif = ReadGif(dir.File("a.gif"));
    ASSERT_EQ(gif.Frames.size(), 1u);
    ExpectFrameShows(gif.Frames[0], image, image.Table, "beyond");
}

// Frame k shows the image after k rotations of its palette, as a recording of
// the palette animation does.
class AnimatedGifTest : public ::testing::Test {
protected:
    static constexpr int Frames = 6;
    TTestImage Image{41, 9, 64, [](int x, int y) { return Pattern(x, y, 64); }};
    TScratchDir Dir;

    static int DelayOf(int frame) { return frame < 3 ? 17 : 2; } // the speed changes mid-way

    void Record(TAnimatedGifWriter& writer)
    {
        for (int k = 0; k < Frames; ++k) {
            Image.Table = DistinctTable(k);
            writer.AddFrame(Image.View(), DelayOf(k));
            EXPECT_EQ(writer.FrameCount(), k + 1);
        }
    }

    void ExpectRecording(const std::string& path)
    {
        TGifFile gif = ReadGif(path);
        EXPECT_EQ(gif.Version, "GIF89a");
        EXPECT_EQ(gif.Width, 41);
        EXPECT_EQ(gif.Height, 9);
        EXPECT_EQ(gif.LoopCount, 0);
        EXPECT_EQ(gif.LoopExtensionFrame, 0);
        ASSERT_EQ(gif.Frames.size(), static_cast<std::size_t>(Frames));
        for (int k = 0; k < Frames; ++k) {
            EXPECT_EQ(gif.Frames[k].Delay, DelayOf(k)) << k;
            EXPECT_TRUE(gif.Frames[k].LocalMap) << k;
            ExpectFrameShows(gif.Frames[k], Image, DistinctTable(k), "frame " + std::to_string(k));
        }
    }
};

TEST_F(AnimatedGifTest, FramesLoopAndDelays)
{
    std::string path = Dir.File("anim.gif");
    TAnimatedGifWriter writer;
    writer.Begin(path, 41, 9);
    EXPECT_TRUE(writer.Active());
    Record(writer);
    // Nothing at the target until the recording is finished.
    EXPECT_FALSE(std::filesystem::exists(path));
    writer.Finish();
    EXPECT_FALSE(writer.Active());
    ExpectRecording(path);
    EXPECT_EQ(Dir.Names(), std::vector<std::string>{"anim.gif"});

    // Qt's reader agrees on the frames, the loop and the delays.
    QImageReader reader(QString::fromStdString(path));
    EXPECT_EQ(reader.imageCount(), Frames);
    EXPECT_EQ(reader.loopCount(), -1); // Qt's "forever"
    for (int k = 0; k < Frames; ++k) {
        QImage frame = reader.read();
        ASSERT_FALSE(frame.isNull()) << k;
        EXPECT_EQ(frame.size(), QSize(41, 9));
        QRgb rgb = frame.pixel(40, 8);
        std::uint32_t expected = DistinctTable(k)[static_cast<std::size_t>(Image.Index(40, 8))];
        EXPECT_EQ(static_cast<std::uint32_t>(qRed(rgb) | qGreen(rgb) << 8 | qBlue(rgb) << 16), expected) << k;
        EXPECT_EQ(reader.nextImageDelay(), DelayOf(k) * 10) << k; // of the frame just read
    }
}

TEST_F(AnimatedGifTest, NameChosenAtTheEnd)
{
    TAnimatedGifWriter writer;
    writer.Begin("", 41, 9);
    Record(writer);
    EXPECT_TRUE(Dir.Names().empty());
    writer.Finish(Dir.File("chosen.gif"));
    ExpectRecording(Dir.File("chosen.gif"));
    EXPECT_EQ(Dir.Names(), std::vector<std::string>{"chosen.gif"});
}

TEST_F(AnimatedGifTest, FinishUnderAnotherName)
{
    TAnimatedGifWriter writer;
    writer.Begin(Dir.File("first.gif"), 41, 9);
    Record(writer);
    writer.Finish(Dir.File("second.gif"));
    ExpectRecording(Dir.File("second.gif"));
    EXPECT_EQ(Dir.Names(), std::vector<std::string>{"second.gif"});
}

TEST_F(AnimatedGifTest, AbandonedRecordingsLeaveNothing)
{
    WriteAll(Dir.File("anim.gif"), "previous");
    {
        TAnimatedGifWriter writer;
        writer.Begin(Dir.File("anim.gif"), 41, 9);
        Record(writer);
    }
    TAnimatedGifWriter writer;
    writer.Begin(Dir.File("anim.gif"), 41, 9);
    Record(writer);
    writer.Abandon();
    EXPECT_FALSE(writer.Active());
    EXPECT_EQ(writer.FrameCount(), 0);
    EXPECT_THROW(writer.Finish(), std::logic_error);
    // Beginning again abandons the running one.
    writer.Begin(Dir.File("other.gif"), 41, 9);
    Record(writer);
    writer.Begin(Dir.File("third.gif"), 41, 9);
    EXPECT_EQ(writer.FrameCount(), 0);
    writer.Abandon();
    EXPECT_EQ(ReadAll(Dir.File("anim.gif")), "previous");
    EXPECT_EQ(Dir.Names(), std::vector<std::string>{"anim.gif"});
}

TEST_F(AnimatedGifTest, AnimationWithoutFramesIsRefused)
{
    TAnimatedGifWriter writer;
    writer.Begin(Dir.File("anim.gif"), 41, 9);
    EXPECT_THROW(writer.Finish(), EQuillonError);
    EXPECT_FALSE(writer.Active());
    EXPECT_TRUE(Dir.Names().empty());
}

TEST_F(AnimatedGifTest, FramesOfAnotherSizeAreClippedToTheScreen)
{
    TAnimatedGifWriter writer;
    writer.Begin(Dir.File("anim.gif"), 20, 5);
    TTestImage small(7, 3, 64, [](int x, int y) { return Pattern(x, y, 64); });
    writer.AddFrame(Image.View(), 4); // 41 x 9: larger
    writer.AddFrame(small.View(), 4);
    writer.Finish();
    TGifFile gif = ReadGif(Dir.File("anim.gif"));
    ASSERT_EQ(gif.Frames.size(), 2u);
    EXPECT_EQ(gif.Width, 20);
    EXPECT_EQ(gif.Frames[0].Width, 20);
    EXPECT_EQ(gif.Frames[0].Height, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 20; ++x) ASSERT_EQ(gif.Frames[0].At(x, y), Image.Color(x, y));
    ExpectFrameShows(gif.Frames[1], small, small.Table, "small");
}

TEST_F(AnimatedGifTest, DelaysOutsideTheFieldAreClamped)
{
    TAnimatedGifWriter writer;
    writer.Begin(Dir.File("anim.gif"), 41, 9);
    writer.AddFrame(Image.View(), -5);
    writer.AddFrame(Image.View(), 70000);
    writer.Finish();
    TGifFile gif = ReadGif(Dir.File("anim.gif"));
    ASSERT_EQ(gif.Frames.size(), 2u);
    EXPECT_EQ(gif.Frames[0].Delay, 0);
    EXPECT_EQ(gif.Frames[1].Delay, 65535);
}

} // namespace
} // namespace quillon::test
