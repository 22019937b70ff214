#pragma once
// The thermal-cracking run: every case that "doc-17a.dat" of the project
// directory lists, one after another. Per case a creep table (named, or
// estimated from the mixture into "master-gen.dat"), the creep fit, the
// temperature history and the stress and crack-growth computation, whose rows
// go to the crack-result file " 1.txt".
//
// A case group of "doc-17a.dat", one record each: four integers (start year,
// month, day, years); the history file's full path (a whole record);
// the asphalt thickness; the creep-data flag ("Y" or "y": the next record names
// the creep table, a whole record; otherwise the next record holds air voids,
// effective binder, A and VTS); the case code ("DS": design case); the
// cracking criterion.

#include "engine/cracking/cracking_state.h"
#include "engine/cracking/thermal_stress.h"
#include "platform/fixed_text.h"

namespace engine {

void run_thermal_cracking_case(CrackingState& state, const platform::FixedText<255>& work_directory);

// Reads the temperature-history file open on the history channel into
// `history`, keeping nodes 1 and 3..N of each record's N temperatures (N the
// layer's node count), and sets history_day_count to the whole days read + 1.
// A file that ends more than 10 days short of its header, or holds no whole
// day, is corrupted: the run ends after a pause.
void read_temperature_file(CrackingState& state, TemperatureHistory& history, int node_count);

// Paris-law exponent n and coefficient A of a mixture from its creep exponent
// m and tensile strength S (psi); P is the intermediate strength term.
struct FractureParameters {
  double n = 0.0;
  double p = 0.0;
  double a = 0.0;
};
FractureParameters fracture_parameters(double creep_exponent, double strength,
                                       double fracture_scale);

}  // namespace engine
