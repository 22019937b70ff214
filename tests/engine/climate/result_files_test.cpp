// The per-case result files: which files a mode opens and writes, and their
// records byte for byte against gfortran (tests/data/engine/climate/
// result_records.tsv, made by tools/fortran_oracle/result_records.f90, which also
// does the metric conversions in single precision).

#include "engine/climate/result_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "climate_test_support.h"
#include "engine/climate/layer_grid.h"
#include "engine/climate/temperature_history_file.h"
#include "platform/record_io.h"
#include "platform/units.h"

namespace {

using climate_test::TempProject;
using engine::NodeRecord;

// ---------------------------------------------------------------- file sets

struct ModeCase {
  int mode;
  std::set<std::string> files;
};

class ResultFileSets : public ::testing::TestWithParam<ModeCase> {};

TEST_P(ResultFileSets, OnlyTheModesFilesAppear) {
  const ModeCase& c = GetParam();
  TempProject project;
  auto run = climate_test::layered_run({{"Asphalt", 2.0f, 0, 3}, {"Base", 4.0f, 2.0f, 5}});
  run->climate_simulation_common.thermal_history_mode = c.mode;
  for (int n = 1; n <= 5; ++n) run->node_state.node_temperature(n) = 50.0f + n;

  engine::open_result_files(*run);
  engine::ResultRecords records(*run);
  for (int day = 1; day <= 2; ++day) {
    records.write_output_point(day);
    records.write_output_point(day);
    records.write_day_end(day, {});
  }
  platform::write_record(engine::kDrainageChannel, "drainage");
  engine::close_result_files();

  std::set<std::string> found;
  for (const auto& entry : std::filesystem::directory_iterator(project.project()))
    found.insert(entry.path().filename().string());
  found.erase("input.tmp");
  EXPECT_EQ(found, c.files);

  // two output points a day; one gradient record a day
  for (const std::string& name : c.files) {
    const std::string text = TempProject::read(project.project() / name);
    const auto lines = std::count(text.begin(), text.end(), '\n');
    EXPECT_EQ(lines, name == ".drn" ? 1 : name == ".crl" ? 2 : 4) << name;
  }
}

const ModeCase kModeCases[] = {
    {0, {".crl", ".tem", ".mod", ".por", ".ice", ".wat", ".drn"}},
    {1, {".drn"}},
    {2, {".por", ".wat", ".drn"}},
    {5, {".drn"}},
};

INSTANTIATE_TEST_SUITE_P(Modes, ResultFileSets, ::testing::ValuesIn(kModeCases),
                         [](const auto& info) { return "Mode" + std::to_string(info.param.mode); });

TEST(ResultFiles, RecordsFollowEachOtherAndReplaceAnEarlierRun) {
  TempProject project;
  TempProject::write(project.project() / ".tem", "old line 1\nold line 2\nold line 3\n");
  auto run = climate_test::layered_run({{"Asphalt", 2.0f, 0, 3}, {"Base", 4.0f, 2.0f, 5}});
  engine::open_result_files(*run);
  engine::ResultRecords records(*run);
  records.write_output_point(1);
  run->node_state.node_temperature(1) = 70.0f;
  records.write_output_point(1);
  engine::close_result_files();
  EXPECT_EQ(TempProject::read(project.project() / ".tem"),
            "   1   0.0   0.0   0.0   0.0   0.0\n"
            "   1  70.0   0.0   0.0   0.0   0.0\n");
}

// ---------------------------------------------------------------- records

struct OracleLine {
  std::string name, kind, units;
  std::int32_t day = 0;
  std::vector<std::uint64_t> bits;
  std::string record;
};

std::vector<OracleLine> load_oracle() {
  std::ifstream in(std::string(TEST_DATA_DIR) + "/engine/climate/result_records.tsv");
  EXPECT_TRUE(in.good());
  std::vector<OracleLine> lines;
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> cols;
    std::stringstream ss(line);
    std::string col;
    while (std::getline(ss, col, '\t')) cols.push_back(col);
    EXPECT_EQ(cols.size(), 6u) << line;
    if (cols.size() != 6) continue;
    OracleLine o{cols[0], cols[1], cols[2], std::stoi(cols[3]), {}, cols[5]};
    std::stringstream values(cols[4]);
    while (std::getline(values, col, ',')) o.bits.push_back(std::stoull(col, nullptr, 16));
    lines.push_back(o);
  }
  return lines;
}

float single_of(std::uint64_t bits) { return std::bit_cast<float>(static_cast<std::uint32_t>(bits)); }

