#include "engine/cracking/creep_fit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>
#include <string>

#include "engine/common/finite_input.h"
#include "engine/cracking/constrained_search.h"
#include "engine/cracking/cracking_channels.h"
#include "engine/cracking/creep_table.h"
#include "engine/cracking/master_curve.h"
#include "numlib/algorithms/bounded_minimiser.h"
#include "numlib/algorithms/constrained_lsq.h"
#include "numlib/algorithms/function_zeros.h"
#include "numlib/algorithms/regression.h"
#include "numlib/support/errors.h"
#include "numlib/support/option_managers.h"
#include "platform/console.h"
#include "platform/record_io.h"
#include "platform/stop.h"
#include "platform/units.h"

namespace engine {
namespace {

constexpr std::array<double, 3> kTestTemperatures = {-4.0, 14.0, 32.0};

// Records of numbers alone: E14.5, ten to a line.
const platform::Format& number_layout() {
  static const platform::Format layout("(10E14.5)");
  return layout;
}
void report_numbers(std::span<const double> values) {
  platform::write_fixed(kFitReportUnit, number_layout(), values);
}
void console_numbers(std::span<const double> values) {
  platform::console_line(platform::format_fixed(number_layout(), values));
}

bool opposite_signs(double a, double b) { return (a < 0.0 && b > 0.0) || (a > 0.0 && b < 0.0); }

[[noreturn]] void stop_on_table(const platform::FixedText<255>& table_name,
                                std::string_view problem) {
  platform::stop_run(platform::kStopDecided, "Creep table \"" + std::string(table_name.trimmed()) +
                                                 "\": " + std::string(problem));
}

bool all_finite(std::span<const double> values) {
  return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// The zero between retardation times lambda(j-1) and lambda(j) (lambda(0) = 0):
// a bracket walked outwards from the middle, kept inside the open interval so
// that the root finder never meets the poles at its ends.
double relaxation_time_below(const ScaledProny& p, int j, numlib::SCALAR_FUNCTION f,
                             bool& missed) {
  const double left = j == 1 ? 0.0 : p.lambda[static_cast<std::size_t>(j - 2)];
  const double right = p.lambda[static_cast<std::size_t>(j - 1)];
  const double lo = j == 1 ? right * 1e-12 : left * (1.0 + 1e-12);
  const double hi = right * (1.0 - 1e-12);
  const double mid = (left + right) / 2.0;
  const double h = std::min((right - left) / 40.0, 0.2);
  double a = std::max(mid - static_cast<double>(0.1f), lo);
  double b = std::min(mid + static_cast<double>(0.1f), hi);
  double fa = f(a), fb = f(b);
  bool found = opposite_signs(fa, fb);
  for (long step = 0; !found && step < 20000000; ++step) {
    if (a > lo) {
      a = std::max(a - h, lo);
      fa = f(a);
      if ((found = opposite_signs(fa, fb))) break;
    }
    if (b < hi) {
      b = std::min(b + h, hi);
      fb = f(b);
      if ((found = opposite_signs(fa, fb))) break;
    }
    if (a <= lo && b >= hi) break;
  }
  if (!found) {
    const std::string record = platform::format_list(j, "   no solution", a, b);
    if (j == 1)
      platform::write_record(kFitReportUnit, record);
    else
      platform::console_line(record);
    a = lo;
    b = hi;
    missed = true;
  }
  int count = 10000;
  numlib::DZBREN(f, 1e-10, 1e-6, a, b, count);
  const int code = numlib::LAST_ERROR_CODE();
  if (code != 0) {
    platform::write_list(kFitReportUnit, " 1 dzbren icode=", code, count);
    platform::write_list(kFitReportUnit, "****", right);
    platform::console_pause();
  }
  return b;
}

// The zero above the largest retardation time, where the function falls from
// +infinity to -infinity: a walk of 0.5 s steps, else DZREAL, else a bracket
// doubled until the sign changes.
double last_relaxation_time(const ScaledProny& p, numlib::SCALAR_FUNCTION f,
                            RealZerosRoutine real_zeros) {
  const double a = p.lambda[static_cast<std::size_t>(p.n - 3)];
  const double fa = f(a);
  double b = a;
  for (int step = 0; step < 100000; ++step) {
    b += 0.5;
    if (!opposite_signs(fa, f(b))) continue;
    double lower = a;
    int count = 10000;
    numlib::DZBREN(f, 1e-10, 1e-6, lower, b, count);
    const int code = numlib::LAST_ERROR_CODE();
    if (code != 0) platform::write_list(kFitReportUnit, " 2 dzbren icode=", code);
    return b;
  }
  const double guess = 4.0 * a;
  double x = 0.0;
  int count = 0;
  real_zeros(f, 1e-4, 1e-6, 1.0, 2.0, 1, 10000, &guess, &x, &count);
  if (count < 10000) return x;
  platform::console_line(platform::format_list(count));
  platform::console_pause();
  // The function ends below zero, so doubling the bracket finds the change.
  b = a;
  for (int i = 1; i <= 1022 && !opposite_signs(fa, f(b)); ++i) b = a + std::ldexp(0.5, i);
  double lower = a;
  int evaluations = 10000;
  numlib::DZBREN(f, 1e-10, 1e-6, lower, b, evaluations);
  return b;
}

}  // namespace

void read_creep_table(CreepFitCommon& fit, double& tensile_strength,
                      const platform::FixedText<255>& table_name) {
  constexpr int unit = kCreepTableUnit;
  platform::open_unit(unit, table_name.trimmed(), platform::OpenStatus::Old);
  platform::read_list(unit, fit.creep_test_temperatures);
  require_finite(unit, fit.creep_test_temperatures);
  bool usual = true;
  for (std::size_t j = 0; j < 3; ++j) {
    usual = usual && std::abs(fit.creep_test_temperatures[j] - kTestTemperatures[j]) <= 0.001;
    for (std::size_t i = 0; i < 7; ++i) {
      double& t = fit.creep_test_times[j][i];
      double& d = fit.creep_test_compliances[j][i];
      platform::read_list(unit, t, d);
      const std::array<double, 2> pair{t, d};
      require_finite(unit, pair);
      if (!(t > 0.0 && d > 0.0))
        refuse_input_line(unit, platform::unit_line(unit),
                          "loading time and creep compliance must be positive");
      usual = usual && std::abs(t - kCreepLoadingTimes[i]) <= 0.001;
    }
  }
  platform::read_list(unit, tensile_strength);
  require_finite(unit, {&tensile_strength, 1});
  // Any stress breaks a layer of no strength at once, and the crack growth
  // then counts no growth step: the run would report no cracking at all.
  if (!(tensile_strength > 0.0))
    refuse_input_line(unit, platform::unit_line(unit), "the tensile strength must be positive");
  platform::close_unit(unit);
  if (!usual)
    platform::console_line(
        " Creep table is not at -4, 14, 32 F and 1 to 100 s: check your test data");
}

void prony_objective(const CreepFitCommon& fit, int /*n*/, const double* x, double& f) {
  double sum = 0.0;
  for (std::size_t k = 0; k < 30; ++k) {
    const double r = fit.master_curve_compliances[k] / 1e-7 -
                     (x[0] + x[1] * std::pow(fit.master_curve_times[k], x[2]));
    sum += r * r;
  }
  f = sum;
}

int fit_power_law(numlib::OBJECTIVE_FUNCTION objective, const double* start, double* x,
                  double& fvalue) {
  // DBCONF overwrites its settings, so they are made afresh for every fit.
  std::array<int, 7> iparam{};
  std::array<double, 7> rparam{};
  numlib::OPTIMIZER_DEFAULTS(iparam.data(), rparam.data());
  iparam[2] = 10000;
  iparam[3] = 10000;
  iparam[4] = 40000;
  std::array<double, 3> lower{0.0, 0.0, 0.0}, upper{100000.0, 100000.0, 3.0};
  std::array<double, 3> xscale{1.0, 1.0, 1.0};
  double fscale = 1.0;
  numlib::DBCONF(objective, 3, start, 0, lower.data(), upper.data(), xscale.data(), fscale,
                 iparam.data(), rparam.data(), x, fvalue);
  return numlib::LAST_ERROR_CODE();
}

void fit_prony_series(CreepFitCommon& fit, std::string_view which_case) {
  constexpr int rows = 30;
  std::array<double, rows> y{};
  for (std::size_t i = 0; i < rows; ++i) y[i] = fit.master_curve_compliances[i] * 1e7;
  std::array<double, rows * 5> x{};
  std::array<double, 6> b{};
  std::array<double, 4> lambda{};
  const double shift = fit.master_curve_shifts[1] + 2.0;
  int bad = 0;
  double bad_value = 0.0;
  for (int k = 4; k >= 2; --k) {
    const double s = k == 4 ? shift / 5.0 : k == 3 ? shift * 0.25 : shift / 3.0;
    for (int j = 1; j <= k; ++j) {
      const double l = std::pow(10.0, j * s);
      lambda[static_cast<std::size_t>(j - 1)] = l;
      for (std::size_t i = 0; i < rows; ++i)
        x[static_cast<std::size_t>(j - 1) * rows + i] = 1.0 - std::exp(-fit.master_curve_times[i] / l);
    }
    for (std::size_t i = 0; i < rows; ++i)
      x[static_cast<std::size_t>(k) * rows + i] = fit.master_curve_times[i];
    b.fill(0.0);
    double sst = 0.0, sse = 0.0;
    numlib::DRLSE(rows, y.data(), k + 1, x.data(), rows, 1, b.data(), sst, sse);

    // A dashpot coefficient of zero would give an infinite viscosity.
    bad = 0;
    for (int p = 1; p <= k + 2 && bad == 0; ++p) {
      const double v = b[static_cast<std::size_t>(p - 1)];
      if (v < 0.0 || (p == k + 2 && !(v > 0.0))) {
        bad = p;
        bad_value = v;
      }
    }
    if (bad != 0) continue;

    fit.prony_term_count = k + 2;
    fit.retardation_times.fill(0.0);
    fit.prony_coefficients.fill(0.0);
    for (std::size_t j = 0; j < static_cast<std::size_t>(k); ++j) fit.retardation_times[j] = lambda[j];
    for (std::size_t p = 0; p <= static_cast<std::size_t>(k); ++p)
      fit.prony_coefficients[p] = b[p] * 1e-7;
    fit.prony_coefficients[static_cast<std::size_t>(k + 1)] = 1e7 / b[static_cast<std::size_t>(k + 1)];
    platform::write_list(kFitReportUnit,
                         " prony creep " + std::to_string(k + 2) + " variables");
    report_numbers(std::span<const double>(fit.retardation_times.data(), static_cast<std::size_t>(k)));
    report_numbers(
        std::span<const double>(fit.prony_coefficients.data(), static_cast<std::size_t>(k + 2)));
    return;
  }
  // The bare line stays last: a calling package may read it.
  platform::console_line(
      " The Prony-series fit of the creep compliance failed" +
      (which_case.empty() ? std::string() : " for " + std::string(which_case)) +
      ": with 4, 3 and 2 retardation times a coefficient comes out negative (term " +
      std::to_string(bad) + " last), so the mixture's creep data cannot be represented");
  platform::stop_run(platform::kStopDecided, platform::format_list(bad, bad_value));
}

ScaledProny scaled_prony(const CreepFitCommon& fit) {
  ScaledProny p;
  p.n = fit.prony_term_count;
  const std::size_t n = static_cast<std::size_t>(p.n);
  for (std::size_t j = 0; j + 1 < n; ++j) p.c[j] = fit.prony_coefficients[j] * 1e7;
  p.c[n - 1] = fit.prony_coefficients[n - 1] * 1e-7;
  for (std::size_t j = 0; j + 2 < n; ++j) p.lambda[j] = fit.retardation_times[j];
  return p;
}

double prony_root_function(const ScaledProny& p, double x) {
  const std::size_t n = static_cast<std::size_t>(p.n);
  double f = p.c[0] - x / p.c[n - 1];
  for (std::size_t j = 0; j + 2 < n; ++j) {
    const double d = 1.0 - p.lambda[j] / x;
    if (std::abs(d) < 1e-50) return 1e10;
    f += p.c[j + 1] / d;
  }
  return f;
}

void find_relaxation_times(CreepFitCommon& fit, const ScaledProny& p,
                           RealZerosRoutine real_zeros) {
  const auto function = [&p](double x) { return prony_root_function(p, x); };
  const numlib::SCALAR_FUNCTION f(function);
  const int k = p.n - 1;
  bool missed = false;
  for (int j = 1; j <= p.n - 2; ++j)
    fit.relaxation_times[static_cast<std::size_t>(j - 1)] = relaxation_time_below(p, j, f, missed);
  fit.relaxation_times[static_cast<std::size_t>(k - 1)] =
      last_relaxation_time(p, f, real_zeros != nullptr ? real_zeros : &numlib::DZREAL);
  fit.relaxation_term_count = k;
  if (missed) {
    platform::console_line(platform::format_list(p.n, k));
    console_numbers(std::span<const double>(p.lambda.data(), static_cast<std::size_t>(p.n - 2)));
    console_numbers(std::span<const double>(fit.relaxation_times.data(), static_cast<std::size_t>(k)));
    platform::console_pause();
  }
}

int relaxation_row_count(int k, double rho_first, double rho_last) {
  const double q = std::log10(rho_last / rho_first) / static_cast<double>(0.17609126f);
  // Only a broken series gives a quotient beyond a few thousand.
  if (!(std::abs(q) < 1e4)) return k;
  return std::max(k, static_cast<int>(q) + 1);
}

void fit_bounded_least_squares(CreepFitCommon& fit, const ScaledProny& p, int m) {
  const int k = fit.relaxation_term_count;
  const std::size_t rows = static_cast<std::size_t>(m), cols = static_cast<std::size_t>(k);
  const double glassy = 1.0 / p.c[0];
  const double viscosity = p.c[static_cast<std::size_t>(p.n - 1)];
  // A (M by K), then b and the residuals; the work grows only when a case needs more.
  std::vector<double>& work = fit.work.lsq_matrix;
  if (work.size() < rows * (cols + 2)) work.resize(rows * (cols + 2));
  double* a = work.data();
  double* b = a + rows * cols;
  double* residuals = b + rows;

  const int option = 14;
  int limit = 1000;
  numlib::IUMAG("math", 1, 2, 1, &option, &limit);
  double t = fit.relaxation_times[0];
  for (std::size_t i = 0; i < rows; ++i) {
    double z = p.c[0] + t / viscosity;
    for (std::size_t j = 0; j + 2 < static_cast<std::size_t>(p.n); ++j)
      z += p.c[j + 1] / (p.lambda[j] / t + 1.0);
    b[i] = 1.0 / z;
    for (std::size_t j = 0; j < cols; ++j) {
      const double r = fit.relaxation_times[j] / t;
      a[i + j * rows] = r / (r + 1.0);
    }
    t *= 1.5;
  }
  // The glassy modulus and the viscosity: sum E = 1/c1, sum rho E = cn.
  std::array<double, 20> c{};
  std::array<double, 10> lower{}, upper{}, e{};
  for (std::size_t j = 0; j < cols; ++j) {
    c[2 * j] = 1.0;
    c[2 * j + 1] = fit.relaxation_times[j];
    lower[j] = 1e-5;
    upper[j] = glassy;
  }
  const std::array<double, 2> limits{glassy, viscosity};
  const std::array<int, 2> types{0, 0};
  numlib::DLCLSQ(m, k, 2, a, m, b, c.data(), 2, limits.data(), limits.data(), types.data(),
                 lower.data(), upper.data(), e.data(), residuals);
  const int code = numlib::LAST_ERROR_CODE();
  if (code != 0) {
    const std::string record =
        platform::format_list("  dlclsq icode=", code, std::span<const double>(residuals, rows));
    platform::write_record(kFitReportUnit, record);
    platform::console_line(record);
  }
  // Data the solver refuses (a terminal error: a glassy bound that is not finite) leaves no
  // moduli: mark them as not numbers, so that the fit stops on its table as it does for any
  // other value that is not a number.
  if (numlib::N1RTY(1) == 5) e.fill(std::numeric_limits<double>::quiet_NaN());
  for (std::size_t j = 0; j < cols; ++j) fit.relaxation_moduli[j] = e[j] * 1e7;
}

void fit_prony_creep(CrackingState& state, std::array<double, 5>& creep_power_fit,
                     double& tensile_strength, const platform::FixedText<255>& table_name) {
  CreepFitCommon& fit = state.creep_fit_common;
  numlib::ERSET(0, 0, 0);
  read_creep_table(fit, tensile_strength, table_name);
  check_creep_curves(fit);
  if (!all_finite(fit.master_curve_times) || !all_finite(fit.master_curve_compliances) ||
      !all_finite(fit.master_curve_shifts))
    stop_on_table(table_name,
                  "its creep curves give no master curve (a flat curve, or curves too far "
                  "apart); check your test data");

  const auto objective = [&fit](int n, const double* x, double& f) {
    prony_objective(fit, n, x, f);
  };
  auto& point = fit.work.search_point;
  point = {1.0, 1.0, 0.5, 0.0, 0.0, 0.0, 0.0, 0.0};
  double search_value = 0.0;
  constrained_search(objective, point.data(), search_value, 3, 1);

  double fvalue = 0.0;
  const int code = fit_power_law(objective, point.data(), creep_power_fit.data(), fvalue);
  if (code != 0) platform::write_list(kFitReportUnit, "  dbconf icode=", code, fvalue);
  if (creep_power_fit[2] < static_cast<double>(0.2f)) {
    std::copy_n(point.begin(), 5, creep_power_fit.begin());
  } else {
    creep_power_fit[3] = 0.0;
    creep_power_fit[4] = 0.0;
  }
  creep_power_fit[0] *= 1e-7;
  creep_power_fit[1] *= 1e-7;
  creep_power_fit[3] *= 0.0001;
  creep_power_fit[4] *= 0.01;

  platform::write_list(kFitReportUnit, " final dod1 xsol2", fit.master_curve_shifts);
  report_numbers(creep_power_fit);
  report_numbers({&tensile_strength, 1});

  fit_prony_series(fit, "case " + std::to_string(state.run_block.case_number) + " (creep table \"" +
                            table_name.str() + "\")");
  const ScaledProny p = scaled_prony(fit);
  find_relaxation_times(fit, p);
  const int k = fit.relaxation_term_count;
  const int rows = relaxation_row_count(k, fit.relaxation_times[0],
                                        fit.relaxation_times[static_cast<std::size_t>(k - 1)]);
  fit_bounded_least_squares(fit, p, rows);
  const std::span<const double> times(fit.relaxation_times.data(), static_cast<std::size_t>(k));
  const std::span<const double> moduli(fit.relaxation_moduli.data(), static_cast<std::size_t>(k));
  report_numbers(times);
  report_numbers(moduli);
  if (!all_finite(times) || !all_finite(moduli) || !all_finite(creep_power_fit))
    stop_on_table(table_name, "the creep fit gives values that are not numbers; check your test data");
}

}  // namespace engine
