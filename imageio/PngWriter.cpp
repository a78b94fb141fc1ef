#include "PngWriter.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include "ImageIoFns.h"
#include "engine/FileFns.h"

namespace quillon {

namespace {

// libpng reports errors through a callback that must not return. We longjmp
// from it back to the setjmp in EncodePng, which is plain C in spirit: between
// its setjmp and any longjmp no C++ object with a destructor is alive in that
// frame, and libpng's own frames are C. Every buffer it needs is built and
// owned by the caller, and the png structures are freed after the jump.
struct TPngErrorState {
    std::jmp_buf Jump;
    char Message[200];
};

[[noreturn]] void PngError(png_structp png, png_const_charp message)
{
    auto* state = static_cast<TPngErrorState*>(png_get_error_ptr(png));
    std::snprintf(state->Message, sizeof state->Message, "%s", message ? message : "PNG error");
    std::longjmp(state->Jump, 1);
}

void PngWarning(png_structp, png_const_charp) {}

struct TPngJob {
    std::FILE* File;
    int Width;
    int Height;
    int ColorType;
    const png_color* Palette; // palette images only
    int PaletteCount;
    png_bytep* Rows; // top row first
    png_text* Texts;
    int TextCount;
};

// Returns true on success; on failure Error holds libpng's message.
bool EncodePng(const TPngJob& job, TPngErrorState& error)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, PngError, PngWarning);
    if (!png) {
        std::snprintf(error.Message, sizeof error.Message, "Out of memory");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        std::snprintf(error.Message, sizeof error.Message, "Out of memory");
        return false;
    }
    if (setjmp(error.Jump)) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, job.File);
    png_set_IHDR(png, info, static_cast<png_uint_32>(job.Width), static_cast<png_uint_32>(job.Height), 8,
                 job.ColorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (job.Palette) png_set_PLTE(png, info, job.Palette, job.PaletteCount);
    if (job.TextCount > 0) png_set_text(png, info, job.Texts, job.TextCount);
    png_write_info(png, info);
    png_write_image(png, job.Rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool ValidKeyword(const std::string& keyword)
{
    if (keyword.empty() || keyword.size() > 79 || keyword.front() == ' ' || keyword.back() == ' ') return false;
    for (std::size_t i = 0; i < keyword.size(); ++i) {
        auto c = static_cast<unsigned char>(keyword[i]);
        if (c < 32 || (c > 126 && c < 161)) return false;
        if (c == ' ' && i > 0 && keyword[i - 1] == ' ') return false;
    }
    return true;
}

// Texts longer than this are worth compressing.
constexpr std::size_t CompressTextFrom = 1024;

void CheckPngJob(const std::string& path, int width, int height, const std::vector<TPngTextChunk>& texts)
{
    // libpng refuses sides above a million by default.
    CheckImageSize(width, height, 1000000, path);
    for (const TPngTextChunk& text : texts)
        if (!ValidKeyword(text.Keyword) || text.Text.find('\0') != std::string::npos)
            throw EQuillonError("Cannot write file \"" + path + "\". Invalid text chunk \"" + text.Keyword + "\".");
}

// Writes the job's image with the texts through a temporary file.
void WritePngJob(const std::string& path, TPngJob job, const std::vector<TPngTextChunk>& texts)
{
    std::vector<png_text> pngTexts(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        png_text& t = pngTexts[i];
        t.compression = texts[i].Text.size() >= CompressTextFrom ? PNG_TEXT_COMPRESSION_zTXt : PNG_TEXT_COMPRESSION_NONE;
        t.key = const_cast<png_charp>(texts[i].Keyword.c_str());
        t.text = const_cast<png_charp>(texts[i].Text.c_str());
        t.text_length = texts[i].Text.size();
    }
    TAtomicFile file(path);
    job.File = file.Handle();
    job.Texts = pngTexts.data();
    job.TextCount = static_cast<int>(pngTexts.size());
    auto error = std::make_unique<TPngErrorState>();
    errno = 0;
    if (!EncodePng(job, *error)) {
        // A failing write to the file shows as a libpng error; say what the system said.
        if (std::ferror(file.Handle()) && errno) throw EQuillonError(CannotWriteMessage(path, errno));
        throw EQuillonError("Cannot write file \"" + path + "\". " + error->Message + ".");
    }
    file.Commit();
}

} // namespace

void WritePng(const std::string& path, const TIndexedImage& image, const std::vector<TPngTextChunk>& texts)
{
    CheckIndexedImage(image, path);
    CheckPngJob(path, image.Width, image.Height, texts);

    // The palette holds the image's colors and reaches the highest index in
    // use, so every pixel keeps its color and the file stays small.
    int highest = 0;
    std::vector<png_bytep> rows(static_cast<std::size_t>(image.Height));
    for (int y = 0; y < image.Height; ++y) {
        const std::uint8_t* row = image.Row(y);
        // libpng takes non-const rows but only reads them when writing.
        rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(row);
        for (int x = 0; x < image.Width; ++x)
            if (row[x] > highest) highest = row[x];
    }
    const int paletteCount = std::max(image.ColorCount, highest + 1);
    std::array<png_color, 256> palette{};
    for (int i = 0; i < paletteCount; ++i) {
        std::uint32_t c = image.ColorTable[i];
        palette[static_cast<std::size_t>(i)] = {static_cast<png_byte>(c & 0xFF), static_cast<png_byte>((c >> 8) & 0xFF),
                                                static_cast<png_byte>((c >> 16) & 0xFF)};
    }
    WritePngJob(path,
                TPngJob{nullptr, image.Width, image.Height, PNG_COLOR_TYPE_PALETTE, palette.data(), paletteCount,
                        rows.data(), nullptr, 0},
                texts);
}

void WritePng(const std::string& path, const TColorImage& image, const std::vector<TPngTextChunk>& texts)
{
    CheckColorImage(image, path);
    CheckPngJob(path, image.Width, image.Height, texts);
    // Red, green, blue bytes per pixel.
    std::vector<png_byte> bytes(static_cast<std::size_t>(image.Width) * 3 * static_cast<std::size_t>(image.Height));
    std::vector<png_bytep> rows(static_cast<std::size_t>(image.Height));
    for (int y = 0; y < image.Height; ++y) {
        png_bytep out = bytes.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(image.Width) * 3;
        rows[static_cast<std::size_t>(y)] = out;
        const std::uint32_t* row = image.Row(y);
        for (int x = 0; x < image.Width; ++x) {
            *out++ = static_cast<png_byte>(row[x] & 0xFF);
            *out++ = static_cast<png_byte>((row[x] >> 8) & 0xFF);
            *out++ = static_cast<png_byte>((row[x] >> 16) & 0xFF);
        }
    }
    WritePngJob(path,
                TPngJob{nullptr, image.Width, image.Height, PNG_COLOR_TYPE_RGB, nullptr, 0, rows.data(), nullptr, 0},
                texts);
}

namespace {

std::string Bytes(const unsigned char* begin, const unsigned char* end)
{
    return std::string(reinterpret_cast<const char*>(begin), static_cast<std::size_t>(end - begin));
}

std::uint32_t ReadBigEndian32(const unsigned char* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

// A text the program would read (a scene) is never larger than a file it reads
// whole; a larger one, stored or inflated, is refused before it takes the memory.
constexpr std::size_t MaxTextSize = MaxReadFileSize;

// Longest keyword (79) and its NUL.
constexpr std::size_t KeywordSpace = 80;

bool Inflate(const unsigned char* data, std::size_t size, std::string& out)
{
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) return false;
    zs.next_in = const_cast<Bytef*>(data);
    zs.avail_in = static_cast<uInt>(size);
    char buffer[16384];
    int rc;
    do {
        zs.next_out = reinterpret_cast<Bytef*>(buffer);
        zs.avail_out = sizeof buffer;
        rc = inflate(&zs, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END) break;
        out.append(buffer, sizeof buffer - zs.avail_out);
        if (out.size() > MaxTextSize) rc = Z_MEM_ERROR;
    } while (rc == Z_OK && (zs.avail_in > 0 || zs.avail_out == 0));
    inflateEnd(&zs);
    return rc == Z_STREAM_END;
}

struct TFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

std::optional<std::string> ReadPngText(const std::string& path, const std::string& keyword)
{
    std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) throw EQuillonError(CannotOpenMessage(path, errno));
    return ReadPngText(file.get(), path, keyword);
}

std::optional<std::string> ReadPngText(std::FILE* file, const std::string& name, const std::string& keyword)
{
    static const unsigned char Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const std::string damaged = "Cannot open file \"" + name + "\". Damaged PNG image.";
    unsigned char header[8];
    if (std::fread(header, 1, 8, file) != 8 || std::memcmp(header, Signature, 8) != 0)
        throw EQuillonError("Cannot open file \"" + name + "\". Not a PNG image.");

    // No declared length may reach past the end of the file. A stream that
    // cannot tell its size is still held to MaxTextSize below.
    long fileSize = -1;
    const long start = std::ftell(file);
    if (start >= 0 && std::fseek(file, 0, SEEK_END) == 0) {
        fileSize = std::ftell(file);
        if (std::fseek(file, start, SEEK_SET) != 0) throw EQuillonError(damaged);
    }
    std::clearerr(file);

    // Walk the chunks, reading only the text chunks and skipping the rest.
    std::vector<unsigned char> chunk;
    while (std::fread(header, 1, 8, file) == 8) {
        std::uint32_t length = ReadBigEndian32(header);
        if (length > 0x7FFFFFFFu) throw EQuillonError(damaged);
        if (fileSize >= 0) {
            const long here = std::ftell(file);
            if (here < 0 || static_cast<std::uint64_t>(length) + 4 > static_cast<std::uint64_t>(fileSize - here))
                throw EQuillonError(damaged);
        }
        std::string type(reinterpret_cast<char*>(header + 4), 4);
        if (type == "IEND") break;
        bool isText = type == "tEXt" || type == "zTXt" || type == "iTXt";
        if (isText && length > MaxTextSize) {
            // Too large for a scene: only its keyword is read, and it may not be ours.
            chunk.resize(KeywordSpace);
            if (std::fread(chunk.data(), 1, chunk.size(), file) != chunk.size()) throw EQuillonError(damaged);
            const void* nul = std::memchr(chunk.data(), 0, chunk.size());
            if (!nul || Bytes(chunk.data(), static_cast<const unsigned char*>(nul)) == keyword)
                throw EQuillonError(damaged);
            length -= static_cast<std::uint32_t>(KeywordSpace);
            isText = false;
        }
        if (!isText) {
            // Two steps: the length and its CRC together may not fit a 32-bit long.
            if (std::fseek(file, static_cast<long>(length), SEEK_CUR) != 0 || std::fseek(file, 4, SEEK_CUR) != 0)
                throw EQuillonError(damaged);
            continue;
        }
        chunk.resize(length + 4);
        if (std::fread(chunk.data(), 1, chunk.size(), file) != chunk.size()) throw EQuillonError(damaged);
        uLong crc = crc32(0, header + 4, 4);
        crc = crc32(crc, chunk.data(), length);
        if (crc != ReadBigEndian32(chunk.data() + length)) throw EQuillonError(damaged);

        const unsigned char* data = chunk.data();
        const unsigned char* end = data + length;
        const unsigned char* nul = static_cast<const unsigned char*>(std::memchr(data, 0, length));
        if (!nul) throw EQuillonError(damaged);
        if (Bytes(data, nul) != keyword) continue;
        const unsigned char* p = nul + 1;
        std::string text;
        if (type == "tEXt") return Bytes(p, end);
        if (type == "zTXt") {
            if (p >= end || *p != 0 || !Inflate(p + 1, static_cast<std::size_t>(end - p - 1), text))
                throw EQuillonError(damaged);
            return text;
        }
        // iTXt: compression flag, method, language tag, translated keyword, text.
        if (end - p < 2) throw EQuillonError(damaged);
        bool compressed = p[0] != 0;
        p += 2;
        for (int field = 0; field < 2; ++field) {
            const void* z = std::memchr(p, 0, static_cast<std::size_t>(end - p));
            if (!z) throw EQuillonError(damaged);
            p = static_cast<const unsigned char*>(z) + 1;
        }
        if (!compressed) return Bytes(p, end);
        if (!Inflate(p, static_cast<std::size_t>(end - p), text)) throw EQuillonError(damaged);
        return text;
    }
    if (std::ferror(file)) throw EQuillonError(damaged);
    return std::nullopt;
}

} // namespace quillon
