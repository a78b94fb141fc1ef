#pragma once
// The MPFR side of TPreciseNumber, for the engine's own high-precision code.
#include "PreciseNumber.h"

#include <mpfr.h>

namespace quillon {

struct TPreciseNumber::TImpl {
    mpfr_t Value;

    explicit TImpl(mpfr_prec_t bits) { mpfr_init2(Value, bits); }
    ~TImpl() { mpfr_clear(Value); }
    TImpl(const TImpl&) = delete;
    TImpl& operator=(const TImpl&) = delete;
};

// The value of number at its own precision; ToMpfr sets target (whose precision
// is kept) rounded to nearest.
void ToMpfr(const TPreciseNumber& number, mpfr_t target);
// A number with value's value, trimmed to the shortest mantissa that holds it
// exactly; rounded to nearest only beyond TPreciseNumber::MaxBits bits.
TPreciseNumber FromMpfr(const mpfr_t value);

} // namespace quillon
