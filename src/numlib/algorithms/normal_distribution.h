#pragma once
// The standard normal distribution function and the complementary error
// function, by Chebyshev series.

namespace numlib {

// P(Z <= X) for a standard normal Z. The underflow of erfc for large -X is
// cleared, so DNORDF(-40) is 0 without an error.
double DNORDF(double x);

// erfc(X). Exactly 2 at and below -6.0136873569177505; 0 with ALERT 1 above
// 26.533299685083566.
double DERFC(double x);

// Number of terms of the Chebyshev series OS(1..NOS) needed for accuracy ETA:
// the index at which the magnitudes, summed from the last term backwards in
// single precision, first exceed ETA. TERMINAL 5 (NOS < 1) or 6 (the whole
// series is needed) give 0.
int INITDS(const double* os, int nos, float eta);

// Sum'(i = 1..N) CS(i)*T(i-1)(X), the first term halved. TERMINAL 5 (N < 1) or
// 6 (N > 1000) give NaN; |X| > 1.1 gives WARNING 7 and is still evaluated.
double DCSEVL(double x, const double* cs, int n);

}  // namespace numlib
