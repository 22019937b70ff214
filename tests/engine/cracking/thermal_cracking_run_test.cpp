#include "engine/cracking/thermal_cracking_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/cracking/cracking_channels.h"
#include "engine/cracking/cracking_test_support.h"
#include "engine/cracking/creep_fit.h"
#include "engine/temp_project.h"
#include "platform/units.h"

namespace {

using cracking_test::FitDouble;
using cracking_test::history_text;
using engine_test::ConsoleCapture;
using engine_test::stop_status;
using engine_test::TempDrive;

constexpr const char* kHeader = " No.  months     crack [in]   TC [ft/mile]\n";
constexpr const char* kClosing = "       \n\n\n\n";

// A case group of "doc-17a.dat" on a named creep table.
std::string group(const std::string& history, double thickness, const std::string& code,
                  int years = 1, double criterion = 0.0) {
  return "2001 1 1 " + std::to_string(years) + "\n" + history + "\n" + std::to_string(thickness) +
         "\nY\nc:\\proj\\table.dat\n" + code + "\n" + std::to_string(criterion) + "\n";
}

// The rows of a design case of one year on a still history.
std::string still_rows(int case_number = 1) {
  std::string rows;
  for (int m = 1; m <= 12; ++m) {
    char row[64];
    std::snprintf(row, sizeof row, "%5d%5d       0.0       0.0\n", case_number, m);
    rows += row;
  }
  return rows;
}

// A history of `days` days at one temperature, 5 fields a record.
std::string still_history(int days, double temperature = 20.0) {
  return history_text(days * 24, days, 5, [=](int, int, int) { return temperature; });
}

struct ProjectRun {
  TempDrive drive;
  engine::CrackingState state;
  FitDouble fit;
  std::string console;
  std::string stop_message;
  int status = 0;

  ProjectRun() {
    drive.write("proj/keep", "");
    fit.install(state);
  }
  void go(const std::string& work_directory = "c:\\proj\\") {
    ConsoleCapture capture;
    status = stop_status([&] { state.run_thermal_cracking_case(state, work_directory); },
                         &stop_message);
    platform::close_all_units();
    console = capture.text();
  }
  std::string results() const { return drive.read("proj/ 1.txt"); }
};

// The oracle's eight whole cases on four histories.
void write_stress_cases(ProjectRun& run) {
  for (const char* h : {"mild", "severe", "harsh", "deep"})
    run.drive.write(std::string("proj/history_") + h + ".tmp",
                    testing_support::read_file(cracking_test::data_path(std::string("history_") + h + ".tmp")));
  run.drive.write("proj/doc-17a.dat",
                  testing_support::read_file(cracking_test::data_path("stress_doc-17a.dat")));
}

TEST(ThermalCrackingRun, RowsOfWholeCasesMatchTheOracle) {
  // eight cases on four histories: slow growth, breaks through four
  // sub-layers, a criterion met, six nodes, the history used 23 times, breaks
  // before any growth, the final row only, 11 rows and the final row
  ProjectRun run;
  write_stress_cases(run);
  run.fit.fits.clear();
  for (const auto& c : cracking_test::oracle_rows("stress_cases.csv")) run.fit.fits.emplace_back(c[1], c[2]);
  run.go();
  ASSERT_EQ(run.status, 0) << run.stop_message;
  const std::string expected = testing_support::read_file(cracking_test::data_path("stress_1.txt"));
  EXPECT_EQ(run.results(), expected);

  // the console: the time lines, the header and each case's final row
  const auto lines = cracking_test::lines(run.console);
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[0].rfind("  Time begin= ", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1] + "\n", kHeader);
  EXPECT_EQ(lines[2], "    1   12       1.8    1362.2");
  EXPECT_EQ(lines[8], "    7  600       4.0    2112.0");
  EXPECT_EQ(lines[10].rfind("  Time end= ", 0), 0u) << lines[10];
  EXPECT_EQ(run.state.run_block.case_number, 9);
  EXPECT_EQ(run.state.run_block.history_day_count, 11);  // the last history, "severe", 10 days
}

