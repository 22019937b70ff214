#pragma once
// Doubles for what the cracking options call: a climate simulation that only
// writes history headers, and a thermal-cracking run that keeps the
// "doc-17a.dat" it was given and leaves a canned " 1.txt".

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "engine/common/history_header.h"
#include "engine/common/node_count.h"
#include "engine/common/project_files.h"
#include "engine/common/temperature_histories.h"
#include "engine/cracking/cracking_state.h"
#include "platform/format.h"
#include "platform/paths.h"
#include "platform/record_io.h"
#include "support/test_support.h"

namespace option_test {

struct CrackRow {
  int case_number;
  int key;
  double cracking;
  bool operator==(const CrackRow&) const = default;
};

// " 1.txt" as the run writes it: the header, the rows, the closing record.
inline std::string crack_file(const std::vector<CrackRow>& rows) {
  static const platform::Format layout("(2I5,2F10.1)");
  std::string out = " No.  months     crack [in]   TC [ft/mile]\n";
  for (const CrackRow& r : rows) {
    platform::append_fixed(out, layout, r.case_number, r.key, 0.0, r.cracking);
    out += '\n';
  }
  return out + "       \n\n\n\n";
}

struct RunDouble {
  std::vector<std::string> outputs;    // " 1.txt" of call 1, 2, ...; the last repeats
  std::vector<std::string> run_files;  // the "doc-17a.dat" of each call

  void install(engine::CrackingState& state) {
    state.run_thermal_cracking_case = [this](engine::CrackingState&,
                                             const platform::FixedText<255>& wd) {
      const auto path = [&](const char* name) {
        return platform::resolve_path(engine::project_file(wd, name).view());
      };
      run_files.push_back(testing_support::read_file(path("doc-17a.dat")));
      const std::size_t call = std::min(run_files.size(), outputs.size()) - 1;
      testing_support::write_file(path(" 1.txt"), outputs.at(call));
    };
  }
};

// Writes the header of the history it is asked for. A stored thickness within
// `keep_within` of the wanted one stays in the header, as the simulation keeps
// the layer thickness of its input for small changes.
struct SimulationDouble {
  float keep_within = 0.0f;
  std::vector<std::string> files;
  std::vector<float> thicknesses;

  engine::ClimateSimulation callable() {
    return [this](float t, float deviation, const platform::FixedText<255>&,
                  const platform::FixedText<255>& file) {
      files.push_back(file.str());
      thicknesses.push_back(t);
      const float stored = engine::read_history_header(file).thickness;
      const float written = std::fabs(stored - t) <= keep_within ? stored : t;
      testing_support::write_file(platform::resolve_path(file.view()),
                                  platform::format_list(8760, engine::layer_node_count(written), written,
                                                        deviation) +
                                      "\n");
    };
  }
};

}  // namespace option_test
