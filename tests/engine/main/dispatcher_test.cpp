#include "engine/main/dispatcher.h"

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/option_doubles.h"
#include "engine/temp_project.h"
#include "platform/record_io.h"

namespace {

using engine_test::TempDrive;

// Doubles for everything the dispatcher calls: each records that it ran and
// what it saw, and each option writes one record on the results channel.
struct Doubles {
  std::vector<std::string> log;
  float pg_intercept = 0, pg_slope = 0;
  std::array<double, 5> seen_deviations{};
  std::array<std::int32_t, 4> seen_integers{};
  float seen_criterion = -1;
  std::vector<float> sim_thickness, sim_deviation;
  std::string sim_file;
  std::vector<std::int32_t> fill_keys;  // what the option writes into sample_keys

  engine::EngineRun run() {
    engine::EngineRun r;
    r.histories.set_simulation([this](float t, float d, const platform::FixedText<255>&,
                                      const platform::FixedText<255>& file) {
      log.push_back("simulation");
      sim_thickness.push_back(t);
      sim_deviation.push_back(d);
      sim_file = file.str();
    });
    r.check_pg_grade = [this](float a, float b, float& sa, float& sb) {
      log.push_back("pg");
      pg_intercept = a;
      pg_slope = b;
      sa = 0.1f;
      sb = 0.06f;
    };
    auto option = [this](const char* name) {
      return [this, name](engine::OptionArgs& args) {
        log.push_back(name);
        seen_deviations = args.variable_deviations;
        seen_integers = args.cracking.analysis_integers;
        seen_criterion = args.design_criterion;
        for (std::size_t i = 0; i < fill_keys.size(); ++i) {
          args.sample_keys[i] = fill_keys[i];
          args.sample_results[i] = 0.5 * static_cast<double>(i);
        }
        platform::write_list(engine::kResultsUnit, std::string("written by ") + name);
      };
    };
    r.run_design_option = option("design");
    r.run_vol_option = option("volumetric");
    r.run_criteria_option = option("criteria");
    return r;
  }
};

engine::AnalysisRequest request(const char* code1, const char* code2, double spread) {
  engine::AnalysisRequest rq;
  rq.work_directory = "c:\\proj\\";
  rq.analysis_code = {code1, code2};
  rq.analysis_integers = {2001, 2, 3, 20};
  rq.variable_means = {4.0, 1.0, 2.0, 8.1290000001, -2.648};
  rq.variable_deviations = {spread, 0.1, 0.2, 0.5, 0.7};
  return rq;
}

TEST(DispatchAnalysis, ChoosesTheOptionByCode) {
  struct Case {
    const char* code1;
    const char* code2;
    std::vector<std::string> log;
  };
  const Case cases[] = {
      {"DES", "VOL", {"pg", "design"}},
      {"JMF", "vol", {"simulation", "pg", "volumetric"}},
      {"   ", "SPT", {"criteria"}},
      {"   ", " SP", {"pg", "criteria"}},
      {"   ", "spt", {"pg", "criteria"}},
      {"JMF", "   ", {"simulation", "pg", "criteria"}},
      {"FLD", "VOL", {"pg", "volumetric"}},
  };
  for (const auto& c : cases) {
    const std::string what = std::string(c.code1) + "/" + c.code2;
    TempDrive drive;
    drive.write("proj/tmp/keep", "");
    drive.write("proj/criteria.txt", "        12      2112.0\n");
    Doubles d;
    engine::EngineRun run = d.run();
    auto rq = request(c.code1, c.code2, 1.0);
    engine_test::ConsoleCapture console;
    engine::dispatch_analysis(run, rq);
    platform::close_all_units();

    EXPECT_EQ(d.log, c.log) << what;
    EXPECT_EQ(console.text(), " 5\n") << what;
    const bool spt = std::string(c.code2) == "SPT";
    if (!spt) {
      EXPECT_EQ(d.pg_intercept, 8.129f) << what;
      EXPECT_EQ(d.pg_slope, -2.648f) << what;
    }
    EXPECT_EQ(d.seen_deviations[3], spt ? 0.5 : static_cast<double>(0.1f)) << what;
    EXPECT_EQ(d.seen_deviations[4], spt ? 0.7 : static_cast<double>(0.06f)) << what;
    EXPECT_EQ(rq.variable_deviations, d.seen_deviations) << what;
    EXPECT_EQ(d.seen_integers, (std::array<std::int32_t, 4>{2001, 2, 3, 20})) << what;
    if (d.log.back() == "criteria") {
      EXPECT_EQ(d.seen_criterion, 2112.0f) << what;
    }
    EXPECT_EQ(drive.read("proj/res.txt"), " written by " + d.log.back() + "\n") << what;
    EXPECT_EQ(drive.exists("proj/tmp/thermal.tmp"), d.log.front() == "simulation") << what;
    for (const char* f : {"proj/i2.dat", "proj/i_criteria.dat", "proj/tc240.dat"})
      EXPECT_TRUE(drive.exists(f)) << what << " " << f;
  }
}

TEST(DispatchAnalysis, ConsidersTheSimulationBySpreadAndCode) {
  struct Case {
    const char* what;
    const char* code1;
    double spread;
    double thickness;
    const char* header;  // nullptr: no history yet
    bool header_written;
    bool simulated;
  };
  const Case cases[] = {
      {"spread 0.01", "DES", 0.01, 4.0, nullptr, false, false},
      {"spread 0.0099", "DES", 0.0099, 4.0, nullptr, true, true},
      {"spread 0.0099999998", "DES", static_cast<double>(0.01f), 4.0, nullptr, false, false},
      {"JMF, spread 1.0", "JMF", 1.0, 4.0, nullptr, true, true},
      {"thin layer", "DES", 0.0, 0.15, nullptr, true, false},
      {"0.2 in single precision", "DES", 0.0, 0.2, nullptr, true, true},
      {"fits in single precision", "DES", 0.0, 4.20000004, " 8760 5 4. 0.\n", true, false},
      {"whole inches differ", "DES", 0.0, 4.05, " 8760 5 3.9 0.\n", true, true},
  };
  for (const auto& c : cases) {
    TempDrive drive;
    drive.write("proj/tmp/keep", "");
    drive.write("proj/criteria.txt", "        12      2112.0\n");
    if (c.header) drive.write("proj/tmp/thermal.tmp", c.header);
    Doubles d;
    engine::EngineRun run = d.run();
    auto rq = request(c.code1, "SPT", c.spread);
    rq.variable_means[0] = c.thickness;
    engine_test::ConsoleCapture console;
    engine::dispatch_analysis(run, rq);
    platform::close_all_units();

    EXPECT_EQ(drive.exists("proj/tmp/thermal.tmp"), c.header_written) << c.what;
    ASSERT_EQ(d.sim_thickness.size(), c.simulated ? 1u : 0u) << c.what;
    if (c.simulated) {
      EXPECT_EQ(d.sim_thickness[0], static_cast<float>(c.thickness)) << c.what;
      EXPECT_EQ(d.sim_deviation[0], 0.0f) << c.what;
      EXPECT_EQ(d.sim_file, "c:\\proj\\tmp\\thermal.tmp") << c.what;
    }
    if (c.header) {
      EXPECT_EQ(drive.read("proj/tmp/thermal.tmp"), c.header) << c.what;
    }
  }
}

TEST(DispatchAnalysis, ReadsTheDesignCriterion) {
  struct Case {
    const char* record;
    float criterion;
  };
  const Case cases[] = {
      {"        12      2112.0", 2112.0f},
      {"        12        1234", 123.4f},  // one implied decimal
      {"        12      2112.0 trailing", 2112.0f},
  };
  for (const auto& c : cases) {
    TempDrive drive;
    drive.write("proj/criteria.txt", std::string(c.record) + "\r\n");
    Doubles d;
    engine::EngineRun run = d.run();
    auto rq = request("   ", "SPT", 1.0);
    engine_test::ConsoleCapture console;
    engine::dispatch_analysis(run, rq);
    EXPECT_EQ(d.seen_criterion, c.criterion) << c.record;
  }
}

// A criterion that is not a finite number is no criterion: the criteria option
// would compare every case with it. A failed check naming the file.
TEST(DispatchAnalysis, CriterionThatIsNotFiniteStops) {
  for (const char* record : {"        12         NaN", "        12   -Infinity"}) {
    TempDrive drive;
    drive.write("proj/criteria.txt", std::string(record) + "\n");
    Doubles d;
    engine::EngineRun run = d.run();
    auto rq = request("   ", "SPT", 1.0);
    engine_test::ConsoleCapture console;
    std::string message;
    EXPECT_EQ(engine_test::stop_status([&] { engine::dispatch_analysis(run, rq); }, &message),
              platform::kStopDecided)
        << record;
    EXPECT_NE(message.find("criteria.txt"), std::string::npos) << message;
    EXPECT_NE(message.find("finite number"), std::string::npos) << message;
    EXPECT_TRUE(d.log.empty()) << record;
    EXPECT_FALSE(drive.exists("proj/i2.dat")) << record;
  }
}

TEST(DispatchAnalysis, MissingCriterionStopsAndKeepsEarlierSummaries) {
  TempDrive drive;
  drive.write("proj/res.txt", "an earlier result\n");
  drive.write("proj/i2.dat", " 1 2.0\n");
  Doubles d;
  engine::EngineRun run = d.run();
  auto rq = request("JMF", "   ", 1.0);
  rq.variable_deviations[0] = 1.0;
  drive.write("proj/tmp/thermal.tmp", " 8760 5 4. 0.\n");
  engine_test::ConsoleCapture console;
  EXPECT_EQ(engine_test::stop_status([&] { engine::dispatch_analysis(run, rq); }),
            platform::kStopDecided);
  EXPECT_EQ(console.text(), " 5\n You must run the design option first\n");
  EXPECT_EQ(d.log, (std::vector<std::string>{"pg"}));
  EXPECT_EQ(drive.read("proj/res.txt"), "");
  EXPECT_EQ(drive.read("proj/i2.dat"), " 1 2.0\n");
  EXPECT_FALSE(drive.exists("proj/i_criteria.dat"));
  EXPECT_FALSE(drive.exists("proj/tc240.dat"));
  EXPECT_FALSE(drive.exists("proj/criteria.txt"));
}

TEST(DispatchAnalysis, SummaryFromWhatTheOptionFilled) {
  TempDrive drive;
  drive.write("proj/keep", "");
  Doubles d;
  d.fill_keys = {5, 7, 9, 0, 11};
  engine::EngineRun run = d.run();
  auto rq = request("DES", "SPT", 1.0);
  engine_test::ConsoleCapture console;
  engine::dispatch_analysis(run, rq);
  EXPECT_EQ(drive.read("proj/i2.dat"), " 5 0.0\n 7 0.5\n 9 1.0\n");
  EXPECT_EQ(drive.read("proj/res.txt"), " written by design\n");
}

// Reads a summary file back free-form, one value per record.
template <class T>
std::vector<T> read_values(const TempDrive& drive, const char* rel) {
  std::vector<T> values;
  const std::string text = drive.read(rel);
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    T v{};
    EXPECT_EQ(platform::read_list_text(text.substr(start, end - start), v),
              platform::IoStatus::Ok);
    values.push_back(v);
    start = end + 1;
  }
  return values;
}

