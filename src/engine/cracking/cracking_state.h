#pragma once
// State of the cracking analysis that lives for the whole run: the blocks that
// the thermal-cracking run, the creep-compliance fit and the stress computation
// share. They keep their values from case to case and from call to call.

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

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

// A fitted creep curve in log-log form: log10 D = c0 + c1 u + c2 u^2, u = log10 t.
struct CreepCurveFit {
  double c0 = 0.0, c1 = 0.0, c2 = 0.0;
  double operator()(double u) const { return c0 + c1 * u + c2 * u * u; }
};

// The fit's working values for one case: the table as read, the curve fits,
// the spans of the master-curve points and the direct search's point.
struct CreepFitWork {
  std::array<CreepCurveFit, 3> curves{};
  // log-time spans of curves 1-3 in the master curve (0: the default span),
  // then the pair that the direct shift of curve 3 against curve 1 writes
  std::array<double, 5> spans{};
  std::array<double, 2> misfits{};  // of the shifts of curve 2 on 1 and 3 on 2
  std::array<double, 8> search_point{};
  std::vector<double> lsq_matrix;  // the relaxation moduli's equations, grown as needed
};

// What the fit reads and builds, and what it leaves for the stress computation.
struct CreepFitCommon {
  std::array<double, 3> creep_test_temperatures{};  // deg F
  // [temperature][point]: loading time (s) and creep compliance (1/psi)
  std::array<std::array<double, 7>, 3> creep_test_times{};
  std::array<std::array<double, 7>, 3> creep_test_compliances{};
  std::array<double, 30> master_curve_times{};  // reduced times, s
  std::array<double, 30> master_curve_compliances{};
  CreepFitWork work;

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