// A run of one layer holding the case's values at its nodes.
std::unique_ptr<engine::ClimateRun> run_with_nodes(const OracleLine& o) {
  const int n = static_cast<int>(o.bits.size());
  auto run = climate_test::layered_run({{"Base", 40.0f, 1.0f, n}}, 0);
  run->climate_simulation_common.units_flag = o.units == "E" ? 1.0f : 0.0f;
  engine::NodeState& s = run->node_state;
  auto* values = o.kind == "tem"   ? &s.node_temperature
                 : o.kind == "mod" ? &s.node_modulus
                 : o.kind == "por" ? &s.node_suction
                 : o.kind == "wat" ? &s.node_water_content
                                   : &s.node_ice_content;
  for (int k = 1; k <= n; ++k) (*values)(k) = single_of(o.bits[static_cast<std::size_t>(k - 1)]);
  return run;
}

NodeRecord record_of(const std::string& kind) {
  if (kind == "tem") return NodeRecord::kTemperature;
  if (kind == "mod") return NodeRecord::kModulus;
  if (kind == "por") return NodeRecord::kSuction;
  if (kind == "wat") return NodeRecord::kWater;
  return NodeRecord::kIce;
}

TEST(ResultRecords, MatchGfortranByteForByte) {
  const std::vector<OracleLine> oracle = load_oracle();
  ASSERT_EQ(oracle.size(), 17u);
  for (const OracleLine& o : oracle) {
    SCOPED_TRACE(o.name);
    if (o.kind == "crl") {
      auto run = climate_test::layered_run({{"Base", 4.0f, 1.0f, 5}}, 0);
      run->climate_simulation_common.units_flag = o.units == "E" ? 1.0f : 0.0f;
      engine::ResultRecords records(*run);
      const engine::DailyGradients g{single_of(o.bits[0]), single_of(o.bits[1]),
                                     single_of(o.bits[2]), single_of(o.bits[3])};
      EXPECT_EQ(records.gradient_record(o.day, g), o.record);
    } else if (o.kind == "double") {
      std::vector<double> values;
      for (std::uint64_t b : o.bits) values.push_back(std::bit_cast<double>(b));
      const platform::Format layout("(I4," + std::to_string(values.size()) + "E10.3)");
      EXPECT_EQ(platform::format_fixed(layout, o.day, values), o.record);
    } else if (o.kind == "history") {
      // Asphalt of 4.5 inches at 1.125-inch spacing over a base.
      TempProject project;
      auto run =
          climate_test::layered_run({{"Asphalt", 4.5f, 0, 5}, {"Base", 10.0f, 2.0f, 10}});
      engine::setup_layer_grid(*run);
      for (int k = 1; k <= 5; ++k)
        run->node_state.node_temperature(k) = single_of(o.bits[static_cast<std::size_t>(k - 1)]);
      engine::TemperatureHistoryFile history(*run);
      history.select_fields();
      EXPECT_EQ(history.record(engine::history_stamp(2001, 2, 3, 7.0f)), o.record);
    } else {
      auto run = run_with_nodes(o);
      engine::ResultRecords records(*run);
      EXPECT_EQ(records.node_record(record_of(o.kind), o.day), o.record);
    }
  }
}

// What the golden lines hold, field by field: the cases the files are known by.
TEST(ResultRecords, GoldenLinesHoldTheKnownFields) {
  std::map<std::string, std::string> r;
  for (const OracleLine& o : load_oracle()) r[o.name] = o.record;
  EXPECT_EQ(r["tem_english"].size(), 4u + 40 * 6);
  EXPECT_EQ(r["mod_english"].size(), 4u + 40 * 10);
  EXPECT_EQ(r["por_metric"].size(), 4u + 40 * 10);
  EXPECT_EQ(r["wat_english"].size(), 4u + 40 * 6);
  EXPECT_EQ(r["tem_english"].substr(4, 18), "  32.0  -0.0******");  // 32, -0.04, 12345.6
  EXPECT_EQ(r["tem_metric"].substr(4, 6), "   0.0");
  EXPECT_EQ(r["mod_english"].substr(4, 30), " 0.000E+00-0.150E+05 0.100E-04");
  EXPECT_EQ(r["exponent_double"].substr(4, 10), " 0.100+101");
  EXPECT_EQ(r["wat_english"].substr(4, 42), " 0.000 0.250 1.000 0.00112.500******-0.000");
  EXPECT_EQ(r["crl_flat_english"], "  12  24.00  -1.500  0.00   0.000");
  EXPECT_EQ(r["tem_day_10000"].substr(0, 4), "****");
}

}  // namespace
