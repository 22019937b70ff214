#include "numlib/algorithms/normal_distribution.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "algorithm_fixture.h"

namespace numlib::testing {
namespace {

class NormalDistributionTest : public AlgorithmTest {};

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST_F(NormalDistributionTest, ErfcMatchesScipyOnADenseSweep) {
  const auto rows = read_oracle_rows("erfc.csv");
  ASSERT_GT(rows.size(), 3000u);
  double worst = 0.0;
  for (const auto& row : rows) {
    const double value = DERFC(row[0]);
    EXPECT_TRUE(relatively_near(value, row[1], 4e-15)) << "x = " << row[0];
    worst = std::max(worst, std::abs(value - row[1]) / row[1]);
  }
  RecordProperty("worst_relative_error", ::testing::PrintToString(worst));
  EXPECT_EQ(LAST_ERROR_CODE(), 0);
}

TEST_F(NormalDistributionTest, FirstCallValues) {
  DERFC(0.5);
  const NormalDistributionState& s = library_state().normal_distribution;
  EXPECT_EQ(s.nterf, 12);
  EXPECT_EQ(s.nterc2, 24);
  EXPECT_EQ(s.nterfc, 25);
  EXPECT_EQ(s.xsml, -6.0136873569177505);
  EXPECT_EQ(s.xmax, 26.533299685083566);
  EXPECT_EQ(s.sqeps, 1.4901161193847656e-08);
  DNORDF(1.0);
  EXPECT_EQ(s.sqrt_half, 0.7071067811865476);

  reset_library_state();
  EXPECT_EQ(library_state().normal_distribution.nterf, 0);
  EXPECT_EQ(library_state().normal_distribution.sqrt_half, 0.0);
}

TEST_F(NormalDistributionTest, ErfcEnds) {
  DERFC(0.0);
  const double xsml = library_state().normal_distribution.xsml;
  const double xmax = library_state().normal_distribution.xmax;
  EXPECT_EQ(DERFC(xsml), 2.0);
  EXPECT_EQ(DERFC(std::nextafter(xsml, -kInf)), 2.0);
  EXPECT_EQ(DERFC(-1e300), 2.0);
  EXPECT_GT(DERFC(xmax), 0.0);
  EXPECT_EQ(LAST_ERROR_CODE(), 0);

  ERSET(0, 0, 0);
  EXPECT_EQ(DERFC(std::nextafter(xmax, kInf)), 0.0);
  EXPECT_EQ(N1RTY(1), 2);
  EXPECT_EQ(LAST_ERROR_CODE(), 1);
  EXPECT_EQ(DERFC(30.0), 0.0);
  EXPECT_EQ(waiting_message(),
            ".  The function underflows because X = 3.000000000000000E+01 is greater than "
            "2.653329968508357E+01. The result is set to zero.");
  EXPECT_EQ(take_output(), "");
}

TEST_F(NormalDistributionTest, NormalDistributionMatchesScipy) {
  const auto rows = read_oracle_rows("ndtr.csv");
  ASSERT_GT(rows.size(), 1700u);
  for (const auto& row : rows) {
    EXPECT_TRUE(relatively_near(DNORDF(row[0]), row[1], 1e-14)) << "x = " << row[0];
  }
}

TEST_F(NormalDistributionTest, NormalDistributionEnds) {
  EXPECT_EQ(DNORDF(0.0), 0.5);
  EXPECT_EQ(DNORDF(40.0), 1.0);
  EXPECT_EQ(DNORDF(-40.0), 0.0);
  EXPECT_EQ(LAST_ERROR_CODE(), 0);
  EXPECT_EQ(N1RTY(1), 0);
  EXPECT_EQ(waiting_message(), "");
  EXPECT_EQ(take_output(), "");
  // Inside a caller's routine too: the cleared underflow does not travel up.
  E1PSH("DCALLER");
  EXPECT_EQ(DNORDF(-1e10), 0.0);
  EXPECT_EQ(N1RTY(0), 0);
  E1POP("DCALLER");
  EXPECT_EQ(LAST_ERROR_CODE(), 0);
}

TEST_F(NormalDistributionTest, ChebyshevSeriesMatchesNumpy) {
  const auto rows = read_oracle_rows("chebyshev_series.csv");
  ASSERT_EQ(rows.size(), 60u);
  for (const auto& row : rows) {
    const int n = static_cast<int>(row[0]);
    ASSERT_EQ(row.size(), 3u + static_cast<std::size_t>(n));
    double magnitude = 0.0;
    for (int i = 0; i < n; ++i) magnitude += std::abs(row[3 + i]);
    // Both sums round at each of the n steps, the more so near x = +-1.
    EXPECT_NEAR(DCSEVL(row[1], &row[3], n), row[2], n * 2.3e-16 * magnitude)
        << "n = " << n << ", x = " << row[1];
  }
  EXPECT_EQ(LAST_ERROR_CODE(), 0);
}

// Error paths of the two series helpers, with printing and stopping off.
TEST_F(NormalDistributionTest, SeriesHelperErrors) {
  ERSET(0, 0, 0);
  const std::vector<double> series = {2.0, 3.0, 0.0};

  struct Row {
    const char* what;
    double x;
    int n;
    int type, code;
    bool nan_result;
    const char* message;
  };
  const Row rows[] = {
      {"no terms", 0.5, 0, 5, 5, true,
       ".  The number of terms in the series is not positive. N = 0."},
      {"negative count", 0.5, -3, 5, 5, true,
       ".  The number of terms in the series is not positive. N = -3."},
      {"too many terms", 0.5, 1001, 5, 6, true,
       ".  The number of terms in the series is greater than 1000. N = 1001."},
      {"outside (-1.1, 1.1)", 2.0, 2, 3, 7, false,
       ".  The argument X = 2.000000000000000E+00 is outside the interval (-1.1,+1.1)."},
      {"at 1.1", 1.1, 2, 0, 0, false, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const double value = DCSEVL(row.x, series.data(), row.n);
    EXPECT_EQ(std::isnan(value), row.nan_result);
    if (!row.nan_result) {
      EXPECT_EQ(value, 1.0 + 3.0 * row.x);
    }
    EXPECT_EQ(N1RTY(1), row.type);
    EXPECT_EQ(N1RCD(1), row.code);
    EXPECT_EQ(waiting_message(), row.message);
    E1MES(0, 0, " ");
  }
}

TEST_F(NormalDistributionTest, TermCounts) {
  ERSET(0, 0, 0);
  const std::vector<double> decaying = {1.0, 0.1, 0.01, 0.001};
  // Single precision: 1e-9 vanishes beside 1.0f, so the sum reaches 1.0 only
  // at the first term; in double it would pass at the second.
  const std::vector<double> single = {0.5, 1.0, 1e-9};
  struct Row {
    const char* what;
    const std::vector<double>* series;
    int nos;
    float eta;
    int expected, type, code;
  };
  const Row rows[] = {
      {"passes at term 3", &decaying, 4, 0.005f, 3, 0, 0},
      {"never passes", &decaying, 4, 10.0f, 1, 0, 0},
      {"summed in single precision", &single, 3, 1.0f, 1, 0, 0},
      {"needs the last term", &decaying, 4, 0.0f, 0, 5, 6},
      {"no coefficients", &decaying, 0, 0.1f, 0, 5, 5},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(INITDS(row.series->data(), row.nos, row.eta), row.expected);
    EXPECT_EQ(N1RTY(1), row.type);
    EXPECT_EQ(N1RCD(1), row.code);
  }
}

// With the default attributes a TERMINAL error is printed and ends the run.
TEST_F(NormalDistributionTest, TerminalErrorStopsByDefault) {
  const double one = 1.0;
  EXPECT_EQ(stop_status([&] { DCSEVL(0.0, &one, 0); }), 3);
  EXPECT_NE(take_output().find("TERMINAL ERROR 5 from DCSEVL"), std::string::npos);
}

// NaN and infinities give some value, never a hang.
TEST_F(NormalDistributionTest, NonFiniteInput) {
  ERSET(0, 0, 0);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (double x : {nan, kInf, -kInf}) {
    DERFC(x);
    DNORDF(x);
  }
  EXPECT_EQ(DERFC(-kInf), 2.0);
  EXPECT_EQ(DERFC(kInf), 0.0);
  EXPECT_EQ(DNORDF(kInf), 1.0);
  EXPECT_EQ(DNORDF(-kInf), 0.0);
}

}  // namespace
}  // namespace numlib::testing
