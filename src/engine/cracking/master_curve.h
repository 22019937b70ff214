#pragma once
// The creep master curve of one case: each of the three creep curves (seven
// loading times at -4, 14 and 32 deg F) is fitted with a quadratic in log-log
// form, the warmer curves are shifted in log time onto the colder ones by a grid
// search, and 30 points of the shifted fits make the master curve.

#include <array>

#include "engine/cracking/cracking_state.h"

namespace engine {

// One creep curve in logs: u = log10 t and y = log10 D of its seven points.
struct LogCreepCurve {
  std::array<double, 7> u{};
  std::array<double, 7> y{};
};

struct CurveShift {
  double shift = 0.0;   // log10 of the time shift of curve B onto curve A
  double misfit = 0.0;  // the least sum of squares of the grid search
};

// The log time u at which the fitted curve reaches the level y. A parabola that
// never reaches y gives its vertex.
double quadratic_inverse(double y, const CreepCurveFit& curve);

// The shift of the warmer curve B onto the colder curve A, compared over a
// compliance range that depends on how the curves lie (the range can change
// span_a or span_b, the log-time spans of their master-curve points).
CurveShift fit_creep_polynomial(const LogCreepCurve& a, const LogCreepCurve& b,
                                const CreepCurveFit& fa, const CreepCurveFit& fb, double& span_a,
                                double& span_b);

// The grid search over shifts -30.45 to 19.5 in steps of 0.05 (single): the
// first shift with the least sum of (ua - (s + ub))^2 over the five levels.
CurveShift grid_shift(const std::array<double, 5>& ua, const std::array<double, 5>& ub);

// Checks and fits the three curves of fit.creep_test_*, and builds
// master_curve_times, master_curve_compliances and master_curve_shifts. A curve
// that does not rise with time is warned about on the console, with a pause.
void check_creep_curves(CreepFitCommon& fit);

// The second estimate when both shifts fit badly: curve 3 directly on curve 1,
// and curve 2 on the combined curve of both; kept only when it fits better.
void smooth_creep_curve(CreepFitCommon& fit, const std::array<LogCreepCurve, 3>& curves);

}  // namespace engine
