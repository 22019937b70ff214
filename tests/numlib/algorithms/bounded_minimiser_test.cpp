#include "numlib/algorithms/bounded_minimiser.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "algorithm_fixture.h"
#include "creep_curve_data.h"

namespace numlib::testing {
namespace {

class BoundedMinimiserTest : public AlgorithmTest {};

constexpr double kBig = 1e20;

using Objective = std::function<double(const std::vector<double>&)>;
using SettingsChange = std::function<void(int*, double*)>;

struct Problem {
  Objective f;
  std::vector<double> start, lower, upper;
  std::vector<double> xscale{};  // empty: all 1
  double fscale = 1.0;
  SettingsChange setup{};  // changes the settings of OPTIMIZER_DEFAULTS
  int ibtype = 0;
};

struct Result {
  std::vector<double> x, lower, upper;
  double f = 0.0;
  std::array<int, 7> iparam{};
  std::vector<std::vector<double>> points;  // every point the objective saw
  int code = 0;                             // LAST_ERROR_CODE afterwards
};

Result minimise(const Problem& problem) {
  Result run;
  const int n = static_cast<int>(problem.start.size());
  run.lower = problem.lower;
  run.upper = problem.upper;
  std::vector<double> xscale = problem.xscale;
  if (xscale.empty()) xscale.assign(n, 1.0);
  double fscale = problem.fscale;
  std::array<double, 7> rparam{};
  run.x.assign(n, 0.0);
  OPTIMIZER_DEFAULTS(run.iparam.data(), rparam.data());
  if (problem.setup) problem.setup(run.iparam.data(), rparam.data());
  auto objective = [&](int count, const double* x, double& f) {
    run.points.emplace_back(x, x + count);
    f = problem.f(run.points.back());
  };
  DBCONF(objective, n, problem.start.data(), problem.ibtype, run.lower.data(), run.upper.data(),
         xscale.data(), fscale, run.iparam.data(), rparam.data(), run.x.data(), run.f);
  run.code = LAST_ERROR_CODE();
  return run;
}

void engine_limits(int* iparam, double*) {
  iparam[2] = 10000;
  iparam[3] = 10000;
  iparam[4] = 40000;
}

double rosenbrock(const std::vector<double>& x) {
  return 100.0 * std::pow(x[1] - x[0] * x[0], 2) + std::pow(1.0 - x[0], 2);
}

double beale(const std::vector<double>& x) {
  const double a = x[0], b = x[1];
  return std::pow(1.5 - a + a * b, 2) + std::pow(2.25 - a + a * b * b, 2) +
         std::pow(2.625 - a + a * b * b * b, 2);
}

// ---- settings ----

TEST_F(BoundedMinimiserTest, Settings) {
  std::array<int, 7> iparam{};
  std::array<double, 7> rparam{};
  OPTIMIZER_DEFAULTS(iparam.data(), rparam.data());
  EXPECT_EQ(iparam, (std::array<int, 7>{1, 15, 100, 400, 400, 0, 100}));
  EXPECT_EQ(rparam, (std::array<double, 7>{6.055454452393343e-06, 3.666852862501036e-11,
                                           3.666852862501036e-11, 1e-20, 2.220446049250313e-14,
                                           -9999.0, -9999.0}));

  // Each repair of DU5INF: its global WARNING, the values the message shows,
  // the value used. The start point is (3, 4).
  ERSET(0, 0, 0);
  enum Kind { kXscale, kFscale, kInteger, kReal };
  struct Row {
    Kind kind;
    int position;  // from 0
    double given;
    int code;  // 0: silent
    const char* shown;
    double used;
    bool defaults_asked = false;  // IPARAM(1) = 0
  };
  const Row rows[] = {
      {kXscale, 1, 0.0, 2, "identity scaling matrix for XSCALE.", 1.0},
      {kFscale, 0, -2.0, 3, "FSCALE = -2.000000000000000E+00 is given.", 1.0},
      {kInteger, 1, 0, 4, "FDIGIT = 0 is given.", 53},
      {kInteger, 2, -3, 5, "MXITER = -3 is given.  The algorithm will use MXITER = 100.", 100},
      {kInteger, 3, 0, 6, "MAXFCN = 0 is given.", 400},
      {kInteger, 4, 0, 7, "MAXGRD = 0 is given.", 400},
      {kReal, 0, -1.0, 9,
       "GRADTL = -1.000000000000000E+00 is given.  The algorithm will use GRADTL = "
       "3.666852862501036E-11.",
       3.666852862501036e-11},
      {kReal, 1, -1.0, 10, "use STEPTL = 3.666852862501036E-11.", 3.666852862501036e-11},
      {kReal, 2, -1.0, 11, "use RFTOL = 1.000000000000000E-10.", 1e-10},
      {kReal, 3, -1.0, 12, "use AFTOL = 9.999999999999999E-21.", 1e-20},  // 1e-20 to 16 digits
      {kReal, 4, -1.0, 13, "use FALSTL = 2.220446049250313E-14.", 2.220446049250313e-14},
      // 1000 * max(|(3, 4)|, |(1, 1)|)
      {kReal, 5, 0.0, 14,
       "STEPMX = 0.000000000000000E+00 is given.  The algorithm will use STEPMX = "
       "5.000000000000000E+03.",
       5000.0},
      {kReal, 5, -9999.0, 0, "", 5000.0},
      {kReal, 5, -1.0, 0, "", 5000.0, true},
      {kReal, 6, -2.0, 15, "DELTA = -2.000000000000000E+00 is given.", -1.0},
      {kReal, 6, -9999.0, 0, "", -1.0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << "kind " << row.kind << ", position " << row.position);
    OPTIMIZER_DEFAULTS(iparam.data(), rparam.data());
    if (row.defaults_asked) iparam[0] = 0;
    std::array<double, 2> x{3.0, 4.0}, xscale{1.0, 1.0};
    double fscale = 1.0;
    double* real = row.kind == kXscale   ? &xscale[row.position]
                   : row.kind == kFscale ? &fscale
                   : row.kind == kReal   ? &rparam[row.position]
                                         : nullptr;
    if (real != nullptr) {
      *real = row.given;
    } else {
      iparam[row.position] = static_cast<int>(row.given);
    }
    DU5INF(2, x.data(), xscale.data(), fscale, 0, iparam.data(), rparam.data());
    EXPECT_EQ(N1RTY(1), row.code == 0 ? 0 : 6);
    EXPECT_EQ(N1RCD(1), row.code);
    EXPECT_NE(waiting_message().find(row.shown), std::string::npos) << waiting_message();
    EXPECT_EQ(real != nullptr ? *real : iparam[row.position], row.used);
  }
}

TEST_F(BoundedMinimiserTest, PrintedWarningAndStop) {
  const Objective square = [](const std::vector<double>& x) { return x[0] * x[0] + x[1] * x[1]; };
  const Result run = minimise({square, {1.0, 1.0}, {-kBig, -kBig}, {kBig, kBig}, {}, -0.5});
  EXPECT_EQ(take_output(),
            "\n"
            " *** WARNING  ERROR 3 from DU5INF.  The estimate of the scale of the\n"
            " ***          objective function must be positive while FSCALE =\n"
            " ***          -5.000000000000000E-01 is given.  The algorithm will use FSCALE\n"
            " ***          = 1.0.\n"
            "     Here is a traceback of subprogram calls in reverse order:\n"
            "     Routine name                    Error type  Error code\n"
            "     ------------                    ----------  ----------\n"
            "     DU5INF                               6           3    (Called internally)\n"
            "     DB3ONF                               0           0    (Called internally)\n"
            "     DB2ONF                               0           0    (Called internally)\n"
            "     DBCONF                               0           0\n"
            "     USER                                 0           0\n");
  EXPECT_LT(std::abs(run.x[0]) + std::abs(run.x[1]), 1e-6);

  const Problem limited{rosenbrock, {-1.2, 1.0}, {-kBig, -kBig}, {kBig, kBig}, {}, 1.0,
                        [](int* iparam, double*) { iparam[2] = 1; }};
  EXPECT_EQ(stop_status([&] { minimise(limited); }), 3);
  EXPECT_EQ(take_output(),
            "\n"
            " *** FATAL    ERROR 3 from DBCONF.   Maximum number of iterations exceeded.\n");

  // Work storage for a size that cannot be had ends the run, whatever the
  // attributes say.
  ERSET(0, 0, 0);
  std::array<int, 7> iparam{};
  std::array<double, 7> rparam{};
  double v[1] = {0.0}, fscale = 1.0, f = 0.0;
  const auto zero = [](int, const double*, double& y) { y = 0.0; };
  const int huge = std::numeric_limits<int>::max();
  EXPECT_EQ(stop_status([&] {
              DBCONF(zero, huge, v, 0, v, v, v, fscale, iparam.data(), rparam.data(), v, f);
            }),
            3);
  EXPECT_NE(take_output().find(" *** TERMINAL ERROR 2 from DBCONF.  The required storage cannot"),
            std::string::npos);
}

TEST_F(BoundedMinimiserTest, BoundTypes) {
  ERSET(0, 0, 0);
  const Objective f = [](const std::vector<double>& x) {
    double sum = 0.0;
    for (double xi : x) sum += (xi - 0.5) * (xi - 0.5);
    return sum;
  };
  struct Row {
    int ibtype;
    std::vector<double> lower, upper;  // given
    std::vector<double> lower_after, upper_after;
  };
  const Row rows[] = {
      {0, {-1.0, 0.0}, {1.0, 2.0}, {-1.0, 0.0}, {1.0, 2.0}},
      {1, {7.0, 7.0}, {8.0, 8.0}, {0.0, 0.0}, {1e20, 1e20}},
      {2, {7.0, 7.0}, {8.0, 8.0}, {-1e20, -1e20}, {0.0, 0.0}},
      {3, {-1.0, 7.0, 7.0}, {2.0, 8.0, 8.0}, {-1.0, -1.0, -1.0}, {2.0, 2.0, 2.0}},
      {3, {-1.0}, {2.0}, {-1.0}, {2.0}},  // N = 1 also warns, and runs
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << "IBTYPE " << row.ibtype << ", N " << row.lower.size());
    const Result run =
        minimise({f, std::vector<double>(row.lower.size(), 0.25), row.lower, row.upper, {}, 1.0,
                  {}, row.ibtype});
    EXPECT_EQ(run.lower, row.lower_after);
    EXPECT_EQ(run.upper, row.upper_after);
    for (double xi : run.x) EXPECT_NEAR(xi, row.ibtype == 2 ? 0.0 : 0.5, 1e-6);
    EXPECT_EQ(N1RTY(1), row.lower.size() == 1 ? 6 : 0);
  }

