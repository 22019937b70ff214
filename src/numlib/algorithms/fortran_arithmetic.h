#pragma once
// Small arithmetic helpers with the library's Fortran meaning.

#include <cmath>

namespace numlib {

// |a| with the sign of b; b = -0.0 counts as not negative (unlike copysign).
inline double fortran_sign(double a, double b) { return b >= 0.0 ? std::abs(a) : -std::abs(a); }

// Both non-zero and on the same side of 0: a bracket's ends that hold no zero
// between them. Compares signs, so values whose product underflows still count.
inline bool same_sign(double a, double b) {
  return a != 0.0 && b != 0.0 && (a > 0.0) == (b > 0.0);
}

}  // namespace numlib
