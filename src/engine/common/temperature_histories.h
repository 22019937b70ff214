#pragma once
// The run's access to the climate simulation. The dispatcher and the cracking
// options cannot call the simulation directly (it lives beside them), so the
// run hands them this object, which holds the simulation as a callable and
// remembers what it has simulated.

#include <functional>
#include <vector>

#include "engine/common/history_header.h"
#include "platform/fixed_text.h"

namespace engine {

using ClimateSimulation =
    std::function<void(float ac_thickness, float thickness_deviation,
                       const platform::FixedText<255>& work_directory,
                       const platform::FixedText<255>& temperature_file_name)>;

class TemperatureHistories {
 public:
  TemperatureHistories() = default;
  explicit TemperatureHistories(ClimateSimulation simulate) : simulate_(std::move(simulate)) {}

  void set_simulation(ClimateSimulation simulate) { simulate_ = std::move(simulate); }

  // Runs the simulation for `file`, unless the last simulation of this run for
  // that file had the same thickness and spread: the simulation is
  // deterministic, so the file already holds what it would write. Returns
  // whether it ran.
  bool simulate(float ac_thickness, float thickness_deviation,
                const platform::FixedText<255>& work_directory,
                const platform::FixedText<255>& file);

  // Simulations actually run so far.
  int simulation_count() const { return runs_; }

 private:
  struct LastRun {
    platform::FixedText<255> file;
    float thickness;
    float deviation;
  };
  ClimateSimulation simulate_;
  std::vector<LastRun> last_;  // one entry per history file
  int runs_ = 0;
};

// Reads the header of `file` (which must exist) and re-simulates the history
// with (wanted thickness rounded to single, `thickness_deviation`) when the
// stored thickness does not fit `wanted` under `mode`. Options use the Double
// mode; the dispatcher the Single mode.
void ensure_temperature_history(TemperatureHistories& histories,
                                const platform::FixedText<255>& work_directory,
                                const platform::FixedText<255>& file, double wanted,
                                float thickness_deviation,
                                ThicknessCheck mode = ThicknessCheck::Double);

}  // namespace engine
