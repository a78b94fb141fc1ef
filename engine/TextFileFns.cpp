#include "TextFileFns.h"

#include "FileFns.h"

#include <cstdint>

namespace quillon {

namespace {

// Windows-1252 bytes 0x80..0x9F; 0 marks the five undefined ones (kept as C1 controls).
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) out += static_cast<char>(cp);
    else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string DecodeUtf16(std::string_view bytes, bool bigEndian)
{
    std::string out;
    out.reserve(bytes.size());
    auto unit = [&](std::size_t i) -> char16_t {
        auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t cp = unit(i);
        if (cp >= 0xD800 && cp < 0xDC00 && i + 3 < bytes.size()) {
            char16_t lo = unit(i + 2);
            if (lo >= 0xDC00 && lo < 0xE000) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                i += 2;
            } else cp = 0xFFFD;
        } else if (cp >= 0xD800 && cp < 0xE000) cp = 0xFFFD;
        AppendUtf8(out, cp);
    }
    return out;
}

// Replaces malformed sequences by U+FFFD so later code only sees valid UTF-8.
std::string SanitizeUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        auto c = static_cast<unsigned char>(bytes[i]);
        int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        bool ok = len > 0 && i + len <= bytes.size();
        char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
        for (int k = 1; ok && k < len; ++k) {
            auto cc = static_cast<unsigned char>(bytes[i + k]);
            if ((cc & 0xC0) != 0x80) ok = false;
            else cp = (cp << 6) | (cc & 0x3F);
        }
        if (ok && ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
                   (cp >= 0xD800 && cp < 0xE000)))
            ok = false;
        if (ok) {
            out.append(bytes.substr(i, static_cast<std::size_t>(len)));
            i += static_cast<std::size_t>(len);
        } else {
            AppendUtf8(out, 0xFFFD);
            ++i;
        }
    }
    return out;
}

// Calls Visit with every code point of the text, malformed sequences read as U+FFFD.
template <typename TVisit>
void ForEachCodePoint(std::string_view utf8, TVisit visit)
{
    std::string valid = SanitizeUtf8(utf8);
    std::size_t i = 0;
    while (i < valid.size()) {
        auto c = static_cast<unsigned char>(valid[i]);
        int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : 4;
        char32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
        for (int k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(valid[i + k]) & 0x3F);
        i += static_cast<std::size_t>(len);
        visit(cp);
    }
}

std::string EncodeUtf16(std::string_view utf8, bool bigEndian)
{
    std::string out;
    out.reserve(utf8.size() * 2);
    auto unit = [&](char16_t u) {
        char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        if (bigEndian) {
            out += hi;
            out += lo;
        } else {
            out += lo;
            out += hi;
        }
    };
    ForEachCodePoint(utf8, [&](char32_t cp) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            unit(static_cast<char16_t>(0xD800 + (cp >> 10)));
            unit(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            unit(static_cast<char16_t>(cp));
        }
    });
    return out;
}

} // namespace

TTextEncoding DetectTextEncoding(std::string_view bytes)
{
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return TTextEncoding::Utf8;
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") return TTextEncoding::Utf16LE;
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF") return TTextEncoding::Utf16BE;
    return TTextEncoding::Ansi;
}

std::string DecodeText(std::string_view bytes)
{
    switch (DetectTextEncoding(bytes)) {
    case TTextEncoding::Utf8:
        return SanitizeUtf8(bytes.substr(3));
    case TTextEncoding::Utf16LE:
        return DecodeUtf16(bytes.substr(2), false);
    case TTextEncoding::Utf16BE:
        return DecodeUtf16(bytes.substr(2), true);
    case TTextEncoding::Ansi:
        break;
    }
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) out += ch;
        else if (c < 0xA0 && kCp1252High[c - 0x80]) AppendUtf8(out, kCp1252High[c - 0x80]);
        else AppendUtf8(out, c);
    }
    return out;
}

std::string EncodeText(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    ForEachCodePoint(utf8, [&](char32_t cp) {
        if (cp < 0x80 || (cp >= 0xA0 && cp < 0x100)) {
            out += static_cast<char>(cp);
            return;
        }
        char mapped = '?';
        for (int k = 0; k < 32; ++k)
            if (kCp1252High[k] == cp || (kCp1252High[k] == 0 && cp == static_cast<char32_t>(0x80 + k))) {
                mapped = static_cast<char>(0x80 + k);
                break;
            }
        out += mapped;
    });
    return out;
}

std::string EncodeTextAs(std::string_view utf8, TTextEncoding encoding)
{
    switch (encoding) {
    case TTextEncoding::Utf8:
        return "\xEF\xBB\xBF" + SanitizeUtf8(utf8);
    case TTextEncoding::Utf16LE:
        return "\xFF\xFE" + EncodeUtf16(utf8, false);
    case TTextEncoding::Utf16BE:
        return "\xFE\xFF" + EncodeUtf16(utf8, true);
    case TTextEncoding::Ansi:
        break;
    }
    return EncodeText(utf8);
}

std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::string ReadTextFile(const std::string& path)
{
    return DecodeText(ReadFileBytes(path));
}

std::vector<std::string> ReadTextLines(const std::string& path)
{
    return SplitLines(ReadTextFile(path));
}

void WriteTextFile(const std::string& path, std::string_view utf8)
{
    std::string crlf;
    crlf.reserve(utf8.size() + utf8.size() / 16);
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '\r') {
            if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
            crlf += "\r\n";
        } else if (utf8[i] == '\n') crlf += "\r\n";
        else crlf += utf8[i];
    }
    WriteFileAtomic(path, EncodeText(crlf));
}

} // namespace quillon
