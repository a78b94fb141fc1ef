#pragma once
// Numbers in every text Quillon writes or reads use fixed en-US conventions,
// independent of the user's locale. This is the only place that formats or
// parses numbers.
//
// Supported conversions in Format (anything else is a programming error):
//   %d            decimal integer
//   %x %.4x %.6x %.8x   upper-case hexadecimal, zero-padded to the precision
//   %e %16e       15 significant digits, "E", sign, at least three exponent digits
//   %.16e         16 significant digits, same exponent form
//   %.2e          two decimals in the mantissa (1.23E+005)
//   %f            two decimals;  %.Nf  N decimals
//   %g            general, 15 significant digits; %.Ng  N significant digits
//   %s            a string;  %%  a percent sign
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace quillon {

class FormatArg {
public:
    FormatArg(int v) : FValue(static_cast<std::int64_t>(v)) {}
    FormatArg(unsigned v) : FValue(static_cast<std::int64_t>(v)) {}
    FormatArg(long v) : FValue(static_cast<std::int64_t>(v)) {}
    FormatArg(long long v) : FValue(static_cast<std::int64_t>(v)) {}
    FormatArg(unsigned long v) : FValue(static_cast<std::int64_t>(v)) {}
    FormatArg(unsigned long long v) : FValue(static_cast<std::int64_t>(v)) {}
    FormatArg(double v) : FValue(v) {}
    FormatArg(float v) : FValue(static_cast<double>(v)) {}
    FormatArg(const char* v) : FValue(std::string(v)) {}
    FormatArg(std::string v) : FValue(std::move(v)) {}
    FormatArg(std::string_view v) : FValue(std::string(v)) {}

    const std::variant<std::int64_t, double, std::string>& Value() const { return FValue; }

private:
    std::variant<std::int64_t, double, std::string> FValue;
};

// Formats like the en-US conventions above. Throws std::logic_error on a
// conversion that is not supported or an argument of the wrong kind.
std::string Format(std::string_view fmt, std::initializer_list<FormatArg> args);

// Scientific notation with Digits significant digits: "4.000000000000000E+000".
std::string FormatScientific(double value, int digits);
// Fixed notation with Decimals decimals.
std::string FormatFixed(double value, int decimals);
// General notation with Precision significant digits, trailing zeros removed.
std::string FormatGeneral(double value, int precision);

// Integers: optional leading spaces, optional sign, decimal digits or hex digits
// after "$", "0x" or "x"; nothing may follow. Range of a 32-bit integer.
std::optional<int> TryStrToInt(std::string_view text);
std::optional<std::int64_t> TryStrToInt64(std::string_view text);
// Fails with "'<text>' is not a valid integer value".
int StrToInt(std::string_view text);
int StrToIntDef(std::string_view text, int fallback);

// Floating point: optional surrounding spaces, optional sign, digits with an
// optional "." and an optional exponent ("E" or "e", optional sign, digits).
std::optional<double> TryStrToFloat(std::string_view text);
// Fails with "'<text>' is not a valid floating point value".
double StrToFloat(std::string_view text);

// Rounds to the nearest integer, halves to even. Values beyond the 64-bit range
// saturate; NaN gives 0. Use RoundHalfEvenChecked where the range matters.
std::int64_t RoundHalfEven(double value);
// As RoundHalfEven, but empty when the value is NaN or outside the 64-bit range.
std::optional<std::int64_t> RoundHalfEvenChecked(double value);

} // namespace quillon
