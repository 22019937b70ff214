#pragma once
// The steps that the design, criteria and volumetric options share: the case
// groups they write to "doc-17a.dat", the creep tables of creep-test samples,
// the reading back of the crack results of " 1.txt", the design criterion in
// "criteria.txt" and the closing summary of "res.txt". The history-header
// steps are those of engine/common (history_header.h, temperature_histories.h).

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "engine/cracking/options.h"
#include "platform/fixed_text.h"

namespace engine {

// The creep data of a case: a named table, or (blank name) the four mixture
// values from which the run estimates one.
struct CaseCreepData {
  platform::FixedText<255> table_name;
  std::array<double, 4> mixture{};  // air voids, effective binder, A, VTS
};

// The records that end a group: the design case ("DS", criterion of the run's
// own), a criteria case (the criterion of an earlier design run) or a
// volumetric combination (the same, after an empty code).
enum class CaseKind { Design, Criteria, Volumetric };

// Writes one case group to "doc-17a.dat", open on kOptionRunFileUnit: the case
// head (start date and years), the history's full name, the thickness, the
// creep data and the kind records.
void write_run_case(const std::array<std::int32_t, 4>& head,
                    const platform::FixedText<255>& history_file, double thickness,
                    const CaseCreepData& creep, CaseKind kind, float criterion = 0.0f);

// Whether a thickness, and a mixture value, fit their fixed fields of a case
// group (F12.3 and F14.5): the run reads them back by their columns.
bool fits_run_case_thickness(double thickness);
bool fits_run_case_mixture(double value);

// Writes the creep table of sample `sample` (from 1) of `sample_values` (22 a
// sample: 21 compliances in table order, then the strength) to `table_name`.
void write_sample_creep_table(const platform::FixedText<255>& table_name,
                              std::span<const double> sample_values, std::int32_t sample);

// One row of " 1.txt".
struct CrackRecord {
  std::int32_t case_number = 0;
  std::int32_t key = 0;   // months
  double cracking = 0.0;  // ft/mile
};

struct CrackCollection {
  std::int32_t records = 0;  // rows read (stored or not)
  CrackRecord last;          // the last row read
};

// Reads the rows of " 1.txt" into sample_keys / sample_results from index
// `first` (from 1) on, calling `per_record` for every row. Rows beyond
// sample_capacity are not stored (one console line says so) but still pass
// through `per_record` and count.
CrackCollection collect_crack_results(
    OptionArgs& args, std::int32_t first,
    const std::function<void(const CrackRecord&)>& per_record = {});

// The per-case work of the criteria and volumetric options on each row:
// row 1 of combination_cracking gets each case's cracking at the end of the
// design life, row 1 of combination_criteria the month after the last row
// still below the criterion (its service life).
class CaseLifeTally {
 public:
  explicit CaseLifeTally(OptionArgs& args);
  void operator()(const CrackRecord& row);

 private:
  OptionArgs& args_;
  std::int64_t design_life_key_;  // 12 x design years
  std::int32_t case_counter_ = 1;
  std::size_t column_ = 0;  // of the current case
};

// The service life (years) and the cracking at the end of the design life of
// case `case_index` (from 1), as the tally left them; also written to
// "res.txt" (2F12.3).
struct CaseLife {
  float life = 0.0f;
  double cracking = 0.0;
};
CaseLife write_case_life(const OptionArgs& args, std::size_t case_index);

// The design criterion: the cracking of the design case's last row, stored
// in "criteria.txt" (I10, F12.1) with that row's key. Stops when the design
// case left no row. Returns the record as written.
std::string store_design_criterion(OptionArgs& args, const CrackCollection& design_rows);

// The console line for a design life over 50 years: every case but the
// design case runs for 50 years, so the lives stop there.
void warn_long_design_life(std::int32_t design_years);

// The closing records of "res.txt" (then closed): the design-life line and the
// mean and standard deviation of the service life and of the cracking.
void write_life_summary(std::int32_t design_years, float mean_life, float mean_cracking,
                        float sd_life, float sd_cracking);

// The single-precision sum s + v as the options form it (a double term
// rounded into a single sum).
inline float add_single(float sum, double term) {
  return static_cast<float>(static_cast<double>(sum) + term);
}

}  // namespace engine
