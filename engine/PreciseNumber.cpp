#include "PreciseNumberImpl.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace quillon {

namespace {

// Enough bits to add two numbers exactly: from the higher leading bit down to
// the lower last bit, plus one for a carry.
mpfr_prec_t ExactSumBits(const mpfr_t a, const mpfr_t b)
{
    if (!mpfr_regular_p(a)) return mpfr_get_prec(b) + 1;
    if (!mpfr_regular_p(b)) return mpfr_get_prec(a) + 1;
    const mpfr_exp_t high = std::max(mpfr_get_exp(a), mpfr_get_exp(b));
    const mpfr_exp_t low = std::min(mpfr_get_exp(a) - static_cast<mpfr_exp_t>(mpfr_min_prec(a)),
                                    mpfr_get_exp(b) - static_cast<mpfr_exp_t>(mpfr_min_prec(b)));
    return static_cast<mpfr_prec_t>(high - low + 1);
}

TPreciseNumber Sum(const mpfr_t a, const mpfr_t b, int sign)
{
    const mpfr_prec_t bits = std::clamp<mpfr_prec_t>(ExactSumBits(a, b), MPFR_PREC_MIN, TPreciseNumber::MaxBits);
    mpfr_t sum;
    mpfr_init2(sum, bits);
    if (sign > 0)
        mpfr_add(sum, a, b, MPFR_RNDN);
    else
        mpfr_sub(sum, a, b, MPFR_RNDN);
    TPreciseNumber result = FromMpfr(sum);
    mpfr_clear(sum);
    return result;
}

} // namespace

void ToMpfr(const TPreciseNumber& number, mpfr_t target)
{
    if (const auto* impl = number.Impl())
        mpfr_set(target, impl->Value, MPFR_RNDN);
    else
        mpfr_set_zero(target, 1);
}

TPreciseNumber FromMpfr(const mpfr_t value)
{
    if (mpfr_zero_p(value)) return {};
    mpfr_prec_t bits = mpfr_regular_p(value) ? mpfr_min_prec(value) : MPFR_PREC_MIN;
    bits = std::clamp<mpfr_prec_t>(bits, MPFR_PREC_MIN, TPreciseNumber::MaxBits);
    auto impl = std::make_shared<TPreciseNumber::TImpl>(bits);
    mpfr_set(impl->Value, value, MPFR_RNDN);
    return TPreciseNumber(std::shared_ptr<const TPreciseNumber::TImpl>(std::move(impl)));
}

TPreciseNumber::TPreciseNumber(double value)
{
    if (value == 0) return;
    mpfr_t v;
    mpfr_init2(v, 53);
    mpfr_set_d(v, value, MPFR_RNDN);
    *this = FromMpfr(v);
    mpfr_clear(v);
}

std::optional<TPreciseNumber> TPreciseNumber::FromDecimal(std::string_view text)
{
    // Plain decimal or scientific notation only: no blanks, hexadecimal or names.
    std::size_t i = 0, digits = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char ch = text[i];
        if (std::isdigit(static_cast<unsigned char>(ch))) {
            ++digits;
        } else if (ch == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0) return std::nullopt;
    long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        const std::size_t start = i;
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
        if (i >= text.size() || i - start > 6) return std::nullopt;
        for (; i < text.size(); ++i)
            if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
        exponent = std::stol(std::string(text.substr(start)));
    }
    if (i != text.size()) return std::nullopt;
    // A decimal with k digits after the point that ToDecimal wrote has at most
    // k bits after the point and about 3.33 bits per digit before it, so four
    // bits per digit read it exactly; at least a double's worth for short ones.
    const long bits = std::clamp<long>(4 * static_cast<long>(digits) + 4 * std::abs(exponent) + 8, 64, 8 * MaxBits);
    mpfr_t v;
    mpfr_init2(v, bits);
    const std::string s(text);
    if (mpfr_set_str(v, s.c_str(), 10, MPFR_RNDN) != 0 || !mpfr_number_p(v)) {
        mpfr_clear(v);
        return std::nullopt;
    }
    TPreciseNumber result = FromMpfr(v);
    mpfr_clear(v);
    return result;
}

double TPreciseNumber::ToDouble() const
{
    return FImpl ? mpfr_get_d(FImpl->Value, MPFR_RNDN) : 0.0;
}

bool TPreciseNumber::IsDouble() const
{
    if (!FImpl) return true;
    const double d = ToDouble();
    return std::isnan(d) ? mpfr_nan_p(FImpl->Value) : mpfr_cmp_d(FImpl->Value, d) == 0;
}

int TPreciseNumber::Bits() const
{
    return FImpl ? static_cast<int>(mpfr_get_prec(FImpl->Value)) : 1;
}

