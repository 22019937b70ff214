#pragma once
// The steps of a climate simulation that the run calls but does not own: the
// material set-up, the initial water, the drainage evaluation and the
// unbound-layer step with its output-point scans. The run calls them through
// this interface, in a fixed order, so tests can put doubles in their place.

#include "engine/climate/climate_run.h"

namespace engine {

class SimulationSteps {
 public:
  virtual ~SimulationSteps() = default;
  // Retention tables, suctions, modulus factors and bottom pressures of the
  // soils, once the grid is built.
  virtual void set_up_materials(ClimateRun&) = 0;
  // Water content of every node from its initial pore-water pressure.
  virtual void set_initial_water(ClimateRun&) = 0;
  // The drainage evaluation and its report; called only with bound layers.
  virtual void evaluate_drainage(ClimateRun&) = 0;
  // Once the clocks are set, before the first day.
  virtual void before_day_loop(ClimateRun&) = 0;
  // The moisture and heat step of the unbound layers, on every solved step.
  virtual void solved_step(ClimateRun&) = 0;
  // The frost scans and modulus update of an output point, before its records.
  virtual void output_point(ClimateRun&) = 0;
};

// The simulation's own steps.
class DefaultSimulationSteps final : public SimulationSteps {
 public:
  void set_up_materials(ClimateRun& run) override;

  void set_initial_water(ClimateRun& run) override;

  void evaluate_drainage(ClimateRun& run) override;

  void before_day_loop(ClimateRun& run) override;

  void solved_step(ClimateRun& run) override;

  void output_point(ClimateRun& run) override;
};

}  // namespace engine
