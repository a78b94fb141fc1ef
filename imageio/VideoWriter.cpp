#include "VideoWriter.h"

#include "engine/Errors.h"
#include "engine/FileFns.h"
#include "engine/NumberFns.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cerrno>
#include <cstdio>
#include <vector>

namespace quillon {

namespace {

// The muxer's buffer size between it and the file.
constexpr int IoBufferSize = 1 << 16;

// Constant quality: visually lossless for these sharp-edged pictures, and a
// minute of 1080p stays well below a gigabyte.
constexpr const char* Quality = "18";

std::string AvErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// The muxer writes through the temporary file's handle; MP4 needs to seek back
// to complete the header.
#if LIBAVFORMAT_VERSION_MAJOR >= 61
using TIoBytes = const std::uint8_t*;
#else
using TIoBytes = std::uint8_t*;
#endif

int WritePacket(void* opaque, TIoBytes bytes, int size)
{
    auto* file = static_cast<std::FILE*>(opaque);
    if (std::fwrite(bytes, 1, static_cast<std::size_t>(size), file) != static_cast<std::size_t>(size))
        return AVERROR(errno ? errno : EIO);
    return size;
}

std::int64_t SeekFile(void* opaque, std::int64_t offset, int whence)
{
    auto* file = static_cast<std::FILE*>(opaque);
    if (whence & AVSEEK_SIZE) {
        const off_t here = ::ftello(file);
        if (here < 0 || ::fseeko(file, 0, SEEK_END) != 0) return AVERROR(errno);
        const off_t size = ::ftello(file);
        if (::fseeko(file, here, SEEK_SET) != 0) return AVERROR(errno);
        return size;
    }
    if (::fseeko(file, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE) != 0) return AVERROR(errno);
    return ::ftello(file);
}

} // namespace

struct TVideoWriter::TImpl {
    std::string Path;
    int Width = 0;
    int Height = 0;
    std::int64_t Frames = 0;
    std::unique_ptr<TAtomicFile> File;
    AVFormatContext* Muxer = nullptr;
    AVIOContext* Io = nullptr;
    AVCodecContext* Encoder = nullptr;
    AVStream* Stream = nullptr;
    AVFrame* Frame = nullptr;
    AVPacket* Packet = nullptr;
    SwsContext* Converter = nullptr;
    std::vector<std::uint8_t> Rgb;

    ~TImpl()
    {
        sws_freeContext(Converter);
        av_packet_free(&Packet);
        av_frame_free(&Frame);
        avcodec_free_context(&Encoder);
        avformat_free_context(Muxer); // a custom I/O context is ours to free
        if (Io) av_freep(&Io->buffer);
        avio_context_free(&Io);
        // File, still uncommitted unless Finish succeeded, removes its temporary file.
    }

    [[noreturn]] void Fail(const std::string& reason) const
    {
        throw EQuillonError("Cannot write file \"" + Path + "\". " + reason);
    }
    void Check(int code, const char* what) const
    {
        if (code < 0) Fail(std::string(what) + ": " + AvErrorText(code) + ".");
    }

    void Open(TFrameRate rate);
    void Encode(const AVFrame* frame);
    void AddRgb(const std::uint8_t* rgb);
};

void TVideoWriter::TImpl::Open(TFrameRate rate)
{
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) codec = avcodec_find_encoder(AV_CODEC_ID_H264);
    if (!codec) Fail("No H.264 encoder is available.");

    File = std::make_unique<TAtomicFile>(Path);
    Check(avformat_alloc_output_context2(&Muxer, nullptr, "mp4", nullptr), "MP4 output");
    auto* buffer = static_cast<unsigned char*>(av_malloc(IoBufferSize));
    if (!buffer) throw std::bad_alloc();
    Io = avio_alloc_context(buffer, IoBufferSize, 1, File->Handle(), nullptr, WritePacket, SeekFile);
    if (!Io) {
        av_free(buffer);
        throw std::bad_alloc();
    }
    Muxer->pb = Io;
    Muxer->flags |= AVFMT_FLAG_CUSTOM_IO;

    Encoder = avcodec_alloc_context3(codec);
    Stream = avformat_new_stream(Muxer, nullptr);
    Frame = av_frame_alloc();
    Packet = av_packet_alloc();
    if (!Encoder || !Stream || !Frame || !Packet) throw std::bad_alloc();

    Encoder->width = Width;
    Encoder->height = Height;
    Encoder->pix_fmt = AV_PIX_FMT_YUV420P;
    Encoder->time_base = AVRational{rate.Den, rate.Num};
    Encoder->framerate = AVRational{rate.Num, rate.Den};
    Encoder->color_range = AVCOL_RANGE_MPEG;
    Encoder->colorspace = AVCOL_SPC_BT709;
    Encoder->color_primaries = AVCOL_PRI_BT709;
    Encoder->color_trc = AVCOL_TRC_BT709;
    if (Muxer->oformat->flags & AVFMT_GLOBALHEADER) Encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // Options an encoder does not know are ignored.
    av_opt_set(Encoder->priv_data, "preset", "medium", 0);
    av_opt_set(Encoder->priv_data, "crf", Quality, 0);
    Check(avcodec_open2(Encoder, codec, nullptr), "H.264 encoder");
    Check(avcodec_parameters_from_context(Stream->codecpar, Encoder), "H.264 encoder");
    Stream->time_base = Encoder->time_base;
    Stream->avg_frame_rate = Encoder->framerate;
    Check(avformat_write_header(Muxer, nullptr), "MP4 header");

