// The design, criteria and volumetric options and their shared steps, through
// a simulation double and a run double (tests/engine/option_doubles.h).

#include "engine/cracking/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/cracking/cracking_channels.h"
#include "engine/cracking/cracking_test_support.h"
#include "engine/cracking/option_steps.h"
#include "engine/cracking/thermal_cracking_run.h"
#include "engine/option_doubles.h"
#include "engine/temp_project.h"
#include "platform/units.h"

namespace {

using cracking_test::lines;
using engine::CaseKind;
using engine_test::stop_status;
using option_test::crack_file;
using option_test::CrackRow;

std::string pad255(const std::string& name) { return name + std::string(255 - name.size(), ' '); }

// Rows of `cases` cases keyed 1..months; cracking(case, key).
std::vector<CrackRow> rows_of(int cases, int months, double (*cracking)(int, int)) {
  std::vector<CrackRow> rows;
  for (int c = 1; c <= cases; ++c)
    for (int k = 1; k <= months; ++k) rows.push_back({c, k, cracking(c, k)});
  return rows;
}

// An option's arguments over storage of their own, on "c:\proj\" with
// "res.txt" open as the dispatcher leaves it.
struct OptionRun {
  engine_test::TempDrive drive;
  std::int32_t capacity = 10000;
  std::int32_t sample_count = 0;
  std::vector<std::int32_t> criteria = std::vector<std::int32_t>(64, 0);
  std::vector<std::int32_t> keys = std::vector<std::int32_t>(10000, 0);
  std::vector<double> results = std::vector<double>(10000, 0.0);
  std::vector<double> cracking = std::vector<double>(64, 0.0);
  std::array<double, 5> means{6.0, 4.0, 11.0, 10.98, -3.68};
  std::array<double, 5> deviations{0.5, 0.5, 0.5, 0.1, 0.06};
  std::vector<double> samples;
  float criterion = 0.0f;
  std::array<platform::FixedText<3>, 2> code{"DES", "   "};
  platform::FixedText<255> wd = "c:\\proj\\";
  engine::CrackingState state;
  engine::TemperatureHistories histories;
  option_test::RunDouble run;
  option_test::SimulationDouble sim;
  std::string console, message;
  int status = 0;

