#include "numlib/algorithms/regression.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "algorithm_fixture.h"

namespace numlib::testing {
namespace {

class RegressionTest : public AlgorithmTest {};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A regression problem: X by columns with leading dimension nobs + 1 (so that
// LDX > NOBS is exercised).
struct Problem {
  int nobs = 0, nind = 0, intcep = 1;
  std::vector<double> y, x;
  int ldx() const { return nobs + 1; }
  double& xat(int i, int j) { return x[i + static_cast<std::size_t>(j) * ldx()]; }
  static Problem sized(int nobs, int nind, int intcep) {
    Problem p{nobs, nind, intcep, std::vector<double>(nobs),
              std::vector<double>(static_cast<std::size_t>(nobs + 1) * std::max(nind, 1))};
    return p;
  }
};

struct Fit {
  std::vector<double> b;
  double sst = 0.0, sse = 0.0;
  int type = 0, code = 0;  // of the error DRLSE returned with
};

Fit fit(const Problem& p) {
  Fit f{std::vector<double>(p.nind + std::max(p.intcep, 0), -99.0), -99.0, -99.0};
  DRLSE(p.nobs, p.y.data(), p.nind, p.x.data(), p.ldx(), p.intcep, f.b.data(), f.sst, f.sse);
  f.type = N1RTY(1);
  f.code = N1RCD(1);
  return f;
}

// Seeded regressors in general position and a noisy response.
Problem random_problem(int nobs, int nind, int intcep, unsigned seed) {
  Problem p = Problem::sized(nobs, nind, intcep);
  std::uint64_t state = seed;
  auto next = [&] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<double>(state >> 11) / 9007199254740992.0;
  };
  for (int i = 0; i < nobs; ++i) {
    p.y[i] = 0.5 + next();
    for (int j = 0; j < nind; ++j) {
      p.xat(i, j) = 4.0 * next() - 1.0;
      p.y[i] += (j + 1) * 0.3 * p.xat(i, j);
    }
  }
  return p;
}

// |a - e| <= tolerance * |e|, and the same for every element.
::testing::AssertionResult near_all(const std::vector<double>& actual,
                                    const std::vector<double>& expected, double tolerance) {
  for (std::size_t i = 0; i < expected.size(); ++i) {
    auto r = relatively_near(actual[i], expected[i], tolerance);
    if (!r) return r << " at element " << i;
  }
  return ::testing::AssertionSuccess();
}

TEST_F(RegressionTest, FitsAgainstOracles) {
  const auto rows = read_oracle_rows("regression_fits.csv");
  int cases = 0;
  for (std::size_t at = 0; at < rows.size(); ++cases) {
    const auto& head = rows[at];
    const int id = static_cast<int>(head[0]);  // 1 Longley, 2-4 Prony, 5-8 random, 9-11 polynomials
    SCOPED_TRACE("case " + std::to_string(id));
    Problem p = Problem::sized(static_cast<int>(head[1]), static_cast<int>(head[2]),
                               static_cast<int>(head[3]));
    const double tolerance = head[4];
    for (int i = 0; i < p.nobs; ++i) {
      p.y[i] = rows[at + 1 + i][0];
      for (int j = 0; j < p.nind; ++j) p.xat(i, j) = rows[at + 1 + i][1 + j];
    }
    const std::vector<double>& expected = rows[at + 1 + p.nobs];
    at += p.nobs + 2;
    const Fit f = fit(p);
    EXPECT_EQ(f.type, 0);
    const std::vector<double> b(expected.begin(), expected.end() - 2);
    EXPECT_TRUE(near_all(f.b, b, tolerance));
    // Longley: SSE and SST to ten digits.
    const double ss_tolerance = id == 1 ? 1e-10 : tolerance;
    EXPECT_TRUE(relatively_near(f.sst, expected[expected.size() - 2], ss_tolerance));
    EXPECT_TRUE(relatively_near(f.sse, expected.back(), ss_tolerance));
  }
  EXPECT_EQ(cases, 11);
}

TEST_F(RegressionTest, RankDeficiencyAndSpecialRows) {
  ERSET(0, 0, 0);
  struct Row {
    const char* what;
    std::function<Problem()> problem;
    // The same fit on other data (columns or rows removed), into the
    // positions given; empty when the check below says it all.
    std::function<Problem()> reference;
    std::vector<int> reference_positions;
    int type, code;
    std::string message;  // part of the waiting message
    std::function<void(const Problem&, const Fit&)> check;
  };
  const Problem base = random_problem(20, 3, 1, 3);
  auto without_column = [](Problem p, int j) {
    Problem q = Problem::sized(p.nobs, p.nind - 1, p.intcep);
    q.y = p.y;
    for (int i = 0; i < p.nobs; ++i)
      for (int k = 0, c = 0; k < p.nind; ++k)
        if (k != j) q.xat(i, c++) = p.xat(i, k);
    return q;
  };
  auto no_check = [](const Problem&, const Fit&) {};
  // Row 7 with VALUE in column J (-1: the response), and the data without it.
  auto with_row7 = [&](int j, double value) {
    Problem p = base;
    (j < 0 ? p.y[6] : p.xat(6, j)) = value;
    return p;
  };
  auto without_row7 = [&] {
    Problem p = Problem::sized(base.nobs - 1, base.nind, 1);
    Problem b = base;
    for (int i = 0, r = 0; i < base.nobs; ++i) {
      if (i == 6) continue;
      p.y[r] = b.y[i];
      for (int j = 0; j < b.nind; ++j) p.xat(r, j) = b.xat(i, j);
      ++r;
    }
    return p;
  };
  std::vector<Row> rows = {
      {"a duplicated column",
       [&] {
         Problem p = base;
         for (int i = 0; i < p.nobs; ++i) p.xat(i, 2) = p.xat(i, 0);
         return p;
       },
       [&] { return without_column(base, 2); },
       {0, 1, 2},
       3,
       1,
       "The rank of the matrix of regressors is 3.",
       [](const Problem&, const Fit& f) { EXPECT_EQ(f.b[3], 0.0); }},
      {"a constant non-zero column with an intercept",
       [&] {
         Problem p = base;
         for (int i = 0; i < p.nobs; ++i) p.xat(i, 1) = 4.0;
         return p;
       },
       [&] { return without_column(base, 1); },
       {0, 1, 3},
       3,
       1,
       "The rank of the matrix of regressors is 3.",
       [](const Problem&, const Fit& f) { EXPECT_EQ(f.b[2], 0.0); }},
      {"a zero column without an intercept",
       [&] {
         Problem p = base;
         p.intcep = 0;
         for (int i = 0; i < p.nobs; ++i) p.xat(i, 1) = 0.0;
         return p;
       },
       [&] {
         Problem p = without_column(base, 1);
         p.intcep = 0;
         return p;
       },
       {0, 2},
       3,
       1,
       "The rank of the matrix of regressors is 2.",
       [](const Problem&, const Fit& f) { EXPECT_EQ(f.b[1], 0.0); }},
      {"as many observations as coefficients",
       [] { return random_problem(4, 3, 1, 8); },
       nullptr,
       {},
       6,
       4,
       "DFE = 0.000000000000000E+00.  Statistical inference is not possible.",
       [](const Problem& p, const Fit& f) {
         for (int i = 0; i < p.nobs; ++i) {
           double fitted = f.b[0];
           for (int j = 0; j < p.nind; ++j) fitted += f.b[j + 1] * p.x[i + j * p.ldx()];
           EXPECT_NEAR(fitted, p.y[i], 1e-13 * std::abs(p.y[i]));
         }
         EXPECT_LE(f.sse, 1e-24 * f.sst);
       }},
      {"no regressors: the mean",
       [] {
         Problem p = Problem::sized(5, 0, 1);
         p.y = {2.0, 4.0, 9.0, -1.0, 1.0};
         return p;
       },
       nullptr,
       {},
       0,
       0,
       "",
       [](const Problem&, const Fit& f) {
         EXPECT_DOUBLE_EQ(f.b[0], 3.0);
         EXPECT_DOUBLE_EQ(f.sst, 58.0);
         EXPECT_DOUBLE_EQ(f.sse, 58.0);
       }},
      {"INTCEP = 2",
       [&] {
         Problem p = base;
         p.intcep = 2;
         return p;
       },
       nullptr,
       {},
       5,
       1,
       "INTCEP = 2.  The intercept option, INTCEP, must be equal to 0 or 1.",
       [](const Problem&, const Fit& f) {
         EXPECT_TRUE(std::all_of(f.b.begin(), f.b.end(), [](double v) { return v == -99.0; }));
         EXPECT_EQ(f.sst, -99.0);
         EXPECT_EQ(f.sse, -99.0);
       }},
  };
  // A row with a NaN or an infinity, in X or in Y (column -1): left out.
  for (const auto& [what, j, value] : {std::tuple{"a row with a NaN", 1, kNaN},
                                       {"a row with +infinity", 2, kInf},
                                       {"a response of -infinity", -1, -kInf}})
    rows.push_back({what,
                    [&, j, value] { return with_row7(j, value); },
                    without_row7,
                    {0, 1, 2, 3},
                    0,
                    0,
                    "",
                    no_check});
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Fit reference;
    if (row.reference) reference = fit(row.reference());
    const Problem p = row.problem();
    const Fit f = fit(p);
    EXPECT_EQ(f.type, row.type);
    EXPECT_EQ(f.code, row.code);
    EXPECT_EQ(LAST_ERROR_CODE(), row.type <= 4 ? row.code : 0);
    if (!row.message.empty()) {
      EXPECT_NE(waiting_message().find(row.message), std::string::npos) << waiting_message();
    }
    if (row.reference) {
      for (std::size_t k = 0; k < row.reference_positions.size(); ++k)
        EXPECT_TRUE(relatively_near(f.b[row.reference_positions[k]], reference.b[k], 1e-10));
      EXPECT_TRUE(relatively_near(f.sst, reference.sst, 1e-10));
      EXPECT_TRUE(relatively_near(f.sse, reference.sse, 1e-10));
    }
    row.check(p, f);
  }
}

// ---- the accumulation routine beyond DRLSE ----

// The 25 rows of regression_weighted.csv: x1, x2, y, frequency, weight.
struct Accumulation {
  static constexpr int kRows = 25, kCols = 5, kCoef = 3;
  std::vector<double> x = std::vector<double>(kRows * kCols);
  std::vector<double> expected;  // b1..b3, sse, dfe, nrmiss
  int isub = 1;
  // Results.
  std::vector<double> b = std::vector<double>(kCoef), r = std::vector<double>(kCoef * kCoef),
                      d = std::vector<double>(kCoef), xmin = std::vector<double>(kCoef),
                      xmax = std::vector<double>(kCoef), wk = std::vector<double>(kCoef + 1);
  double dfe = 0.0, scpe = 0.0;
  int irank = 0, nrmiss = 0;

