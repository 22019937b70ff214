#pragma once
// Zeros of a function of one variable: one zero inside a bracket (DZBREN) and
// several real zeros from initial guesses (DZREAL). Every call of F is made on
// a copy of the point, between E1USR("ON") and E1USR("OFF").

#include "numlib/algorithms/scalar_function.h"

namespace numlib {

// A zero of F between A and B, where F(A) and F(B) differ in sign (or one is
// 0), by bisection, secant and inverse quadratic interpolation. Stops when
// |F(B)| <= ERRABS or the bracket is no wider than ERRREL*max(|B|, 0.1).
//   A      in: one end; out: the other end of the final bracket.
//   B      in: the other end; out: the best estimate of the zero.
//   MAXFN  in: the limit on evaluations of F; out: the evaluations made.
// Errors: TERMINAL 1 when F(A) and F(B) have the same sign (A and B unchanged,
// MAXFN = 2); FATAL 1 when the limit is reached (A, B and MAXFN as on success).
void DZBREN(SCALAR_FUNCTION f, double errabs, double errrel, double& a, double& b, int& maxfn);

// NROOT real zeros of F, one after another, by Muller's method on F divided by
// (x - zero) for the zeros already found. GUESSES(k) starts zero k; X(k) is the
// zero and COUNTS(k) the iteration that accepted it, or ITMAX + 1 (with one
// WARNING 1) when none did. A trial point within SEPARATION of a found zero is
// moved by PERTURBATION. Accepted when |F| and the deflated value are below
// ERRABS, or when the step is below ERRREL times the point.
void DZREAL(SCALAR_FUNCTION f, double errabs, double errrel, double separation,
            double perturbation, int nroot, int itmax, const double* guesses, double* x,
            int* counts);

}  // namespace numlib
