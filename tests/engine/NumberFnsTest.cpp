#include "engine/Errors.h"
#include "engine/NumberFns.h"
#include "engine/StrFns.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace quillon;

namespace {

struct FormatCase {
    const char* fmt;
    double value;
    const char* expected;
};

class FormatFloatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatFloatTest, MatchesEnUsText)
{
    const auto& c = GetParam();
    EXPECT_EQ(Format(c.fmt, {c.value}), c.expected) << c.fmt << " of " << c.value;
}

INSTANTIATE_TEST_SUITE_P(Specifiers, FormatFloatTest, ::testing::Values(
    FormatCase{"%.16e", 4.0, "4.000000000000000E+000"},
    FormatCase{"%.16e", -0.6, "-6.000000000000000E-001"},
    FormatCase{"%.16e", 0.0, "0.000000000000000E+000"},
    FormatCase{"%.16e", 0.00625, "6.250000000000000E-003"},
    FormatCase{"%.16e", 0.5, "5.000000000000000E-001"},
    FormatCase{"%.16e", 1e300, "1.000000000000000E+300"},
    FormatCase{"%.16e", -1.5e-300, "-1.500000000000000E-300"},
    FormatCase{"%e", 2.0, "2.00000000000000E+000"},
    FormatCase{"%16e", 2.0, "2.00000000000000E+000"},
    FormatCase{"%16e", 100.0, "1.00000000000000E+002"},
    FormatCase{"%.2e", 123456.7, "1.23E+005"},
    FormatCase{"%.2e", 1e12, "1.00E+012"},
    FormatCase{"%f", 1.5, "1.50"},
    FormatCase{"%f", 100.0, "100.00"},
    FormatCase{"%.1f", 99.96, "100.0"},
    FormatCase{"%.1f", 2.0, "2.0"},
    FormatCase{"%.2f", 2.0, "2.00"},
    FormatCase{"%.3f", -0.6, "-0.600"},
    FormatCase{"%.3f", -0.0001, "0.000"},
    FormatCase{"%.0f", 100.0, "100"},
    FormatCase{"%.0f", 2.5, "2"},
    FormatCase{"%.0f", 3.5, "4"},
    FormatCase{"%.0f", -90.0, "-90"},
    FormatCase{"%.16f", 0.285, "0.2850000000000000"},
    FormatCase{"%.16f", 0.0, "0.0000000000000000"},
    FormatCase{"%.12g", -0.6, "-0.6"},
    FormatCase{"%.12g", 0.1 + 0.2, "0.3"},
    FormatCase{"%.12g", 1234567890123.0, "1.23456789012E+012"},
    FormatCase{"%g", 0.00625, "0.00625"},
    FormatCase{"%g", 0.00001, "0.00001"},
    FormatCase{"%g", 0.000001, "1E-006"},
    FormatCase{"%g", 1e-12, "1E-012"},
    FormatCase{"%g", 100.0, "100"},
    FormatCase{"%g", 0.0, "0"},
    FormatCase{"%g", 123456789012345.0, "123456789012345"},
    FormatCase{"%g", 1234567890123456.0, "1.23456789012346E+015"},
    FormatCase{"%g", 2.5e-5, "0.000025"},
    FormatCase{"%.16e", std::numeric_limits<double>::infinity(), "INF"},
    FormatCase{"%f", -std::numeric_limits<double>::infinity(), "-INF"},
    FormatCase{"%g", std::numeric_limits<double>::quiet_NaN(), "NAN"}));

