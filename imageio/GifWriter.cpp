#include "GifWriter.h"

#include <gif_lib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "ImageIoFns.h"
#include "engine/FileFns.h"

namespace quillon {

namespace {

// giflib reports failures through return codes (it never exits or jumps), so
// plain C++ error handling is enough here.

int WriteToFile(GifFileType* gif, const GifByteType* data, int size)
{
    auto* file = static_cast<std::FILE*>(gif->UserData);
    return static_cast<int>(std::fwrite(data, 1, static_cast<std::size_t>(size), file));
}

struct TColorMapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using TColorMapPtr = std::unique_ptr<ColorMapObject, TColorMapDeleter>;

// The image's colors in the smallest power-of-two map (at least 2, at most 256
// entries) that holds the palette and every index the pixels use; the entries
// beyond the palette are the table's as they stand.
TColorMapPtr MakeColorMap(const TIndexedImage& image)
{
    int highest = image.ColorCount - 1;
    for (int y = 0; y < image.Height; ++y) {
        const std::uint8_t* row = image.Row(y);
        for (int x = 0; x < image.Width; ++x) highest = std::max<int>(highest, row[x]);
    }
    int size = 2;
    while (size <= highest) size *= 2;
    GifColorType colors[256];
    for (int i = 0; i < size; ++i) {
        std::uint32_t c = image.ColorTable[i];
        colors[i].Red = static_cast<GifByteType>(c & 0xFF);
        colors[i].Green = static_cast<GifByteType>((c >> 8) & 0xFF);
        colors[i].Blue = static_cast<GifByteType>((c >> 16) & 0xFF);
    }
    TColorMapPtr map(GifMakeMapObject(size, colors));
    if (!map) throw std::bad_alloc();
    return map;
}

// One GIF stream being written to a FILE*. Throws EQuillonError with Name in
// the message on any failure.
class TGifStream {
public:
    TGifStream(std::FILE* file, std::string name) : FFile(file), FName(std::move(name))
    {
        int error = 0;
        FGif = EGifOpen(file, WriteToFile, &error);
        if (!FGif) Fail(error);
    }
    ~TGifStream()
    {
        if (FGif) EGifCloseFile(FGif, nullptr);
    }
    TGifStream(const TGifStream&) = delete;
    TGifStream& operator=(const TGifStream&) = delete;

    void PutScreen(int width, int height, const ColorMapObject* globalMap, bool gif89)
    {
        EGifSetGifVersion(FGif, gif89);
        Check(EGifPutScreenDesc(FGif, width, height, 8, 0, globalMap));
    }

    // The application extension that makes viewers repeat the animation forever.
    void PutLoopForever()
    {
        static const char Application[] = "NETSCAPE2.0";
        // Sub-block 1, loop count 0 (little-endian 16 bits): repeat forever.
        static const GifByteType Loop[3] = {1, 0, 0};
        Check(EGifPutExtensionLeader(FGif, APPLICATION_EXT_FUNC_CODE));
        Check(EGifPutExtensionBlock(FGif, 11, Application));
        Check(EGifPutExtensionBlock(FGif, 3, Loop));
        Check(EGifPutExtensionTrailer(FGif));
    }

    void PutDelay(int centiseconds)
    {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSE_DO_NOT;
        control.UserInputFlag = false;
        control.DelayTime = std::clamp(centiseconds, 0, 65535);
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        GifByteType block[4];
        std::size_t size = EGifGCBToExtension(&control, block);
        Check(EGifPutExtension(FGif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(size), block));
    }

    // Writes the image at the top left, clipped to MaxWidth x MaxHeight.
    void PutImage(const TIndexedImage& image, int maxWidth, int maxHeight, const ColorMapObject* localMap)
    {
        int width = std::min(image.Width, maxWidth);
        int height = std::min(image.Height, maxHeight);
        Check(EGifPutImageDesc(FGif, 0, 0, width, height, false, localMap));
        // giflib masks the pixels of the line it is given, so hand it a copy.
        std::vector<GifPixelType> line(static_cast<std::size_t>(width));
        for (int y = 0; y < height; ++y) {
            std::memcpy(line.data(), image.Row(y), line.size());
            Check(EGifPutLine(FGif, line.data(), width));
        }
    }

    // Writes the trailer; the FILE* stays open.
    void Close()
    {
        int error = 0;
        int rc = EGifCloseFile(FGif, &error);
        FGif = nullptr;
        if (rc != GIF_OK) Fail(error);
    }

private:
    void Check(int rc)
    {
        if (rc != GIF_OK) Fail(FGif->Error);
    }

    [[noreturn]] void Fail(int error)
    {
        int osError = std::ferror(FFile) ? errno : 0;
        std::string reason;
        if (osError) reason = std::strerror(osError);
        else if (const char* text = GifErrorString(error)) reason = text;
        else reason = "GIF error " + std::to_string(error);
        if (!reason.empty() && reason.back() != '.') reason += '.';
        if (FName.empty()) throw EQuillonError("Cannot write the animation. " + reason);
        throw EQuillonError("Cannot write file \"" + FName + "\". " + reason);
    }

