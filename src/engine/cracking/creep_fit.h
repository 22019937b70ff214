#pragma once
// The creep-compliance fit of one case: reads the creep table, builds the
// master curve, fits the power law D0 + D1 t^m, a Prony series of Kelvin
// elements with a free dashpot, and the equivalent series of Maxwell elements
// (relaxation times and moduli) that the stress computation uses. The run
// reaches it through CrackingState::fit_prony_creep; it writes its report on
// the fit-report channel, which the run opens.
//
// Inside the fits compliances are scaled by 1e7 and the viscosity and moduli
// by 1e-7.

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/cracking/cracking_state.h"
#include "numlib/algorithms/objective_function.h"
#include "numlib/algorithms/scalar_function.h"
#include "platform/fixed_text.h"

namespace engine {

void fit_prony_creep(CrackingState& state, std::array<double, 5>& creep_power_fit,
                     double& tensile_strength, const platform::FixedText<255>& table_name);

// ---- the fit's steps, each usable on its own ----

// Reads the creep table into fit.creep_test_* and returns its strength. Stops
// the run on a value that is not a positive finite number.
void read_creep_table(CreepFitCommon& fit, double& tensile_strength,
                      const platform::FixedText<255>& table_name);

// Sum over the 30 master-curve points of (D/1e-7 - (x1 + x2 t^x3))^2; N is not
// read.
void prony_objective(const CreepFitCommon& fit, int n, const double* x, double& f);

// The bounded power-law fit D0 + D1 t^m (scaled) of OBJECTIVE from START:
// DBCONF within (0, 0, 0)-(1e5, 1e5, 3), unit scales, at most 10000
// iterations, 10000 evaluations and 40000 gradients. X receives the point and
// FVALUE the objective there; returns LAST_ERROR_CODE.
int fit_power_law(numlib::OBJECTIVE_FUNCTION objective, const double* start, double* x,
                  double& fvalue);

// Fits the Prony series with 4, else 3, else 2 retardation times, the first
// whose coefficients are all >= 0 and whose dashpot term is > 0, into
// prony_term_count, retardation_times and prony_coefficients; reports it.
// Stops the run when none is: a line of words naming `which_case`, then the
// last term that failed and its value as numbers.
void fit_prony_series(CreepFitCommon& fit, std::string_view which_case = {});

// The kept series, scaled: c(1) = D0 1e7, c(j+1) = Dj 1e7, c(n) = eta 1e-7.
struct ScaledProny {
  int n = 0;  // prony_term_count
  std::array<double, 10> c{};
  std::array<double, 10> lambda{};  // retardation times, s
};
ScaledProny scaled_prony(const CreepFitCommon& fit);

// The transformed compliance at -1/x, whose zeros are the relaxation times:
// c1 - x/cn + sum c(j+1) / (1 - lambda_j/x); 1e10 at a retardation time.
double prony_root_function(const ScaledProny& p, double x);

// DZREAL's argument list, so that a test can stand in for a failing one.
using RealZerosRoutine = void (*)(numlib::SCALAR_FUNCTION, double, double, double, double, int,
                                  int, const double*, double*, int*);

// The n - 1 relaxation times, one between each pair of retardation times (and
// below the first) and the last above the largest, into relaxation_times and
// relaxation_term_count.
void find_relaxation_times(CreepFitCommon& fit, const ScaledProny& p,
                           RealZerosRoutine real_zeros = nullptr);

// Rows of the moduli fit: max(K, INT(log10(rho_K/rho_1)/log10(1.5)) + 1).
int relaxation_row_count(int k, double rho_first, double rho_last);

// The relaxation moduli (psi) by bounded least squares on M collocation rows,
// under sum E = 1/c1 and sum rho E = cn, into relaxation_moduli.
void fit_bounded_least_squares(CreepFitCommon& fit, const ScaledProny& p, int m);

}  // namespace engine
