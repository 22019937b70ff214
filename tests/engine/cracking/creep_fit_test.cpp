#include "engine/cracking/creep_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "engine/cracking/cracking_channels.h"
#include "engine/cracking/cracking_test_support.h"
#include "engine/temp_project.h"
#include "platform/units.h"

namespace {

using cracking_test::relatively_near;
using cracking_test::oracle_rows;

// The fit of one table, with its report channel open as the run opens it.
struct FitRun {
  engine_test::TempDrive drive;
  cracking_test::FitConsole console;
  engine::CrackingState state;
  std::array<double, 5> power{};
  double strength = 0.0;
  int status = 0;
  std::string message;

  FitRun() {
    platform::open_unit(engine::kFitReportUnit, "c:\\master-results.dat",
                        platform::OpenStatus::Replace);
  }
  ~FitRun() { platform::close_all_units(); }
  engine::CreepFitCommon& fit() { return state.creep_fit_common; }
  void table(const std::string& key) { cracking_test::write_test_table(key, "c:\\table.dat"); }
  template <class F>
  void go(F&& step) {
    status = engine_test::stop_status(step, &message);
  }
  void run() {
    platform::FixedText<255> name;
    name = "c:\\table.dat";
    go([&] { engine::fit_prony_creep(state, power, strength, name); });
  }
  std::vector<std::string> report() {
    platform::flush_unit(engine::kFitReportUnit);
    return cracking_test::lines(drive.read("master-results.dat"));
  }
};

// The numbers of a record of E14.5 fields.
std::vector<double> fields(const std::string& record) {
  std::vector<double> out;
  EXPECT_EQ(record.size() % 14, 0u) << record;
  for (std::size_t at = 0; at + 14 <= record.size(); at += 14)
    out.push_back(std::strtod(record.substr(at, 14).c_str(), nullptr));
  return out;
}

TEST(CreepFit, ReferenceMix) {
  FitRun run;
  run.table("reference");
  run.run();
  ASSERT_EQ(run.status, 0) << run.message;
  const auto o = oracle_rows("creep_fit_reference.csv");
  const auto fixed = oracle_rows("relaxation_series.csv");
  const engine::CreepFitCommon& fit = run.fit();

  // the bounded minimiser's power law stands (m >= 0.2); elements 4, 5 zero
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_TRUE(relatively_near(run.power[i], o[0][i] * (i < 2 ? 1e-7 : 1.0), i < 2 ? 1e-4 : 1e-5)) << i;
  EXPECT_NE(run.power[2], fit.work.search_point[2]);
  EXPECT_EQ(run.power[3], 0.0);
  EXPECT_EQ(run.power[4], 0.0);
  EXPECT_NEAR(run.strength, 386.7070707, 5e-7);

  // the k = 4 series, against lstsq on the same 30 points
  ASSERT_EQ(fit.prony_term_count, 6);
  for (std::size_t j = 0; j < 4; ++j) EXPECT_TRUE(relatively_near(fit.retardation_times[j], o[3][j], 1e-14));
  for (std::size_t j = 0; j < 5; ++j)
    EXPECT_TRUE(relatively_near(fit.prony_coefficients[j], o[2][j] * 1e-7, 1e-8)) << j;
  EXPECT_TRUE(relatively_near(fit.prony_coefficients[5], 1e7 / o[2][5], 1e-8));

  // relaxation times (brentq), moduli (the exact residues) and the fixed
  // series of the stress tests
  ASSERT_EQ(fit.relaxation_term_count, 5);
  double sum = 0.0, weighted = 0.0;
  for (std::size_t j = 0; j < 5; ++j) {
    EXPECT_TRUE(relatively_near(fit.relaxation_times[j], o[4][j], 1e-6)) << j;
    EXPECT_TRUE(relatively_near(fit.relaxation_moduli[j], o[5][j], 1e-6)) << j;
    EXPECT_TRUE(relatively_near(fit.relaxation_times[j], fixed[j][0], 1e-6)) << j;
    EXPECT_TRUE(relatively_near(fit.relaxation_moduli[j], fixed[j][1], 1e-6)) << j;
    sum += fit.relaxation_moduli[j] * 1e-7;
    weighted += fit.relaxation_times[j] * fit.relaxation_moduli[j] * 1e-7;
  }
  EXPECT_TRUE(relatively_near(sum, 1.0 / (fit.prony_coefficients[0] * 1e7), 1e-9));
  EXPECT_TRUE(relatively_near(weighted, fit.prony_coefficients[5] * 1e-7, 1e-9));
  EXPECT_EQ(engine::relaxation_row_count(5, fit.relaxation_times[0], fit.relaxation_times[4]),
            static_cast<int>(o[6][0]));
  EXPECT_TRUE(relatively_near(fit.master_curve_shifts[0], fixed[5][0], 1e-11));
  EXPECT_TRUE(relatively_near(fit.master_curve_shifts[1], fixed[5][1], 1e-11));

  // the report: labels exact, numbers E14.5 ten to a line
  const std::vector<std::string> report = run.report();
  ASSERT_EQ(report.size(), 8u);
  const std::string head = "  final dod1 xsol2 ";
  EXPECT_EQ(report[0].substr(0, head.size()), head);
  double s2 = 0.0, s3 = 0.0;
  EXPECT_EQ(platform::read_list_text(report[0].substr(head.size()), s2, s3).status,
            platform::IoStatus::Ok);
  EXPECT_EQ(s2, fit.master_curve_shifts[0]);
  EXPECT_EQ(s3, fit.master_curve_shifts[1]);
  EXPECT_EQ(report[3], "  prony creep 6 variables");
  const std::vector<std::pair<std::size_t, std::vector<double>>> records = {
      {1, {run.power.begin(), run.power.end()}},
      {2, {run.strength}},
      {4, {fit.retardation_times.begin(), fit.retardation_times.begin() + 4}},
      {5, {fit.prony_coefficients.begin(), fit.prony_coefficients.begin() + 6}},
      {6, {fit.relaxation_times.begin(), fit.relaxation_times.begin() + 5}},
      {7, {fit.relaxation_moduli.begin(), fit.relaxation_moduli.begin() + 5}},
  };
  for (const auto& [line, values] : records) {
    const std::vector<double> got = fields(report[line]);
    ASSERT_EQ(got.size(), values.size()) << report[line];
    for (std::size_t i = 0; i < got.size(); ++i)
      EXPECT_NEAR(got[i], values[i], 5e-5 * std::abs(values[i])) << report[line];
  }
  EXPECT_EQ(run.console.text(), "");
  EXPECT_EQ(run.console.pauses(), 0);
}

TEST(CreepFit, PronyCascade) {
  // exact series of k = 3 and k = 2 that the larger k fit with a negative
  // coefficient, a falling curve that no k fits, a curve whose Kelvin columns
  // DRLSE finds dependent (coefficients 0, accepted) and one whose dashpot
  // column is (0, refused): kept k (0: none), S3, times, compliances, expected
  const auto rows = oracle_rows("prony_cascade.csv");
  for (const auto& r : rows) {
    FitRun run;
    const int k = static_cast<int>(r[0]);
    SCOPED_TRACE("k " + std::to_string(k) + " S3 " + std::to_string(r[1]));
    engine::CreepFitCommon& fit = run.fit();
    fit.master_curve_shifts[1] = r[1];
    for (std::size_t i = 0; i < 30; ++i) {
      fit.master_curve_times[i] = r[2 + i];
      fit.master_curve_compliances[i] = r[32 + i];
    }
    run.go([&] { engine::fit_prony_series(fit); });
    if (k == 0) {
      ASSERT_EQ(run.status, 1);
      int position = 0;
      double value = 0.0;
      ASSERT_EQ(platform::read_list_text(run.message, position, value).status, platform::IoStatus::Ok)
          << run.message;
      EXPECT_EQ(position, static_cast<int>(r[62]));
      EXPECT_NEAR(value, r[63], 1e-8 * std::abs(r[63]));
      continue;
    }
    ASSERT_EQ(run.status, 0) << run.message;
    ASSERT_EQ(fit.prony_term_count, k + 2);
    for (std::size_t p = 0; p <= static_cast<std::size_t>(k); ++p)
      EXPECT_NEAR(fit.prony_coefficients[p], r[62 + p] * 1e-7, 1e-8 * r[62 + p] * 1e-7) << p;
    EXPECT_TRUE(relatively_near(fit.prony_coefficients[static_cast<std::size_t>(k + 1)],
                         1e7 / r[62 + static_cast<std::size_t>(k + 1)], 1e-8));
    EXPECT_EQ(run.report()[0], "  prony creep " + std::to_string(k + 2) + " variables");
  }
}

// DZREAL failing, as it may on a series whose last time lies far out.
void failing_real_zeros(numlib::SCALAR_FUNCTION, double, double, double, double, int, int itmax,
                        const double* guesses, double* x, int* counts) {
  x[0] = guesses[0];
  counts[0] = itmax + 1;
}

TEST(CreepFit, RelaxationTimes) {
  // a zero 5e-5 s below the pole at 100 s, within one walking step; a last
  // zero far beyond the 0.5 s walk, found by DZREAL, or after a failing
  // DZREAL by doubling the bracket
  const auto series = oracle_rows("creep_series.csv");
  struct Row {
    std::size_t series;
    engine::RealZerosRoutine real_zeros;
    std::string console;
  };
  const Row rows[] = {
      {0, nullptr, ""}, {1, nullptr, ""}, {1, &failing_real_zeros, " 10001\n"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.series);
    const std::vector<double>& r = series[row.series];
    FitRun run;
    engine::ScaledProny p;
    p.n = 4;
    for (std::size_t i = 0; i < 4; ++i) p.c[i] = r[1 + i];
    p.lambda[0] = r[5];
    p.lambda[1] = r[6];
    EXPECT_EQ(engine::prony_root_function(p, r[5]), 1e10);
    EXPECT_EQ(engine::prony_root_function(p, r[6]), 1e10);
    engine::find_relaxation_times(run.fit(), p, row.real_zeros);
    EXPECT_EQ(run.fit().relaxation_term_count, 3);
    const auto& rho = run.fit().relaxation_times;
    for (std::size_t j = 0; j < 3; ++j) EXPECT_TRUE(relatively_near(rho[j], r[7 + j], 1e-6)) << j;
    EXPECT_LT(std::abs(rho[1] - r[8]), std::abs(rho[1] - r[6]));  // the zero, not the pole
    EXPECT_EQ(run.console.text(), row.console);
    EXPECT_EQ(run.console.pauses(), row.console.empty() ? 0 : 1);
    EXPECT_EQ(run.report().size(), 0u);
  }
  // rho_K / rho_1 = 1.5^20: the single divisor lies below log10(1.5), so
  // 20.0000006 rows and one more
  EXPECT_EQ(engine::relaxation_row_count(5, 2.0, 2.0 * std::pow(1.5, 20)), 21);
  EXPECT_EQ(engine::relaxation_row_count(5, 1.0, std::pow(1.5, 2.5)), 5);
  EXPECT_EQ(engine::relaxation_row_count(3, 1.0, 1.0), 3);
}

// The text of the oracle's table KEY with some of its lines (0: the
// temperatures, 1-21 the points, 22 the strength) replaced.
std::string table_text(const std::string& key, const std::map<int, std::string>& replaced = {}) {
  const std::vector<double> r = cracking_test::keyed_rows("creep_tables.csv").at(key);
  std::string out;
  for (int i = 0; i <= 22; ++i) {
    const double t = engine::kCreepLoadingTimes[static_cast<std::size_t>((i + 6) % 7)];
    const std::string record = i == 0    ? "-4. 14. 32."
                               : i == 22 ? platform::format_list(r[0])
                                         : platform::format_list(t, r[static_cast<std::size_t>(i)]);
    const auto it = replaced.find(i);
    out += (it == replaced.end() ? record : it->second) + "\n";
  }
  return out;
}

TEST(CreepFit, TableChecks) {
  std::map<int, std::string> flat;
  for (int i = 1; i <= 7; ++i)
    flat[i] = platform::format_list(engine::kCreepLoadingTimes[static_cast<std::size_t>(i - 1)], 2e-6);
  const std::string warning =
      " Creep table is not at -4, 14, 32 F and 1 to 100 s: check your test data\n";
  const std::string mix = "reference";
  struct Row {
    const char* what;
    std::string table;
    int status;
    std::string message;  // the console, or the start of the stop's message
  } rows[] = {
      {"exponent below 0.2", table_text("small_m"), 0, ""},
      {"other temperatures", table_text(mix, {{0, "-5. 14. 32."}}), 0, warning},
      {"other loading time", table_text(mix, {{9, "2.5 3e-7"}}), 0, warning},
      {"zero time", table_text(mix, {{3, "0. 1e-6"}}), 1,
       "Input error in \"c:\\table.dat\", line 4: loading time and creep compliance must be"},
      {"negative compliance", table_text(mix, {{15, "1. -1e-6"}}), 1,
       "Input error in \"c:\\table.dat\", line 16: loading time and creep compliance must"},
      {"not a number", table_text(mix, {{21, "100. NaN"}}), 1,
       "Input error in \"c:\\table.dat\", line 22: value NaN; it must be a finite number"},
      {"flat curve", table_text(mix, flat), 1,
       "Creep table \"c:\\table.dat\": its creep curves give no master curve"},
      {"no strength", table_text(mix, {{22, ""}}), 2, "File error"},
      {"zero strength", table_text(mix, {{22, "0."}}), 1,
       "Input error in \"c:\\table.dat\", line 23: the tensile strength must be positive"},
      {"negative strength", table_text(mix, {{22, "-300."}}), 1,
       "Input error in \"c:\\table.dat\", line 23: the tensile strength must be positive"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    FitRun run;
    run.drive.write("table.dat", row.table);
    run.run();
    EXPECT_EQ(run.status, row.status) << run.message;
    if (row.status != 0) {
      EXPECT_EQ(run.message.substr(0, row.message.size()), row.message);
      continue;
    }
    EXPECT_EQ(run.console.text(), row.message);
    for (std::size_t j = 0; j < 5; ++j) EXPECT_TRUE(std::isfinite(run.fit().relaxation_moduli[j]));
    // below m = 0.2 the direct search's point replaces the power law
    const auto& point = run.fit().work.search_point;
    if (run.power[2] < 0.2) {
      EXPECT_EQ(run.power, (std::array<double, 5>{point[0] * 1e-7, point[1] * 1e-7, point[2], 0, 0}));
    }
    EXPECT_EQ(run.power[2] < 0.2, row.table == table_text("small_m"));
  }
}

}  // namespace
