#pragma once
#include <cstdint>

namespace quillon {

// Vector operations on doubles that one core starts per second (each on Lanes
// doubles), with the instruction set the vectorised kernel is dispatched to.
struct TPipeRates {
    int Lanes = 0;
    double MulPerSecond = 0;
    double AddPerSecond = 0;
    double HalfHalfPerSecond = 0; // as many multiplications as additions
    double ClockHz = 0;            // core clock while these vectors are busy; 0 if unknown
};

// Runs each probe (best of three) for rounds x 12 vector operations; seed should
// not be known to the compiler (it keeps the chains from being folded).
TPipeRates ProbeFpPipes(std::int64_t rounds, double seed);

} // namespace quillon
