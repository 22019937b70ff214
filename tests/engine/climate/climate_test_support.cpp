#include "climate_test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "engine/climate/climate_input.h"
#include "engine/climate/layer_grid.h"
#include "platform/console.h"
#include "platform/process.h"
#include "platform/stop.h"
#include "platform/units.h"
#include "synthetic_input/front_end_input.h"

namespace climate_test {

namespace fs = std::filesystem;

TempProject::TempProject() {
  static std::atomic<int> serial{0};
  root_ = fs::temp_directory_path() /
          ("pavsim-climate-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
  fs::remove_all(root_);
  fs::create_directories(root_ / "proj");
  previous_dir_ = fs::current_path();
  fs::current_path(root_);
  ::setenv("PAVSIM_DRIVE_C", root_.c_str(), 1);
  const char* args[] = {"pavsim"};
  platform::set_command_line(1, args);
  platform::set_console_output(&out_);
  platform::set_console_input(&in_);
}

TempProject::~TempProject() {
  platform::close_all_units();
  platform::set_console_output(nullptr);
  platform::set_console_input(nullptr);
  platform::set_command_line(0, nullptr);
  ::unsetenv("PAVSIM_DRIVE_C");
  std::error_code ec;
  fs::current_path(previous_dir_, ec);
  fs::remove_all(root_, ec);
}

void TempProject::write(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  ASSERT_TRUE(out.good()) << path;
}

std::string TempProject::read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

Outcome run_input_phase(engine::ClimateRun& run, float ac_thickness,
                        const platform::FixedText<255>& directory) {
  Outcome outcome;
  try {
    engine::climate_input_phase(run, ac_thickness, 0.25f, directory, "tmp\\thermal.tmp");
  } catch (const platform::RunStop& stop) {
    outcome.status = stop.status();
    outcome.message = stop.message();
  }
  return outcome;
}

std::unique_ptr<engine::ClimateRun> fresh_run() { return std::make_unique<engine::ClimateRun>(); }

Reading read_input(const TempProject& project, const std::string& input_text, float ac_thickness) {
  project.write_input(input_text);
  Reading r{fresh_run(), {}};
  r.outcome = run_input_phase(*r.run, ac_thickness);
  return r;
}

std::unique_ptr<engine::ClimateRun> layered_run(const std::vector<LayerRecord>& layers,
                                                int section_count_total) {
  auto run = fresh_run();
  engine::SimulationCounts& counts = run->simulation_counts;
  counts.layer_count = static_cast<int>(layers.size());
  counts.section_counts(1) = section_count_total;
  counts.section_count_total = section_count_total;
  counts.node_count = layers.back().last_node;
  counts.node_interval_count = counts.node_count - 1;
  engine::LayerProperties& lp = run->layer_properties;
  for (int i = 1; i <= counts.layer_count; ++i) {
    const LayerRecord& layer_record = layers[static_cast<std::size_t>(i - 1)];
    run->layer_names.layer_names(i) = layer_record.name;
    lp.layer_thickness(i) = layer_record.thickness;
    lp.layer_node_spacing(i) = layer_record.spacing;
    lp.layer_last_node(i) = layer_record.last_node;
  }
  lp.layer_node_spacing(1) = lp.layer_thickness(1) / static_cast<float>(lp.layer_last_node(1) - 1);
  run->climate_simulation_common.units_flag = 1.0f;
  run->climate_simulation_common.case_name = TempProject::directory();
  run->temperature_file_name = "C:\\proj\\tmp\\thermal.tmp";
  return run;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

std::map<std::string, double> oracle_values(const std::string& file_name) {
  std::ifstream in(std::string(TEST_DATA_DIR) + "/engine/climate/" + file_name);
  EXPECT_TRUE(in.good()) << file_name;
  std::map<std::string, double> values;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string name;
    double value = 0;
    fields >> name >> value;
    values[name] = value;
  }
  return values;
}

std::string front_end_text(bool daily_form, int days, int history_mode) {
  synthetic_input::FrontEndInput input;
  input.directory = "C:\\proj\\";
  input.daily_form = daily_form;
  input.thermal_history_mode = history_mode;
  input.max_day_blocks = days;
  return synthetic_input::front_end_input_text(input);
}

void set_record(std::string& text, const std::string& label, int occurrence, double value) {
  const std::string tail = ",'" + label + "'";
  std::size_t at = 0;
  for (int k = 0; k < occurrence; ++k) {
    at = text.find(tail, k == 0 ? 0 : at + 1);
    ASSERT_NE(at, std::string::npos) << label << " " << occurrence;
  }
  const std::size_t start = text.rfind('\n', at) + 1;
  char number[64];
  std::snprintf(number, sizeof number, "%.9g", value);
  text.replace(start, at - start, number);
}

std::unique_ptr<engine::ClimateRun> gridded_run(const TempProject& project,
                                                const std::string& text, float ac_thickness) {
  Reading r = read_input(project, text, ac_thickness);
  EXPECT_EQ(r.outcome.status, 0) << r.outcome.message;
  engine::setup_layer_grid(*r.run);
  return std::move(r.run);
}

std::string asphalt_layer(double thickness, int last_node) {
  char line[160];
  std::snprintf(line, sizeof line,
                "'Asphalt',%g,1,%d,'Material,Thickness,Nodal spacing,Last Node'\n", thickness,
                last_node);
  return std::string(line) +
         "148,'Unit Weight'\n0.67,'Thermal Conductivity'\n0.23,'Heat Capacity'\n";
}

std::string soil_layer(const std::string& name, double thickness, double spacing, int last_node,
                       double base) {
  char line[200];
  std::snprintf(line, sizeof line, "'%s',%g,%g,%d,'Material,Thickness,Nodal spacing,Last Node'\n",
                name.c_str(), thickness, spacing, last_node);
  std::string text = line;
  for (int k = 0; k < 20; ++k) {
    std::snprintf(line, sizeof line, "%g,'Value %d'\n", base + k, k + 1);
    text += line;
  }
  return text;
}

InputText::InputText() {
  layers = asphalt_layer(4.0, 5) + soil_layer("Base", 8.0, 2.0, 9);
  for (int n = 0; n < 9; ++n) nodes += "50 0\n";
}

}  // namespace climate_test
