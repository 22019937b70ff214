// The layer and node set-up: the grid, the correction nodes, the first implicit
// node and the evaluation points of the temperature history. Expected grids are
// worked by hand from the layer records.

#include "engine/climate/layer_grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "climate_test_support.h"
#include "engine/climate/temperature_history_file.h"
#include "engine/common/node_count.h"
#include "platform/stop.h"
#include "synthetic_input/front_end_input.h"

namespace {

using climate_test::LayerSpec;
using climate_test::TempProject;
using engine::ClimateRun;

struct Point {
  float depth;
  int upper, lower;
  double upper_weight, lower_weight;
};

struct GridCase {
  const char* name;
  std::vector<LayerSpec> layers;
  int section_count_total;
  std::vector<float> depths;
  std::vector<int> node_layers;
  std::vector<int> first_nodes;
  std::vector<float> bottoms;
  std::vector<Point> points;
  int first_implicit_node;
  std::vector<double> correction_depths = {};
  std::vector<int> correction_nodes = {};
};

void PrintTo(const GridCase& c, std::ostream* os) { *os << c.name; }

LayerSpec base(int last_node) { return {"Base", 8.0f, 2.0f, last_node}; }

// Five points in the asphalt, an odd count: the base adds one at 4 inches.
const GridCase kThreeInchAsphalt = {
    "OddCountTakesABasePoint",
    {{"Asphalt", 3.0f, 0, 4}, base(8)},
    1,
    {0, 1, 2, 3, 5, 7, 9, 11},
    {1, 1, 1, 1, 2, 2, 2, 2},
    {1, 5},
    {3, 11},
    {{0, 1, 1, 1, 0}, {0.5f, 1, 2, 0.5, 0.5}, {1, 1, 2, 0, 1}, {2, 2, 3, 0, 1}, {3, 3, 4, 0, 1},
     {4, 4, 5, 0.5, 0.5}},
    4};

GridCase with_corrections(GridCase c, const char* name, std::vector<double> depths,
                          std::vector<int> nodes) {
  c.name = name;
  c.correction_depths = std::move(depths);
  c.correction_nodes = std::move(nodes);
  return c;
}

const GridCase kGridCases[] = {
    {"AsphaltOverBase",
     {{"Asphalt", 4.0f, 0, 5}, base(9)},
     1,
     {0, 1, 2, 3, 4, 6, 8, 10, 12},
     {1, 1, 1, 1, 1, 2, 2, 2, 2},
     {1, 6},
     {4, 12},
     // six points, an even count: the base adds none
     {{0, 1, 1, 1, 0}, {0.5f, 1, 2, 0.5, 0.5}, {1, 1, 2, 0, 1}, {2, 2, 3, 0, 1}, {3, 3, 4, 0, 1},
      {4, 4, 5, 0, 1}},
     5},
    kThreeInchAsphalt,
    {"AtbTopTakesTheParityPoint",
     {{"ATB", 2.0f, 0, 3}, base(7)},
     1,
     {0, 1, 2, 4, 6, 8, 10},
     {1, 1, 1, 2, 2, 2, 2},
     {1, 4},
     {2, 10},
     {{0, 1, 1, 1, 0}, {1, 1, 2, 0, 1}},
     3},
    {"AsphaltSpacingOfTwoInches",
     {{"Asphalt", 4.0f, 0, 3}, base(7)},
     1,
     {0, 2, 4, 6, 8, 10, 12},
     {1, 1, 1, 2, 2, 2, 2},
     {1, 4},
     {4, 12},
     // the first interval takes three points
     {{0, 1, 1, 1, 0}, {0.5f, 1, 2, 0.75, 0.25}, {1, 1, 2, 0.5, 0.5}, {2, 1, 2, 0, 1},
      {3, 2, 3, 0.5, 0.5}, {4, 2, 3, 0, 1}},
     3},
    {"SpacingAboveThreeInchesFallsBehind",
     {{"Asphalt", 8.0f, 0, 3}, base(7)},
     1,
     {0, 4, 8, 10, 12, 14, 16},
     {1, 1, 1, 2, 2, 2, 2},
     {1, 4},
     {8, 16},
     // points behind the nodes are placed against a later interval, with
     // weights outside 0-1
     {{0, 1, 1, 1, 0},
      {0.5f, 1, 2, 0.875, 0.125},
      {1, 1, 2, 0.75, 0.25},
      {2, 1, 2, 0.5, 0.5},
      {3, 2, 3, 1.25, -0.25},
      {4, 2, 3, 1.0, 0.0},
      {5, 2, 3, 0.75, 0.25},
      {6, 3, 4, 2.0, -1.0},
      {7, 3, 4, 1.5, -0.5},
      {8, 3, 4, 1.0, 0.0}},
     3},
    // 2.5 is midway between nodes 3 and 4; 2.7 finds its interval taken
    with_corrections(kThreeInchAsphalt, "CorrectionDepthsTieToTheDeeperNode", {0.0, 2.5, 2.7},
                     {1, 4, 0}),
    {"NoBoundLayerStartsTheImplicitRegionAtTheSurface",
     {{"Natural", 4.0f, 0, 5}, {"Bed rock", 8.0f, 2.0f, 9}},
     0,
     {0, 1, 2, 3, 4, 6, 8, 10, 12},
     {1, 1, 1, 1, 1, 2, 2, 2, 2},
     {1, 6},
     {4, 12},
     {{0, 1, 1, 1, 0}, {1, 1, 2, 0, 1}},
     1},
};

class LayerGrid : public ::testing::TestWithParam<GridCase> {};

TEST_P(LayerGrid, MatchesTheHandWorkedGrid) {
  const GridCase& c = GetParam();
  TempProject project;
  auto run = climate_test::layered_run(c.layers, c.section_count_total);
  engine::CorrectionFields& cf = run->correction_fields;
  if (!c.correction_depths.empty()) {
    cf.correction_file_open = true;
    cf.correction_field_count = static_cast<int>(c.correction_depths.size());
    for (int k = 1; k <= cf.correction_field_count; ++k)
      cf.initial_corrections(k) = c.correction_depths[static_cast<std::size_t>(k - 1)];
  }
  engine::setup_layer_grid(*run);

  const int nodes = run->simulation_counts.node_count;
  ASSERT_EQ(static_cast<int>(c.depths.size()), nodes);
  for (int n = 1; n <= nodes; ++n) {
    EXPECT_EQ(run->node_state.node_depth(n), c.depths[static_cast<std::size_t>(n - 1)]) << n;
    EXPECT_EQ(run->node_state.node_layer(n), c.node_layers[static_cast<std::size_t>(n - 1)]) << n;
  }
  for (int i = 1; i <= run->simulation_counts.layer_count; ++i) {
    const auto at = static_cast<std::size_t>(i - 1);
    EXPECT_EQ(run->layer_properties.layer_first_node(i), c.first_nodes[at]) << i;
    EXPECT_EQ(run->layer_properties.layer_bottom_depth(i), c.bottoms[at]) << i;
    EXPECT_EQ(run->layer_properties.layer_spacing_feet(i),
              run->layer_properties.layer_node_spacing(i) / 12.0f);
  }

  const engine::ClimateWork& w = run->work;
  ASSERT_EQ(run->simulation_counts.history_point_count, static_cast<int>(c.points.size()));
  for (int p = 1; p <= run->simulation_counts.history_point_count; ++p) {
    const Point& e = c.points[static_cast<std::size_t>(p - 1)];
    EXPECT_EQ(w.history_point_depth(p), e.depth) << p;
    EXPECT_EQ(w.history_upper_node(p), e.upper) << p;
    EXPECT_EQ(w.history_lower_node(p), e.lower) << p;
    EXPECT_EQ(w.history_upper_weight(p), e.upper_weight) << p;
    EXPECT_EQ(w.history_lower_weight(p), e.lower_weight) << p;
  }
  EXPECT_EQ(run->first_implicit_node, c.first_implicit_node);

  for (std::size_t k = 0; k < c.correction_nodes.size(); ++k)
    EXPECT_EQ(cf.correction_node(static_cast<int>(k) + 1), c.correction_nodes[k]) << k;
  const bool unmatched =
      std::find(c.correction_nodes.begin(), c.correction_nodes.end(), 0) != c.correction_nodes.end();
  EXPECT_EQ(project.console().find("LTTP_CORRECT.CSV") != std::string::npos, unmatched)
      << project.console();
}

INSTANTIATE_TEST_SUITE_P(Grids, LayerGrid, ::testing::ValuesIn(kGridCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LayerGrid, TopSoilValuesAreClearedOnlyUnderABoundLayer) {
  for (int sections : {0, 1}) {
    auto run = climate_test::layered_run(
        {{sections ? "ATB" : "Natural", 4.0f, 0, 5}, {"Bed rock", 8.0f, 2.0f, 9}}, sections);
    run->layer_properties.soil_unit_weight(1) = 122.5f;
    run->layer_properties.soil_porosity(1) = 0.27f;
    run->climate_simulation_common.surface_constants(engine::kFreezeBandBottom) = 30.2f;
    engine::setup_layer_grid(*run);
    EXPECT_EQ(run->layer_properties.soil_unit_weight(1), sections ? 0.0f : 122.5f);
    EXPECT_EQ(run->layer_properties.soil_porosity(1), sections ? 0.0f : 0.27f);
    EXPECT_EQ(run->climate_simulation_common.freeze_temperature, 30.2f);
  }
}

// ---------------------------------------------------------------- correction faults

struct CorrectionCase {
  const char* name;
  std::vector<double> depths;
  std::vector<int> nodes;
  const char* listed;  // the unmatched depths on the console line
};

void PrintTo(const CorrectionCase& c, std::ostream* os) { *os << c.name; }

class UnmatchedCorrections : public ::testing::TestWithParam<CorrectionCase> {};

// Nodes at 0, 1, 2, 3 (asphalt), 5, 7, 9 and 11 inches (base).
TEST_P(UnmatchedCorrections, GetNoNodeAndOneConsoleLine) {
  const CorrectionCase& c = GetParam();
  TempProject project;
  auto run = climate_test::layered_run({{"Asphalt", 3.0f, 0, 4}, base(8)});
  engine::CorrectionFields& cf = run->correction_fields;
  cf.correction_file_open = true;
  cf.correction_field_count = static_cast<int>(c.depths.size());
  for (int k = 1; k <= cf.correction_field_count; ++k)
    cf.initial_corrections(k) = c.depths[static_cast<std::size_t>(k - 1)];
  // A value beyond the count that would match: the scan must not reach it.
  cf.initial_corrections(cf.correction_field_count + 1) = 6.0;
  engine::setup_layer_grid(*run);

  for (std::size_t k = 0; k < c.nodes.size(); ++k)
    EXPECT_EQ(cf.correction_node(static_cast<int>(k) + 1), c.nodes[k]) << k;
  EXPECT_EQ(cf.correction_node(cf.correction_field_count + 1), 0);
  const std::string console = project.console();
  EXPECT_EQ(std::count(console.begin(), console.end(), '\n'), 1) << console;
  EXPECT_NE(console.find("\"LTTP_CORRECT.CSV\": no node interval for the correction depths" +
                         std::string(c.listed) + " ("),
            std::string::npos)
      << console;
}

const CorrectionCase kCorrectionCases[] = {
    // the scan waits for a match, so every later depth is lost too
    {"SecondDepthInTheSameInterval", {0.2, 0.4, 2.5}, {1, 0, 0}, " 0.4 2.5"},
    {"DepthsOutOfOrder", {2.5, 0.5}, {4, 0}, " 0.5"},
    {"NegativeDepth", {-1.0, 0.5}, {0, 0}, " -1.0 0.5"},
    {"DepthAtTheDeepestNode", {0.5, 11.0}, {2, 0}, " 11.0"},
    {"DepthBelowTheDeepestNode", {0.5, 9.5, 40.0}, {2, 7, 0}, " 40.0"},
};

INSTANTIATE_TEST_SUITE_P(Faults, UnmatchedCorrections, ::testing::ValuesIn(kCorrectionCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LayerGrid, MatchedCorrectionsWriteNoConsoleLine) {
  TempProject project;
  auto run = climate_test::layered_run({{"Asphalt", 3.0f, 0, 4}, base(8)});
  engine::CorrectionFields& cf = run->correction_fields;
  cf.correction_file_open = true;
  cf.correction_field_count = 3;
  cf.initial_corrections(1) = 0.4;  // nearer node 1
  cf.initial_corrections(2) = 1.6;  // nearer node 3
  cf.initial_corrections(3) = 7.9;  // between 7 and 9: nearer node 7
  engine::setup_layer_grid(*run);
  EXPECT_EQ(cf.correction_node(1), 1);
  EXPECT_EQ(cf.correction_node(2), 3);
  EXPECT_EQ(cf.correction_node(3), 6);
  EXPECT_EQ(project.console(), "");
}

// ---------------------------------------------------------------- the last layer

// Bound layers look one node into the layer below; below the last layer there
// is none. A thickness far beyond the nodes keeps the bottom test open there
// (a read past the 300 nodes would trip the bounds checks of the debug build).
TEST(LayerGrid, NoPointPastTheLastNodeOfTheLastLayer) {
  for (const char* name : {"Asphalt", "PCC"}) {
    auto run = climate_test::layered_run(
        {{"Base", 10.0f, 0, 11}, {name, 100.0f, 0.01f, engine::kMaxNodes}}, 0);
    engine::setup_layer_grid(*run);
    const engine::ClimateWork& w = run->work;
    // the surface, the parity point at 1 inch, 2 to 10 at the layer's first
    // nodes, then 11 and 12 inches: its nodes end at 12.89 inches
    ASSERT_EQ(run->simulation_counts.history_point_count, 13) << name;
    for (int p = 1; p <= 13; ++p) EXPECT_LE(w.history_lower_node(p), engine::kMaxNodes) << name;
    EXPECT_EQ(w.history_point_depth(13), 12.0f) << name;
  }
}

// ---------------------------------------------------------------- front-end grids

std::string front_end_input(double thickness) {
  synthetic_input::FrontEndInput input;
  input.asphalt_thickness = thickness;
  input.directory = "C:\\proj\\";
  input.daily_form = true;  // the grid does not depend on the climate records
  return synthetic_input::front_end_input_text(input);
}

// Every thickness the front end offers, at one decimal: the points keep to
// their intervals, and the history record carries a temperature for each node
// of the cracking reader, which puts node k at 2(k - 1) inches. At an even
// whole thickness above 2 inches the reader's last node lies below the layer,
// and the record is one field shorter.
TEST(LayerGrid, FrontEndGridsFeedTheHistoryReader) {
  TempProject project;
  for (int tenths = 10; tenths <= 200; ++tenths) {
    const double t = tenths / 10.0;
    SCOPED_TRACE("thickness " + std::to_string(t));
    auto [run, outcome] =
        climate_test::read_input(project, front_end_input(t), static_cast<float>(t));
    ASSERT_EQ(outcome.status, 0) << outcome.message;
    engine::setup_layer_grid(*run);
    const engine::ClimateWork& w = run->work;
    const int points = run->simulation_counts.history_point_count;
    EXPECT_LE(points, engine::kMaxHistoryPoints);
    EXPECT_EQ(points, engine::count_history_points(*run));
    for (int p = 1; p <= points; ++p) {
      EXPECT_GE(w.history_upper_weight(p), 0.0) << p;
      EXPECT_LE(w.history_upper_weight(p), 1.0) << p;
      EXPECT_GE(w.history_lower_weight(p), 0.0) << p;
      EXPECT_NEAR(w.history_upper_weight(p) + w.history_lower_weight(p), 1.0, 1e-15) << p;
      if (p > 1) {
        EXPECT_GT(w.history_point_depth(p), w.history_point_depth(p - 1)) << p;
      }
    }
    const int fields = static_cast<int>(engine::select_history_fields(*run).size());
    const int wanted = engine::layer_node_count(run->layer_properties.layer_thickness(1));
    const bool even_inches = tenths % 20 == 0 && tenths > 20;
    EXPECT_GE(fields, even_inches ? wanted - 1 : wanted);
    project.clear_console();
  }
}

// ---------------------------------------------------------------- limits and repeatability

// The points of a 49-inch asphalt top at 1-inch spacing: the surface, 0.5, 1,
// ..., 49 (51), and one more in the base to even the count.
TEST(LayerGrid, MoreThanFiftyPointsStopTheInputPhase) {
  struct Case {
    int inches;
    int status;
  };
  for (const Case c : {Case{48, 0}, Case{49, platform::kStopDecided}}) {
    TempProject project;
    climate_test::InputText input;
    const int top_nodes = c.inches + 1;
    input.record9 = "2 " + std::to_string(top_nodes + 3) + " 0.1 1\n";
    input.layers = climate_test::asphalt_layer(c.inches, top_nodes) +
                   climate_test::soil_layer("Base", 8, 2, top_nodes + 4);
    input.nodes.clear();
    for (int n = 0; n < top_nodes + 4; ++n) input.nodes += "50 0\n";
    auto [run, outcome] =
        climate_test::read_input(project, input.text(), static_cast<float>(c.inches));
    EXPECT_EQ(outcome.status, c.status) << outcome.message;
    if (c.status == 0) {
      engine::setup_layer_grid(*run);
      EXPECT_EQ(run->simulation_counts.history_point_count, 50);
      continue;
    }
    EXPECT_NE(outcome.message.find("input.tmp"), std::string::npos) << outcome.message;
    EXPECT_NE(outcome.message.find("top layer \"Asphalt\" of 49.0 inches needs 52"),
              std::string::npos)
        << outcome.message;
    EXPECT_NE(project.console().find(outcome.message + "\n"), std::string::npos);
    // nothing of the run is written: the project holds its input only
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(project.project())) {
      EXPECT_EQ(entry.path().filename(), "input.tmp");
      ++files;
    }
    EXPECT_EQ(files, 1);
  }
}

// Everything the set-up makes, overwritten with another structure's values.
void copy_grid_results(const ClimateRun& from, ClimateRun& to) {
  to.node_state.node_depth = from.node_state.node_depth;
  to.node_state.node_layer = from.node_state.node_layer;
  to.layer_properties.layer_first_node = from.layer_properties.layer_first_node;
  to.layer_properties.layer_bottom_depth = from.layer_properties.layer_bottom_depth;
  to.layer_properties.layer_spacing_feet = from.layer_properties.layer_spacing_feet;
  to.climate_simulation_common.freeze_temperature =
      from.climate_simulation_common.freeze_temperature;
  to.correction_fields.correction_node = from.correction_fields.correction_node;
  to.first_implicit_node = from.first_implicit_node;
  to.simulation_counts.history_point_count = from.simulation_counts.history_point_count;
  to.work.history_upper_node = from.work.history_upper_node;
  to.work.history_lower_node = from.work.history_lower_node;
  to.work.history_upper_weight = from.work.history_upper_weight;
  to.work.history_lower_weight = from.work.history_lower_weight;
  to.work.history_point_depth = from.work.history_point_depth;
  to.work.water_table_feet = from.work.water_table_feet;
  for (auto& v : to.work.moisture_work) v.fill(7.0f);
}

TEST(LayerGrid, NothingIsKeptFromAnEarlierStructure) {
  TempProject project;
  TempProject::write(project.root() / "LTTP_CORRECT.CSV",
                     "3\nkey,0.5,7.0,30.0\n1/1/2001,1,2,3\n");
  auto a = climate_test::read_input(project, front_end_input(12.3), 12.3f);
  const ClimateRun pristine_a = *a.run;
  engine::setup_layer_grid(*a.run);

  TempProject::write(project.root() / "LTTP_CORRECT.CSV", "2\nkey,1.0,3.5\n1/1/2001,1,2\n");
  auto b = climate_test::read_input(project, front_end_input(4.5), 4.5f);
  engine::setup_layer_grid(*b.run);
  ASSERT_NE(b.run->simulation_counts.history_point_count,
            a.run->simulation_counts.history_point_count);

  auto again = std::make_unique<ClimateRun>(pristine_a);
  copy_grid_results(*b.run, *again);
  engine::setup_layer_grid(*again);
  EXPECT_TRUE(*again == *a.run);
  EXPECT_EQ(again->correction_fields.correction_node(3), a.run->correction_fields.correction_node(3));
  EXPECT_EQ(again->work.water_table_feet.size(), a.run->period_control.day_count);
  EXPECT_EQ(again->work.water_table_feet(1), a.run->work.daily_value_9(1));
}

}  // namespace
