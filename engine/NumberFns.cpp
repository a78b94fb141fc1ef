#include "NumberFns.h"

#include "Errors.h"
#include "StrFns.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <system_error>

namespace quillon {

namespace {

std::string NonFinite(double value)
{
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

// "-0.000" and "-0.00E+000" read badly; a result with no non-zero digit loses its sign.
void DropNegativeZero(std::string& text)
{
    if (text.empty() || text[0] != '-') return;
    for (char c : text) {
        if (c == 'E') break;
        if (c >= '1' && c <= '9') return;
    }
    text.erase(0, 1);
}

// Splits |value| into Digits significant decimal digits and a decimal exponent,
// correctly rounded (the value is digits[0].digits[1..] * 10^exponent).
void DecimalDigits(double value, int digits, std::string& mantissa, int& exponent)
{
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, digits - 1);
    std::string s(buf, res.ptr);
    auto e = s.find('e');
    exponent = std::atoi(s.c_str() + e + 1);
    mantissa.clear();
    for (std::size_t i = 0; i < e; ++i)
        if (s[i] != '.') mantissa += s[i];
    // Near the largest double, rounding up can give a text beyond it that no longer
    // reads as a number: round toward zero there, so everything written reads back.
    double back = 0;
    if (exponent == 308 && std::from_chars(s.data(), s.data() + s.size(), back).ec == std::errc::result_out_of_range) {
        std::size_t i = mantissa.size();
        while (i > 0 && mantissa[i - 1] == '0') mantissa[--i] = '9';
        if (i > 0) --mantissa[i - 1];
    }
}

std::string ExponentText(int exponent)
{
    std::string text = exponent < 0 ? "E-" : "E+";
    std::string digits = std::to_string(std::abs(exponent));
    text.append(digits.size() < 3 ? 3 - digits.size() : 0, '0');
    text += digits;
    return text;
}

std::string Pad(std::string text, int width, bool left)
{
    if (width > 0 && static_cast<int>(text.size()) < width) {
        std::string fill(static_cast<std::size_t>(width) - text.size(), ' ');
        text = left ? text + fill : fill + text;
    }
    return text;
}

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

} // namespace

std::string FormatScientific(double value, int digits)
{
    if (!std::isfinite(value)) return NonFinite(value);
    if (digits < 1) digits = 1;
    std::string mantissa;
    int exponent = 0;
    DecimalDigits(value, digits, mantissa, exponent);
    std::string text = std::signbit(value) ? "-" : "";
    text += mantissa[0];
    if (mantissa.size() > 1) {
        text += '.';
        text.append(mantissa, 1);
    }
    text += ExponentText(value == 0 ? 0 : exponent);
    DropNegativeZero(text);
    return text;
}

std::string FormatFixed(double value, int decimals)
{
    if (!std::isfinite(value)) return NonFinite(value);
    if (decimals < 0) decimals = 0;
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    std::string text(buf, res.ptr);
    DropNegativeZero(text);
    return text;
}

std::string FormatGeneral(double value, int precision)
{
    if (!std::isfinite(value)) return NonFinite(value);
    if (precision < 1) precision = 1;
    if (value == 0) return "0";
    std::string mantissa;
    int exponent = 0;
    DecimalDigits(value, precision, mantissa, exponent);
    while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();
    std::string text = value < 0 ? "-" : "";
    // Fixed notation while the integer digits fit the precision and the value is not tiny.
    if (exponent < precision && std::fabs(value) >= 0.00001) {
        if (exponent >= 0) {
            std::string digits = mantissa;
            while (static_cast<int>(digits.size()) < exponent + 1) digits += '0';
            text += digits.substr(0, static_cast<std::size_t>(exponent) + 1);
            if (static_cast<int>(digits.size()) > exponent + 1) {
                text += '.';
                text.append(digits, static_cast<std::size_t>(exponent) + 1);
            }
        } else {
            text += "0.";
            text.append(static_cast<std::size_t>(-exponent - 1), '0');
            text += mantissa;
        }
    } else {
        text += mantissa[0];
        if (mantissa.size() > 1) {
            text += '.';
            text.append(mantissa, 1);
        }
        text += ExponentText(exponent);
    }
    return text;
}

std::string Format(std::string_view fmt, std::initializer_list<FormatArg> args)
{
    std::string out;
    auto next = args.begin();
    auto take = [&]() -> const FormatArg& {
        if (next == args.end()) throw std::logic_error("Format: too few arguments for \"" + std::string(fmt) + "\"");
        return *next++;
    };
    auto asDouble = [&](const FormatArg& a) -> double {
        if (auto d = std::get_if<double>(&a.Value())) return *d;
        if (auto i = std::get_if<std::int64_t>(&a.Value())) return static_cast<double>(*i);
        throw std::logic_error("Format: number expected");
    };
    auto asInt = [&](const FormatArg& a) -> std::int64_t {
        if (auto i = std::get_if<std::int64_t>(&a.Value())) return *i;
        throw std::logic_error("Format: integer expected");
    };

    for (std::size_t i = 0; i < fmt.size(); ++i) {
        char c = fmt[i];
        if (c != '%') { out += c; continue; }
        if (++i >= fmt.size()) throw std::logic_error("Format: incomplete conversion");
        if (fmt[i] == '%') { out += '%'; continue; }
        bool left = false;
        if (fmt[i] == '-') { left = true; ++i; }
        int width = 0;
        while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') width = width * 10 + (fmt[i++] - '0');
        int precision = -1;
        if (i < fmt.size() && fmt[i] == '.') {
            ++i;
            precision = 0;
            while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') precision = precision * 10 + (fmt[i++] - '0');
        }
        if (i >= fmt.size()) throw std::logic_error("Format: incomplete conversion");
        std::string text;
        switch (fmt[i]) {
        case 'd': {
            std::int64_t v = asInt(take());
            text = std::to_string(v < 0 ? -static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v));
            if (precision > static_cast<int>(text.size())) text = std::string(static_cast<std::size_t>(precision) - text.size(), '0') + text;
            if (v < 0) text = "-" + text;
            break;
        }
        case 'x': {
            std::int64_t v = asInt(take());
            // 32-bit values (colors, identifiers) print as their unsigned bit pattern.
            unsigned long long u = (v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::uint32_t>::max())
                ? static_cast<std::uint32_t>(v) : static_cast<unsigned long long>(v);
            char buf[32];
            auto res = std::to_chars(buf, buf + sizeof buf, u, 16);
            text.assign(buf, res.ptr);
            for (char& ch : text) if (ch >= 'a' && ch <= 'f') ch = static_cast<char>(ch - 'a' + 'A');
            if (precision > static_cast<int>(text.size())) text = std::string(static_cast<std::size_t>(precision) - text.size(), '0') + text;
            break;
        }
        case 'e':
            // Precision counts significant digits (15 by default), except that the
            // short form "%.2e" of the zoom figure keeps two decimals: 1.23E+005.
            text = FormatScientific(asDouble(take()), precision < 0 ? 15 : (precision == 2 ? 3 : precision));
            break;
        case 'f':
            text = FormatFixed(asDouble(take()), precision < 0 ? 2 : precision);
            break;
        case 'g':
            text = FormatGeneral(asDouble(take()), precision < 0 ? 15 : precision);
            break;
        case 's': {
            const FormatArg& a = take();
            if (auto s = std::get_if<std::string>(&a.Value())) text = *s;
            else throw std::logic_error("Format: string expected");
            break;
        }
        default:
            throw std::logic_error("Format: unsupported conversion in \"" + std::string(fmt) + "\"");
        }
        out += Pad(std::move(text), width, left);
    }
    return out;
}