    Frame->format = AV_PIX_FMT_YUV420P;
    Frame->width = Width;
    Frame->height = Height;
    Check(av_frame_get_buffer(Frame, 0), "Video frame");

    Converter = sws_getContext(Width, Height, AV_PIX_FMT_RGB24, Width, Height, AV_PIX_FMT_YUV420P,
                               SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
    if (!Converter) Fail("No color conversion to YUV 4:2:0.");
    // Full-range RGB to studio-range BT.709, as the stream is tagged.
    sws_setColorspaceDetails(Converter, sws_getCoefficients(SWS_CS_ITU709), 1, sws_getCoefficients(SWS_CS_ITU709),
                             0, 0, 1 << 16, 1 << 16);
}

void TVideoWriter::TImpl::Encode(const AVFrame* frame)
{
    Check(avcodec_send_frame(Encoder, frame), "H.264 encoder");
    for (;;) {
        const int rc = avcodec_receive_packet(Encoder, Packet);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return;
        Check(rc, "H.264 encoder");
        // Every frame lasts one tick, the last one included.
        if (Packet->duration == 0) Packet->duration = 1;
        av_packet_rescale_ts(Packet, Encoder->time_base, Stream->time_base);
        Packet->stream_index = Stream->index;
        Check(av_interleaved_write_frame(Muxer, Packet), "MP4 output"); // takes the packet's data
    }
}

void TVideoWriter::TImpl::AddRgb(const std::uint8_t* rgb)
{
    Check(av_frame_make_writable(Frame), "Video frame");
    const std::uint8_t* planes[1] = {rgb};
    const int strides[1] = {3 * Width};
    sws_scale(Converter, planes, strides, 0, Height, Frame->data, Frame->linesize);
    Frame->pts = Frames++;
    Encode(Frame);
}

TVideoWriter::TVideoWriter() = default;
TVideoWriter::~TVideoWriter() = default;

void TVideoWriter::Begin(const std::string& path, int width, int height, TFrameRate rate)
{
    FImpl.reset();
    auto impl = std::make_unique<TImpl>();
    impl->Path = path;
    impl->Width = width;
    impl->Height = height;
    if (width <= 0 || height <= 0 || width % 2 != 0 || height % 2 != 0)
        impl->Fail(Format("H.264 video needs an even width and height, not %dx%d.", {width, height}));
    if (rate.Num <= 0 || rate.Den <= 0) impl->Fail("The frame rate must be positive.");
    // The encoder's chatter would bury the renderer's own messages.
    av_log_set_level(AV_LOG_ERROR);
    impl->Open(rate);
    FImpl = std::move(impl);
}

void TVideoWriter::AddFrame(const TIndexedImage& image)
{
    if (image.Width != FImpl->Width || image.Height != FImpl->Height)
        FImpl->Fail(Format("A frame of %dx%d does not fit a video of %dx%d.",
                           {image.Width, image.Height, FImpl->Width, FImpl->Height}));
    CheckIndexedImage(image, FImpl->Path);
    std::vector<std::uint8_t>& rgb = FImpl->Rgb;
    rgb.resize(static_cast<std::size_t>(image.Width) * image.Height * 3);
    std::uint8_t* out = rgb.data();
    for (int y = 0; y < image.Height; ++y) {
        const std::uint8_t* row = image.Row(y);
        for (int x = 0; x < image.Width; ++x) {
            const std::uint32_t color = image.ColorTable[row[x]]; // TColor: red in the low byte
            *out++ = static_cast<std::uint8_t>(color);
            *out++ = static_cast<std::uint8_t>(color >> 8);
            *out++ = static_cast<std::uint8_t>(color >> 16);
        }
    }
    FImpl->AddRgb(rgb.data());
}

void TVideoWriter::AddFrame(const TRgbImage& image)
{
    if (image.Width != FImpl->Width || image.Height != FImpl->Height)
        FImpl->Fail(Format("A frame of %dx%d does not fit a video of %dx%d.",
                           {image.Width, image.Height, FImpl->Width, FImpl->Height}));
    FImpl->AddRgb(image.Pixels.data());
}

void TVideoWriter::Finish()
{
    TImpl& impl = *FImpl;
    impl.Encode(nullptr);
    impl.Check(av_write_trailer(impl.Muxer), "MP4 output");
    avio_flush(impl.Io);
    impl.Check(impl.Io->error, "MP4 output");
    impl.File->Commit();
    FImpl.reset();
}

int TVideoWriter::Width() const
{
    return FImpl ? FImpl->Width : 0;
}

int TVideoWriter::Height() const
{
    return FImpl ? FImpl->Height : 0;
}

} // namespace quillon
