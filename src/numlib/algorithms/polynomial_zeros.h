#pragma once
// Zeros of real polynomials: all zeros of a polynomial of degree 1 to 100
// (DZPORC, Jenkins and Traub's three-stage method for real coefficients) and a
// careful quadratic (DZ3LRC).

#include <complex>

namespace numlib {

// All NDEG zeros of COEFF(1) + COEFF(2) z + ... + COEFF(NDEG+1) z^NDEG into
// ROOT(1..NDEG). COEFF is not changed.
//   - Degree 2 with a non-zero leading coefficient: DZ3LRC, ROOT(1) the zero of
//     smaller magnitude; a complex pair has the positive imaginary part in ROOT(2).
//   - Zero leading coefficients: (+infinity, 0) in the last places, WARNING 1.
//   - Zero constant terms: (0, 0) in the first places.
//   - No convergence after 20 shifts: the zeros not found are (+infinity, 0),
//     WARNING 2.
//   - Degree 3 and up: every zero is checked on the given polynomial; one whose
//     residual is beyond what rounding explains gets a few Newton steps, and
//     when it still fails (or lands on another zero) it counts as not found:
//     the zeros kept stay in order at the front, WARNING 2.
//   - NDEG outside 1..100: TERMINAL 1.
void DZPORC(int ndeg, const double* coeff, std::complex<double>* root);

// Zeros of A z^2 + B z + C: ZSM the smaller in magnitude, ZLG the larger,
// without overflow or harmful cancellation. A = 0 (WARNING 1): ZLG = (+inf, 0)
// and ZSM = -C/B, or -ZLG when B = 0 too.
void DZ3LRC(double a, double b, double c, std::complex<double>& zsm, std::complex<double>& zlg);

// Zeros of A z^2 + B z + C for the iteration of DZPORC: FIRST is the smaller
// real zero, or the one of a complex pair with the positive imaginary part.
void QUADRATIC_ROOTS(double a, double b, double c, std::complex<double>& first,
                     std::complex<double>& second);

// VECTOR(i) = VALUE for i = 1..N, every INCREMENT-th element; nothing for
// N < 1 or INCREMENT <= 0.
void COMPLEX_VECTOR_SET(int n, std::complex<double> value, std::complex<double>* vector,
                        int increment);

// Test seam: DZPORC with another limit on the shifts tried per zero (20).
void DZPORC_WITH_SHIFT_LIMIT(int ndeg, const double* coeff, std::complex<double>* root,
                             int shift_limit);

}  // namespace numlib