  OptionRun() {
    drive.write("proj/tmp/keep", "");
    state.analysis_integers = {2004, 8, 1, 20};
    run.install(state);
    histories.set_simulation(sim.callable());
  }
  // Sample j (from 1): compliances j * 1e-6 * i for i = 1..21, strength 400 + j.
  void set_samples(int n) {
    sample_count = n;
    samples.clear();
    for (int j = 1; j <= n; ++j) {
      for (int i = 1; i <= 21; ++i) samples.push_back(j * 1e-6 * i);
      samples.push_back(400.0 + j);
    }
  }
  engine::OptionArgs args() {
    return {capacity,   sample_count, criteria,  keys, results, cracking, means,
            deviations, samples,      criterion, code, wd,      state,    histories};
  }
  void go(void (*option)(engine::OptionArgs&)) {
    engine::OptionArgs a = args();
    engine_test::ConsoleCapture capture;
    platform::open_unit(engine::kResultsUnit, "c:\\proj\\res.txt", platform::OpenStatus::Replace);
    status = stop_status([&] { option(a); }, &message);
    platform::close_all_units();
    console = capture.text();
  }
  std::string file(const std::string& rel) const { return drive.read("proj/" + rel); }
  bool exists(const std::string& rel) const { return drive.exists("proj/" + rel); }
  // Records 2, 3 and 5 (table name or mixture) of each 7-record group.
  struct Group {
    std::string history, thickness, table;
  };
  std::vector<Group> groups(std::size_t call = 0) const {
    std::vector<Group> out;
    const auto r = lines(run.run_files.at(call));
    for (std::size_t g = 0; g + 7 <= r.size(); g += 7)
      out.push_back({std::string(platform::trim_trailing(r[g + 1])), r[g + 2], r[g + 4]});
    return out;
  }
};

// Each kind of group, byte for byte, then read back by the thermal-cracking
// run itself: it stops at the missing history, after the group's last record.
TEST(WriteRunCase, GroupsAreExactAndReadBackByTheRun) {
  const std::string head = "      2004         8         1        20\n" +
                           pad255("c:\\proj\\tmp\\thermal.tmp") + "\n       6.125\n";
  const std::string mixture = "\n       4.00000      11.00000      10.98000      -3.68000\n";
  const std::string table = "c:\\proj\\fi2.dat";
  struct Case {
    const char* what;
    bool named_table;
    CaseKind kind;
    std::string tail;
    const char* code;
    double criterion;  // as the run keeps it
    int years;         // likewise
  };
  const Case cases[] = {
      {"design, mixture", false, CaseKind::Design, mixture + "DS\n     0.0\n", "DS", 3000.0, 20},
      {"design, sample table", true, CaseKind::Design, "YES\n" + pad255(table) + "\nDS\n     0.0\n",
       "DS", 3000.0, 20},
      {"criteria", true, CaseKind::Criteria, "YES\n" + pad255(table) + "\n JMF\n    1234.500\n",
       " J", 1234.5, 50},
      {"volumetric", false, CaseKind::Volumetric, mixture + "\n    1234.500\n", "  ", 1234.5, 50},
  };
  for (const auto& c : cases) {
    OptionRun o;
    engine::CaseCreepData creep;
    if (c.named_table) creep.table_name = table;
    creep.mixture = {4.0, 11.0, 10.98, -3.68};
    platform::open_unit(engine::kOptionRunFileUnit, "c:\\proj\\doc-17a.dat",
                        platform::OpenStatus::Replace);
    engine::write_run_case(o.state.analysis_integers, "c:\\proj\\tmp\\thermal.tmp", 6.125, creep,
                           c.kind, 1234.5f);
    platform::close_all_units();
    EXPECT_EQ(o.file("doc-17a.dat"), head + c.tail) << c.what;

    engine::CrackingState s;
    s.run_thermal_cracking_case = &engine::run_thermal_cracking_case;
    s.fit_prony_creep = [](engine::CrackingState&, std::array<double, 5>&, double&,
                           const platform::FixedText<255>&) {};
    engine_test::ConsoleCapture console;
    EXPECT_EQ(stop_status([&] { s.run_thermal_cracking_case(s, "c:\\proj\\"); }), platform::kStopIo)
        << c.what;
    platform::close_all_units();
    const auto& rb = s.run_block;
    EXPECT_EQ(s.analysis_start_date, (std::array<std::int32_t, 5>{2004, 8, 1, c.years, 20}))
        << c.what;
    EXPECT_EQ(rb.history_file_name.str(), "c:\\proj\\tmp\\thermal.tmp") << c.what;
    EXPECT_EQ(rb.asphalt_thickness, 6.125) << c.what;
    EXPECT_EQ(rb.creep_data_flag.str(), c.named_table ? "Y" : "") << c.what;
    EXPECT_EQ(rb.creep_table_name.str(), c.named_table ? table : "c:\\proj\\master-gen.dat");
    if (!c.named_table) {
      EXPECT_EQ(rb.mixture_inputs, creep.mixture) << c.what;
    }
    EXPECT_EQ(rb.case_code, c.code) << c.what;
    EXPECT_EQ(rb.cracking_criterion, c.criterion) << c.what;
  }
}

TEST(CollectCrackResults, StoresUpToCapacityAndEndsAtTheClosingRecord) {
  // Keys stay below 10000, as the I5 field of a row needs.
  auto big = rows_of(17, 600, [](int, int k) { return 0.5 * k; });
  big.resize(10050);
  struct Case {
    const char* what;
    std::vector<CrackRow> rows;
    std::int32_t first;
    std::int32_t records, stored;  // stored from index `first`
    CrackRow last;
    std::string console;
  };
  const std::string more = " More than 10000 crack results: the rest are not stored\n";
  const Case cases[] = {
      {"two cases, an earlier larger cracking",
       {{1, 1, 10.0}, {1, 2, 900.0}, {1, 3, 5.0}, {2, 1, 7.0}, {2, 2, 3.0}},
       1,
       5,
       5,
       {2, 2, 3.0},
       ""},
      {"no rows", {}, 1, 0, 0, {0, 0, 0.0}, ""},
      {"10,050 rows", big, 1, 10050, 10000, {17, 450, 225.0}, more},
      {"from index 9,990",
       std::vector<CrackRow>(big.begin(), big.begin() + 20),
       9990,
       20,
       11,
       {1, 20, 10.0},
       more},
  };
  for (const auto& c : cases) {
    OptionRun o;
    o.drive.write("proj/ 1.txt", crack_file(c.rows));
    engine::OptionArgs args = o.args();
    int calls = 0;
    engine_test::ConsoleCapture console;
    const auto got =
        engine::collect_crack_results(args, c.first, [&](const engine::CrackRecord&) { ++calls; });
    EXPECT_EQ(got.records, c.records) << c.what;
    EXPECT_EQ(calls, c.records) << c.what;
    EXPECT_EQ(got.last.key, c.last.key) << c.what;
    EXPECT_EQ(got.last.cracking, c.last.cracking) << c.what;
    EXPECT_EQ(console.text(), c.console) << c.what;
    for (std::int32_t i = 0; i < c.stored; ++i) {
      const std::size_t at = static_cast<std::size_t>(c.first - 1 + i);
      ASSERT_EQ(o.keys[at], c.rows[static_cast<std::size_t>(i)].key) << c.what << " " << i;
      ASSERT_EQ(o.results[at], c.rows[static_cast<std::size_t>(i)].cracking) << c.what << " " << i;
    }
    if (c.first - 1 + c.stored < o.capacity) {
      EXPECT_EQ(o.keys[static_cast<std::size_t>(c.first - 1 + c.stored)], 0) << c.what;
    }
  }
}

TEST(DesignOption, CriterionOfTheLastRowOrAClearStop) {
  const std::vector<CrackRow> rows = {{1, 1, 2000.0}, {1, 239, 1500.0}, {1, 240, 1234.5}};
  struct Case {
    const char* what;
    const char* code2;
    int samples;
    std::vector<CrackRow> rows;
    int status;
    std::string console;
    bool run_file;  // "doc-17a.dat" written
  };
  const Case cases[] = {
      {"mixture values", "   ", 0, rows, 0, "", true},
      {"SPT, three samples", "SPT", 3, rows, 0, "", true},
      {"SPT, no sample", "SPT", 0, rows, 1, " No creep-test sample for the design case\n", false},
      {"no crack row",
       "   ",
       0,
       {},
       1,
       " No crack results: the design criterion cannot be set\n",
       true},
  };
  for (const auto& c : cases) {
    OptionRun o;
    o.code[1] = c.code2;
    o.set_samples(c.samples);
    o.run.outputs = {crack_file(c.rows)};
    o.go(&engine::run_design_option);
    EXPECT_EQ(o.status, c.status) << c.what;
    EXPECT_EQ(o.console, c.console) << c.what;
    if (c.status != 0) {
      EXPECT_FALSE(o.exists("criteria.txt")) << c.what;
      EXPECT_EQ(o.exists("doc-17a.dat"), c.run_file) << c.what;
      continue;
    }
    EXPECT_EQ(o.file("criteria.txt"), "       240      1234.5\n") << c.what;
    EXPECT_EQ(o.file("res.txt"), o.file("criteria.txt")) << c.what;
    EXPECT_EQ(o.criterion, 1234.5f) << c.what;
    EXPECT_EQ(o.keys[2], 240) << c.what;
    const auto g = o.groups();
    ASSERT_EQ(g.size(), 1u) << c.what;
    EXPECT_EQ(g[0].history, "c:\\proj\\tmp\\thermal.tmp") << c.what;
    if (c.samples > 0) {
      EXPECT_EQ(g[0].table, pad255("c:\\proj\\master-gen.dat")) << c.what;
      const auto table = lines(o.file("master-gen.dat"));
      EXPECT_EQ(table[1], "    1.000  0.100000E-05") << c.what;  // sample 1, value 1
      EXPECT_EQ(table[21], "  100.000  0.210000E-04") << c.what;
      EXPECT_EQ(table[22], " 401.0") << c.what;
    }
    // Spread 0.5 reaches the simulation; the default header did not fit.
    EXPECT_EQ(o.sim.thicknesses, std::vector<float>{6.0f}) << c.what;
  }
}

TEST(CriteriaOption, CasesPerLevelAndSample) {
  struct Case {
    const char* what;
    const char* code1;
    double spread;
    std::vector<std::pair<std::string, std::string>> levels;  // history, thickness record
  };
  const Case cases[] = {
      {"two levels",
       "   ",
       0.5,
       {{"tmp\\minthermal.tmp", "       5.500"}, {"tmp\\plusthermal.tmp", "       6.500"}}},
      {"JMF: one level", "JMF", 0.5, {{"tmp\\thermal.tmp", "       6.000"}}},
      {"spread 0.01: two levels",
       "   ",
       0.01,
       {{"tmp\\minthermal.tmp", "       5.990"}, {"tmp\\plusthermal.tmp", "       6.010"}}},
  };
  for (const auto& c : cases) {
    OptionRun o;
    o.code[0] = c.code1;
    o.deviations[0] = c.spread;
    o.set_samples(3);
    o.run.outputs = {crack_file({})};
    o.go(&engine::run_criteria_option);
    ASSERT_EQ(o.status, 0) << c.what << o.message;
    const auto g = o.groups();
    ASSERT_EQ(g.size(), 3 * c.levels.size()) << c.what;
    for (std::size_t i = 0; i < g.size(); ++i) {
      const auto& level = c.levels[i / 3];
      EXPECT_EQ(g[i].history, "c:\\proj\\" + level.first) << c.what << i;
      EXPECT_EQ(g[i].thickness, level.second) << c.what << i;
      EXPECT_EQ(g[i].table, pad255("c:\\proj\\fi" + std::to_string(i % 3 + 1) + ".dat"));
    }
    for (int j = 1; j <= 3; ++j)
      EXPECT_EQ(lines(o.file("fi" + std::to_string(j) + ".dat"))[22],
                " " + std::to_string(400 + j) + ".0")
          << c.what;
    EXPECT_EQ(o.sim.files.size(), c.levels.size()) << c.what;
  }
}

TEST(CriteriaOption, LivesAndCrackingWithTheirStatistics) {
  // Cases reaching 200.0 at months 120 and 300 and never, 500/150/50 at month 240.
  const auto three = rows_of(3, 600, [](int c, int k) {
    if (k == 240) return c == 1 ? 500.0 : c == 2 ? 150.0 : 50.0;
    return k < (c == 1 ? 120 : c == 2 ? 300 : 999) ? 100.0 : 250.0;
  });
  const std::string summary3 =
      "     average \n      28.361     233.333\n     std. dev \n      16.536     192.931\n";
  const std::string rows3 =
      "      10.000     500.000\n      25.000     150.000\n      50.083      50.000\n";
  struct Case {
    const char* what;
    int years, samples;
    std::vector<CrackRow> rows;
    std::string res;
    std::string console;  // after the line of t and d
    int status;
  };
  const Case cases[] = {
      {"three cases", 20, 3, three, rows3 + " serv life   TC@ 20 years\n" + summary3, "", 0},
      {"at the criterion from the first row", 20, 1,
       rows_of(1, 600, [](int, int) { return 300.0; }),
       "       0.000     300.000\n serv life   TC@ 20 years\n     average \n       0.000     "
       "300.000\n"
       "     std. dev \n       0.000       0.000\n",
       "", 0},
      {"design life 60 years", 60, 1, rows_of(1, 600, [](int, int) { return 50.0; }),
       "      50.083       0.000\n serv life   TC@ 60 years\n     average \n      50.083       "
       "0.000\n"
       "     std. dev \n       0.000       0.000\n",
       " Design life over 50 years: the cases are run for 50 years\n", 0},
      {"no sample",
       20,
       0,
       {},
       " serv life   TC@ 20 years\n     average \n       0.000       0.000\n     std. dev \n"
       "       0.000       0.000\n",
       " No creep-test samples: nothing to average\n",
       0},
      {"nine samples", 20, 9, {}, "", " At most 8 creep-test samples can be run\n", 1},
  };
  for (const auto& c : cases) {
    OptionRun o;
    o.code[0] = "JMF";
    o.criterion = 200.0f;
    o.state.analysis_integers[3] = c.years;
    o.set_samples(c.samples);
    o.run.outputs = {crack_file(c.rows)};
    o.go(&engine::run_criteria_option);
    EXPECT_EQ(o.status, c.status) << c.what;
    EXPECT_EQ(o.console, " 6.0 0.5\n" + c.console) << c.what;
    EXPECT_EQ(o.file("res.txt"), c.res) << c.what;
    if (c.status != 0) {
      EXPECT_FALSE(o.exists("doc-17a.dat")) << c.what;
      EXPECT_FALSE(o.exists("tmp/thermal.tmp")) << c.what;
      EXPECT_FALSE(o.exists("fi1.dat")) << c.what;
    }
  }
}

// The rows of the design matrix: "1." or "-1." per variable, bit 5 - c of
// r - 1 giving -1, and p = 0.0625 where variables 4 and 5 differ.
std::string design_rows_text() {
  std::string out;
  for (int r = 0; r < 32; ++r) {
    for (int c = 1; c <= 5; ++c) out += (r >> (5 - c)) & 1 ? "       -1." : "        1.";
    out += (((r >> 1) ^ r) & 1) ? "    0.062500\n" : "    0.000000\n";
  }
  return out;
}

TEST(VolOption, TablesRetainedRowsAndHistories) {
  const int retained[] = {2, 3, 6, 7, 10, 11, 14, 15, 18, 19, 22, 23, 26, 27, 30, 31};
  for (const double d : {0.1, 0.11}) {
    OptionRun o;
    o.code = {"FLD", "VOL"};
    o.deviations = {d, 0.5, 0.25, 0.125, 0.0625};
    o.drive.write("proj/criteria.txt", "       240      1234.5\n");
    o.run.outputs = {crack_file({})};
    o.go(&engine::run_vol_option);
    ASSERT_EQ(o.status, 0) << o.message;

    const std::string res = o.file("res.txt");
    const std::string correlation =
        "   correlation matrix\n"
        "        1.0000        0.0000        0.0000        0.0000        0.0000\n"
        "        0.0000        1.0000        0.0000        0.0000        0.0000\n"
        "        0.0000        0.0000        1.0000        0.0000        0.0000\n"
        "        0.0000        0.0000        0.0000        1.0000       -1.0000\n"
        "        0.0000        0.0000        0.0000       -1.0000        1.0000\n";
    EXPECT_EQ(res.substr(0, correlation.size()), correlation);
    EXPECT_EQ(res.substr(correlation.size(), 32 * 63), design_rows_text());
    const auto r = lines(res);
    ASSERT_GE(r.size(), 71u);
    EXPECT_EQ(r[38], "    principal variables");
    // Row 1 all plus, row 18 (-1, 1, 1, 1, -1), row 32 all minus.
    const std::string plus1 = d == 0.1 ? "        6.1000" : "        6.1100";
    const std::string minus1 = d == 0.1 ? "        5.9000" : "        5.8900";
    EXPECT_EQ(r[39], plus1 + "        4.5000       11.2500       11.1050       -3.6175");
    EXPECT_EQ(r[56], minus1 + "        4.5000       11.2500       11.1050       -3.7425");
    EXPECT_EQ(r[70], minus1 + "        3.5000       10.7500       10.8550       -3.7425");

    // Each group's thickness and mixture give back its row, in order.
    const auto g = o.groups();
    ASSERT_EQ(g.size(), 16u) << d;
    for (std::size_t i = 0; i < 16; ++i) {
      const bool plus = retained[i] <= 16;
      EXPECT_EQ(g[i].history, d == 0.1 ? "c:\\proj\\tmp\\thermal.tmp"
                              : plus   ? "c:\\proj\\tmp\\plusthermal.tmp"
                                       : "c:\\proj\\tmp\\minthermal.tmp");
      EXPECT_EQ(g[i].thickness, plus ? (d == 0.1 ? "       6.100" : "       6.110")
                                     : (d == 0.1 ? "       5.900" : "       5.890"));
      std::array<double, 4> mix{};
      ASSERT_EQ(platform::read_list_text(g[i].table, mix), platform::IoStatus::Ok);
      int bits = plus ? 0 : 16;
      for (std::size_t c = 0; c < 4; ++c) bits |= mix[c] < o.means[c + 1] ? 8 >> c : 0;
      EXPECT_EQ(bits + 1, retained[i]) << d << " group " << i;
    }
  }
}

// The history each combination reads, and the simulations that costs. The
// simulation keeps a stored thickness within `keep` of the wanted one.
TEST(VolOption, OneSimulationPerDistinctHistory) {
  struct Case {
    const char* what;
    double t, d;
    float keep;
    const char* stored;  // the header of both side files, when given
    std::vector<float> simulated;
    const char* plus_history;
    const char* minus_history;
  };
  const Case cases[] = {
      // The eight checks at 3.89 find the whole inches differ from the kept
      // 4.0, yet one simulation serves them all.
      {"kept thickness", 4.0, 0.11, 0.2f, " 8760 5 4.0 0.0\n", {3.89f}, "plusthermal", "minthermal"},
      // 6.15 and 5.95 share the history of 6.05; re-simulating it for 5.95
      // would leave the 6.15 cases on a history of 5.95.
      {"whole inches apart", 6.05, 0.1, 0.0f, nullptr, {6.05f}, "thermal", "thermal"},
      // 8.05 inches have a node more than the history of 7.95 has depths.
      {"a node more", 7.95, 0.1, 0.0f, nullptr, {7.95f, 8.05f}, "plusthermal", "thermal"},
  };
  for (const auto& c : cases) {
    OptionRun o;
    o.code = {"FLD", "VOL"};
    o.means[0] = c.t;
    o.deviations[0] = c.d;
    o.sim.keep_within = c.keep;
    if (c.stored) {
      o.drive.write("proj/tmp/plusthermal.tmp", c.stored);
      o.drive.write("proj/tmp/minthermal.tmp", c.stored);
    }
    o.drive.write("proj/criteria.txt", "       240      1234.5\n");
    o.run.outputs = {crack_file({})};
    o.go(&engine::run_vol_option);
    ASSERT_EQ(o.status, 0) << c.what << o.message;
    EXPECT_EQ(o.sim.thicknesses, c.simulated) << c.what;
    const auto g = o.groups();
    ASSERT_EQ(g.size(), 16u) << c.what;
    for (std::size_t i = 0; i < 16; ++i)
      EXPECT_EQ(g[i].history, std::string("c:\\proj\\tmp\\") +
                                  (i < 8 ? c.plus_history : c.minus_history) + ".tmp")
          << c.what << " group " << i;
  }
}

TEST(VolOption, DesignCaseFirstThenTheCombinations) {
  const auto design = rows_of(1, 240, [](int, int k) { return k == 240 ? 1234.5 : 2000.0; });
  const auto combos = rows_of(16, 2, [](int c, int k) { return 100.0 * c + k; });
  struct Case {
    const char* what;
    const char* code1;
    bool criteria_file;
    std::vector<std::vector<CrackRow>> outputs;
    int status;
    std::size_t runs;
    std::int32_t first;  // index of the first combination row
  };
  const Case cases[] = {
      {"FLD with criteria.txt", "FLD", true, {combos}, 0, 1, 1},
      {"FLD without criteria.txt", "FLD", false, {combos}, 2, 0, 0},
      {"design case", "   ", false, {design, combos}, 0, 2, 241},
      {"design case without rows", "   ", false, {{}, combos}, 1, 1, 0},
  };
  for (const auto& c : cases) {
    OptionRun o;
    o.code = {c.code1, "VOL"};
    o.deviations[0] = 0.0;
    if (c.criteria_file) o.drive.write("proj/criteria.txt", "         1       777.5\n");
    for (const auto& rows : c.outputs) o.run.outputs.push_back(crack_file(rows));
    o.go(&engine::run_vol_option);
    EXPECT_EQ(o.status, c.status) << c.what << o.message;
    EXPECT_EQ(o.run.run_files.size(), c.runs) << c.what;
    if (c.status != 0) continue;
    const std::size_t f = static_cast<std::size_t>(c.first - 1);
    EXPECT_EQ(o.keys[f], 1) << c.what;
    EXPECT_EQ(o.results[f], 101.0) << c.what;
    EXPECT_EQ(o.results[f + 31], 1602.0) << c.what;
    EXPECT_EQ(o.keys[f + 32], 0) << c.what;
    if (c.runs == 2) {
      EXPECT_EQ(o.keys[239], 240) << c.what;
      EXPECT_EQ(o.file("criteria.txt"), "       240      1234.5\n") << c.what;
      EXPECT_EQ(o.groups(0).size(), 1u) << c.what;
    }
    EXPECT_EQ(o.criterion, c.runs == 2 ? 1234.5f : 777.5f) << c.what;
    EXPECT_EQ(o.groups(c.runs - 1).size(), 16u) << c.what;
  }
}

TEST(VolOption, WeightedMeanAndSpreadAsInFloat32) {
  // Lives (months) and cracking at month 240 of 16 combinations; the
  // expectations come from numpy with float32 sums of float64 terms.
  const int life[16] = {37, 45, 61, 88, 97, 120, 133, 150, 177, 201, 240, 263, 300, 355, 421, 601};
  static const double at240[16] = {812.4, 640.1, 530.7, 455.5, 390.2, 333.3, 301.9, 270.4,
                                   250.0, 220.6, 205.1, 180.7, 150.2, 120.9, 90.4,  33.3};
  std::vector<CrackRow> rows, equal;
  for (int c = 1; c <= 16; ++c)
    for (int k = 1; k <= 600; ++k) {
      const double v = k == 240 ? at240[c - 1] : k < life[c - 1] ? 100.0 : 250.0;
      rows.push_back({c, k, v});
      equal.push_back({c, k, k < 100 ? 100.0 : 250.0});
    }
  const std::pair<std::vector<CrackRow>, std::string> cases[] = {
      {rows, "     average \n      17.130     311.606\n     std. dev \n      12.426     203.902\n"},
      {equal,
       "     average \n       8.333     250.000\n     std. dev \n       0.000       0.000\n"},
  };
  for (const auto& [canned, summary] : cases) {
    OptionRun o;
    o.code = {"FLD", "VOL"};
    o.drive.write("proj/criteria.txt", "       240       200.0\n");
    o.run.outputs = {crack_file(canned)};
    o.go(&engine::run_vol_option);
    ASSERT_EQ(o.status, 0) << o.message;
    const std::string res = o.file("res.txt");
    const std::size_t at = res.find(" serv life   TC@ 20 years\n");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(res.substr(at + 26), summary);
    EXPECT_EQ(lines(res)[71],
              canned == rows ? "       3.083     812.400" : "       8.333     250.000");
  }
}

}  // namespace