  Accumulation() {
    const auto rows = read_oracle_rows("regression_weighted.csv");
    for (int i = 0; i < kRows; ++i)
      for (int j = 0; j < kCols; ++j) x[i + j * kRows] = rows[i][j];
    expected = rows[kRows];
  }
  // dR2IVN on rows FIRST.. of x (NROW of them, negative to remove).
  void call(int ido, int first, int nrow) {
    static const int indind[] = {1, 2}, inddep[] = {3};
    dR2IVN(ido, nrow, kCols, x.data() + first, kRows, 1, 2, indind, 1, inddep, 4, 5, isub,
           100.0 * DMACH(4), b.data(), kCoef, r.data(), kCoef, d.data(), irank, dfe, &scpe, 1,
           nrmiss, xmin.data(), xmax.data(), wk.data());
  }
  double& at(int i, int j) { return x[i + j * kRows]; }
};

TEST_F(RegressionTest, WeightsAndFrequenciesAgainstWeightedFit) {
  for (int isub : {1, 0}) {
    SCOPED_TRACE(isub ? "intercept row as running sums" : "intercept as a column");
    Accumulation acc;
    acc.isub = isub;
    acc.call(0, 0, Accumulation::kRows);
    EXPECT_EQ(N1RTY(1), 0);
    EXPECT_TRUE(near_all(acc.b, {acc.expected[0], acc.expected[1], acc.expected[2]}, 1e-10));
    EXPECT_TRUE(relatively_near(acc.scpe, acc.expected[3], 1e-10));
    EXPECT_EQ(acc.dfe, acc.expected[4]);
    EXPECT_EQ(acc.nrmiss, acc.expected[5]);
    EXPECT_EQ(acc.irank, 3);
  }
}

TEST_F(RegressionTest, StagesAndDowndating) {
  ERSET(0, 0, 0);
  Accumulation whole;
  whole.call(0, 0, Accumulation::kRows);
  // IDO 1, 2, 3 gives what IDO 0 gives.
  Accumulation staged;
  staged.call(1, 0, 0);
  staged.call(2, 0, 10);
  staged.call(2, 10, Accumulation::kRows - 10);
  staged.call(3, 0, 0);
  EXPECT_EQ(staged.b, whole.b);
  EXPECT_EQ(staged.r, whole.r);
  EXPECT_EQ(staged.scpe, whole.scpe);

  // Removing row 13 equals the fit without it; removing the row that holds
  // the smallest or largest x1 cannot keep XMIN or XMAX.
  Accumulation acc;
  const int row = 12;
  const double x1_min = *std::min_element(acc.x.begin(), acc.x.begin() + Accumulation::kRows);
  const double x1_max = *std::max_element(acc.x.begin(), acc.x.begin() + Accumulation::kRows);
  ASSERT_NE(acc.at(row, 0), x1_min);
  ASSERT_NE(acc.at(row, 0), x1_max);
  Accumulation without;
  without.at(row, 3) = 0.0;  // frequency 0: the row is skipped
  without.call(0, 0, Accumulation::kRows);
  acc.call(1, 0, Accumulation::kRows);
  acc.call(2, row, -1);
  acc.call(3, 0, 0);
  EXPECT_EQ(N1RTY(1), 0);
  EXPECT_TRUE(near_all(acc.b, without.b, 1e-10));
  EXPECT_TRUE(relatively_near(acc.scpe, without.scpe, 1e-10));
  EXPECT_EQ(acc.dfe, without.dfe);

  for (const auto& [value, code] : {std::pair{x1_min, 5}, std::pair{x1_max, 6}}) {
    Accumulation a;
    const int r = static_cast<int>(std::find(a.x.begin(), a.x.end(), value) - a.x.begin());
    a.call(1, 0, Accumulation::kRows);
    a.call(2, r, -1);
    EXPECT_EQ(N1RTY(1), 6);
    EXPECT_EQ(N1RCD(1), code);
    EXPECT_NE(waiting_message().find(code == 5 ? "XMIN(2) equals the current value"
                                               : "XMAX(2) equals the current value"),
              std::string::npos)
        << waiting_message();
  }
}

TEST_F(RegressionTest, NegativeWeightIsFatal) {
  ERSET(0, 0, 0);
  Accumulation acc;
  acc.at(3, 4) = -0.5;
  const std::vector<double> b_before = acc.b;
  acc.call(0, 0, Accumulation::kRows);
  EXPECT_EQ(LAST_ERROR_CODE(), 1);
  EXPECT_NE(waiting_message().find(
                "The weight for row 4 of X was -5.000000000000000E-01.  Weights must be "
                "nonnegative."),
            std::string::npos)
      << waiting_message();
  // On a later call the message names the call.
  acc.call(1, 0, 0);
  acc.call(2, 0, 2);
  acc.call(2, 2, 3);
  EXPECT_EQ(LAST_ERROR_CODE(), 1);
  EXPECT_NE(waiting_message().find("The weight for row 2 of X on invocation number 3 of this "
                                   "routine was -5.000000000000000E-01."),
            std::string::npos)
      << waiting_message();
  acc.at(6, 3) = -2.0;
  acc.call(2, 5, 3);
  EXPECT_EQ(LAST_ERROR_CODE(), 2);
  EXPECT_NE(waiting_message().find("The frequency for row 2 of X on invocation number 4 of this "
                                   "routine is -2.000000000000000E+00.  Frequencies must be "
                                   "nonnegative."),
            std::string::npos)
      << waiting_message();
}

}  // namespace
}  // namespace numlib::testing
