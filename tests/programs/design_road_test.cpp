// The demo's road end to end, as scripts/demo.sh runs it but without the
// build: tervon-mkdemo makes a fresh project under the build tree, tervon
// replays road 1 headless, pavsim runs the design request, the same again,
// then the criteria road on three creep-test samples and the volumetric road.
// The tests run in order on the one project.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using testing_support::read_file;
using testing_support::write_file;

const fs::path kRoot = DESIGN_ROAD_DIR;
const fs::path kProject = kRoot / "project";
const fs::path kDrive = kRoot / "drive";

using Outcome = testing_support::CommandResult;

// Runs a program in the project folder with the drive "c:\" mapped.
Outcome run_in_project(const std::string& command) {
  return testing_support::run_command("cd '" + kProject.string() +
                                      "' && env -u DISPLAY PAVSIM_DRIVE_C='" + kDrive.string() +
                                      "' " + command + " 2>&1 </dev/null");
}

Outcome pavsim() { return run_in_project("'" PAVSIM_EXECUTABLE "'"); }

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find('\n', at);
    out.push_back(text.substr(at, end - at));
    at = end == std::string::npos ? text.size() : end + 1;
  }
  return out;
}

std::string project_file(const std::string& name) { return read_file(kProject / name); }

// The rows of " 1.txt": its lines that begin with two integers.
std::vector<std::string> crack_rows() {
  std::vector<std::string> rows;
  for (const auto& l : lines_of(project_file(" 1.txt"))) {
    int case_number = 0, key = 0;
    if (std::sscanf(l.c_str(), "%d %d", &case_number, &key) == 2) rows.push_back(l);
  }
  return rows;
}

// No number that is not one ("NaN", "Infinity"), and no field too narrow for
// its value (asterisks).
void expect_clean(const std::string& name) {
  std::string text = project_file(name);
  EXPECT_FALSE(text.empty()) << name;
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* broken : {"*", "nan", "inf"})
    EXPECT_EQ(text.find(broken), std::string::npos) << name << " holds \"" << broken << "\"";
}

TEST(DesignRoad, TervonWritesTheEngineInput) {
  fs::remove_all(kRoot);
  const std::string make =
      "'" MKDEMO_EXECUTABLE "' '" + kProject.string() + "' --drive '" + kDrive.string() + "'";
  ASSERT_EQ(std::system(make.c_str()), 0);
  const Outcome t = run_in_project("'" TERVON_EXECUTABLE "' --script '" ROAD1_SCRIPT "'");
  ASSERT_EQ(t.status, 0) << t.output;
  EXPECT_TRUE(fs::exists(kProject / "input.tmp"));
  EXPECT_EQ(read_file(kDrive / "check.txt").substr(0, 3), "100");
}

TEST(DesignRoad, DesignRunSimulatesThenRunsTheDesignCase) {
  const Outcome o = pavsim();
  ASSERT_EQ(o.status, 0) << o.output;
  EXPECT_TRUE(fs::exists(kProject / "tmp" / "thermal.tmp"));

  const auto rows = crack_rows();
  ASSERT_EQ(rows.size(), 240u);
  for (std::size_t i = 0; i < rows.size(); ++i)
    ASSERT_EQ(std::stoi(rows[i].substr(5, 5)), static_cast<int>(i + 1)) << rows[i];
  const std::string results = project_file(" 1.txt");
  EXPECT_EQ(results.substr(results.size() - 11), "       \n\n\n\n");

  // "criteria.txt": the last row's key (I10) and cracking (F12.1).
  const std::string last = rows.back();
  const std::string cracking = last.substr(last.find_last_of(' ') + 1);
  const std::string criteria =
      "       240" + std::string(12 - cracking.size(), ' ') + cracking + "\n";
  EXPECT_EQ(project_file("criteria.txt"), criteria);
  // The demo's winter cracks the asphalt within the 20 years.
  EXPECT_GT(std::stod(cracking), 0.0) << last;
  EXPECT_EQ(project_file("res.txt"), criteria);
  EXPECT_EQ(lines_of(project_file("i2.dat")).size(), 240u);
  EXPECT_EQ(project_file("progress.tmp"), "9999\n");

  // The console: progress marks, then the run's times around its final row.
  std::size_t at = 0;
  for (const std::string& mark :
       {std::string(" 500\n"), std::string("9999\n"), std::string(" Time begin="), last + "\n",
        std::string(" Time end=")}) {
    const std::size_t found = o.output.find(mark, at);
    ASSERT_NE(found, std::string::npos) << "\"" << mark << "\" missing or out of order in\n"
                                        << o.output;
    at = found + mark.size();
  }
  for (const char* f : {" 1.txt", "res.txt", "criteria.txt", "i2.dat", "i_criteria.dat",
                        "tc240.dat", "tmp/thermal.tmp"})
    expect_clean(f);
}

