#pragma once
// State of the cracking analysis that lives for the whole run: the blocks that
// the thermal-cracking run, the creep-compliance fit and the stress computation
// share. They keep their values from case to case and from call to call.

#include <array>
#include <cstdint>
#include <functional>

#include "platform/fixed_text.h"

namespace engine {

struct CrackingState;

// The creep-compliance fit of one case: reads the creep table `table_name`,
// leaves its series in `creep_fit_common`, and returns the power-law fit and
// the table's tensile strength.
using PronyCreepFit =
    std::function<void(CrackingState& state, std::array<double, 5>& creep_power_fit,
                       double& tensile_strength, const platform::FixedText<255>& table_name)>;

// The thermal-cracking run: every case of "doc-17a.dat" in `work_directory`.
using ThermalCrackingRun =
    std::function<void(CrackingState& state, const platform::FixedText<255>& work_directory)>;

// What the fit leaves for the stress computation.
struct CreepFitCommon {
  std::array<double, 5> creep_power_fit{};  // D0, D1, m of the power law, two reported values
  std::int32_t prony_term_count = 0;        // intercept, Kelvin terms, dashpot
  std::array<double, 10> retardation_times{};
  std::array<double, 10> prony_coefficients{};
  std::int32_t relaxation_term_count = 0;       // K
  std::array<double, 10> relaxation_times{};    // rho_1..rho_K, seconds
  std::array<double, 10> relaxation_moduli{};   // E_1..E_K, psi
  std::array<double, 2> master_curve_shifts{};  // log10 shifts at 14 and 32 deg F
};

// One case of the run as read from "doc-17a.dat", and the run's counters.
struct CrackingRunBlock {
  platform::FixedText<255> history_file_name;
  platform::FixedText<255> loaded_history_name;  // blank at the start of every call
  platform::FixedText<255> creep_table_name;
  double asphalt_thickness = 0.0;  // inches
  platform::FixedText<1> creep_data_flag;
  // air voids %, effective binder %, binder intercept A, slope VTS
  std::array<double, 4> mixture_inputs{};
  double tensile_strength = 0.0;  // psi
  platform::FixedText<2> case_code;
  double cracking_criterion = 0.0;  // ft/mile
  double fracture_scale = 0.0;
  std::int32_t case_number = 0;
  std::int32_t history_day_count = 0;  // whole days loaded + 1
};

struct CrackingState {
  // Analysis start year, month, day and number of years, copied in by the
  // dispatcher before an option runs.
  std::array<std::int32_t, 4> analysis_integers{};
  // Start year, month, day; years used by the stress loop; years as read.
  std::array<std::int32_t, 5> analysis_start_date{};
  CrackingRunBlock run_block;
  CreepFitCommon creep_fit_common;

  PronyCreepFit fit_prony_creep;
  ThermalCrackingRun run_thermal_cracking_case;
};

}  // namespace engine