std::string TPreciseNumber::ToDecimal() const
{
    if (!FImpl) return "0";
    const mpfr_srcptr v = FImpl->Value;
    if (mpfr_nan_p(v)) return "nan";
    if (mpfr_inf_p(v)) return mpfr_signbit(v) ? "-inf" : "inf";
    // A value m * 2^e with e < 0 has exactly -e decimals after the point, and
    // its integer part about 0.31 digits per bit.
    const long exp2 = mpfr_get_exp(v);
    const long last = exp2 - static_cast<long>(mpfr_get_prec(v));
    const std::size_t n = static_cast<std::size_t>(std::max(0L, exp2) * 0.302 + 2 + std::max(0L, -last));
    mpfr_exp_t exp10 = 0;
    char* raw = mpfr_get_str(nullptr, &exp10, 10, n, v, MPFR_RNDN);
    std::string digits(raw);
    mpfr_free_str(raw);
    std::string sign;
    if (!digits.empty() && digits[0] == '-') {
        sign = "-";
        digits.erase(0, 1);
    }
    // value = 0.digits * 10^exp10
    std::string intPart, fracPart;
    const long e = static_cast<long>(exp10);
    if (e <= 0) {
        intPart = "0";
        fracPart = std::string(static_cast<std::size_t>(-e), '0') + digits;
    } else if (static_cast<std::size_t>(e) >= digits.size()) {
        intPart = digits + std::string(static_cast<std::size_t>(e) - digits.size(), '0');
    } else {
        intPart = digits.substr(0, static_cast<std::size_t>(e));
        fracPart = digits.substr(static_cast<std::size_t>(e));
    }
    while (!fracPart.empty() && fracPart.back() == '0') fracPart.pop_back();
    std::string text = sign;
    text += intPart;
    if (!fracPart.empty()) {
        text += '.';
        text += fracPart;
    }
    return text;
}

std::string TPreciseNumber::ToDecimal(int decimals) const
{
    if (!FImpl || !mpfr_number_p(FImpl->Value)) return ToDecimal();
    char* raw = nullptr;
    if (mpfr_asprintf(&raw, "%.*RNf", std::max(0, decimals), FImpl->Value) < 0) return ToDecimal();
    std::string text(raw);
    mpfr_free_str(raw);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0') text.pop_back();
        if (text.back() == '.') text.pop_back();
    }
    // A tiny negative number rounds to zero, without its sign.
    if (text == "-0") text = "0";
    return text;
}

TPreciseNumber TPreciseNumber::Plus(double value) const
{
    if (value == 0) return *this;
    const TPreciseNumber other(value);
    if (!FImpl) return other;
    return Sum(FImpl->Value, other.FImpl->Value, +1);
}

TPreciseNumber TPreciseNumber::Minus(const TPreciseNumber& other) const
{
    if (!other.FImpl) return *this;
    if (!FImpl) {
        mpfr_t neg;
        mpfr_init2(neg, mpfr_get_prec(other.FImpl->Value));
        mpfr_neg(neg, other.FImpl->Value, MPFR_RNDN);
        TPreciseNumber result = FromMpfr(neg);
        mpfr_clear(neg);
        return result;
    }
    return Sum(FImpl->Value, other.FImpl->Value, -1);
}

TPreciseNumber TPreciseNumber::Plus(const TPreciseNumber& other) const
{
    if (!other.FImpl) return *this;
    if (!FImpl) return other;
    return Sum(FImpl->Value, other.FImpl->Value, +1);
}

TPreciseNumber TPreciseNumber::Times(double factor) const
{
    if (!FImpl) return TPreciseNumber(0.0 * factor);
    // A product of an m-bit and a 53-bit mantissa fits in m + 53 bits.
    const mpfr_prec_t bits = std::min<mpfr_prec_t>(mpfr_get_prec(FImpl->Value) + 53, MaxBits);
    mpfr_t product;
    mpfr_init2(product, bits);
    mpfr_mul_d(product, FImpl->Value, factor, MPFR_RNDN);
    TPreciseNumber result = FromMpfr(product);
    mpfr_clear(product);
    return result;
}

TPreciseNumber TPreciseNumber::RoundedToMultipleOfPow2(long exponent) const
{
    if (!FImpl || !mpfr_regular_p(FImpl->Value)) return *this;
    // Nothing below 2^exponent: nothing to round.
    const long lowest = static_cast<long>(mpfr_get_exp(FImpl->Value)) - static_cast<long>(mpfr_min_prec(FImpl->Value));
    if (lowest >= exponent) return *this;
    mpfr_t v;
    mpfr_init2(v, mpfr_get_prec(FImpl->Value));
    // Scaling by powers of two is exact; rint rounds ties to even.
    mpfr_mul_2si(v, FImpl->Value, -exponent, MPFR_RNDN);
    mpfr_rint(v, v, MPFR_RNDN);
    mpfr_mul_2si(v, v, exponent, MPFR_RNDN);
    TPreciseNumber result = FromMpfr(v);
    mpfr_clear(v);
    return result;
}

bool operator==(const TPreciseNumber& a, const TPreciseNumber& b)
{
    if (a.FImpl == b.FImpl) return !a.FImpl || !mpfr_nan_p(a.FImpl->Value);
    if (!a.FImpl) return mpfr_zero_p(b.FImpl->Value);
    if (!b.FImpl) return mpfr_zero_p(a.FImpl->Value);
    return mpfr_equal_p(a.FImpl->Value, b.FImpl->Value) != 0;
}

} // namespace quillon