TEST(DesignRoad, SecondDesignRunLeavesTheHistoryAlone) {
  const fs::path history = kProject / "tmp" / "thermal.tmp";
  const std::string before = read_file(history);
  const auto written = fs::last_write_time(history);
  const Outcome o = pavsim();
  ASSERT_EQ(o.status, 0) << o.output;
  EXPECT_EQ(fs::last_write_time(history), written);
  EXPECT_TRUE(read_file(history) == before);
  EXPECT_EQ(o.output.find("9999"), std::string::npos) << o.output;
}

// Then every other option once: the criteria road (one thickness level, the
// three creep-test samples of the fixture) and the volumetric road; and the
// requests that the README shows, as it shows them.
TEST(DesignRoad, CriteriaAndVolumetricRoads) {
  constexpr std::size_t kNoLifeLine = std::string::npos;
  struct Road {
    std::string input;
    std::size_t res_lines;
    std::size_t life_line;  // " serv life   TC@ 20 years"
    std::vector<std::pair<std::size_t, std::string>> res;
    std::size_t crackings;  // distinct positive values of "tc240.dat" at least
  };
  const Road roads[] = {
      // The README's examples.
      {"DES\n2004 8 1 20\n6.0 4.0 11.0 10.98 -3.68\n0.0 0.5 0.5 0.0 0.0\n", 1, kNoLifeLine, {}, 0},
      {"JMFSPT\n2004 8 1 20\n6.0\n0.0\n1\n2.597112e-07\n2.812800e-07\n3.125657e-07\n3.385241e-07\n"
       "3.666383e-07\n4.074181e-07\n4.412539e-07\n3.606400e-07\n4.157998e-07\n5.018722e-07\n"
       "5.786334e-07\n6.671352e-07\n8.052351e-07\n9.283955e-07\n4.568551e-07\n5.752870e-07\n"
       "7.802210e-07\n9.824800e-07\n1.237171e-06\n1.677888e-06\n2.112852e-06\n386.71\n",
       1 + 5,
       1,
       {{2, "     average "}, {4, "     std. dev "}},
       1},
      // The README's volumetric example is the last road here.
      {"JMFSPT\n2004 8 1 20\n6.0\n0.0\n3\n" +
           read_file(fs::path(TEST_DATA_DIR) / "engine" / "e2e" / "creep_samples.txt"),
       3 + 5,
       3,
       {{4, "     average "}, {6, "     std. dev "}},
       2},
      {"   VOL\n2004 8 1 20\n6.0 4.0 11.0 10.98 -3.68\n0.0 0.5 0.5 0.0 0.0\n",
       1 + 5 + 32 + 1 + 32 + 16 + 5,
       87,
       {{0, "   correlation matrix"},
        {6, "        1.        1.        1.        1.        1.    0.000000"},
        {38, "    principal variables"}},
       2},
  };
  for (const auto& road : roads) {
    write_file(kProject / "input.dat", road.input);
    for (const char* f : {"res.txt", "i2.dat", "i_criteria.dat", "tc240.dat"})
      fs::remove(kProject / f);
    const Outcome o = pavsim();
    ASSERT_EQ(o.status, 0) << o.output;
    const auto res = lines_of(project_file("res.txt"));
    ASSERT_EQ(res.size(), road.res_lines) << project_file("res.txt");
    if (road.life_line != kNoLifeLine) {
      EXPECT_EQ(res[road.life_line], " serv life   TC@ 20 years");
    }
    for (const auto& [line, text] : road.res) EXPECT_EQ(res[line], text);
    // Each case's cracking, one per line of "tc240.dat" (zeros after a design
    // run): the cases crack, and not all alike.
    std::set<double> cracking;
    for (const auto& l : lines_of(project_file("tc240.dat")))
      if (!l.empty() && std::stod(l) > 0.0) cracking.insert(std::stod(l));
    EXPECT_GE(cracking.size(), road.crackings) << project_file("tc240.dat");
    for (const char* f :
         {" 1.txt", "res.txt", "criteria.txt", "i2.dat", "i_criteria.dat", "tc240.dat"})
      expect_clean(f);
  }
}

}  // namespace