TEST(ThermalCrackingRun, RowsOfWholeCasesWithTheRealFit) {
  // the same rows when the real fit, on the reference mix's compliances at each
  // case's strength, gives the series (and the case's exponent is kept)
  ProjectRun run;
  write_stress_cases(run);
  const auto cases = cracking_test::oracle_rows("stress_cases.csv");
  const auto mix = engine::estimate_mixture_creep(4, 11, 10.98, -3.68);
  run.state.fit_prony_creep = [&](engine::CrackingState& s, std::array<double, 5>& power,
                                  double& strength, const platform::FixedText<255>& table) {
    const auto& c = cases[static_cast<std::size_t>(s.run_block.case_number - 1)];
    engine::write_creep_table_values(table, mix.compliances, c[2]);
    engine::fit_prony_creep(s, power, strength, table);
    power[2] = c[1];
  };
  run.go();
  ASSERT_EQ(run.status, 0) << run.stop_message;
  EXPECT_EQ(run.results(), testing_support::read_file(cracking_test::data_path("stress_1.txt")));
}

TEST(ThermalCrackingRun, EndsOfTheRunFile) {
  struct Case {
    const char* what;
    std::string doc;
    bool time_end;
    std::size_t fits;
  };
  const std::string one = group("c:\\proj\\h.tmp", 2.0, "DS");
  auto cut = [&](int records) {
    std::size_t at = 0;
    for (int r = 0; r < records; ++r) at = one.find('\n', at) + 1;
    return one.substr(0, at);
  };
  const Case cases[] = {
      {"empty", "", true, 0},
      {"half a first record", "2001 1\n", true, 0},
      {"no creep-data flag", cut(3), true, 0},
      {"no case code", cut(5), false, 1},
      {"no criterion", cut(6), false, 1},
      {"trailing empty records", one + "\n\n", true, 1},
  };
  for (const Case& c : cases) {
    ProjectRun run;
    run.drive.write("proj/h.tmp", still_history(1));
    run.drive.write("proj/doc-17a.dat", c.doc);
    run.go();
    ASSERT_EQ(run.status, 0) << c.what << ": " << run.stop_message;
    const bool ran = c.fits == 1 && c.time_end;
    EXPECT_EQ(run.results(), std::string(kHeader) + (ran ? still_rows() : "") + kClosing)
        << c.what;
    EXPECT_EQ(run.console.find("  Time begin= "), 0u) << c.what;
    EXPECT_EQ(run.console.find("  Time end= ") != std::string::npos, c.time_end) << c.what;
    EXPECT_EQ(run.fit.tables.size(), c.fits) << c.what;
    EXPECT_EQ(run.drive.read("proj/master-results.dat"), "") << c.what;
  }
}

TEST(ThermalCrackingRun, CaseCodesSetTheCriterionAndTheYears) {
  struct Case {
    const char* code;
    int years;
    double criterion;
    double criterion_used;
    std::int32_t years_used;
    std::string final_row;
  };
  const Case cases[] = {
      {"DS", 2, 12.5, 3000.0, 2, "    1   24       0.0       0.0"},
      {"DSX", 0, 12.5, 3000.0, 0, "    1    0       0.0       0.0"},
      {"JM", 3, 2150.0, 2150.0, 50, "    1  600       0.0       0.0"},
      {" D", 3, 2150.0, 2150.0, 50, "    1  600       0.0       0.0"},
  };
  for (const Case& c : cases) {
    ProjectRun run;
    run.drive.write("proj/h.tmp", still_history(2));
    run.drive.write("proj/doc-17a.dat", group("c:\\proj\\h.tmp", 2.0, c.code, c.years, c.criterion));
    run.go();
    ASSERT_EQ(run.status, 0) << c.code << ": " << run.stop_message;
    EXPECT_EQ(run.state.run_block.cracking_criterion, c.criterion_used) << c.code;
    EXPECT_EQ(run.state.analysis_start_date[3], c.years_used) << c.code;
    EXPECT_EQ(run.state.analysis_start_date[4], c.years) << c.code;
    const auto rows = cracking_test::lines(run.results());
    EXPECT_EQ(rows[rows.size() - 5], c.final_row) << c.code;  // before the closing record
  }
}

