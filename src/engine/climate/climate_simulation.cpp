#include "engine/climate/climate_simulation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "engine/climate/climate_input.h"
#include "engine/climate/climate_run.h"
#include "engine/climate/correction_table.h"
#include "engine/climate/heat_conduction.h"
#include "engine/climate/layer_grid.h"
#include "engine/climate/progress_file.h"
#include "engine/climate/result_files.h"
#include "engine/climate/simulation_steps.h"
#include "engine/climate/surface_energy_balance.h"
#include "engine/climate/temperature_history_file.h"
#include "platform/console.h"
#include "platform/record_io.h"
#include "platform/signals.h"
#include "platform/stop.h"
#include "platform/units.h"

namespace engine {
namespace {

constexpr std::int32_t kEndMark = 9999;
constexpr int kProgressInterval = 500;  // days between progress marks
// What a pavement node can hold, deg F: above absolute zero and below what
// any surface reaches. Outside it (or not a number) the solution has failed.
constexpr float kAbsoluteZeroF = -459.67f;
constexpr float kHottestNodeF = 1000.0f;

// The progress marks the console echoes are I4, like the file's. Each is
// flushed, so a caller reading the console through a pipe sees it as it comes.
void echo_mark(std::int32_t mark) {
  static const platform::Format kLayout("(I4)");
  platform::console_line(platform::format_fixed(kLayout, mark));
  platform::console_flush();
}

// Grid failure: the run ends with a message that says why, through the
// failure path of every stop (no history left behind, the progress file -2).
[[noreturn]] void fail_grid(const ClimateRun& run) {
  platform::stop_run(platform::kStopDecided,
                     " Grid criterion not met in " + std::to_string(run.grid_failure_count) +
                         " layer(s): time step too large for the node spacing");
}

// The gradient through the bound layers, from the surface to the bottom of the
// last one; its daily extremes go to ".crl".
void track_gradient(ClimateRun& run) {
  const int bound = run.simulation_counts.section_count_total;
  float g = 0.0f;
  if (bound != 0) {
    const int b = run.layer_properties.layer_last_node(bound);
    const auto& t = run.node_state.node_temperature;
    g = (t(1) - t(b)) / run.node_state.node_depth(b);
  }
  DailyGradients& day = run.daily_gradients;
  if (g > 0.0f && g > day.maximum) {
    day.maximum = g;
    day.maximum_hour = run.hour_of_day;
  }
  if (g <= 0.0f && std::fabs(g) >= std::fabs(day.minimum)) {
    day.minimum = g;
    day.minimum_hour = run.hour_of_day;
  }
}

// The last guard before an output point is written: one pass over the nodes,
// the whole range tested without a branch, so that it stays cheap; the node is
// looked for only when one fails.
void check_node_temperatures(const ClimateRun& run) {
  const auto inside = [](float v) { return v >= kAbsoluteZeroF && v <= kHottestNodeF; };
  const std::span<const float> t =
      run.node_state.node_temperature.span(1, run.simulation_counts.node_count);
  bool outside = false;
  for (const float v : t) outside |= !inside(v);
  if (!outside) return;
  const auto node = static_cast<int>(std::find_if_not(t.begin(), t.end(), inside) - t.begin()) + 1;
  const ClimateWork& w = run.work;
  const int d = run.day_index;
  platform::stop_run(
      platform::kStopDecided,
      " Run error: day " + std::to_string(d) + " (" + std::to_string(w.calendar_month(d)) + "/" +
          std::to_string(w.calendar_day(d)) + "/" + std::to_string(w.calendar_year(d)) +
          "), hour " + std::to_string(static_cast<int>(std::round(run.hour_of_day))) +
          ": the temperature of node " +
          std::to_string(node) + " is " + platform::format_list(t[node - 1]).substr(1) +
          " F, outside -459.67 to 1000 F; the simulation has failed and nothing of it is kept");
}

class DayLoop {
 public:
  DayLoop(ClimateRun& run, SimulationSteps& steps, TemperatureHistoryFile& history)
      : run_(run), steps_(steps), history_(history), records_(run) {}

  void run_days() {
    const PeriodControl& pc = run_.period_control;
    run_.output_counter = pc.output_step_interval;
    for (run_.day_index = 1; run_.day_index <= pc.day_count; ++run_.day_index) {
      platform::check_interrupt();
      apply_day_correction(run_);
      run_day();
      const std::int32_t d = run_.day_index;
      if (d % kProgressInterval == 0) {
        write_progress(run_, d, ProgressOpenFailure::kSkip);
        echo_mark(d);
      }
      records_.write_day_end(d, run_.daily_gradients);
    }
  }

