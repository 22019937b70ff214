#pragma once
// The creep fit's own derivative-free optimiser: a pattern search (exploratory
// moves of +-h, pattern moves, a step shrunk by 3/10 down to 1e-7) among points
// whose variables are all non-negative, which follows the boundary when a move
// runs into it. It finds a start for the bounded quasi-Newton fit, and a
// fallback when that fit's exponent comes out too small.

#include "numlib/algorithms/objective_function.h"

namespace engine {

inline constexpr int kSearchMaxVariables = 8;
inline constexpr double kNoFeasibleValue = 1e10;

// Minimises F over variables FIRST..N (counted from 1; the others are held) of
// X, from X; returns the best point in X and F there in FVALUE. A start that no
// single step of at most 0.2 makes feasible ends with three console lines, X
// unchanged and FVALUE = 1e10.
void constrained_search(numlib::OBJECTIVE_FUNCTION f, double* x, double& fvalue, int n,
                        int first);

}  // namespace engine
