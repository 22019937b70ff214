#include "numlib/algorithms/function_zeros.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "algorithm_fixture.h"
#include "numlib/algorithms/normal_distribution.h"

namespace numlib::testing {
namespace {

class ZeroBracketTest : public AlgorithmTest {};
class RealZerosTest : public AlgorithmTest {};

double cubic(double x) { return (x * x - 2.0) * x - 5.0; }
constexpr double kCubicRoot = 2.0945514815423265;

bool between(double root, double a, double b) {
  return std::min(a, b) <= root && root <= std::max(a, b);
}

// ---- DZBREN ----

TEST_F(ZeroBracketTest, ConvergesWithinTolerance) {
  struct Row {
    const char* what;
    double scale;  // of the function
    double errabs, errrel;
    double a, b;
  };
  const Row rows[] = {
      {"engine tolerances", 1.0, 1e-10, 1e-6, 2.0, 3.0},
      {"engine tolerances, ends swapped", 1.0, 1e-10, 1e-6, 3.0, 2.0},
      {"bracket only", 1.0, 0.0, 1e-15, 2.0, 3.0},
      {"wide bracket", 1.0, 0.0, 1e-12, -1.0, 100.0},
      // Products of these values underflow; comparing signs keeps the bracket.
      {"values near 1e-170", 1e-170, 0.0, 1e-12, 2.0, 3.0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    int calls = 0;
    auto f = [&](double x) {
      ++calls;
      return row.scale * cubic(x);
    };
    double a = row.a, b = row.b;
    int maxfn = 10000;
    DZBREN(f, row.errabs, row.errrel, a, b, maxfn);
    EXPECT_EQ(LAST_ERROR_CODE(), 0);
    EXPECT_EQ(maxfn, calls);
    EXPECT_TRUE(std::abs(b - kCubicRoot) <= row.errrel * std::max(std::abs(b), 0.1) ||
                std::abs(f(b)) <= row.errabs)
        << "b = " << b;
    EXPECT_TRUE(between(kCubicRoot, a, b)) << a << " " << b;
    EXPECT_LT(maxfn, 100);
  }
}

TEST_F(ZeroBracketTest, ZeroAtAStartingPointStopsAtOnce) {
  for (const auto& [a0, b0] : {std::pair{2.0, 5.0}, std::pair{-1.0, 2.0}}) {
    double a = a0, b = b0;
    int maxfn = 100;
    DZBREN([](double x) { return x - 2.0; }, 0.0, 1e-12, a, b, maxfn);
    EXPECT_EQ(b, 2.0);
    EXPECT_EQ(maxfn, 2);
    EXPECT_EQ(LAST_ERROR_CODE(), 0);
  }
}

TEST_F(ZeroBracketTest, SameSignBracketIsRefused) {
  ERSET(0, 0, 0);
  struct Row {
    const char* what;
    double (*f)(double);
    double a, b;
    const char* message;
  };
  const Row rows[] = {
      {"cubic on [3, 4]", cubic, 3.0, 4.0,
       ".  The external function values F(A) = 1.600000000000000E+01 and F(B) = "
       "5.100000000000000E+01 have the same sign."},
      {"tiny constant", [](double) { return 1e-170; }, 0.0, 1.0,
       ".  The external function values F(A) = 1.000000000000000-170 and F(B) = "
       "1.000000000000000-170 have the same sign."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    double a = row.a, b = row.b;
    int maxfn = 10000;
    DZBREN(row.f, 1e-10, 1e-6, a, b, maxfn);
    EXPECT_EQ(N1RTY(1), 5);
    EXPECT_EQ(N1RCD(1), 1);
    EXPECT_EQ(LAST_ERROR_CODE(), 0);
    EXPECT_EQ(waiting_message(), row.message);
    EXPECT_EQ(a, row.a);
    EXPECT_EQ(b, row.b);
    EXPECT_EQ(maxfn, 2);
  }
}

TEST_F(ZeroBracketTest, SameSignValuesComeFromASecondEvaluation) {
  ERSET(0, 0, 0);
  int calls = 0;
  double a = 3.0, b = 4.0;
  int maxfn = 50;
  DZBREN(
      [&](double x) {
        ++calls;
        return cubic(x) + calls;  // the quoted values differ from the first ones
      },
      0.0, 1e-6, a, b, maxfn);
  EXPECT_EQ(calls, 4);
  EXPECT_EQ(waiting_message(),
            ".  The external function values F(A) = 1.900000000000000E+01 and F(B) = "
            "5.500000000000000E+01 have the same sign.");
}

TEST_F(ZeroBracketTest, SameSignStopsTheRunByDefault) {
  double a = 3.0, b = 4.0;
  int maxfn = 10;
  EXPECT_EQ(stop_status([&] { DZBREN(cubic, 0.0, 1e-6, a, b, maxfn); }), 3);
  const std::string out = take_output();
  EXPECT_NE(out.find(" *** TERMINAL ERROR 1 from DZBREN.  The external function values"),
            std::string::npos)
      << out;
}

TEST_F(ZeroBracketTest, EvaluationLimit) {
  ERSET(0, 0, 0);
  struct Row {
    const char* what;
    int maxfn;
    double errabs, errrel;
    int code;
  };
  const Row rows[] = {
      {"three evaluations", 3, 0.0, 1e-15, 1},
      {"limit below the start", 1, 0.0, 1e-15, 1},
      {"no relative test, zero found or limit", 200, 0.0, 0.0, -1},
      {"no relative test, |f| test", 200, 1e-9, 0.0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    double a = 2.0, b = 3.0;
    int maxfn = row.maxfn;
    DZBREN(cubic, row.errabs, row.errrel, a, b, maxfn);
    EXPECT_TRUE(between(kCubicRoot, a, b)) << a << " " << b;
    if (row.code == 1) {
      EXPECT_EQ(LAST_ERROR_CODE(), 1);
      EXPECT_EQ(maxfn, std::max(row.maxfn, 2));
      EXPECT_EQ(waiting_message(),
                ".  Failure to converge in MAXFN = " + std::to_string(row.maxfn) +
                    " function evaluations.");
    } else if (row.code == 0) {
      EXPECT_EQ(LAST_ERROR_CODE(), 0);
      EXPECT_LE(std::abs(cubic(b)), row.errabs);
    } else {
      // With both tests off only an exact zero ends the search early.
      EXPECT_TRUE(cubic(b) == 0.0 || (LAST_ERROR_CODE() == 1 && maxfn == row.maxfn));
    }
    E1MES(0, 0, " ");
  }
}

TEST_F(ZeroBracketTest, EvaluationLimitIsFatalByDefault) {
  double a = 2.0, b = 3.0;
  int maxfn = 3;
  EXPECT_EQ(stop_status([&] { DZBREN(cubic, 0.0, 1e-15, a, b, maxfn); }), 3);
  EXPECT_NE(take_output().find("FATAL    ERROR 1 from DZBREN"), std::string::npos);
}

// A library routine called inside the user's function counts as called by the
// program: its WARNING is printed when it returns, not later.
TEST_F(ZeroBracketTest, WarningInsideTheFunctionIsPrintedAtOnce) {
  const double series[] = {0.0, 1.0};
  std::string seen_inside;
  bool first = true;
  double a = 2.0, b = 3.0;
  int maxfn = 100;
  DZBREN(
      [&](double x) {
        if (first) {
          first = false;
          DCSEVL(2.0, series, 2);
          seen_inside = take_output();
        }
        return cubic(x);
      },
      1e-10, 1e-6, a, b, maxfn);
  EXPECT_NE(seen_inside.find(" *** WARNING  ERROR 7 from DCSEVL.  The argument X ="),
            std::string::npos)
      << seen_inside;
  EXPECT_EQ(seen_inside.find("(Called internally)"), std::string::npos) << seen_inside;
  EXPECT_EQ(take_output(), "");
  EXPECT_NEAR(b, kCubicRoot, 1e-6 * kCubicRoot);
}

TEST_F(ZeroBracketTest, NonFiniteValuesEndAtTheLimit) {
  ERSET(0, 0, 0);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  double a = 2.0, b = 3.0;
  int maxfn = 50;
  DZBREN([&](double x) { return x > 2.05 && x < 2.95 ? nan : cubic(x); }, 0.0, 1e-12, a, b,
         maxfn);
  EXPECT_LE(maxfn, 50);
}

// ---- DZREAL ----

double three_roots(double x) { return (x - 1.0) * (x - 2.0) * (x - 3.0); }

// F, counting its calls in CALLS.
auto counting(double (*f)(double), int& calls) {
  return [f, &calls](double v) {
    ++calls;
    return f(v);
  };
}

TEST_F(RealZerosTest, ThreeZerosFromOneGuess) {
  const double guesses[3] = {2.5, 2.5, 2.5};
  double x[3];
  int counts[3];
  DZREAL(three_roots, 1e-10, 1e-8, 1e-5, 1e-3, 3, 100, guesses, x, counts);
  std::vector<double> found(x, x + 3);
  std::sort(found.begin(), found.end());
  for (int k = 0; k < 3; ++k) {
    EXPECT_NEAR(found[k], k + 1.0, 1e-7);
    EXPECT_GE(counts[k], 1);
    EXPECT_LE(counts[k], 99);
  }
  EXPECT_EQ(LAST_ERROR_CODE(), 0);
  EXPECT_EQ(take_output(), "");
}

// The creep fit's equation beyond its last retardation time, as the engine
// calls it, against scipy's brentq.
TEST_F(RealZerosTest, CreepFitEquationMatchesBrentq) {
  const auto rows = read_oracle_rows("prony_root.csv");
  ASSERT_EQ(rows.size(), 3u);
  for (const auto& row : rows) {
    const int n = static_cast<int>(row[0]);
    const double expected = row[1];
    const double guess = row[2];
    const double cn = row[3];
    const std::vector<double> c(row.begin() + 4, row.begin() + 4 + (n - 1));
    const std::vector<double> lambda(row.begin() + 4 + (n - 1), row.end());
    ASSERT_EQ(static_cast<int>(lambda.size()), n - 2);
    auto prony_root_function = [&](double x) {
      double total = c[0] - x / cn;
      for (int j = 0; j < n - 2; ++j) {
        const double t = 1.0 - lambda[j] / x;
        if (std::abs(t) < 1e-50) return 1e10;
        total += c[j + 1] / t;
      }
      return total;
    };
    double x = 0.0;
    int count = 0;
    DZREAL(prony_root_function, 1e-4, 1e-6, 1.0, 2.0, 1, 10000, &guess, &x, &count);
    EXPECT_TRUE(relatively_near(x, expected, 1e-5));
    EXPECT_LT(count, 10000);
    EXPECT_EQ(LAST_ERROR_CODE(), 0);
  }
}

TEST_F(RealZerosTest, IterationLimitOfOneReturnsTheGuesses) {
  ERSET(0, 0, 0);
  int calls = 0;
  const double guesses[2] = {0.5, 7.0};
  double x[2];
  int counts[2];
  DZREAL(counting(three_roots, calls), 1e-10, 1e-8, 1e-5, 1e-3, 2, 1, guesses, x, counts);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(x[0], 0.5);
  EXPECT_EQ(x[1], 7.0);
  EXPECT_EQ(counts[0], 2);
  EXPECT_EQ(counts[1], 2);
  EXPECT_EQ(LAST_ERROR_CODE(), 1);
  EXPECT_EQ(N1RTY(1), 3);
  EXPECT_EQ(waiting_message(),
            ".  Failure to converge within  ITMAX = 1 iterations for at least  one of the "
            "NROOT = 2 roots. ");
}

TEST_F(RealZerosTest, WarningIsPrintedByDefault) {
  const double guess = 4.0;
  double x;
  int count;
  DZREAL(three_roots, 1e-10, 1e-8, 1e-5, 1e-3, 1, 0, &guess, &x, &count);
  EXPECT_EQ(count, 1);
  const std::string out = take_output();
  EXPECT_NE(out.find(" *** WARNING  ERROR 1 from DZREAL.  Failure to converge"),
            std::string::npos)
      << out;
}

TEST_F(RealZerosTest, StartingPoints) {
  struct Row {
    const char* what;
    double guess;
    std::vector<double> first_points;
  };
  const Row rows[] = {
      {"non-zero guess", 2.5, {0.9 * 2.5, 1.1 * 2.5, 2.5}},
      {"zero guess", 0.0, {-1.0, 1.0, 0.0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::vector<double> points;
    const double guesses[2] = {4.0, row.guess};
    double x[2];
    int counts[2];
    DZREAL(
        [&](double v) {
          points.push_back(v);
          return (v - 1.5) * (v - 2.5) * (v - 3.5);  // no zero among the starting points
        },
        1e-10, 1e-8, 1e-5, 1e-3, 2, 100, guesses, x, counts);
    // The second zero's first three points, after the first zero's search.
    const std::size_t first_zero_calls = static_cast<std::size_t>(counts[0]);
    ASSERT_GE(points.size(), first_zero_calls + 3);
    EXPECT_EQ(points[0], 0.9 * 4.0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(points[first_zero_calls + i], row.first_points[i]);
  }
}

// The guess itself is a zero: it is the third point, so it is accepted there.
TEST_F(RealZerosTest, ZeroAtTheGuessIsAcceptedAtTheThirdIteration) {
  const double guess = 2.0;
  double x;
  int count;
  DZREAL(three_roots, 1e-10, 1e-8, 1e-5, 1e-3, 1, 100, &guess, &x, &count);
  EXPECT_EQ(x, 2.0);
  EXPECT_EQ(count, 3);
}

// A point on a found zero is moved, never divided by zero; moves that do not
// move the point end the search with a warning instead of looping.
TEST_F(RealZerosTest, SeparationWithoutMovement) {
  ERSET(0, 0, 0);
  struct Row {
    const char* what;
    double separation, perturbation;
  };
  const Row rows[] = {
      {"perturbation 0", 10.0, 0.0},
      {"perturbation below the spacing", 10.0, 1e-300},
      {"perturbation NaN", 10.0, std::numeric_limits<double>::quiet_NaN()},
      {"separation 0 on the zero itself", 0.0, 0.0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const double guesses[2] = {2.0, 2.0};
    double x[2];
    int counts[2];
    DZREAL(three_roots, 1e-10, 1e-8, row.separation, row.perturbation, 2, 100, guesses, x,
           counts);
    EXPECT_EQ(x[0], 2.0);
    EXPECT_EQ(counts[0], 3);
    EXPECT_EQ(counts[1], 101);
    EXPECT_EQ(LAST_ERROR_CODE(), 1);
    E1MES(0, 0, " ");
  }
}

// Each move is uncounted, but their number per zero is bounded.
TEST_F(RealZerosTest, SeparationMovesAreBounded) {
  ERSET(0, 0, 0);
  int calls = 0;
  const double guesses[2] = {2.0, 2.0};
  double x[2];
  int counts[2];
  // A tiny move that keeps every point within the separation of 2.
  DZREAL(counting(three_roots, calls), 1e-10, 1e-8, 1e6, 1e-6, 2, 50, guesses, x, counts);
  EXPECT_EQ(counts[1], 51);
  EXPECT_LE(calls, 3 + 51);
  EXPECT_EQ(LAST_ERROR_CODE(), 1);
}

TEST_F(RealZerosTest, NothingWantedDoesNothing) {
  int calls = 0;
  DZREAL(
      [&](double) {
        ++calls;
        return 0.0;
      },
      1e-10, 1e-8, 1e-5, 1e-3, 0, 100, nullptr, nullptr, nullptr);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(LAST_ERROR_CODE(), 0);
}

TEST_F(RealZerosTest, NonFiniteValuesEndWithinTheLimit) {
  ERSET(0, 0, 0);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double guess = 2.5;
  double x;
  int count;
  DZREAL([&](double) { return nan; }, 1e-10, 1e-8, 1e-5, 1e-3, 1, 200, &guess, &x, &count);
  EXPECT_EQ(count, 201);
}

}  // namespace
}  // namespace numlib::testing
