#include "JpegWriter.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include <jpeglib.h>

#include "ImageIoFns.h"
#include "engine/FileFns.h"

namespace quillon {

namespace {

// libjpeg's error_exit must not return. Ours longjmps back to the setjmp in
// EncodeJpeg. That function holds no C++ object with a destructor between
// setjmp and the jump, libjpeg's frames are C, and all memory it needs is
// owned by the caller, the compressor's state too, so nothing the jump may
// leave indeterminate is read after it; jpeg_destroy_compress frees libjpeg's
// own memory. (Throwing through libjpeg's C frames instead is not safe.)
struct TJpegError {
    jpeg_error_mgr Manager; // first, so the library's pointer is ours too
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

struct TJpegState {
    jpeg_compress_struct Info;
    TJpegError Error;
};

[[noreturn]] void JpegErrorExit(j_common_ptr info)
{
    auto* error = reinterpret_cast<TJpegError*>(info->err);
    (*info->err->format_message)(info, error->Message);
    std::longjmp(error->Jump, 1);
}

// Warnings (corrupt data on input) do not occur when writing; stay silent.
void JpegOutputMessage(j_common_ptr) {}

// FillRow puts line y (from the top) into the row as red, green, blue bytes.
using TJpegRowFiller = std::function<void(int y, JSAMPLE* row)>;

bool EncodeJpeg(std::FILE* file, int width, int height, const TJpegRowFiller& fillRow, int quality, JSAMPLE* rgbRow,
                TJpegState* state)
{
    jpeg_compress_struct* info = &state->Info;
    info->err = jpeg_std_error(&state->Error.Manager);
    state->Error.Manager.error_exit = JpegErrorExit;
    state->Error.Manager.output_message = JpegOutputMessage;
    // The caller zeroes the state, so destroying a half-created compressor is safe.
    if (setjmp(state->Error.Jump)) {
        jpeg_destroy_compress(info);
        return false;
    }
    jpeg_create_compress(info);
    jpeg_stdio_dest(info, file);
    info->image_width = static_cast<JDIMENSION>(width);
    info->image_height = static_cast<JDIMENSION>(height);
    info->input_components = 3;
    info->in_color_space = JCS_RGB;
    jpeg_set_defaults(info);
    jpeg_set_quality(info, quality, TRUE);
    jpeg_start_compress(info, TRUE);
    for (int y = 0; y < height; ++y) {
        fillRow(y, rgbRow);
        JSAMPROW rows[1] = {rgbRow};
        jpeg_write_scanlines(info, rows, 1);
    }
    jpeg_finish_compress(info);
    jpeg_destroy_compress(info);
    return true;
}

void PutColor(std::uint32_t c, JSAMPLE*& out)
{
    *out++ = static_cast<JSAMPLE>(c & 0xFF);
    *out++ = static_cast<JSAMPLE>((c >> 8) & 0xFF);
    *out++ = static_cast<JSAMPLE>((c >> 16) & 0xFF);
}

void WriteJpegRows(const std::string& path, int width, int height, const TJpegRowFiller& fillRow, int quality)
{
    // The format stores sides in 16 bits; libjpeg stops at 65500.
    CheckImageSize(width, height, JPEG_MAX_DIMENSION, path);
    if (quality < 1 || quality > 100) throw EQuillonError(InvalidImageMessage(path));
    std::vector<JSAMPLE> rgbRow(static_cast<std::size_t>(width) * 3);
    TAtomicFile file(path);
    auto state = std::make_unique<TJpegState>();
    errno = 0;
    if (!EncodeJpeg(file.Handle(), width, height, fillRow, quality, rgbRow.data(), state.get())) {
        if (std::ferror(file.Handle()) && errno) throw EQuillonError(CannotWriteMessage(path, errno));
        throw EQuillonError("Cannot write file \"" + path + "\". " + state->Error.Message + ".");
    }
    file.Commit();
}

} // namespace

void WriteJpeg(const std::string& path, const TIndexedImage& image, int quality)
{
    CheckIndexedImage(image, path);
    WriteJpegRows(
        path, image.Width, image.Height,
        [&image](int y, JSAMPLE* out) {
            const std::uint8_t* row = image.Row(y);
            for (int x = 0; x < image.Width; ++x) PutColor(image.ColorTable[row[x]], out);
        },
        quality);
}

void WriteJpeg(const std::string& path, const TColorImage& image, int quality)
{
    CheckColorImage(image, path);
    WriteJpegRows(
        path, image.Width, image.Height,
        [&image](int y, JSAMPLE* out) {
            const std::uint32_t* row = image.Row(y);
            for (int x = 0; x < image.Width; ++x) PutColor(row[x], out);
        },
        quality);
}

} // namespace quillon