TEST(WriteSummaryFiles, SampleListEndsAtFirstNonPositiveKey) {
  struct Case {
    const char* what;
    std::vector<std::int32_t> keys;  // the rest stay 0
    std::size_t records;
  };
  std::vector<std::int32_t> all(engine::AnalysisRequest::sample_capacity);
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = static_cast<std::int32_t>(i + 1);
  const Case cases[] = {
      {"first key 0", {0, 4, 5}, 0},
      {"-1 at position 3", {4, 5, -1, 6}, 2},
      {"all positive", all, all.size()},
  };
  const double results[] = {0.1, 1.0 / 3.0, -2.5e-300, 123456.789, 1e22, -0.0};
  for (const auto& c : cases) {
    TempDrive drive;
    std::vector<std::int32_t> keys(engine::AnalysisRequest::sample_capacity, 0);
    std::vector<double> values(keys.size(), 0.0);
    std::copy(c.keys.begin(), c.keys.end(), keys.begin());
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = results[i % 6] * (i + 1);
    std::vector<std::int32_t> criteria(64, 0);
    std::vector<double> cracking(64, 0.0);
    engine::write_summary_files("c:\\", 2, criteria, keys, values, cracking);

    const std::string text = drive.read("i2.dat");
    std::vector<std::string> lines;
    for (std::size_t s = 0, e; s < text.size(); s = e + 1) {
      e = text.find('\n', s);
      lines.push_back(text.substr(s, e - s));
    }
    ASSERT_EQ(lines.size(), c.records) << c.what;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      std::int32_t key = 0;
      double value = 0;
      ASSERT_EQ(platform::read_list_text(lines[i], key, value), platform::IoStatus::Ok);
      EXPECT_EQ(key, keys[i]);
      EXPECT_EQ(value, values[i]) << lines[i];
    }
  }
}

