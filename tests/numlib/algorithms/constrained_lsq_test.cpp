#include "numlib/algorithms/constrained_lsq.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cfloat>
#include <climits>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "algorithm_fixture.h"
#include "numlib/support/option_managers.h"

namespace numlib::testing {
namespace {

class ConstrainedLsqTest : public AlgorithmTest {};

constexpr double kNoLower = 1.0e30, kNoUpper = -1.0e30;

struct Problem {
  int nra = 0, nca = 0, ncon = 0;
  std::vector<double> a, b, c, bl, bu, xlb, xub;  // A and C by columns
  std::vector<int> irtype;
  std::vector<double> expected;  // the oracle's x
  double aat(int i, int j) const { return a[i + j * nra]; }
  double cat(int i, int j) const { return c[i + j * ncon]; }
};

// Problems of constrained_lsq.csv, by case number from 1.
std::vector<Problem> oracle_problems() {
  const auto rows = read_oracle_rows("constrained_lsq.csv");
  std::vector<Problem> problems;
  for (std::size_t at = 0; at < rows.size();) {
    Problem p;
    p.nra = static_cast<int>(rows[at][1]);
    p.nca = static_cast<int>(rows[at][2]);
    p.ncon = static_cast<int>(rows[at][3]);
    ++at;
    p.a.resize(p.nra * p.nca);
    for (int i = 0; i < p.nra; ++i, ++at)
      for (int j = 0; j < p.nca; ++j) p.a[i + j * p.nra] = rows[at][j];
    p.b = rows[at++];
    if (p.ncon > 0) {
      p.c.resize(p.ncon * p.nca);
      for (int i = 0; i < p.ncon; ++i, ++at)
        for (int j = 0; j < p.nca; ++j) p.c[i + j * p.ncon] = rows[at][j];
      p.bl = rows[at++];
      p.bu = rows[at++];
      for (double t : rows[at++]) p.irtype.push_back(static_cast<int>(t));
    }
    p.xlb = rows[at++];
    p.xub = rows[at++];
    p.expected = rows[at++];
    problems.push_back(std::move(p));
  }
  return problems;
}

struct Solution {
  std::vector<double> x, res;
  int code = 0;  // LAST_ERROR_CODE
  int type = 0;  // of the error DLCLSQ returned with
};

// DLCLSQ on P with X and RES filled with SENTINEL first.
Solution solve(const Problem& p, double sentinel = -77.0, int lda_extra = 0, int ldc = -1) {
  Solution s{std::vector<double>(std::max(p.nca, 1), sentinel),
             std::vector<double>(std::max(p.nra, 1), sentinel)};
  std::vector<double> a = p.a;
  const int lda = p.nra + lda_extra;
  if (lda_extra > 0) {
    a.assign(static_cast<std::size_t>(lda) * p.nca, 0.0);
    for (int j = 0; j < p.nca; ++j)
      for (int i = 0; i < p.nra; ++i) a[i + j * lda] = p.aat(i, j);
  }
  DLCLSQ(p.nra, p.nca, p.ncon, a.data(), lda, p.b.data(), p.c.data(),
         ldc >= 0 ? ldc : std::max(p.ncon, 1), p.bl.data(), p.bu.data(), p.irtype.data(),
         p.xlb.data(), p.xub.data(), s.x.data(), s.res.data());
  s.code = LAST_ERROR_CODE();
  s.type = N1RTY(1);
  return s;
}

// RES = A·x − b to 1e-14 relative to max|b|.
void expect_residual(const Problem& p, const Solution& s) {
  const double bmax = std::abs(*std::max_element(
      p.b.begin(), p.b.end(), [](double u, double v) { return std::abs(u) < std::abs(v); }));
  for (int i = 0; i < p.nra; ++i) {
    double r = -p.b[i];
    for (int j = 0; j < p.nca; ++j) r += p.aat(i, j) * s.x[j];
    EXPECT_NEAR(s.res[i], r, 1e-14 * bmax) << "row " << i + 1;
  }
}

// Every bound and constraint met (constraints to 1e-10 relative).
void expect_feasible(const Problem& p, const std::vector<double>& x) {
  for (int j = 0; j < p.nca; ++j) {
    if (p.xlb[j] != kNoLower) {
      EXPECT_GE(x[j], p.xlb[j]) << "X(" << j + 1 << ")";
    }
    if (p.xub[j] != kNoUpper) {
      EXPECT_LE(x[j], p.xub[j]) << "X(" << j + 1 << ")";
    }
  }
  for (int i = 0; i < p.ncon; ++i) {
    double v = 0.0;
    for (int j = 0; j < p.nca; ++j) v += p.cat(i, j) * x[j];
    const int t = p.irtype[i];
    if (t != 1) {
      EXPECT_GE(v, p.bl[i] - 1e-10 * std::abs(p.bl[i])) << "constraint " << i + 1;
    }
    if (t != 2) {
      EXPECT_LE(v, p.bu[i] + 1e-10 * std::abs(p.bu[i])) << "constraint " << i + 1;
    }
  }
}

TEST_F(ConstrainedLsqTest, SolutionsAgainstOracles) {
  const std::vector<Problem> problems = oracle_problems();
  ASSERT_EQ(problems.size(), 15u);
  for (std::size_t k = 0; k < problems.size(); ++k) {
    const Problem& p = problems[k];
    SCOPED_TRACE("case " + std::to_string(k + 1));
    const Solution s = solve(p, -77.0, 2);
    EXPECT_EQ(s.code, 0);
    EXPECT_EQ(s.type, 0);
    // Bounds alone hold exactly; constraints enter as weighted equations.
    const double tolerance = p.ncon == 0 ? 1e-9 : 1e-7;
    const double xmax =
        std::abs(*std::max_element(p.expected.begin(), p.expected.end(),
                                   [](double u, double v) { return std::abs(u) < std::abs(v); }));
    for (int j = 0; j < p.nca; ++j)
      EXPECT_NEAR(s.x[j], p.expected[j], tolerance * std::max(std::abs(p.expected[j]), 1e-3 * xmax))
          << "X(" << j + 1 << ")";
    expect_feasible(p, s.x);
    expect_residual(p, s);
  }
}

TEST_F(ConstrainedLsqTest, IterationLimitKeepsTheLastPoint) {
  ERSET(0, 0, 0);
  const Problem p = oracle_problems()[1];  // three free variables at the solution
  const int option = 14;
  int limit = 1;
  IUMAG("math", 1, 2, 1, &option, &limit);
  const Solution s = solve(p);
  EXPECT_EQ(s.code, 4);
  EXPECT_EQ(s.type, 4);
  EXPECT_NE(waiting_message().find("Maximum number of iterations exceeded."), std::string::npos);
  expect_feasible(p, s.x);
  expect_residual(p, s);
  EXPECT_NE(s.x, p.expected);
}

TEST_F(ConstrainedLsqTest, ErrorsLeaveTheResultsUntouched) {
  ERSET(0, 0, 0);
  const Problem base = oracle_problems()[9];  // two constraints, all variables boxed
  struct Row {
    const char* what;
    std::function<void(Problem&, int& lda_extra, int& ldc, int& option14)> change;
    int type, code;
    const char* message;
  };
  const Row rows[] = {
      {"NRA = 0", [](Problem& p, int&, int&, int&) { p.nra = 0; }, 5, 6, "while NRA = 0 is given."},
      {"NCA = 0", [](Problem& p, int&, int&, int&) { p.nca = 0; }, 5, 16,
       "while NCA = 0 is given."},
      {"NCON < 0", [](Problem& p, int&, int&, int&) { p.ncon = -1; }, 5, 22,
       "while MCON = -1 is given."},
      {"LDA < NRA", [](Problem&, int& extra, int&, int&) { extra = -1; }, 5, 25,
       "The leading dimension of A must be at least NRA = 9 while LDA = 8 is given."},
      {"LDC < NCON", [](Problem&, int&, int& ldc, int&) { ldc = 1; }, 5, 26,
       "The leading dimension of C must be at least MCON = 2 while LDC = 1 is given."},
      {"type 3 limits reversed",
       [](Problem& p, int&, int&, int&) {
         p.irtype[1] = 3;
         p.bl[1] = 1.0;
         p.bu[1] = 0.5;
       },
       4, 3,
       "The bounds given for constraint 2 are inconsistent:  BL(2) =  1.000000000000000E+00 "
       "must not be greater than BU(2) = 5.000000000000000E-01."},
      {"type 0 limits reversed",
       [](Problem& p, int&, int&, int&) {
         p.irtype[0] = 0;
         p.bl[0] = 2.0;
         p.bu[0] = -2.0;
       },
       4, 3, "The bounds given for constraint 1 are inconsistent"},
      {"IRTYPE = 5", [](Problem& p, int&, int&, int&) { p.irtype[1] = 5; }, 5, 7,
       "IRTYPE must be one of 0, 1, 2, or 3 while IRTYPE(2) = 5 is given."},
      {"option 14 negative", [](Problem&, int&, int&, int& option14) { option14 = -2; }, 5, 17,
       "The maximum number of iterations must be positive while -2 is given."},
      {"XUB < XLB",
       [](Problem& p, int&, int&, int&) {
         p.xlb[2] = 1.0;
         p.xub[2] = -1.0;
       },
       4, 2,
       "The bounds given for X(3) are inconsistent:  XLB(3) =  1.000000000000000E+00 must not "
       "exceed XUB(3) = -1.000000000000000E+00."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    reset_library_state();
    ERSET(0, 0, 0);
    Problem p = base;
    int lda_extra = 0, ldc = -1, option14 = 0;
    row.change(p, lda_extra, ldc, option14);
    if (option14 != 0) {
      const int option = 14;
      IUMAG("math", 1, 2, 1, &option, &option14);
    }
    const Solution s = solve(p, -77.0, lda_extra, ldc);
    EXPECT_EQ(s.type, row.type);
    EXPECT_EQ(N1RCD(1), row.code);
    EXPECT_EQ(s.code, row.type <= 4 ? row.code : 0);
    EXPECT_NE(waiting_message().find(row.message), std::string::npos) << waiting_message();
    EXPECT_TRUE(std::all_of(s.x.begin(), s.x.end(), [](double v) { return v == -77.0; }));
    EXPECT_TRUE(std::all_of(s.res.begin(), s.res.end(), [](double v) { return v == -77.0; }));
  }
  // Work storage that cannot be had ends the run.
  reset_library_state();
  const Problem& p = base;
  std::vector<double> x(p.nca), res(p.nra);
  EXPECT_EQ(stop_status([&] {
              DLCLSQ(INT_MAX, INT_MAX, p.ncon, p.a.data(), INT_MAX, p.b.data(), p.c.data(), p.ncon,
                     p.bl.data(), p.bu.data(), p.irtype.data(), p.xlb.data(), p.xub.data(),
                     x.data(), res.data());
            }),
            3);
  EXPECT_NE(take_output().find("NRA = 2147483647, NCA = 2147483647, and NCON = 2 are given."),
            std::string::npos);
}

// Constraints that the solution misses, and data that is not a number. The
// scaled case: min x^2 with 0.001·x >= 0.001 and an inactive S·x <= 10·S.
// The constraints are equations weighted by 1/w, w = sqrt(eps)·(S + 0.001),
// so x = 1/(1 + 1e6·w^2): short of 1 as S grows, which the warning reports
// without moving x.
TEST_F(ConstrainedLsqTest, MissedConstraintsAndNonFiniteData) {
  ERSET(0, 0, 0);
  const double nan = std::nan(""), inf = HUGE_VAL;
  const auto scaled = [](double s) {
    Problem p;
    p.nra = p.nca = 1;
    p.ncon = 2;
    p.a = {1.0};
    p.b = {0.0};
    p.c = {0.001, s};
    p.bl = {0.001, 0.0};
    p.bu = {0.0, 10.0 * s};
    p.irtype = {2, 1};
    p.xlb = {kNoLower};
    p.xub = {kNoUpper};
    const double w = std::sqrt(DBL_EPSILON) * (s + 0.001);
    p.expected = {1.0 / (1.0 + 1e6 * w * w)};
    return p;
  };
  // min |x - (1, 2)| under one constraint row of C on x1 + x2.
  const auto plane = [](std::vector<double> c, std::vector<double> bl, std::vector<double> bu,
                        std::vector<int> irtype, std::vector<double> expected) {
    Problem p;
    p.nra = p.nca = 2;
    p.ncon = static_cast<int>(irtype.size());
    p.a = {1.0, 0.0, 0.0, 1.0};
    p.b = {1.0, 2.0};
    p.c = std::move(c);
    p.bl = std::move(bl);
    p.bu = std::move(bu);
    p.irtype = std::move(irtype);
    p.xlb = {kNoLower, kNoLower};
    p.xub = {kNoUpper, kNoUpper};
    p.expected = std::move(expected);
    return p;
  };
  const Problem inconsistent = plane({1.0, 1.0, 1.0, 1.0}, {1.0, 2.0}, {1.0, 2.0}, {0, 0}, {});
  Problem apart = scaled(1.0);  // x >= 0 and -5 <= x <= -1
  apart.c = {1.0};
  apart.ncon = 1;
  apart.bl = {-5.0};
  apart.bu = {-1.0};
  apart.irtype = {3};
  apart.xlb = {0.0};
  apart.expected = {0.0};
  const auto with = [](Problem p, const std::function<void(Problem&)>& change) {
    change(p);
    return p;
  };
  struct Row {
    const char* what;
    Problem p;
    int type, code;
    const char* message;  // the start of the waiting message; "" for none
  };
  const Row rows[] = {
      {"S = 1", scaled(1.0), 0, 0, ""},
      {"S = 1e3", scaled(1e3), 3, 28,
       ".  Constraint 1 is not met by the solution:  its value is 9.997780042440441E-04 while "
       "BL(1) = 1.000000000000000E-03.  The constraints are inconsistent or badly scaled."},
      {"S = 1e6", scaled(1e6), 3, 28, ".  Constraint 1 is not met by the solution:"},
      {"x1 + x2 = 1 and x1 + x2 = 2", inconsistent, 3, 28,
       ".  Constraint 1 is not met by the solution:  its value is 1.500000000000000E+00 while "
       "BU(1) = 1.000000000000000E+00."},
      {"x >= 0 and -5 <= x <= -1", apart, 3, 28,
       ".  Constraint 1 is not met by the solution:  its value is 0.000000000000000E+00 while "
       "BU(1) = -1.000000000000000E+00."},
      {"NaN in A", with(inconsistent, [&](Problem& p) { p.a[1] = nan; }), 5, 29,
       ".  A(2,1) = NaN.  Every element of A must be a finite number."},
      {"NaN in B", with(inconsistent, [&](Problem& p) { p.b[1] = nan; }), 5, 29,
       ".  B(2) = NaN.  Every element of B must be a finite number."},
      {"infinity in C", with(inconsistent, [&](Problem& p) { p.c[3] = -inf; }), 5, 29,
       ".  C(2,2) = -Infinity.  Every element of C must be a finite number."},
      {"NaN upper limit", with(inconsistent, [&](Problem& p) { p.bu[1] = nan; }), 5, 30,
       ".  BU(2) = NaN.  A limit of a constraint must be a finite number; a one-sided constraint "
       "(IRTYPE 1 or 2) leaves the other limit unused."},
      {"-infinity as a lower bound", with(inconsistent, [&](Problem& p) { p.xlb[0] = -inf; }), 5,
       30,
       ".  XLB(1) = -Infinity.  A bound of a variable must be a finite number; XLB = 1.0e30 means "
       "no lower bound and XUB = -1.0e30 no upper bound."},
      {"NaN where IRTYPE reads no limit", plane({1.0, 1.0}, {nan}, {1.0}, {1}, {0.0, 1.0}), 0, 0,
       ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const Problem& p = row.p;
    const Solution s = solve(p);
    EXPECT_EQ(s.type, row.type);
    EXPECT_EQ(N1RCD(1), row.code);
    EXPECT_EQ(waiting_message().rfind(row.message, 0), 0u) << waiting_message();
    if (row.type == 5) {
      EXPECT_TRUE(std::all_of(s.x.begin(), s.x.end(), [](double v) { return v == -77.0; }));
      continue;
    }
    expect_residual(p, s);
    for (std::size_t j = 0; j < p.expected.size(); ++j)
      EXPECT_NEAR(s.x[j], p.expected[j], 1e-12 * std::max(std::abs(p.expected[j]), 1e-3))
          << "X(" << j + 1 << ")";
  }
}

TEST_F(ConstrainedLsqTest, ZeroMatrixKeepsTheStartingPoint) {
  Problem p;
  p.nra = 4;
  p.nca = 4;
  p.a.assign(16, 0.0);
  p.b = {1.0, -2.0, 0.5, 3.0};
  p.xlb = {-1.0, kNoLower, 2.0, kNoLower};
  p.xub = {1.0, 3.0, kNoUpper, kNoUpper};
  std::feclearexcept(FE_ALL_EXCEPT);
  const Solution s = solve(p);
  EXPECT_FALSE(std::fetestexcept(FE_DIVBYZERO | FE_INVALID));
  EXPECT_EQ(s.code, 0);
  EXPECT_EQ(s.x, (std::vector<double>{-1.0, 3.0, 2.0, 0.0}));
  EXPECT_EQ(s.res, (std::vector<double>{-1.0, 2.0, -0.5, -3.0}));
}

TEST_F(ConstrainedLsqTest, PrintingLeavesTheResultsAlone) {
  const Problem p = oracle_problems()[10];
  const Solution quiet = solve(p);
  take_output();
  const int option = 13;
  int on = 1;
  IUMAG("math", 1, 2, 1, &option, &on);
  const Solution printed = solve(p);
  const std::string output = take_output();
  EXPECT_EQ(printed.x, quiet.x);
  EXPECT_EQ(printed.res, quiet.res);
  for (const char* title : {"Pretriangularized Input Matrix", "Gradient Values",
                            "Try to bring in this column.", "Solution Values", "Columns Used"})
    EXPECT_NE(output.find(title), std::string::npos) << title;
}

}  // namespace
}  // namespace numlib::testing