std::optional<std::int64_t> TryStrToInt64(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') { base = 16; ++i; }
    else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) { base = 16; i += 2; }
    else if (i < text.size() && (text[i] == 'x' || text[i] == 'X')) { base = 16; ++i; }
    if (i >= text.size()) return std::nullopt;
    unsigned long long value = 0;
    auto res = std::from_chars(text.data() + i, text.data() + text.size(), value, base);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size()) return std::nullopt;
    if (value > static_cast<unsigned long long>(std::numeric_limits<std::int64_t>::max()) + (negative ? 1ULL : 0ULL))
        return std::nullopt;
    return negative ? static_cast<std::int64_t>(0 - value) : static_cast<std::int64_t>(value);
}

std::optional<int> TryStrToInt(std::string_view text)
{
    auto v = TryStrToInt64(text);
    if (!v) return std::nullopt;
    bool hex = text.find_first_of("$xX") != std::string_view::npos;
    // Hexadecimal texts cover the full 32-bit pattern ($FFFFFFFF is -1).
    if (hex && *v >= 0 && *v <= static_cast<std::int64_t>(std::numeric_limits<std::uint32_t>::max()))
        return static_cast<int>(static_cast<std::uint32_t>(*v));
    if (*v < std::numeric_limits<int>::min() || *v > std::numeric_limits<int>::max()) return std::nullopt;
    return static_cast<int>(*v);
}

int StrToInt(std::string_view text)
{
    if (auto v = TryStrToInt(text)) return *v;
    throw EConvertError("'" + QuoteText(text) + "' is not a valid integer value");
}

int StrToIntDef(std::string_view text, int fallback)
{
    auto v = TryStrToInt(text);
    return v ? *v : fallback;
}

std::optional<double> TryStrToFloat(std::string_view text)
{
    std::size_t b = 0, e = text.size();
    while (b < e && IsSpace(text[b])) ++b;
    while (e > b && IsSpace(text[e - 1])) --e;
    std::string_view t = text.substr(b, e - b);
    // Validate the syntax ourselves: from_chars would also take "inf", "nan" and hex floats.
    std::size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    std::size_t start = i, digits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') { ++i; ++digits; }
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') { ++i; ++digits; }
    }
    if (digits == 0) return std::nullopt;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        std::size_t expDigits = 0;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') { ++i; ++expDigits; }
        if (expDigits == 0) return std::nullopt;
    }
    if (i != t.size()) return std::nullopt;
    double value = 0;
    auto res = std::from_chars(t.data() + start, t.data() + t.size(), value, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        // Underflow reads as zero; overflow is not a valid number.
        std::string_view mant = t.substr(start);
        auto ePos = mant.find_first_of("eE");
        if (ePos != std::string_view::npos && mant.size() > ePos + 1 && mant[ePos + 1] == '-') value = 0;
        else return std::nullopt;
    } else if (res.ec != std::errc() || res.ptr != t.data() + t.size()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

double StrToFloat(std::string_view text)
{
    if (auto v = TryStrToFloat(text)) return *v;
    throw EConvertError("'" + QuoteText(text) + "' is not a valid floating point value");
}

std::optional<std::int64_t> RoundHalfEvenChecked(double value)
{
    if (std::isnan(value)) return std::nullopt;
    // 2^63 and beyond (or below -2^63) does not fit.
    if (value >= 9223372036854775808.0 || value < -9223372036854775808.0) return std::nullopt;
    double f = std::floor(value);
    double diff = value - f;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(f, 2.0) != 0)) f += 1.0;
    if (f >= 9223372036854775808.0) return std::nullopt;
    return static_cast<std::int64_t>(f);
}

std::int64_t RoundHalfEven(double value)
{
    if (auto v = RoundHalfEvenChecked(value)) return *v;
    if (std::isnan(value)) return 0;
    return value > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
}

} // namespace quillon