TEST(WriteSummaryFiles, CombinationArraysRowByRow) {
  TempDrive drive;
  // Element (r, c) of a 2 x 32 array stored by columns is at (c - 1) * 2 + (r - 1).
  std::vector<std::int32_t> criteria(64);
  std::vector<double> cracking(64);
  for (int c = 1; c <= 32; ++c)
    for (int r = 1; r <= 2; ++r) {
      criteria[(c - 1) * 2 + (r - 1)] = 100 * r + c;
      cracking[(c - 1) * 2 + (r - 1)] = r == 1 ? c / 7.0 : -1.0;
    }
  std::vector<std::int32_t> keys(10, 0);
  std::vector<double> values(10, 0.0);
  engine::write_summary_files("c:\\", 2, criteria, keys, values, cracking);

  std::vector<std::int32_t> expected_criteria;
  for (int r = 1; r <= 2; ++r)
    for (int c = 1; c <= 32; ++c) expected_criteria.push_back(100 * r + c);
  EXPECT_EQ(read_values<std::int32_t>(drive, "i_criteria.dat"), expected_criteria);

  std::vector<double> expected_cracking;
  for (int c = 1; c <= 32; ++c) expected_cracking.push_back(c / 7.0);
  EXPECT_EQ(read_values<double>(drive, "tc240.dat"), expected_cracking);
  EXPECT_EQ(drive.read("i2.dat"), "");
}

