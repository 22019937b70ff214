#pragma once
// Creep-compliance tables ("master-gen.dat" and the options' sample tables):
// the three test temperatures as one free-form text record, 21 records of
// loading time (F9.3, s) and creep compliance (E14.6, 1/psi) -- seven loading
// times of 1 to 100 s at -4, 14 and 32 deg F in turn -- then the tensile
// strength, free-form.

#include <array>
#include <span>

#include "platform/fixed_text.h"

namespace engine {

inline constexpr int kCreepTableRows = 21;
inline constexpr std::array<double, 7> kCreepLoadingTimes = {1, 2, 5, 10, 20, 50, 100};

// The creep behaviour of a mixture estimated from its volumetrics.
struct MixtureCreep {
  double vfa = 0.0;       // voids filled with asphalt, %
  double penetration = 0.0;
  double strength = 0.0;  // psi
  std::array<double, 3> d1{};  // compliance at 1 s per test temperature, 1/psi
  std::array<double, 3> m{};   // power-law slope per test temperature
  std::array<double, kCreepTableRows> compliances{};  // D1 * t^m, table order
};

MixtureCreep estimate_mixture_creep(double air_voids, double effective_binder, double intercept,
                                    double vts);

// Writes a table of the given compliances and strength to `table_name` (the
// whole trimmed name), on the creep-table channel.
void write_creep_table_values(const platform::FixedText<255>& table_name,
                              std::span<const double, kCreepTableRows> compliances,
                              double strength);

// Estimates the mixture's creep table, writes it to `table_name` and returns
// its strength in `strength`.
void write_creep_table(double air_voids, double effective_binder, double intercept, double vts,
                       double& strength, const platform::FixedText<255>& table_name);

}  // namespace engine