TEST(Format, IntegersHexStringsAndComposites)
{
    EXPECT_EQ(Format("%d", {42}), "42");
    EXPECT_EQ(Format("%d", {-7}), "-7");
    EXPECT_EQ(Format("%dx%d", {800, 600}), "800x600");
    EXPECT_EQ(Format("%x", {255}), "FF");
    EXPECT_EQ(Format("$%.6x", {0xFF0000}), "$FF0000");
    EXPECT_EQ(Format("$%.6x", {0xFF}), "$0000FF");
    EXPECT_EQ(Format("$%.6x", {0}), "$000000");
    EXPECT_EQ(Format("$%.4x", {1033}), "$0409");
    EXPECT_EQ(Format("Color%s=%.8x", {"A", 0xFF0000}), "ColorA=00FF0000");
    EXPECT_EQ(Format("%x", {-1}), "FFFFFFFF");
    EXPECT_EQ(Format("%.3f, %.3f", {-0.6, 0.0}), "-0.600, 0.000");
    EXPECT_EQ(Format("%.1fms", {12.34}), "12.3ms");
    EXPECT_EQ(Format("100%%", {}), "100%");
    EXPECT_EQ(Format("%5d|%-4d|", {42, 7}), "   42|7   |");
    EXPECT_THROW(Format("%d", {}), std::logic_error);
    EXPECT_THROW(Format("%q", {1}), std::logic_error);
}

struct IntCase {
    const char* text;
    bool valid;
    int value;
};

class StrToIntTest : public ::testing::TestWithParam<IntCase> {};

