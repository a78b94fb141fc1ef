#pragma once
// H.264 video in an MP4 file, frame by frame.
#include <cstdint>
#include <memory>
#include <string>

#include "imageio/IndexedImage.h"
#include "imageio/PngReader.h"

namespace quillon {

// Frames per second as a fraction (30000/1001 for the NTSC rate).
struct TFrameRate {
    int Num = 30;
    int Den = 1;
};

// Writes the frames given to an MP4 file through a temporary file, which
// Finish renames into place; a writer destroyed before that leaves nothing.
// H.264 4:2:0 needs an even width and height.
class TVideoWriter {
public:
    TVideoWriter();
    ~TVideoWriter();
    TVideoWriter(const TVideoWriter&) = delete;
    TVideoWriter& operator=(const TVideoWriter&) = delete;

    // Fails with EQuillonError for an odd or empty size, a rate that is not
    // positive, a missing encoder or a file that cannot be created.
    void Begin(const std::string& path, int width, int height, TFrameRate rate);
    // Every frame has the size given to Begin.
    void AddFrame(const TIndexedImage& image);
    void AddFrame(const TRgbImage& image);
    // Encodes what is pending, completes the file and renames it into place.
    void Finish();

    // The size given to Begin; 0 before.
    int Width() const;
    int Height() const;

private:
    struct TImpl;
    std::unique_ptr<TImpl> FImpl;
};

} // namespace quillon