    std::FILE* FFile;
    std::string FName;
    GifFileType* FGif = nullptr;
};

} // namespace

void WriteGif(const std::string& path, const TIndexedImage& image)
{
    CheckIndexedImage(image, path);
    CheckImageSize(image.Width, image.Height, 65535, path);
    TColorMapPtr map = MakeColorMap(image);
    TAtomicFile file(path);
    {
        TGifStream gif(file.Handle(), path);
        gif.PutScreen(image.Width, image.Height, map.get(), false);
        gif.PutImage(image, image.Width, image.Height, nullptr);
        gif.Close();
    }
    file.Commit();
}

struct TAnimatedGifWriter::TState {
    std::string Path;
    int Width = 0;
    int Height = 0;
    int FrameCount = 0;
    // Exactly one of these holds the data: the temporary file beside the
    // target, or an anonymous one when the target is not known yet.
    std::unique_ptr<TAtomicFile> Atomic;
    std::FILE* Anonymous = nullptr;
    std::unique_ptr<TGifStream> Gif;

    ~TState()
    {
        Gif.reset();
        if (Anonymous) std::fclose(Anonymous);
    }
    std::FILE* File() const { return Atomic ? Atomic->Handle() : Anonymous; }
};

TAnimatedGifWriter::TAnimatedGifWriter() = default;

TAnimatedGifWriter::~TAnimatedGifWriter() = default;

void TAnimatedGifWriter::Begin(const std::string& path, int width, int height)
{
    Abandon();
    CheckImageSize(width, height, 65535, path);
    auto state = std::make_unique<TState>();
    state->Path = path;
    state->Width = width;
    state->Height = height;
    if (!path.empty()) state->Atomic = std::make_unique<TAtomicFile>(path);
    else {
        state->Anonymous = std::tmpfile();
        if (!state->Anonymous)
            throw EQuillonError(std::string("Cannot write the animation. ") + std::strerror(errno) + ".");
    }
    state->Gif = std::make_unique<TGifStream>(state->File(), path);
    FState = std::move(state);
}

void TAnimatedGifWriter::AddFrame(const TIndexedImage& image, int delayCentiseconds)
{
    if (!FState) throw std::logic_error("No animation is being recorded.");
    CheckIndexedImage(image, FState->Path);
    try {
        TColorMapPtr map = MakeColorMap(image);
        TGifStream& gif = *FState->Gif;
        if (FState->FrameCount == 0) {
            // The first frame's colors double as the global map for viewers
            // that ignore local ones.
            gif.PutScreen(FState->Width, FState->Height, map.get(), true);
            gif.PutLoopForever();
        }
        gif.PutDelay(delayCentiseconds);
        gif.PutImage(image, FState->Width, FState->Height, map.get());
        ++FState->FrameCount;
    } catch (...) {
        // A half-written frame cannot be taken back: the recording is lost.
        Abandon();
        throw;
    }
}

void TAnimatedGifWriter::Finish(const std::string& path)
{
    if (!FState) throw std::logic_error("No animation is being recorded.");
    // Take the state, so the recording ends (and its temporary file goes)
    // whatever happens below.
    std::unique_ptr<TState> state = std::move(FState);
    const std::string target = path.empty() ? state->Path : path;
    if (target.empty()) throw std::logic_error("No file name for the animation.");
    if (state->FrameCount == 0) throw EQuillonError(InvalidImageMessage(target));
    state->Gif->Close();
    state->Gif.reset();
    if (state->Atomic && target == state->Path) {
        state->Atomic->Commit();
        return;
    }
    // Copy the finished stream to the target through its own temporary file.
    // The file beside the first target was opened for writing only: reopen it.
    std::FILE* source = state->File();
    int err = std::fflush(source) != 0 ? errno : 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> reopened(nullptr, std::fclose);
    if (!err && state->Atomic) {
        reopened.reset(std::fopen(state->Atomic->TempPath().c_str(), "rb"));
        if (!reopened) err = errno;
        source = reopened.get();
    }
    if (!err && std::fseek(source, 0, SEEK_SET) != 0) err = errno;
    if (err) throw EQuillonError(CannotWriteMessage(target, err));
    TAtomicFile file(target);
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, source)) > 0)
        if (std::fwrite(buffer, 1, n, file.Handle()) != n) throw EQuillonError(CannotWriteMessage(target, errno ? errno : EIO));
    if (std::ferror(source)) throw EQuillonError(CannotWriteMessage(target, errno ? errno : EIO));
    file.Commit();
}

void TAnimatedGifWriter::Abandon()
{
    FState.reset();
}

int TAnimatedGifWriter::FrameCount() const
{
    return FState ? FState->FrameCount : 0;
}

int TAnimatedGifWriter::Width() const
{
    return FState ? FState->Width : 0;
}

int TAnimatedGifWriter::Height() const
{
    return FState ? FState->Height : 0;
}

} // namespace quillon
