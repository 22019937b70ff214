#pragma once
// In-place sorts of double-precision vectors for the eigen-solvers: Singleton's
// quicksort (ACM Algorithm 347) with straight insertion for short segments.
// They allocate nothing: pending segments wait on a fixed stack.

namespace numlib {

// RB receives the N elements of RA ordered by nondecreasing absolute value
// (equal magnitudes in no particular order). RA and RB may be the same array.
// N < 1 is a TERMINAL error, code 1.
void DSVRBN(int n, const double* ra, double* rb);

// RB receives the N elements of RA in nondecreasing order, and IPERM (N
// elements, filled by the caller, usually with 1..N) is rearranged alike, so
// that IPERM(i) tells where RB(i) came from. RA and RB may be the same array.
// N < 1 is a TERMINAL error, code 1.
void DSVRGP(int n, const double* ra, double* rb, int* iperm);

}  // namespace numlib