TEST(ThermalCrackingRun, LongProjectPathsAndGeneratedTables) {
  // a project path of 100 characters: the names of "doc-17a.dat" are not cut
  const std::string folder = std::string(96, 'q');
  const std::string dir = "c:\\" + folder + "\\";
  ProjectRun run;
  run.drive.write(folder + "/tmp/thermal.tmp", still_history(1));
  run.drive.write(folder + "/doc-17a.dat", "2001 1 1 1\n" + dir + "tmp\\thermal.tmp\n2.0\n\n"
                                           "4.0 11.0 10.98 -3.68\nDS\n0.0\n");
  run.go(dir);
  ASSERT_EQ(run.status, 0) << run.stop_message;
  ASSERT_EQ(run.fit.tables.size(), 1u);
  EXPECT_EQ(run.fit.tables[0], dir + "master-gen.dat");
  EXPECT_TRUE(run.drive.exists(folder + "/master-gen.dat"));
  EXPECT_EQ(run.drive.read(folder + "/ 1.txt"),
            std::string(kHeader) + still_rows() + kClosing);
  EXPECT_NEAR(run.state.run_block.mixture_inputs[3], -3.68, 1e-15);
}

TEST(ThermalCrackingRun, HistoriesAreReadOncePerFileAndNodeCount) {
  // The fit runs before the history of its case is loaded: a history that it
  // spoils is read only when the run reloads it (and then ends the run).
  struct Case {
    const char* what;
    std::vector<std::pair<const char*, double>> cases;  // history, thickness
    int spoil_at;                                       // case whose fit spoils...
    const char* spoiled;                                // ...this file
    int status;
  };
  const Case cases[] = {
      {"the same file twice", {{"a", 4.0}, {"a", 4.0}}, 2, "a", 0},
      {"another file", {{"a", 4.0}, {"b", 4.0}}, 2, "b", 1},
      {"the first file again", {{"a", 4.0}, {"b", 4.0}, {"a", 4.0}}, 3, "a", 1},
      {"more nodes", {{"a", 4.0}, {"a", 6.0}}, 2, "a", 1},
      {"the same node count", {{"a", 4.0}, {"a", 5.9}}, 2, "a", 0},
  };
  for (const Case& c : cases) {
    ProjectRun run;
    std::string doc;
    for (const auto& [h, t] : c.cases) {
      run.drive.write(std::string("proj/") + h + ".tmp", still_history(1));
      doc += group(std::string("c:\\proj\\") + h + ".tmp", t, "DS");
    }
    run.drive.write("proj/doc-17a.dat", doc);
    run.fit.before = [&](int case_number) {
      if (case_number == c.spoil_at)
        run.drive.write(std::string("proj/") + c.spoiled + ".tmp", "     0      0     0.     0.\n");
    };
    run.go();
    EXPECT_EQ(run.status, c.status) << c.what << ": " << run.stop_message;
    EXPECT_EQ(run.console.find(" your temperature file is corrupted") != std::string::npos,
              c.status == 1)
        << c.what;
  }
}