  // An unknown bound type: X is the start point and there is no value.
  const Result run = minimise({f, {0.25, 3.0}, {0.0, 0.0}, {1.0, 1.0}, {}, 1.0, {}, 4});
  EXPECT_EQ(N1RTY(1), 5);
  EXPECT_EQ(N1RCD(1), 2);
  EXPECT_EQ(run.x, (std::vector<double>{0.25, 3.0}));
  EXPECT_TRUE(std::isnan(run.f));
  EXPECT_TRUE(run.points.empty());
  EXPECT_EQ(LAST_ERROR_CODE(), 0);
}

// ---- problems ----

TEST_F(BoundedMinimiserTest, Problems) {
  ERSET(0, 0, 0);
  const auto oracle = read_oracle_rows("minimiser_problems.csv");
  ASSERT_EQ(oracle.size(), 1u);
  const std::vector<double>& b = oracle[0];  // Beale's function
  struct Row {
    const char* what;
    Problem problem;
    std::vector<double> x;  // the minimiser
    double f;
    std::vector<double> first_point{};  // the first point evaluated, when given
  };
  const Row rows[] = {
      {"Rosenbrock", {rosenbrock, {-1.2, 1.0}, {-kBig, -kBig}, {kBig, kBig}}, {1.0, 1.0}, 0.0},
      {"Beale, from outside the box",
       {beale, {b[1], b[2]}, {b[3], b[4]}, {b[5], b[6]}},
       {b[7], b[8]},
       b[9],
       {1.0, 0.4}},
      // The first step lands on x2 = 0, which has to be let go again.
      {"bound left again",
       {[](const std::vector<double>& x) {
          return 50.0 * std::pow(x[0] - x[1], 2) + std::pow(x[1] - 1.0, 2);
        },
        {0.0, 2.0}, {-10.0, 0.0}, {10.0, 10.0}},
       {1.0, 1.0},
       0.0},
      // f is NaN past x2 = 1, where the difference step of the held x2 goes: x1
      // must still move (closed form).
      {"undefined past a bound",
       {[](const std::vector<double>& x) {
          return std::pow(x[0] - 3.0, 2) + std::sqrt(1.0 - x[1]) - x[1];
        },
        {0.0, 1.0}, {-10.0, 0.0}, {10.0, 1.0}},
       {3.0, 1.0},
       -1.0},
      // x2 is fixed by equal bounds while f falls beyond them: it stays held.
      {"fixed by equal bounds",
       {[](const std::vector<double>& x) { return std::pow(x[0] - 1.0, 2) - x[1]; },
        {0.0, 2.0}, {-10.0, 2.0}, {10.0, 2.0}},
       {1.0, 2.0},
       -2.0},
      // On x2 = 0.0015 the minimum over x1 is at x1/1000 = 0.75.
      {"badly scaled",
       {[](const std::vector<double>& x) {
          const double u = x[0] / 1000.0;
          return std::pow(u - 1.0, 2) + std::pow(1000.0 * x[1] - u - 1.0, 2);
        },
        {0.0, 0.0}, {0.0, 0.0}, {5000.0, 0.0015}, {1e-3, 1e3}, 10.0,
        [](int* iparam, double* rparam) {
          engine_limits(iparam, rparam);
          iparam[5] = 1;
        }},
       {750.0, 0.0015},
       0.125},
  };
  for (Row row : rows) {
    SCOPED_TRACE(row.what);
    if (!row.problem.setup) row.problem.setup = engine_limits;
    const Result run = minimise(row.problem);
    EXPECT_TRUE(run.code == 0 || run.code == 7) << run.code;
    for (std::size_t i = 0; i < row.x.size(); ++i) {
      const double xi = row.x[i];
      EXPECT_NEAR(run.x[i], xi, 1e-4 * std::max(1.0, std::abs(xi))) << "x" << i + 1;
      if (xi == row.problem.lower[i] || xi == row.problem.upper[i]) {
        EXPECT_EQ(run.x[i], xi) << "on its bound";
      }
    }
    EXPECT_NEAR(run.f, row.f, 1e-8 * std::max(1.0, std::abs(row.f)));
    if (!row.first_point.empty()) {
      EXPECT_EQ(run.points.front(), row.first_point);
    }
  }
}

// ---- how a run ends ----

TEST_F(BoundedMinimiserTest, Exits) {
  const Objective away = [](const std::vector<double>& x) {
    return std::pow(x[0] + 1.0, 2) + std::pow(x[1] + 1.0, 2);
  };
  const Objective at_start = [](const std::vector<double>& x) {
    return std::pow(x[0] - 1.0, 2) + std::pow(x[1] - 2.0, 2);
  };
  const Objective downhill = [](const std::vector<double>& x) { return -x[0] - x[1]; };
  const auto limit = [](int position) -> SettingsChange {
    return [position](int* iparam, double*) { iparam[position] = 1; };
  };
  const std::vector<double> rosen_start{-1.2, 1.0}, low{-kBig, -kBig}, high{kBig, kBig};
  struct Row {
    const char* what;
    Problem problem;
    int code;                   // LAST_ERROR_CODE
    std::array<int, 3> counts;  // iterations, functions, gradients; -1: not checked
  };
  const Row rows[] = {
      {"held at both lower bounds", {away, {0.0, 0.0}, {0.0, 0.0}, {1.0, 1.0}}, 0, {1, 1, 1}},
      {"start at the minimum", {at_start, {1.0, 2.0}, low, high}, 0, {0, 1, 1}},
      {"iteration limit", {rosenbrock, rosen_start, low, high, {}, 1.0, limit(2)}, 3, {1, -1, -1}},
      {"function limit", {rosenbrock, rosen_start, low, high, {}, 1.0, limit(3)}, 4, {1, -1, -1}},
      {"gradient limit", {rosenbrock, rosen_start, low, high, {}, 1.0, limit(4)}, 5, {1, -1, -1}},
      // IPARAM(1) = 0 puts the defaults over the iteration limit 1.
      {"defaults asked for",
       {rosenbrock, rosen_start, low, high, {}, 1.0,
        [](int* iparam, double*) {
          iparam[0] = 0;
          iparam[2] = 1;
        }},
       0, {-1, -1, -1}},
      {"unbounded below",
       {downhill, {0.0, 0.0}, low, high, {}, 1.0, [](int*, double* rparam) { rparam[5] = 1.0; }},
       6, {5, -1, -1}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    reset_library_state();  // no message left from the row before
    ERSET(0, 0, 0);
    const Result run = minimise(row.problem);
    EXPECT_EQ(run.code, row.code);
    for (int k = 0; k < 3; ++k) {
      if (row.counts[k] >= 0) {
        EXPECT_EQ(run.iparam[2 + k], row.counts[k]) << "count " << k;
      }
    }
    EXPECT_EQ(waiting_message().empty(), row.code == 0) << waiting_message();
    EXPECT_FALSE(std::isnan(run.f));
    for (double xi : run.x) EXPECT_FALSE(std::isnan(xi));
  }

  // A failed line search, as dU6INF sees it.
  library_state().bounded_optimizer.steptl = 1e-7;
  const double x[2] = {1.0, 1.0}, step[2] = {0.0, 0.0}, g[2] = {1.0, 1.0}, xscale[2] = {1.0, 1.0};
  int iretcd = 1;
  dU6INF(2, x, step, 1.0, g, xscale, 1.0, iretcd, 3, 5, 5, 0, 0, false);
  EXPECT_EQ(N1RTY(1), 3);
  EXPECT_EQ(N1RCD(1), 8);
  EXPECT_NE(waiting_message().find("where STEPTL = 1.000000000000000E-07 is given."),
            std::string::npos);
}

// ---- the creep fit, as the engine calls it ----

TEST_F(BoundedMinimiserTest, CreepFitReplay) {
  ERSET(0, 0, 0);
  // Rows: the curve's first decade, decades and ripple; scipy's D0, D1, m, f.
  // On the second curve D0 sits on its bound for many steps and must be let go
  // with a Hessian approximation built while it was held.
  const auto rows = read_oracle_rows("minimiser_creep_fit.csv");
  ASSERT_EQ(rows.size(), 2u);
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << "curve " << row[0] << ", " << row[1] << ", " << row[2]);
    CreepCurve curve(row[0], row[1], row[2]);
    const Objective f = [&](const std::vector<double>& x) {
      double value = 0.0;
      curve(3, x.data(), value);
      return value;
    };
    const Result run = minimise({f, {1.0, 1.0, 0.5}, {0.0, 0.0, 0.0}, {1e5, 1e5, 3.0}, {}, 1.0,
                                 engine_limits});
    EXPECT_TRUE(run.code == 0 || run.code == 7) << run.code;
    EXPECT_TRUE(relatively_near(run.x[2], row[5], 1e-5));
    EXPECT_TRUE(relatively_near(run.x[0], row[3], 1e-4));
    EXPECT_TRUE(relatively_near(run.x[1], row[4], 1e-4));
    EXPECT_TRUE(relatively_near(run.f, row[6], 1e-8));
  }
}

}  // namespace
}  // namespace numlib::testing
