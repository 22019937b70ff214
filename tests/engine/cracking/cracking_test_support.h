#pragma once
// What the cracking tests share: the oracle's committed numbers, a creep-fit
// double with the oracle's relaxation series, and temperature-history files.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <span>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/cracking/cracking_state.h"
#include "engine/cracking/creep_table.h"
#include "engine/cracking/thermal_cracking_run.h"
#include "platform/format.h"
#include "platform/record_io.h"
#include "support/oracle_rows.h"
#include "support/test_support.h"

namespace cracking_test {

inline std::string data_path(const std::string& name) {
  return std::string(TEST_DATA_DIR) + "/engine/cracking/" + name;
}

// Rows of numbers of tests/data/engine/cracking/NAME.
inline std::vector<std::vector<double>> oracle_rows(const std::string& name) {
  return testing_support::read_number_rows("engine/cracking/" + name);
}

using testing_support::relatively_near;

// Rows of tests/data/engine/cracking/NAME keyed by their first field, a name.
inline std::map<std::string, std::vector<double>> keyed_rows(const std::string& name) {
  std::ifstream in(data_path(name));
  if (!in) ADD_FAILURE() << "cannot open " << data_path(name);
  std::map<std::string, std::vector<double>> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::stringstream fields(line);
    std::string key, field;
    std::getline(fields, key, ',');
    auto& row = rows[key];
    while (std::getline(fields, field, ',')) row.push_back(std::strtod(field.c_str(), nullptr));
  }
  return rows;
}

// Writes the oracle's test table KEY (creep_tables.csv) to TABLE_NAME; the
// reference mix through the volumetric writer, as the run writes it.
inline void write_test_table(const std::string& key, const std::string& table_name) {
  const auto rows = keyed_rows("creep_tables.csv");
  double strength = 0.0;
  if (key == "reference") {
    engine::write_creep_table(4, 11, 10.98, -3.68, strength, table_name);
    return;
  }
  const std::vector<double>& r = rows.at(key);
  engine::write_creep_table_values(table_name, std::span<const double, 21>(r.data() + 1, 21), r[0]);
}

// The console, with a keyboard of numbered lines that tells how many pauses
// took a line.
class FitConsole : public testing_support::ConsoleCapture {
 public:
  FitConsole() : ConsoleCapture("1\n2\n3\n4\n5\n6\n7\n8\n9\n") {}
  int pauses() {
    std::string line;
    return std::getline(input(), line) ? std::stoi(line) - 1 : 9;
  }
};

// The records of a text, without their line ends.
inline std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find('\n', at);
    out.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return out;
}

// The oracle's relaxation series (K = 5) and master-curve shifts.
inline void set_fixed_series(engine::CreepFitCommon& fit) {
  const auto rows = oracle_rows("relaxation_series.csv");
  fit.relaxation_term_count = 5;
  for (std::size_t j = 0; j < 5; ++j) {
    fit.relaxation_times[j] = rows[j][0];
    fit.relaxation_moduli[j] = rows[j][1];
  }
  fit.master_curve_shifts = {rows[5][0], rows[5][1]};
}

// Stands in for the creep fit: the fixed series, and per case (counted from 1,
// the last entry repeating) the creep exponent m and the strength.
struct FitDouble {
  std::vector<std::pair<double, double>> fits{{0.448572244, 386.7070707}};
  std::vector<std::string> tables;                // the table names it was given
  std::function<void(int case_number)> before;   // runs first at every call

  void install(engine::CrackingState& state) {
    state.run_thermal_cracking_case = &engine::run_thermal_cracking_case;
    state.fit_prony_creep = [this](engine::CrackingState& s, std::array<double, 5>& power_fit,
                                   double& strength, const platform::FixedText<255>& table) {
      if (before) before(s.run_block.case_number);
      tables.push_back(table.str());
      set_fixed_series(s.creep_fit_common);
      const std::size_t c = static_cast<std::size_t>(s.run_block.case_number) - 1;
      const auto& f = fits[std::min(c, fits.size() - 1)];
      power_fit = {1e-7, 3e-7, f.first, 0.0, 0.0};
      strength = f.second;
    };
  }
};

// A temperature-history file: the header's record count, then one record per
// hour with the stamp and `fields` F6.1 temperatures; temperature(day, hour, f)
// gives field f (1-based; field 2 is the one the reader drops).
inline std::string history_text(int header_records, int days, int fields,
                                const std::function<double(int, int, int)>& temperature,
                                const char* line_end = "\n") {
  static const platform::Format layout("(I4,3I2.2,12F6.1)");
  std::string out = platform::format_list(header_records, fields, 4.0f, 0.0f) + line_end;
  std::vector<double> values(static_cast<std::size_t>(fields));
  for (int d = 1; d <= days; ++d) {
    for (int k = 1; k <= 24; ++k) {
      for (int f = 1; f <= fields; ++f) values[static_cast<std::size_t>(f - 1)] = temperature(d, k, f);
      out += platform::format_fixed(layout, 2001, 1 + (d - 1) / 28, 1 + (d - 1) % 28, k - 1, values);
      out += line_end;
    }
  }
  return out;
}

}  // namespace cracking_test
