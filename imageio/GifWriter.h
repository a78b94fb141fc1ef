#pragma once
// GIF files from index images: a single frame, or a looping animation whose
// frames each carry their own palette.
#include <memory>
#include <string>

#include "imageio/IndexedImage.h"

namespace quillon {

// Writes the image as a single-frame GIF with the image's palette (padded with
// the table's further entries to a power of two) through a temporary file.
void WriteGif(const std::string& path, const TIndexedImage& image);

// An animated GIF89a that loops forever, written frame by frame so that long
// recordings never sit in memory. The data goes to a temporary file; only
// Finish puts a file at the target, so an abandoned recording (destroyed
// without Finish, or after a failure) leaves nothing behind.
class TAnimatedGifWriter {
public:
    TAnimatedGifWriter();
    ~TAnimatedGifWriter();
    TAnimatedGifWriter(const TAnimatedGifWriter&) = delete;
    TAnimatedGifWriter& operator=(const TAnimatedGifWriter&) = delete;

    // Starts a recording with a logical screen of Width x Height. Path is the
    // target; it may be empty when the name is only known at Finish (the data
    // then goes to an anonymous temporary file). Abandons a running recording.
    void Begin(const std::string& path, int width, int height);
    // Appends the image as a full frame with its palette as it stands now,
    // shown for DelayCentiseconds hundredths of a second (0..65535). A frame of
    // another size is placed at the top left and clipped to the screen.
    void AddFrame(const TIndexedImage& image, int delayCentiseconds);
    // Completes the file and puts it at Path, or at Begin's path when Path is
    // empty. The recording ends either way; on failure nothing is left behind.
    void Finish(const std::string& path = {});
    // Ends the recording and removes the temporary file.
    void Abandon();

    bool Active() const { return FState != nullptr; }
    int FrameCount() const;
    int Width() const;
    int Height() const;

private:
    struct TState;
    std::unique_ptr<TState> FState;
};

} // namespace quillon
