#include "engine/cracking/creep_table.h"

#include <cmath>

#include "engine/common/checked_output.h"
#include "engine/cracking/cracking_channels.h"
#include "platform/format.h"
#include "platform/record_io.h"
#include "platform/units.h"

namespace engine {
namespace {

// The regressions were fitted with single-precision coefficients; the table
// depends on their exact single values.
struct ComplianceRegression {
  float b0, b1, b2, b3;  // log10 D1 = b0 + b1 log Vv + b2 log VFA - b3 log A
  float e1, e2, e3, e4, e5;  // m = e1 Pen^e2 + e3 Vv^e4 - e5
};

constexpr std::array<ComplianceRegression, 3> kRegressions = {{
    {-11.9254f, 1.52206f, 4.49876f, 3.8132f, 0.00089f, 0.9687f, 1.78187f, 0.0203f, 1.75987f},
    {-10.7656f, 1.5196f, 3.49983f, 2.9987f, 0.00098f, 0.96857f, 1.94218f, 0.016f, 1.8269f},
    {-9.80627f, 1.50845f, 2.99f, 2.90157f, 0.00199f, 0.97247f, 2.59093f, 0.01547f, 2.41043f},
}};

double w(float c) { return static_cast<double>(c); }

}  // namespace

MixtureCreep estimate_mixture_creep(double vv, double vbeff, double a, double vts) {
  MixtureCreep c;
  c.vfa = w(100.0f) * vbeff / (vv + vbeff);
  c.penetration = std::pow(
      10.0, w(290.5013f) - std::sqrt(w(81177.288f) +
                                     w(257.0694f) * std::pow(10.0, a + w(2.72973f) * vts)));
  c.strength = w(4976.34f) - w(42.49f) * vv - w(2.73f) * vv * vv - w(80.61f) * c.vfa +
               w(0.465f) * c.vfa * c.vfa + w(174.35f) * std::log10(c.penetration) -
               w(1217.54f) * std::log10(a);
  for (std::size_t k = 0; k < 3; ++k) {
    const ComplianceRegression& r = kRegressions[k];
    c.d1[k] = std::pow(10.0, w(r.b0) + w(r.b1) * std::log10(vv) + w(r.b2) * std::log10(c.vfa) -
                                 w(r.b3) * std::log10(a));
    c.m[k] = w(r.e1) * std::pow(c.penetration, w(r.e2)) + w(r.e3) * std::pow(vv, w(r.e4)) -
             w(r.e5);
    for (std::size_t i = 0; i < kCreepLoadingTimes.size(); ++i)
      c.compliances[k * kCreepLoadingTimes.size() + i] =
          c.d1[k] * std::pow(kCreepLoadingTimes[i], c.m[k]);
  }
  return c;
}

void write_creep_table_values(const platform::FixedText<255>& table_name,
                              std::span<const double, kCreepTableRows> compliances,
                              double strength) {
  static const platform::Format row("(F9.3,E14.6)");
  platform::open_unit(kCreepTableUnit, table_name.trimmed(), platform::OpenStatus::Replace);
  platform::write_list(kCreepTableUnit, "   -4.  14.  32.");
  for (int i = 0; i < kCreepTableRows; ++i)
    write_fixed_checked(kCreepTableUnit, row, kCreepLoadingTimes[static_cast<std::size_t>(i % 7)],
                          compliances[static_cast<std::size_t>(i)]);
  platform::write_list(kCreepTableUnit, strength);
  platform::close_unit(kCreepTableUnit);
}

void write_creep_table(double vv, double vbeff, double a, double vts, double& strength,
                       const platform::FixedText<255>& table_name) {
  const MixtureCreep c = estimate_mixture_creep(vv, vbeff, a, vts);
  strength = c.strength;
  write_creep_table_values(table_name, c.compliances, c.strength);
}

}  // namespace engine
