#include "numlib/algorithms/unconstrained_minimisers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "algorithm_fixture.h"

namespace numlib::testing {
namespace {

class UnconstrainedMinimiserTest : public AlgorithmTest {};

using Objective = std::function<double(const double*)>;
using Gradient = std::function<void(const double*, double*)>;

double rosenbrock(const double* x) {
  return 100.0 * (x[1] - x[0] * x[0]) * (x[1] - x[0] * x[0]) + (1.0 - x[0]) * (1.0 - x[0]);
}
void rosenbrock_gradient(const double* x, double* g) {
  g[0] = -400.0 * x[0] * (x[1] - x[0] * x[0]) - 2.0 * (1.0 - x[0]);
  g[1] = 200.0 * (x[1] - x[0] * x[0]);
}

// 0.5 (x - x*)' H (x - x*) with H = Q diag(lambda) Q', lambda from 1 to 100,
// Q = I - 2 v v'/v'v for v = (1, ..., 10): its minimiser is x*.
constexpr int kQuadraticOrder = 10;
double quadratic_x_star(int i) { return (i % 2 == 0 ? 1.0 : -1.0) * (1.0 + 0.5 * i); }
double quadratic_h(int i, int j) {
  double sum = 0.0;
  const double vv = 385.0;  // sum of k^2, k = 1..10
  for (int k = 0; k < kQuadraticOrder; ++k) {
    const double lambda = std::pow(100.0, k / 9.0);
    const double qik = (i == k ? 1.0 : 0.0) - 2.0 * (i + 1) * (k + 1) / vv;
    const double qjk = (j == k ? 1.0 : 0.0) - 2.0 * (j + 1) * (k + 1) / vv;
    sum += qik * lambda * qjk;
  }
  return sum;
}
void quadratic_gradient(const double* x, double* g) {
  for (int i = 0; i < kQuadraticOrder; ++i) {
    g[i] = 0.0;
    for (int j = 0; j < kQuadraticOrder; ++j)
      g[i] += quadratic_h(i, j) * (x[j] - quadratic_x_star(j));
  }
}
double quadratic(const double* x) {
  double g[kQuadraticOrder];
  quadratic_gradient(x, g);
  double sum = 0.0;
  for (int i = 0; i < kQuadraticOrder; ++i) sum += 0.5 * g[i] * (x[i] - quadratic_x_star(i));
  return sum;
}

struct CgRun {
  std::vector<double> x, g;
  double f = 0.0;
  int calls = 0;
  int type = 0, code = 0;
};

CgRun run_cg(const Objective& objective, std::vector<double> start, double gradtl, int maxfn,
             double dfpred = 1.0) {
  const int n = static_cast<int>(start.size());
  CgRun run;
  run.x.assign(n, 0.0);
  run.g.assign(n, 0.0);
  const std::vector<double> xscale(n, 1.0);
  DUMCGF([&](int, const double* x, double& f) { ++run.calls, f = objective(x); }, n, start.data(),
         xscale.data(), gradtl, maxfn, dfpred, run.x.data(), run.g.data(), run.f);
  run.type = N1RTY(1);
  run.code = N1RCD(1);
  return run;
}

TEST_F(UnconstrainedMinimiserTest, ConjugateGradients) {
  ERSET(0, 0, 0);
  struct Row {
    const char* what;
    Objective f;
    Gradient gradient;  // exact, to check G
    std::vector<double> start, solution;
    double gradtl;
    int maxfn;
    double dfpred;
    int type, code;
    double tolerance;  // on X, relative to |solution|, or absolute when that is 0
  };
  std::vector<double> quadratic_start(kQuadraticOrder, 0.0), x_star;
  for (int i = 0; i < kQuadraticOrder; ++i) x_star.push_back(quadratic_x_star(i));
  const double inf = std::numeric_limits<double>::infinity();
  const Row rows[] = {
      {"Rosenbrock",
       rosenbrock,
       rosenbrock_gradient,
       {-1.2, 1.0},
       {1.0, 1.0},
       1e-10,
       10000,
       1.0,
       0,
       0,
       1e-4},
      {"quadratic, condition 100", quadratic, quadratic_gradient, quadratic_start, x_star, 1e-10,
       10000, 1.0, 0, 0, 1e-5},
      // No gradient is small enough: rounding ends the iteration at the solution.
      {"quadratic, GRADTL 0", quadratic, quadratic_gradient, quadratic_start, x_star, 0.0, 100000,
       1.0, 3, 4, 1e-5},
      {"Rosenbrock, MAXFN 40",
       rosenbrock,
       rosenbrock_gradient,
       {-1.2, 1.0},
       {1.0, 1.0},
       1e-10,
       40,
       1.0,
       4,
       3,
       inf},
      // A jump at the start point: the difference quotients point the wrong way.
      {"step at the start",
       [](const double* x) { return x[0] * x[0] + (x[0] != 3.0 ? 1e-3 : 0.0); },
       [](const double* x, double* g) { g[0] = 2.0 * x[0]; },
       {3.0},
       {3.0},
       1e-10,
       1000,
       1e-6,
       4,
       1,
       0.0},
      {"NaN everywhere",
       [](const double*) { return std::nan(""); },
       nullptr,
       {1.0, 2.0},
       {1.0, 2.0},
       1e-10,
       1000,
       1.0,
       4,
       2,
       0.0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const CgRun run = run_cg(row.f, row.start, row.gradtl, row.maxfn, row.dfpred);
    EXPECT_EQ(run.type, row.type);
    EXPECT_EQ(run.code, row.code);
    EXPECT_LE(run.calls, std::max(row.maxfn, 1 + static_cast<int>(row.start.size())));
    double scale = 0.0;
    for (double s : row.solution) scale = std::max(scale, std::abs(s));
    for (std::size_t i = 0; i < row.start.size(); ++i) {
      EXPECT_LE(std::abs(run.x[i] - row.solution[i]), row.tolerance * (scale > 0.0 ? scale : 1.0))
          << i;
    }
    if (!row.gradient) continue;
    // FVALUE is f(X) and G the gradient there, within the differencing error.
    EXPECT_EQ(run.f, row.f(run.x.data()));
    std::vector<double> exact(row.start.size());
    row.gradient(run.x.data(), exact.data());
    for (std::size_t i = 0; i < exact.size(); ++i) {
      if (row.code != 1) {
        EXPECT_NEAR(run.g[i], exact[i], 1e-5 * std::max(1.0, std::abs(exact[i])));
      }
    }
  }
  const CgRun none = run_cg(rosenbrock, {}, 1e-10, 100);
  EXPECT_EQ(none.type, 5);
  EXPECT_EQ(none.code, 1);
  EXPECT_EQ(waiting_message(), ".  The number of variables must be positive while N = 0 is given.");
}

struct ScalarRun {
  double x = 0.0;
  int calls = 0;
  int type = 0, code = 0;
};

ScalarRun run_scalar(double (*f)(double), double guess, double step, double bound, double xacc,
                     int maxfn) {
  ScalarRun run;
  DUVMIF([&](double x) { return ++run.calls, f(x); }, guess, step, bound, xacc, maxfn, run.x);
  run.type = N1RTY(1);
  run.code = N1RCD(1);
  return run;
}

TEST_F(UnconstrainedMinimiserTest, OneVariable) {
  ERSET(0, 0, 0);
  const double scipy_minimiser = read_oracle_rows("unconstrained_minima.csv").at(0).at(1);
  struct Row {
    const char* what;
    double (*f)(double);
    double guess, step, bound, xacc;
    int maxfn;
    double x, tolerance;
    int type, code;
    const char* message;  // "" for none
  };
  const Row rows[] = {
      {"(x - 2)^2", [](double x) { return (x - 2.0) * (x - 2.0); }, 0.0, 0.1, 10.0, 1e-8, 1000, 2.0,
       1e-6, 0, 0, ""},
      {"(x + 3)^2, against the step", [](double x) { return (x + 3.0) * (x + 3.0); }, 0.0, 0.1,
       10.0, 1e-8, 1000, -3.0, 1e-6, 0, 0, ""},
      {"x^2 + 4 cos x", [](double x) { return x * x + 4.0 * std::cos(x); }, 1.0, 0.1, 10.0, 1e-8,
       1000, scipy_minimiser, 1e-6, 0, 0, ""},
      {"(x - 9.9)^2, just inside the bound", [](double x) { return (x - 9.9) * (x - 9.9); }, 0.0,
       0.1, 10.0, 1e-8, 1000, 9.9, 1e-6, 0, 0, ""},
      {"(x - 100)^2, beyond the bound", [](double x) { return (x - 100.0) * (x - 100.0); }, 0.0,
       0.1, 10.0, 1e-8, 1000, 10.0, 0.0, 3, 4,
       ".  The final value for X is at a bound.  The minimum is probably beyond the bound."},
      {"XACC 0", [](double x) { return (x - 2.0) * (x - 2.0); }, 0.0, 0.1, 10.0, 0.0, 1000, 2.0,
       1e-6, 3, 2, ".  Computer rounding errors prevent further refinement of X."},
      {"XACC NaN, as XACC 0", [](double x) { return (x - 2.0) * (x - 2.0); }, 0.0, 0.1, 10.0,
       std::nan(""), 1000, 2.0, 1e-6, 3, 2,
       ".  Computer rounding errors prevent further refinement of X."},
      {"BOUND 0", [](double x) { return x * x; }, 1.0, 0.1, 0.0, 1e-8, 1000, 1.0, 0.0, 5, 1,
       ".  The input value for BOUND is too small.  No change in X can be made."},
      {"BOUND below the spacing at 1e20", [](double x) { return x * x; }, 1e20, 0.1, 1.0, 1e-8,
       1000, 1e20, 0.0, 5, 1,
       ".  The input value for BOUND is too small.  No change in X can be made."},
      {"MAXFN 2", [](double x) { return (x - 2.0) * (x - 2.0); }, 0.0, 0.1, 10.0, 1e-8, 2, 0.1, 0.0,
       4, 3, ".  The maximum number of function evaluations, MAXFN = 2, has been exceeded."},
      {"NaN everywhere", [](double) { return std::nan(""); }, 1.0, 0.1, 10.0, 1e-8, 1000, 1.0, 0.0,
       5, 5,
       ".  The function value at X = 1.000000000000000E+00 is NaN.  The function must take finite "
       "values near XGUESS for a minimum to be found."},
      {"NaN at the guess only",
       [](double x) { return x == 1.0 ? std::nan("") : (x - 2.0) * (x - 2.0); }, 1.0, 0.1, 10.0,
       1e-8, 1000, 1.0, 0.0, 5, 5,
       ".  The function value at X = 1.000000000000000E+00 is NaN.  The function must take finite "
       "values near XGUESS for a minimum to be found."},
      {"+infinity everywhere", [](double) { return HUGE_VAL; }, 1.0, 0.1, 10.0, 1e-8, 1000, 1.0,
       10.0, 5, 5,
       ".  The function value at X = 9.000000076884295E-01 is Infinity.  The function must take "
       "finite values near XGUESS for a minimum to be found."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const ScalarRun run = run_scalar(row.f, row.guess, row.step, row.bound, row.xacc, row.maxfn);
    EXPECT_NEAR(run.x, row.x, row.tolerance);
    EXPECT_EQ(run.type, row.type);
    EXPECT_EQ(run.code, row.code);
    EXPECT_LE(run.calls, row.maxfn);
    if (*row.message != '\0') {
      EXPECT_EQ(waiting_message(), row.message);
    }
  }
}

}  // namespace
}  // namespace numlib::testing