TEST(ThermalCrackingRun, ReadingTheTemperatureHistory) {
  // whole tenths, so the records hold them exactly; field 2 is never kept
  auto cooling = [](int d, int k, int f) { return f == 2 ? -88.8 : (300 - k - 10 * f - d) / 10.0; };
  auto records_only = [](const std::string& text) { return text.substr(text.find('\n') + 1); };
  // A day whose record 2 holds `field` in columns `col` on.
  auto spoiled = [&](std::size_t col, const std::string& field) {
    std::string text = history_text(24, 1, 5, cooling);
    const std::size_t record_2 = text.find('\n', text.find('\n') + 1) + 1;
    return text.replace(record_2 + col, field.size(), field);
  };
  struct Case {
    const char* what;
    std::string text;
    int status;
    int days;
    int nodes_present = 4;
    std::string why = {};  // the line that says where the file went wrong
  };
  const Case cases[] = {
      {"89 of 100 days, a day begun",
       history_text(2400, 89, 5, cooling) + records_only(history_text(0, 1, 5, cooling)).substr(0, 5 * 41),
       0, 89},
      {"88 of 100 days", history_text(2400, 88, 5, cooling), 1, 0, 4,
       " \"c:\\h.tmp\" holds 88 whole days of the 100 its header counts\n"},
      {"the default header", "     0      0     0.     0.\n", 1, 0, 4,
       " \"c:\\h.tmp\" holds no whole day of records\n"},
      {"23 records", history_text(23, 1, 5, cooling), 1, 0, 4,
       " \"c:\\h.tmp\" holds no whole day of records\n"},
      {"NaN", spoiled(16, "   NaN"), 1, 0, 4,
       " \"c:\\h.tmp\", line 3, temperature 2: \"   NaN\" is not a number\n"},
      {"an infinity", spoiled(28, "  -Inf"), 1, 0, 4,
       " \"c:\\h.tmp\", line 3, temperature 4: \"  -Inf\" is not a number\n"},
      {"asterisks", spoiled(34, "******"), 1, 0, 4,
       " \"c:\\h.tmp\", line 3, temperature 5: \"******\" is not a number\n"},
      {"a stamp of asterisks", spoiled(0, "****"), 1, 0, 4,
       " \"c:\\h.tmp\", line 3, the date-hour stamp: \"****010101\" is not a number\n"},
      {"CRLF", history_text(48, 2, 5, cooling, "\r\n"), 0, 2},
      {"more records than the header", history_text(48, 3, 5, cooling), 0, 2},
      // records of 3 fields where 5 are read: the missing ones read 0
      {"short records", history_text(24, 1, 3, cooling), 0, 1, 2},
  };
  for (const Case& c : cases) {
    TempDrive drive;
    drive.write("h.tmp", c.text);
    engine::CrackingState state;
    engine::TemperatureHistory history;
    ConsoleCapture console("\n");
    platform::open_unit(engine::kHistoryReadUnit, "c:\\h.tmp", platform::OpenStatus::Old);
    const int status = stop_status([&] { engine::read_temperature_file(state, history, 5); });
    platform::close_all_units();
    EXPECT_EQ(status, c.status) << c.what;
    if (status != 0) {
      EXPECT_EQ(console.text(),
                " your temperature file is corrupted\n" + c.why +
                " go to ..\\tmp directory and delete the *.tmp files\n"
                " and rerun your program to generate these files\n")
          << c.what;
      continue;
    }
    EXPECT_EQ(history.days(), c.days) << c.what;
    EXPECT_EQ(state.run_block.history_day_count, c.days + 1) << c.what;
    for (int d : {1, c.days})
      for (int k : {1, 24})
        for (int n = 1; n <= 4; ++n)
          EXPECT_EQ(history.hour(d, k)[n - 1], n <= c.nodes_present ? cooling(d, k, n == 1 ? 1 : n + 1) : 0.0)
              << c.what << " " << d << " " << k << " " << n;
  }
}

TEST(ThermalCrackingRun, HistoryFieldsReadAsTheFixedColumnReaderReadsThem) {
  // plain fields are read by hand; others go to the platform's reader
  const char* fields[] = {"  12.5", " -0.05", "   125", "  -125", "1 2.5 ", "+12.5 ", " 12.25",
                          "   .5 ", "  -0.0", "      ", "1.25E1", "  12.5\t", "-.0001", "999999", "  1-2 "};
  static const platform::Format layout("(I4,3I2,12F6.1)");
  for (const char* f : fields) {
    std::string text = " 24 3 2.0 0.0\n";
    const std::string record = std::string("2001 1 1 1") + f + "  99.9" + f;
    for (int k = 0; k < 24; ++k) text += record + "\n";
    TempDrive drive;
    drive.write("h.tmp", text);
    engine::CrackingState state;
    engine::TemperatureHistory history;
    platform::open_unit(engine::kHistoryReadUnit, "c:\\h.tmp", platform::OpenStatus::Old);
    ASSERT_EQ(stop_status([&] { engine::read_temperature_file(state, history, 3); }), 0) << f;
    platform::close_all_units();
    std::array<std::int32_t, 4> stamp{};
    std::array<double, 3> expected{};
    ASSERT_EQ(platform::read_fixed_text(record, layout, stamp, expected).status, platform::IoStatus::Ok) << f;
    for (int k : {1, 24}) {
      EXPECT_EQ(std::signbit(history.hour(1, k)[0]), std::signbit(expected[0])) << f;
      EXPECT_EQ(history.hour(1, k)[0], expected[0]) << f;
      EXPECT_EQ(history.hour(1, k)[1], expected[2]) << f;
    }
  }
  // not numbers (a point in the stamp's integers too): the file layer's stop,
  // naming the file and the record
  for (const char* r : {"2001 1 1 1   -  ", "2001 1 1 1  x.5 ", "2001 1 1 1   .  ",
                        "2001 1 1 1  1.2.3", "2001 1.1 1  12.5", "20.1 1 1 1  12.5"}) {
    std::string text = " 24 3 2.0 0.0\n";
    for (int k = 0; k < 24; ++k) text += std::string(r) + "\n";
    TempDrive drive;
    drive.write("h.tmp", text);
    engine::CrackingState state;
    engine::TemperatureHistory history;
    ConsoleCapture console;
    std::string message;
    platform::open_unit(engine::kHistoryReadUnit, "c:\\h.tmp", platform::OpenStatus::Old);
    EXPECT_EQ(stop_status([&] { engine::read_temperature_file(state, history, 3); }, &message), 2) << r;
    EXPECT_NE(message.find("h.tmp"), std::string::npos) << message;
    EXPECT_NE(message.find("2"), std::string::npos) << message;
  }
}