 private:
  // Half steps from hour 0 until the day's last solved step. The first pass
  // only writes the output point of hour 00: the state the day starts from.
  void run_day() {
    const PeriodControl& pc = run_.period_control;
    const float half_step = pc.half_step_hours;
    const bool tracking = run_.climate_simulation_common.thermal_history_mode == 0;
    run_.hour_of_day = 0.0f;
    run_.step_counter = -1;
    run_.daily_gradients = {};
    for (;;) {
      const bool first_pass = run_.step_counter == -1;
      if (!first_pass) {
        run_.hour_of_day += half_step;
        surface_energy_balance(run_);
        pavement_conduction_step(run_);
        const auto m = static_cast<std::int32_t>(run_.hour_of_day / half_step + 0.5f);
        if (m % 2 != 0) continue;
        ++run_.step_counter;
        ++run_.output_counter;
        steps_.solved_step(run_);
      }
      const bool output = run_.output_counter == pc.output_step_interval &&
                          run_.step_counter != pc.steps_per_day;
      // The checked output interval divides the day, so the first pass is an
      // output point; the day starts counting steps either way.
      if (first_pass) run_.step_counter = 0;
      if (output) {
        run_.output_counter = 0;
        output_point();
        continue;
      }
      if (tracking) track_gradient(run_);
      if (run_.step_counter >= pc.steps_per_day) return;
    }
  }

  void output_point() {
    const ClimateWork& w = run_.work;
    const int d = run_.day_index;
    const platform::FixedText<10> stamp =
        history_stamp(w.calendar_year(d), w.calendar_month(d), w.calendar_day(d),
                      run_.hour_of_day);
    steps_.output_point(run_);
    check_node_temperatures(run_);
    history_.write_record(stamp);
    records_.write_output_point(d);
  }

  ClimateRun& run_;
  SimulationSteps& steps_;
  TemperatureHistoryFile& history_;
  ResultRecords records_;
};

void simulate(ClimateRun& run, SimulationSteps& steps, TemperatureHistoryFile& history) {
  write_progress(run, 0, ProgressOpenFailure::kSkip);
  open_result_files(run);
  history.open();
  setup_layer_grid(run);
  history.select_fields();

  steps.set_up_materials(run);
  const int bound = run.simulation_counts.section_count_total;
  if (bound > 0) {
    check_grid_criterion(run);
    if (run.grid_failure_count > 0) fail_grid(run);
  }
  steps.set_initial_water(run);
  if (bound != 0) {
    steps.evaluate_drainage(run);
  } else {
    platform::write_list(kDrainageChannel,
                         "Drainage calculation not performed due to lack of pavement layer.");
  }

  // The step counts were checked and set by the input phase.
  run.day_index = 1;
  if (run.period_control.day_count > 0) {
    DayLoop loop(run, steps, history);
    steps.before_day_loop(run);
    loop.run_days();
  }

  run.day_index = kEndMark;
  write_progress(run, kEndMark, ProgressOpenFailure::kStop);
  echo_mark(kEndMark);
  // The history goes in place last: a later run takes it as the sign that the
  // simulation's files are complete, and would not write them again.
  close_result_files();
  history.finish();
  platform::close_unit(kInputChannel);
  platform::close_unit(kCorrectionChannel);
  run.failure_mark_due = false;
}

}  // namespace

void run_climate_simulation_with(SimulationSteps& steps, float ac_thickness,
                                 float thickness_deviation,
                                 const platform::FixedText<255>& work_directory,
                                 const platform::FixedText<255>& temperature_file_name) {
  // A fresh context per call: nothing carries over from an earlier call, and the
  // work arrays go with it however the call ends.
  auto run = std::make_unique<ClimateRun>();
  TemperatureHistoryFile history(*run);
  try {
    climate_input_phase(*run, ac_thickness, thickness_deviation, work_directory,
                        temperature_file_name);
    simulate(*run, steps, history);
  } catch (...) {
    // Whatever ends the run after its first mark, a caller that watches only
    // the progress file learns of it, and no history claims an unfinished run.
    // A file error on the way must not hide the stop that ended the run.
    try {
      history.abandon();
    } catch (...) {
    }
    if (run->failure_mark_due) mark_progress_failed(run->progress_file_name);
    throw;
  }
}

void run_climate_simulation(float ac_thickness, float thickness_deviation,
                            const platform::FixedText<255>& work_directory,
                            const platform::FixedText<255>& temperature_file_name) {
  DefaultSimulationSteps steps;
  run_climate_simulation_with(steps, ac_thickness, thickness_deviation, work_directory,
                              temperature_file_name);
}

}  // namespace engine