TEST_P(StrToIntTest, ParsesEnUsIntegers)
{
    const auto& c = GetParam();
    auto v = TryStrToInt(c.text);
    ASSERT_EQ(v.has_value(), c.valid) << '"' << c.text << '"';
    if (c.valid) {
        EXPECT_EQ(*v, c.value);
        EXPECT_EQ(StrToInt(c.text), c.value);
    } else {
        try {
            StrToInt(c.text);
            FAIL() << "accepted " << c.text;
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("'") + c.text + "' is not a valid integer value");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, StrToIntTest, ::testing::Values(
    IntCase{"42", true, 42}, IntCase{"  42", true, 42}, IntCase{"-5", true, -5}, IntCase{"+5", true, 5},
    IntCase{"$FF0000", true, 0xFF0000}, IntCase{"0xFF", true, 255}, IntCase{"0XfF", true, 255}, IntCase{"xff", true, 255},
    IntCase{"$FFFFFFFF", true, -1}, IntCase{"-$10", true, -16}, IntCase{"2147483647", true, 2147483647},
    IntCase{"-2147483648", true, -2147483647 - 1}, IntCase{"16711680", true, 16711680},
    IntCase{"2147483648", false, 0}, IntCase{"42 ", false, 0}, IntCase{"", false, 0}, IntCase{"  ", false, 0},
    IntCase{"4 2", false, 0}, IntCase{"1.5", false, 0}, IntCase{"$", false, 0}, IntCase{"0x", false, 0},
    IntCase{"$1FFFFFFFF", false, 0}, IntCase{"--1", false, 0}, IntCase{"abc", false, 0}, IntCase{"99999999999999999999999", false, 0}));

// Messages quote a bad value within bounds and visibly: short values exactly,
// long ones cut after 80 characters, control characters and NUL spelled out.
TEST(StrToInt, MessagesQuoteTheTextBoundedAndVisible)
{
    auto message = [](std::string_view text) {
        try {
            StrToInt(text);
        } catch (const EConvertError& e) {
            return std::string(e.what());
        }
        return std::string("(no error)");
    };
    EXPECT_EQ(message("42a"), "'42a' is not a valid integer value");
    const std::string eighty(80, '7');
    EXPECT_EQ(message(eighty + "x"), "'" + eighty + "...' is not a valid integer value");
    EXPECT_EQ(message(std::string(2'000'000, '9') + "x"), "'" + std::string(80, '9') + "...' is not a valid integer value");
    EXPECT_EQ(message(std::string("1\0" "2\t3\r\n\x7F", 8)), "'1\\x002\\t3\\r\\n\\x7F' is not a valid integer value");
    // Characters, not bytes: a cut never splits one.
    std::string accents;
    for (int i = 0; i < 81; ++i) accents += "\xC3\xA9";
    std::string kept;
    for (int i = 0; i < 80; ++i) kept += "\xC3\xA9";
    EXPECT_EQ(QuoteText(accents), kept + "...");
    EXPECT_EQ(QuoteText(kept), kept);
    try {
        StrToFloat(std::string(100, '1') + "x");
        ADD_FAILURE();
    } catch (const EConvertError& e) {
        EXPECT_EQ(std::string(e.what()), "'" + std::string(80, '1') + "...' is not a valid floating point value");
    }
}

TEST(StrToFloat, AcceptsEnUsSyntaxOnly)
{
    EXPECT_EQ(StrToFloat("-6.000000000000000E-001"), -0.6);
    EXPECT_EQ(StrToFloat("6.250000000000000E-003"), 0.00625);
    EXPECT_EQ(StrToFloat(" 2 "), 2.0);
    EXPECT_EQ(StrToFloat("1e3"), 1000.0);
    EXPECT_EQ(StrToFloat(".5"), 0.5);
    EXPECT_EQ(StrToFloat("5."), 5.0);
    EXPECT_EQ(StrToFloat("+1.25"), 1.25);
    EXPECT_EQ(StrToFloat("1e-400"), 0.0);
    for (const char* bad : {"", " ", "1,5", "abc", "inf", "nan", "0x10", "1e", "1e+", ".", "-", "1.2.3", "1e999", "1 2"}) {
        EXPECT_FALSE(TryStrToFloat(bad).has_value()) << bad;
        EXPECT_THROW(StrToFloat(bad), EConvertError) << bad;
    }
    try {
        StrToFloat("abc");
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid floating point value");
    }
}

TEST(StrToFloat, RoundTripsTheSixteenDigitForm)
{
    for (double v : {0.1, -1.85, 1.0 / 3, 6.02214076e23, 1e-300, 123456.789}) {
        double back = StrToFloat(Format("%.16e", {v}));
        EXPECT_NEAR(back, v, std::fabs(v) * 1e-15);
    }
}

// Rounded to nearest, the largest doubles would be written beyond the double
// range, and a file holding such a value could not be read again.
TEST(StrToFloat, ReadsBackTheLargestDoublesAsWritten)
{
    const double max = std::numeric_limits<double>::max();
    EXPECT_EQ(Format("%.16e", {max}), "1.797693134862315E+308");
    EXPECT_EQ(Format("%e", {-max}), "-1.79769313486231E+308");
    EXPECT_EQ(Format("%.2e", {max}), "1.79E+308");
    for (const char* fmt : {"%.16e", "%e", "%16e", "%g", "%.2e", "%f"})
        for (double v : {max, -max, std::nextafter(max, 0.0), 1.7976931348623e308}) {
            const auto back = TryStrToFloat(Format(fmt, {v}));
            ASSERT_TRUE(back.has_value()) << fmt << " " << Format(fmt, {v});
            EXPECT_NEAR(*back, v, std::fabs(v) * 1e-2) << fmt;
        }
    EXPECT_EQ(Format("%.16e", {1.5e308}), "1.500000000000000E+308");
}

TEST(RoundHalfEven, HalvesGoToEven)
{
    struct { double in; std::int64_t out; } rows[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {63.75, 64},
        {127.5, 128}, {191.25, 191}, {2.4999999999999996, 2}, {-0.49, 0}, {4503599627370497.0, 4503599627370497}};
    for (auto r : rows) EXPECT_EQ(RoundHalfEven(r.in), r.out) << r.in;
    EXPECT_FALSE(RoundHalfEvenChecked(std::nan("")).has_value());
    EXPECT_FALSE(RoundHalfEvenChecked(9.3e18).has_value());
    EXPECT_FALSE(RoundHalfEvenChecked(-9.3e18).has_value());
    EXPECT_TRUE(RoundHalfEvenChecked(-9223372036854775808.0).has_value());
    EXPECT_EQ(RoundHalfEven(1e300), std::numeric_limits<std::int64_t>::max());
}

} // namespace