// Every road reaches its real option through make_engine_run, with only the
// simulation and the thermal-cracking run as doubles; the summary files hold
// what the option left in the arrays. On one folder, in order: the design
// option writes "criteria.txt", which the criteria road reads by columns and
// the volumetric road ("FLD") free-form.
TEST(DispatchAnalysis, EachRoadReachesItsOption) {
  using option_test::CrackRow;
  // Case c stays below the criterion until month 10c, then cracks; 1300 + c
  // at month 240.
  auto cases = [](int n) {
    std::vector<CrackRow> rows;
    for (int c = 1; c <= n; ++c)
      for (int k = 1; k <= 241; ++k)
        rows.push_back({c, k, k == 240 ? 1300.0 + c : k < 10 * c ? 100.0 : 2000.0});
    return rows;
  };
  std::vector<CrackRow> design;
  for (int k = 1; k <= 240; ++k) design.push_back({1, k, k == 240 ? 1234.5 : 3000.0});
  struct Road {
    const char* code1;
    const char* code2;
    std::vector<std::vector<CrackRow>> outputs;  // per run call
    int cases;
    const char* first_result;
  };
  const Road roads[] = {
      {"DES", "   ", {design}, 0, "       240      1234.5"},
      {"   ", "SPT", {cases(2)}, 2, "       0.833    1301.000"},
      {"   ", "VOL", {design, cases(16)}, 16, "   correlation matrix"},
      {"FLD", "vol", {cases(16)}, 16, "   correlation matrix"},
  };
  TempDrive drive;
  drive.write("proj/tmp/keep", "");
  for (const auto& road : roads) {
    const std::string what = std::string(road.code1) + road.code2;
    engine::EngineRun run = engine::make_engine_run();
    option_test::SimulationDouble sim;
    run.histories.set_simulation(sim.callable());
    option_test::RunDouble cracking_run;
    cracking_run.install(run.cracking);
    for (const auto& rows : road.outputs)
      cracking_run.outputs.push_back(option_test::crack_file(rows));
    auto rq = request(road.code1, road.code2, 0.0);
    rq.analysis_integers = {2004, 8, 1, 20};
    rq.variable_means = {6.0, 4.0, 11.0, 10.98, -3.68};
    rq.sample_count = road.cases;
    rq.sample_values.assign(22 * static_cast<std::size_t>(road.cases), 1e-6);
    engine_test::ConsoleCapture console;
    engine::dispatch_analysis(run, rq);
    platform::close_all_units();

    EXPECT_EQ(drive.read("proj/res.txt").rfind(road.first_result, 0), 0u) << what;
    EXPECT_EQ(drive.read("proj/criteria.txt"), "       240      1234.5\n") << what;
    if (road.cases > 0) {
      EXPECT_NE(cracking_run.run_files.back().find("    1234.500\n"), std::string::npos) << what;
    }
    // "i2.dat" holds every row read, in order; the combination files each
    // case's life and its cracking at month 240.
    std::string i2;
    for (const auto& rows : road.outputs)
      for (const auto& r : rows) i2 += platform::format_list(r.key, r.cracking) + "\n";
    EXPECT_EQ(drive.read("proj/i2.dat"), i2) << what;
    std::vector<std::int32_t> lives(64, 0);
    std::vector<double> at240(32, 0.0);
    for (int c = 1; c <= road.cases; ++c) {
      lives[static_cast<std::size_t>(c - 1)] = 10 * c;
      at240[static_cast<std::size_t>(c - 1)] = 1300.0 + c;
    }
    EXPECT_EQ(read_values<std::int32_t>(drive, "proj/i_criteria.dat"), lives) << what;
    EXPECT_EQ(read_values<double>(drive, "proj/tc240.dat"), at240) << what;
  }
}

}  // namespace
