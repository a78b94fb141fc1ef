#pragma once
// Real numbers with as many bits as a deep view needs, and the precise centre
// of a view. A number is immutable and shares its digits, so copies are cheap.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

class TPreciseNumber {
public:
    // More bits than any view down to a scale of 1e-300 needs; sums beyond it
    // are rounded to nearest.
    static constexpr int MaxBits = 2048;

    // Zero.
    TPreciseNumber() = default;
    // Exactly value; NaN and infinities are kept as they are.
    explicit TPreciseNumber(double value);

    // A number in decimal notation ("-1.25", "0.000314", "3e-200"), rounded to
    // nearest at a precision that reads every decimal written by ToDecimal
    // back exactly. Empty for anything else.
    static std::optional<TPreciseNumber> FromDecimal(std::string_view text);

    // Rounded to nearest.
    double ToDouble() const;
    // True when the value is a double exactly (then nothing is lost by ToDouble).
    bool IsDouble() const;
    // Bits of the shortest mantissa that holds the value (1 for zero).
    int Bits() const;
    // The exact value in plain decimal notation, no exponent and no trailing
    // zeros after the point: "-1.5", "0.000001", "12".
    std::string ToDecimal() const;
    // Plain decimal notation rounded to nearest at decimals digits after the
    // point (at least 0), trailing zeros dropped: "-1.5" for 3 decimals of -1.5.
    std::string ToDecimal(int decimals) const;

    // The exact sum, unless it needs more than MaxBits bits.
    TPreciseNumber Plus(double value) const;
    // The exact difference, as Plus.
    TPreciseNumber Minus(const TPreciseNumber& other) const;
    // The exact sum, as Plus.
    TPreciseNumber Plus(const TPreciseNumber& other) const;
    // The exact product, unless it needs more than MaxBits bits.
    TPreciseNumber Times(double factor) const;
    // Rounded to nearest (ties to even) to a multiple of 2^exponent.
    TPreciseNumber RoundedToMultipleOfPow2(long exponent) const;

    // Exact comparison; NaN equals nothing.
    friend bool operator==(const TPreciseNumber& a, const TPreciseNumber& b);

    struct TImpl;
    // The value; null for zero.
    const TImpl* Impl() const { return FImpl.get(); }
    explicit TPreciseNumber(std::shared_ptr<const TImpl> impl) : FImpl(std::move(impl)) {}

private:
    std::shared_ptr<const TImpl> FImpl;
};

// A point of the plane with precise coordinates.
struct TPreciseCenter {
    TPreciseNumber X;
    TPreciseNumber Y;

    friend bool operator==(const TPreciseCenter&, const TPreciseCenter&) = default;
};

} // namespace quillon