TEST(ThermalCrackingRun, FractureParametersAndAZeroCreepExponent) {
  for (const auto& r : cracking_test::oracle_rows("fracture.csv")) {
    const auto f = engine::fracture_parameters(r[0], r[1], 1.5);
    EXPECT_TRUE(cracking_test::relatively_near(f.n, r[2], 1e-15)) << r[0];
    EXPECT_TRUE(cracking_test::relatively_near(f.p, r[3], 1e-14)) << r[0];
    EXPECT_TRUE(cracking_test::relatively_near(f.a, r[4], 1e-13)) << r[0];
  }
  const auto ref = engine::fracture_parameters(0.448572244, 386.7070707, 1.5);
  // figures worked from the fit's m before its rounding to nine digits
  EXPECT_TRUE(cracking_test::relatively_near(ref.n, 2.583436292, 1e-8));
  EXPECT_TRUE(cracking_test::relatively_near(ref.p, 474.9505827, 1e-8));
  EXPECT_TRUE(cracking_test::relatively_near(ref.a, 6.6059794521e-3, 1e-8));

}

TEST(ThermalCrackingRun, StopsOnAZeroCreepExponentAndValuesThatAreNotNumbers) {
  struct Case {
    const char* what;
    std::string doc;
    double m;
    const char* message;
  };
  const std::string ok = group("c:\\proj\\h.tmp", 4.0, "DS");
  const Case cases[] = {
      {"m = 0", ok, 0.0, " Creep exponent m is zero, check your creep data"},
      {"m < 0", ok, -0.1, " Creep exponent m is zero, check your creep data"},
      {"a NaN thickness", "2001 1 1 1\nc:\\proj\\h.tmp\nNaN\n", 0.4,
       "Input error in \"c:\\proj\\doc-17a.dat\", line 3: value NaN; it must be a finite number"},
      {"an infinite mixture value", "2001 1 1 1\nc:\\proj\\h.tmp\n4.0\n\n4 11 1e999 -3.68\n", 0.4,
       "Input error in \"c:\\proj\\doc-17a.dat\", line 5: value Infinity; it must be a finite number"},
      // mixture values that give no table stop before "master-gen.dat" is written
      {"air voids of 0", "2001 1 1 1\nc:\\proj\\h.tmp\n4.0\n\n0 11 10.98 -3.68\n", 0.4,
       "Input error in \"c:\\proj\\doc-17a.dat\", line 5: air voids, effective binder content, A "
       "and VTS of 0.0 11.0 10.98 -3.68 give no creep-compliance table"},
      {"negative air voids", "2001 1 1 1\nc:\\proj\\h.tmp\n4.0\n\n-0.5 11 10.98 -3.68\n", 0.4,
       "Input error in \"c:\\proj\\doc-17a.dat\", line 5: air voids, effective binder content, A "
       "and VTS of -0.5 11.0 10.98 -3.68 give no creep-compliance table"},
  };
  for (const Case& c : cases) {
    ProjectRun run;
    run.drive.write("proj/h.tmp", still_history(1));
    run.drive.write("proj/doc-17a.dat", c.doc);
    run.fit.fits = {{c.m, 386.7070707}};
    run.go();
    EXPECT_EQ(run.status, 1) << c.what;
    EXPECT_EQ(run.stop_message, c.message) << c.what;
    EXPECT_FALSE(run.drive.exists("proj/master-gen.dat")) << c.what;
  }
}

}  // namespace
