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
#include "numlib/algorithms/minimiser_workers.h"

namespace numlib::testing {
namespace {

class BoundedMinimiserTest : public AlgorithmTest {};

constexpr double kBig = 1e20;

using Objective = std::function<double(const std::vector<double>&)>;

// One DBCONF call with the settings of OPTIMIZER_DEFAULTS, changed by SETUP.
struct Result {
  std::vector<double> x;
  double f = 0.0;
  std::array<int, 7> iparam{};
  std::array<double, 7> rparam{};
  std::vector<std::vector<double>> points;  // every point the objective saw
  int code = 0;                             // LAST_ERROR_CODE afterwards
};

struct Problem {
  Objective f;
  std::vector<double> start, lower, upper;
  std::vector<double> xscale{};  // empty: all 1
  double fscale = 1.0;
  std::function<void(int*, double*)> setup{};
};

Result minimise(const Problem& problem) {
  Result run;
  const int n = static_cast<int>(problem.start.size());
  std::vector<double> lower = problem.lower, upper = problem.upper;
  std::vector<double> xscale = problem.xscale.empty() ? std::vector<double>(n, 1.0) : problem.xscale;
  double fscale = problem.fscale;
  run.x.assign(n, 0.0);
  OPTIMIZER_DEFAULTS(run.iparam.data(), run.rparam.data());
  if (problem.setup) problem.setup(run.iparam.data(), run.rparam.data());
  auto objective = [&](int count, const double* x, double& f) {
    run.points.emplace_back(x, x + count);
    f = problem.f(run.points.back());
  };
  DBCONF(objective, n, problem.start.data(), 0, lower.data(), upper.data(), xscale.data(), fscale,
         run.iparam.data(), run.rparam.data(), run.x.data(), run.f);
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

TEST_F(BoundedMinimiserTest, Defaults) {
  std::array<int, 7> iparam{};
  std::array<double, 7> rparam{};
  OPTIMIZER_DEFAULTS(iparam.data(), rparam.data());
  EXPECT_EQ(iparam, (std::array<int, 7>{1, 15, 100, 400, 400, 0, 100}));
  EXPECT_EQ(rparam, (std::array<double, 7>{6.055454452393343e-06, 3.666852862501036e-11,
                                           3.666852862501036e-11, 1e-20, 2.220446049250313e-14,
                                           -9999.0, -9999.0}));
}

TEST_F(BoundedMinimiserTest, SettingsRepairs) {
  ERSET(0, 0, 0);
  struct Row {
    const char* what;
    std::function<void(int*, double*, double*, double&)> change;  // iparam, rparam, xscale, fscale
    int code;                       // of the global WARNING; 0 none
    const char* values;             // as the message shows them
    std::function<bool(const int*, const double*, const double*, double)> repaired;
  };
  const Row rows[] = {
      {"XSCALE", [](int*, double*, double* s, double&) { s[1] = 0.0; }, 2, "",
       [](const int*, const double*, const double* s, double) { return s[0] == 1 && s[1] == 1; }},
      {"FSCALE", [](int*, double*, double*, double& fs) { fs = -2.0; }, 3,
       "FSCALE = -2.000000000000000E+00",
       [](const int*, const double*, const double*, double fs) { return fs == 1.0; }},
      {"FDIGIT", [](int* ip, double*, double*, double&) { ip[1] = 0; }, 4, "FDIGIT = 0",
       [](const int* ip, const double*, const double*, double) { return ip[1] == 53; }},
      {"MXITER", [](int* ip, double*, double*, double&) { ip[2] = -3; }, 5, "MXITER = -3",
       [](const int* ip, const double*, const double*, double) { return ip[2] == 100; }},
      {"MAXFCN", [](int* ip, double*, double*, double&) { ip[3] = 0; }, 6, "MAXFCN = 0",
       [](const int* ip, const double*, const double*, double) { return ip[3] == 400; }},
      {"MAXGRD", [](int* ip, double*, double*, double&) { ip[4] = 0; }, 7, "MAXGRD = 0",
       [](const int* ip, const double*, const double*, double) { return ip[4] == 400; }},
      {"GRADTL", [](int*, double* rp, double*, double&) { rp[0] = -1.0; }, 9,
       "GRADTL = -1.000000000000000E+00 is given.  The algorithm will use GRADTL = "
       "3.666852862501036E-11.",
       [](const int*, const double* rp, const double*, double) {
         return rp[0] == 3.666852862501036e-11;
       }},
      {"STEPTL", [](int*, double* rp, double*, double&) { rp[1] = -1.0; }, 10,
       "STEPTL = 3.666852862501036E-11",
       [](const int*, const double* rp, const double*, double) {
         return rp[1] == 3.666852862501036e-11;
       }},
      {"RFTOL", [](int*, double* rp, double*, double&) { rp[2] = -1.0; }, 11,
       "RFTOL = 1.000000000000000E-10",
       [](const int*, const double* rp, const double*, double) { return rp[2] == 1e-10; }},
      {"AFTOL", [](int*, double* rp, double*, double&) { rp[3] = -1.0; }, 12,
       "AFTOL = 9.999999999999999E-21",  // 1e-20 to 16 digits
       [](const int*, const double* rp, const double*, double) { return rp[3] == 1e-20; }},
      {"FALSTL", [](int*, double* rp, double*, double&) { rp[4] = -1.0; }, 13,
       "FALSTL = 2.220446049250313E-14",
       [](const int*, const double* rp, const double*, double) {
         return rp[4] == 2.220446049250313e-14;
       }},
      // 1000*max(|(3, 4)|, |(1, 1)|) from the start point (3, 4).
      {"STEPMX given", [](int*, double* rp, double*, double&) { rp[5] = 0.0; }, 14,
       "STEPMX = 0.000000000000000E+00 is given.  The algorithm will use STEPMX = "
       "5.000000000000000E+03.",
       [](const int*, const double* rp, const double*, double) { return rp[5] == 5000.0; }},
      {"STEPMX chosen", [](int*, double*, double*, double&) {}, 0, "",
       [](const int*, const double* rp, const double*, double) { return rp[5] == 5000.0; }},
      {"STEPMX given, defaults asked for",
       [](int* ip, double* rp, double*, double&) {
         ip[0] = 0;
         rp[5] = -1.0;
       },
       0, "", [](const int*, const double* rp, const double*, double) { return rp[5] == 5000.0; }},
      {"DELTA given", [](int*, double* rp, double*, double&) { rp[6] = -2.0; }, 15,
       "DELTA = -2.000000000000000E+00",
       [](const int*, const double* rp, const double*, double) { return rp[6] == -1.0; }},
      {"DELTA chosen", [](int*, double*, double*, double&) {}, 0, "",
       [](const int*, const double* rp, const double*, double) { return rp[6] == -1.0; }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::array<int, 7> iparam{};
    std::array<double, 7> rparam{};
    OPTIMIZER_DEFAULTS(iparam.data(), rparam.data());
    std::array<double, 2> x{3.0, 4.0};
    std::array<double, 2> xscale{1.0, 1.0};
    double fscale = 1.0;
    row.change(iparam.data(), rparam.data(), xscale.data(), fscale);
    DU5INF(2, x.data(), xscale.data(), fscale, 0, iparam.data(), rparam.data());
    EXPECT_EQ(N1RTY(1), row.code == 0 ? 0 : 6);
    EXPECT_EQ(N1RCD(1), row.code);
    EXPECT_NE(waiting_message().find(row.values), std::string::npos) << waiting_message();
    EXPECT_TRUE(row.repaired(iparam.data(), rparam.data(), xscale.data(), fscale));
    EXPECT_EQ(LAST_ERROR_CODE(), 0);
  }
}

TEST_F(BoundedMinimiserTest, PrintedGlobalWarningAndStop) {
  const Problem fscale_problem{[](const std::vector<double>& x) { return x[0] * x[0] + x[1] * x[1]; },
                               {1.0, 1.0}, {-kBig, -kBig}, {kBig, kBig}, {}, -0.5};
  const Result run = minimise(fscale_problem);
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

  Problem limited{rosenbrock, {-1.2, 1.0}, {-kBig, -kBig}, {kBig, kBig}};
  limited.setup = [](int* iparam, double*) { iparam[2] = 1; };
  EXPECT_EQ(stop_status([&] { minimise(limited); }), 3);
  EXPECT_EQ(take_output(),
            "\n"
            " *** FATAL    ERROR 3 from DBCONF.   Maximum number of iterations exceeded.\n");
}

TEST_F(BoundedMinimiserTest, BoundTypes) {
  ERSET(0, 0, 0);
  const auto square = [](int n, const double* x, double& f) {
    f = 0.0;
    for (int i = 0; i < n; ++i) f += (x[i] - 0.5) * (x[i] - 0.5);
  };
  struct Row {
    int n, ibtype;
    std::vector<double> lower, upper;  // given
    std::vector<double> lower_after, upper_after;
  };
  const Row rows[] = {
      {2, 0, {-1.0, 0.0}, {1.0, 2.0}, {-1.0, 0.0}, {1.0, 2.0}},
      {2, 1, {7.0, 7.0}, {8.0, 8.0}, {0.0, 0.0}, {1e20, 1e20}},
      {2, 2, {7.0, 7.0}, {8.0, 8.0}, {-1e20, -1e20}, {0.0, 0.0}},
      {3, 3, {-1.0, 7.0, 7.0}, {2.0, 8.0, 8.0}, {-1.0, -1.0, -1.0}, {2.0, 2.0, 2.0}},
      {1, 3, {-1.0}, {2.0}, {-1.0}, {2.0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << "IBTYPE " << row.ibtype << ", N " << row.n);
    std::vector<double> lower = row.lower, upper = row.upper, xscale(row.n, 1.0), x(row.n);
    std::vector<double> start(row.n, 0.25);
    std::array<int, 7> iparam{};
    std::array<double, 7> rparam{};
    OPTIMIZER_DEFAULTS(iparam.data(), rparam.data());
    double fscale = 1.0, f = 0.0;
    DBCONF(square, row.n, start.data(), row.ibtype, lower.data(), upper.data(), xscale.data(),
           fscale, iparam.data(), rparam.data(), x.data(), f);
    EXPECT_EQ(lower, row.lower_after);
    EXPECT_EQ(upper, row.upper_after);
    const double expected = row.ibtype == 2 ? 0.0 : 0.5;  // the box of IBTYPE 2 ends at 0
    for (double xi : x) EXPECT_NEAR(xi, expected, 1e-6);
  }
  // N = 1 runs after its global WARNING.
  EXPECT_EQ(N1RTY(1), 6);
  EXPECT_EQ(N1RCD(1), 1);

  // An unknown bound type: X is the start point and there is no value.
  std::vector<double> lower{0.0, 0.0}, upper{1.0, 1.0}, xscale{1.0, 1.0}, x(2);
  const std::vector<double> start{0.25, 3.0};
  std::array<int, 7> iparam{};
  std::array<double, 7> rparam{};
  OPTIMIZER_DEFAULTS(iparam.data(), rparam.data());
  double fscale = 1.0, f = 0.0;
  DBCONF(square, 2, start.data(), 4, lower.data(), upper.data(), xscale.data(), fscale,
         iparam.data(), rparam.data(), x.data(), f);
  EXPECT_EQ(N1RTY(1), 5);
  EXPECT_EQ(N1RCD(1), 2);
  EXPECT_EQ(x, start);
  EXPECT_TRUE(std::isnan(f));
  EXPECT_EQ(LAST_ERROR_CODE(), 0);
}

TEST_F(BoundedMinimiserTest, OneVariableWarnsAndRuns) {
  const Result run = minimise({[](const std::vector<double>& x) { return (x[0] - 3.0) * (x[0] - 3.0); },
                            {0.0}, {-10.0}, {10.0}});
  EXPECT_NE(take_output().find(" *** WARNING  ERROR 1 from DU5INF.  This routine may be "
                               "inefficient for a\n"),
            std::string::npos);
  EXPECT_NEAR(run.x[0], 3.0, 1e-6);
  EXPECT_EQ(run.code, 0);
}

TEST_F(BoundedMinimiserTest, DefaultsAskedForOverrideTheCallersLimits) {
  ERSET(0, 0, 0);
  Problem problem{rosenbrock, {-1.2, 1.0}, {-kBig, -kBig}, {kBig, kBig}};
  problem.setup = [](int* iparam, double*) {
    iparam[0] = 0;
    iparam[2] = 1;  // would end after one iteration
  };
  const Result run = minimise(problem);
  EXPECT_GT(run.iparam[2], 1);
  EXPECT_NE(run.code, 3);
  EXPECT_NEAR(run.x[0], 1.0, 1e-4);
}

// ---- problems ----

TEST_F(BoundedMinimiserTest, Problems) {
  ERSET(0, 0, 0);
  const auto beale_rows = read_oracle_rows("minimiser_problems.csv");
  ASSERT_EQ(beale_rows.size(), 1u);
  const std::vector<double>& b = beale_rows[0];
  struct Row {
    const char* what;
    Problem problem;
    std::vector<double> x, x_start_seen;  // minimiser; the first point evaluated (if given)
    double f;
  };
  Problem scaled{[](const std::vector<double>& x) {
                   return std::pow(x[0] / 1000.0 - 1.0, 2) +
                          std::pow(1000.0 * x[1] - x[0] / 1000.0 - 1.0, 2);
                 },
                 {0.0, 0.0}, {0.0, 0.0}, {5000.0, 0.0015}, {1e-3, 1e3}, 10.0};
  scaled.setup = [](int* iparam, double* rparam) {
    engine_limits(iparam, rparam);
    iparam[5] = 1;
  };
  const Row rows[] = {
      {"Rosenbrock", {rosenbrock, {-1.2, 1.0}, {-kBig, -kBig}, {kBig, kBig}}, {1.0, 1.0}, {}, 0.0},
      {"Beale, start outside the box",
       {beale, {b[1], b[2]}, {b[3], b[4]}, {b[5], b[6]}},
       {b[7], b[8]},
       {1.0, 0.4},
       b[9]},
      // The first step lands on x2 = 0, which has to be let go again.
      {"bound left again",
       {[](const std::vector<double>& x) {
          return 50.0 * std::pow(x[0] - x[1], 2) + std::pow(x[1] - 1.0, 2);
        },
        {0.0, 2.0}, {-10.0, 0.0}, {10.0, 10.0}},
       {1.0, 1.0}, {}, 0.0},
      // On x2 = 0.0015 the minimum over x1 is at x1/1000 = 0.75.
      {"badly scaled", scaled, {750.0, 0.0015}, {}, 0.125},
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
    if (!row.x_start_seen.empty()) {
      EXPECT_EQ(run.points.front(), row.x_start_seen);
    }
  }
}

// ---- how a run ends ----

TEST_F(BoundedMinimiserTest, Exits) {
  ERSET(0, 0, 0);
  struct Row {
    const char* what;
    Problem problem;
    int code;                        // LAST_ERROR_CODE
    std::array<int, 3> counts;       // iterations, functions, gradients; -1: not checked
  };
  const Objective away = [](const std::vector<double>& x) {
    return std::pow(x[0] + 1.0, 2) + std::pow(x[1] + 1.0, 2);
  };
  const Objective at_start = [](const std::vector<double>& x) {
    return std::pow(x[0] - 1.0, 2) + std::pow(x[1] - 2.0, 2);
  };
  const Objective downhill = [](const std::vector<double>& x) { return -x[0] - x[1]; };
  auto limit = [](int position) {
    return [position](int* iparam, double*) { iparam[position] = 1; };
  };
  const Row rows[] = {
      {"held at both lower bounds", {away, {0.0, 0.0}, {0.0, 0.0}, {1.0, 1.0}}, 0, {1, 1, 1}},
      {"start at the minimum", {at_start, {1.0, 2.0}, {-kBig, -kBig}, {kBig, kBig}}, 0, {0, 1, 1}},
      {"iteration limit", {rosenbrock, {-1.2, 1.0}, {-kBig, -kBig}, {kBig, kBig}, {}, 1.0, limit(2)},
       3, {1, -1, -1}},
      {"function limit", {rosenbrock, {-1.2, 1.0}, {-kBig, -kBig}, {kBig, kBig}, {}, 1.0, limit(3)},
       4, {1, -1, -1}},
      {"gradient limit", {rosenbrock, {-1.2, 1.0}, {-kBig, -kBig}, {kBig, kBig}, {}, 1.0, limit(4)},
       5, {1, -1, -1}},
      {"unbounded below",
       {downhill, {0.0, 0.0}, {-kBig, -kBig}, {kBig, kBig}, {}, 1.0,
        [](int*, double* rparam) { rparam[5] = 1.0; }},
       6, {5, -1, -1}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
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
}

TEST_F(BoundedMinimiserTest, FailedSearchWarning) {
  ERSET(0, 0, 0);
  library_state().bounded_optimizer.steptl = 1e-7;
  library_state().bounded_optimizer.gradtl = 1e-6;
  const double x[2] = {1.0, 1.0}, step[2] = {0.0, 0.0}, g[2] = {1.0, 1.0}, xscale[2] = {1.0, 1.0};
  int iretcd = 1;
  dU6INF(2, x, step, 1.0, g, xscale, 1.0, iretcd, 3, 5, 5, 0, 0, false);
  EXPECT_EQ(N1RTY(1), 3);
  EXPECT_EQ(N1RCD(1), 8);
  EXPECT_NE(waiting_message().find("where STEPTL = 1.000000000000000E-07 is given."),
            std::string::npos)
      << waiting_message();
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
    std::array<int, 7> iparam{};
    std::array<double, 7> rparam{};
    OPTIMIZER_DEFAULTS(iparam.data(), rparam.data());
    engine_limits(iparam.data(), rparam.data());
    std::array<double, 3> start{1.0, 1.0, 0.5}, lower{0.0, 0.0, 0.0}, upper{1e5, 1e5, 3.0};
    std::array<double, 3> xscale{1.0, 1.0, 1.0}, x{};
    double fscale = 1.0, f = 0.0;
    DBCONF(curve, 3, start.data(), 0, lower.data(), upper.data(), xscale.data(), fscale,
           iparam.data(), rparam.data(), x.data(), f);
    const int code = LAST_ERROR_CODE();
    EXPECT_TRUE(code == 0 || code == 7) << code;
    EXPECT_TRUE(relatively_near(x[2], row[5], 1e-5));
    EXPECT_TRUE(relatively_near(x[0], row[3], 1e-4));
    EXPECT_TRUE(relatively_near(x[1], row[4], 1e-4));
    EXPECT_TRUE(relatively_near(f, row[6], 1e-8));
  }
}

}  // namespace
}  // namespace numlib::testing
