#pragma once
// A temporary project for the climate tests: drive C: is a fresh folder holding
// the project folder "C:\proj\", the process works in it (where the correction
// table and the progress file live), and the console is captured with an empty
// input, so pauses go on at once.

#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/climate/climate_run.h"
#include "engine/climate/simulation_steps.h"
#include "platform/fixed_text.h"

namespace climate_test {

class TempProject {
 public:
  TempProject();
  ~TempProject();
  TempProject(const TempProject&) = delete;
  TempProject& operator=(const TempProject&) = delete;

  const std::filesystem::path& root() const { return root_; }  // drive C: and working folder
  std::filesystem::path project() const { return root_ / "proj"; }
  static platform::FixedText<255> directory() { return "C:\\proj\\"; }

  void write_input(const std::string& text) const { write(project() / "input.tmp", text); }
  static void write(const std::filesystem::path& path, const std::string& text);
  static std::string read(const std::filesystem::path& path);

  std::string console() const { return out_.str(); }
  void clear_console() { out_.str(""); }

 private:
  std::filesystem::path root_;
  std::filesystem::path previous_dir_;
  std::ostringstream out_;
  std::istringstream in_;
};

// The simulation's own steps, each passed on: a test overrides the ones it
// watches and calls these from its own.
class ForwardedSteps : public engine::SimulationSteps {
 public:
  void set_up_materials(engine::ClimateRun& run) override { steps_.set_up_materials(run); }
  void set_initial_water(engine::ClimateRun& run) override { steps_.set_initial_water(run); }
  void evaluate_drainage(engine::ClimateRun& run) override { steps_.evaluate_drainage(run); }
  void before_day_loop(engine::ClimateRun& run) override { steps_.before_day_loop(run); }
  void solved_step(engine::ClimateRun& run) override { steps_.solved_step(run); }
  void output_point(engine::ClimateRun& run) override { steps_.output_point(run); }

 private:
  engine::DefaultSimulationSteps steps_;
};

struct Outcome {
  int status = 0;  // 0: the phase ended normally; else the stop's status
  std::string message;
};

// Runs the input phase on a fresh context; the stop of a failed check is caught.
Outcome run_input_phase(engine::ClimateRun& run, float ac_thickness = 4.0f,
                        const platform::FixedText<255>& directory = TempProject::directory());

std::unique_ptr<engine::ClimateRun> fresh_run();

// Writes `input_text` as the project's "input.tmp" and runs the input phase on a
// fresh context.
struct Reading {
  std::unique_ptr<engine::ClimateRun> run;
  Outcome outcome;
};
Reading read_input(const TempProject& project, const std::string& input_text,
                   float ac_thickness = 4.0f);

// A small daily-form input with two layers (Asphalt 4 inches over an 8-inch
// base, 9 nodes), edited piece by piece by the tests.
struct InputText {
  std::string header =
      "1\n2\n1.0\n1\n1,'IDMODEL(0)TMI(1)'\n'FLEXIBLE','KAVRO ANALYSIS TYPE'\nC:\\proj\\\n1 0\n";
  std::string record9 = "2 8 0.1 1\n";
  std::string layers;  // set by the constructor
  std::string site = "3 0.93 0.85 50 0.5\n0.77 0.28 5.0 0.85\n4 15 32 30.2\n1\n";
  std::string day_count = "2\n";
  std::string nodes;  // 9 lines "50 0"
  std::string days =
      "7 31 2001 80 60 0.5 8 70 5 19 500 50\n"
      "8 1 2001 82 61 0 9 80 5 19 510 50\n";
  std::string trailing = "12  2  1\n2 4.5 90.5 5\n2 0 100\n10 0.3 0.25 0.75 1.65";

  InputText();
  std::string text() const {
    return header + record9 + layers + site + day_count + nodes + days + trailing;
  }
};

// A layer record as the input phase leaves it.
struct LayerRecord {
  std::string name;
  float thickness = 0;
  float spacing = 0;  // ignored for the top layer, whose spacing comes from its thickness
  int last_node = 0;
};
// A run holding only the layer records and counts of `layers` (the node count is
// the last layer's last node), case name "C:\proj\", history file
// "C:\proj\tmp\thermal.tmp", English units.
std::unique_ptr<engine::ClimateRun> layered_run(const std::vector<LayerRecord>& layers,
                                                int section_count_total = 1);

// The front end's "input.tmp" for 6 inches of asphalt (layers Asphalt, Base and
// Natural; 69 nodes, the bottom node at 360 inches; water table 50 feet), with
// `history_mode` as record 4 and only the first `days` day records (all when 0).
std::string front_end_text(bool daily_form = true, int days = 0, int history_mode = 1);
// Replaces the value of the `occurrence`-th (from 1) record labelled `label`.
void set_record(std::string& text, const std::string& label, int occurrence, double value);
// Reads `text` through the input phase (asphalt thickness wanted `ac_thickness`)
// and builds the grid; fails the test when
// the input phase stops.
std::unique_ptr<engine::ClimateRun> gridded_run(const TempProject& project,
                                                const std::string& text,
                                                float ac_thickness = 6.0f);

std::string asphalt_layer(double thickness, int last_node);

// A soil layer whose twenty values are base, base + 1, ..., base + 19.
std::string soil_layer(const std::string& name, double thickness, double spacing, int last_node,
                       double base = 1.0);

// The lines of a text, without their line ends (a last line without one too).
std::vector<std::string> lines_of(const std::string& text);

// The "name value" lines of an oracle's file under tests/data/engine/climate.
std::map<std::string, double> oracle_values(const std::string& file_name);

}  // namespace climate_test
