#include "engine/cracking/master_curve.h"

#include <cmath>
#include <complex>
#include <limits>

#include "numlib/algorithms/polynomial_zeros.h"
#include "numlib/algorithms/regression.h"
#include "platform/console.h"
#include "platform/record_io.h"

namespace engine {
namespace {

constexpr int kLevels = 5;
constexpr int kPointsPerCurve = 10;

// log10 D = b0 + b1 u over N points.
CreepCurveFit fit_line(int n, const double* u, const double* y) {
  double b[2] = {0.0, 0.0};
  double sst = 0.0, sse = 0.0;
  numlib::DRLSE(n, y, 1, u, n, 1, b, sst, sse);
  return {b[0], b[1], 0.0};
}

// log10 D = c0 + c1 u + c2 u^2 over N <= 20 points; a parabola that opens
// downwards is replaced by the straight line.
CreepCurveFit fit_quadratic(int n, const double* u, const double* y) {
  std::array<double, 40> x{};
  for (int i = 0; i < n; ++i) {
    x[static_cast<std::size_t>(i)] = u[i];
    x[static_cast<std::size_t>(n + i)] = u[i] * u[i];
  }
  double b[3] = {0.0, 0.0, 0.0};
  double sst = 0.0, sse = 0.0;
  numlib::DRLSE(n, y, 2, x.data(), n, 1, b, sst, sse);
  if (b[2] < 0.0) return fit_line(n, u, y);
  return {b[0], b[1], b[2]};
}

// The log times on both curves of five levels equally spaced in compliance
// between the log compliances FIRST and LAST.
void level_times(double first, double last, const CreepCurveFit& fa, const CreepCurveFit& fb,
                 std::array<double, 5>& ua, std::array<double, 5>& ub) {
  const double d_first = std::pow(10.0, first);
  const double step = (std::pow(10.0, last) - d_first) / (kLevels - 1);
  for (int i = 0; i < kLevels; ++i) {
    const double level = std::log10(d_first + i * step);
    ua[static_cast<std::size_t>(i)] = quadratic_inverse(level, fa);
    ub[static_cast<std::size_t>(i)] = quadratic_inverse(level, fb);
  }
}

// Log time of master-curve point K (0..9) of a curve with span SPAN; a span
// that was never set (0) is the log of curve 1's last loading time.
double point_log_time(int k, double span, const CreepFitCommon& fit) {
  const double l = span > 0.0 ? span : std::log10(fit.creep_test_times[0][6]);
  return k * l / (kPointsPerCurve - 1);
}

}  // namespace

double quadratic_inverse(double y, const CreepCurveFit& c) {
  if (c.c2 < 1e-20 && std::abs(c.c1) > 1e-20) return -(c.c0 - y) / c.c1;
  const double coeff[3] = {c.c0 - y, c.c1, c.c2};
  std::complex<double> roots[2];
  numlib::DZPORC(2, coeff, roots);
  return roots[0].real() > roots[1].real() ? roots[0].real() : roots[1].real();
}

CurveShift grid_shift(const std::array<double, 5>& ua, const std::array<double, 5>& ub) {
  // A misfit that is never below the start (or not a number) leaves no shift:
  // the caller's check of the master curve reports it.
  CurveShift best{std::numeric_limits<double>::quiet_NaN(), 1e12};
  for (int k = 1; k <= 1000; ++k) {
    const double s = -30.5 + k * static_cast<double>(0.05f);
    double q = 0.0;
    for (int i = 0; i < kLevels; ++i) {
      const double r = ua[static_cast<std::size_t>(i)] - (s + ub[static_cast<std::size_t>(i)]);
      q += r * r;
    }
    if (q < best.misfit) best = {s, q};
  }
  return best;
}

CurveShift fit_creep_polynomial(const LogCreepCurve& a, const LogCreepCurve& b,
                                const CreepCurveFit& fa, const CreepCurveFit& fb, double& span_a,
                                double& span_b) {
  // The compliance range both curves cover, in log10 D.
  double first = 0.0, last = 0.0;
  const bool above_at_first = b.y[0] > a.y[0];
  const bool above_at_last = b.y[6] > a.y[6];
  if (above_at_first && above_at_last) {
    first = fb(b.u[0]);
    const double u_star = quadratic_inverse(first, fa);
    if (a.u[6] - u_star >= 1.0) {
      last = fa(a.u[6]);
    } else {
      last = fa(u_star + 1.0);
      span_a = u_star + 1.0;
    }
  } else if (above_at_first) {
    first = fb(b.u[0]);
    last = fb(b.u[6]);
  } else if (above_at_last) {
    first = fa(a.u[0]);
    last = fa(a.u[6]);
  } else {
    first = fa(a.u[0]);
    if (fb(b.u[6]) > fa(a.u[0] + 1.0)) {
      last = fb(b.u[6]);
    } else {
      last = fa(a.u[0] + 1.0);
      span_b = a.u[0] + 1.0;
    }
  }
  std::array<double, 5> ua{}, ub{};
  level_times(first, last, fa, fb, ua, ub);
  return grid_shift(ua, ub);
}

void smooth_creep_curve(CreepFitCommon& fit, const std::array<LogCreepCurve, 3>& curves) {
  CreepFitWork& w = fit.work;
  const CurveShift direct =
      fit_creep_polynomial(curves[0], curves[2], w.curves[0], w.curves[2], w.spans[3], w.spans[4]);
  if (!(direct.misfit < w.misfits[0] && direct.misfit < w.misfits[1])) return;
  fit.master_curve_shifts[1] = direct.shift;
  w.spans[0] = w.spans[3];
  w.spans[2] = w.spans[4];

  // One curve through the points of curve 1 and of curve 3 shifted by the
  // direct shift; curve 2 is then shifted onto it.
  std::array<double, 2 * kPointsPerCurve> u{}, y{};
  for (int k = 0; k < kPointsPerCurve; ++k) {
    const double u1 = point_log_time(k, w.spans[0], fit);
    const double u3 = point_log_time(k, w.spans[2], fit);
    u[static_cast<std::size_t>(k)] = u1;
    y[static_cast<std::size_t>(k)] = w.curves[0](u1);
    u[static_cast<std::size_t>(kPointsPerCurve + k)] = u3 + direct.shift;
    y[static_cast<std::size_t>(kPointsPerCurve + k)] = w.curves[2](u3);
  }
  const CreepCurveFit combined = fit_quadratic(2 * kPointsPerCurve, u.data(), y.data());
  std::array<double, 5> ua{}, ub{};
  level_times(w.curves[1](0.0), w.curves[1](2.0), combined, w.curves[1], ua, ub);
  fit.master_curve_shifts[0] = grid_shift(ua, ub).shift;
}

void check_creep_curves(CreepFitCommon& fit) {
  CreepFitWork& w = fit.work;
  w.spans = {};
  std::array<LogCreepCurve, 3> curves{};
  for (std::size_t j = 0; j < 3; ++j) {
    LogCreepCurve& c = curves[j];
    for (std::size_t i = 0; i < 7; ++i) {
      c.u[i] = std::log10(fit.creep_test_times[j][i]);
      c.y[i] = std::log10(fit.creep_test_compliances[j][i]);
    }
    const CreepCurveFit line = fit_line(7, c.u.data(), c.y.data());
    if (line.c1 < 0.0) {
      platform::console_line(platform::format_list(
          " Creep curve #", static_cast<std::int32_t>(j + 1), " decreases,  negative m "));
      platform::console_line(platform::format_list(" Check your test results"));
      platform::console_pause();
    }
    w.curves[j] = fit_quadratic(7, c.u.data(), c.y.data());
  }

  const CurveShift s21 =
      fit_creep_polynomial(curves[0], curves[1], w.curves[0], w.curves[1], w.spans[0], w.spans[1]);
  const CurveShift s32 =
      fit_creep_polynomial(curves[1], curves[2], w.curves[1], w.curves[2], w.spans[1], w.spans[2]);
  fit.master_curve_shifts = {s21.shift, s32.shift + s21.shift};
  w.misfits = {s21.misfit, s32.misfit};
  const double limit = static_cast<double>(0.1f);
  if (s21.misfit > limit && s32.misfit > limit) smooth_creep_curve(fit, curves);

  for (std::size_t j = 0; j < 3; ++j) {
    const double shift = j == 0 ? 0.0 : fit.master_curve_shifts[j - 1];
    for (int k = 0; k < kPointsPerCurve; ++k) {
      const double u = point_log_time(k, w.spans[j], fit);
      const std::size_t p = j * kPointsPerCurve + static_cast<std::size_t>(k);
      fit.master_curve_times[p] = std::pow(10.0, u + shift);
      fit.master_curve_compliances[p] = std::pow(10.0, w.curves[j](u));
    }
  }
}

}  // namespace engine
