#include "engine/cracking/pg_grade_check.h"

#include <array>
#include <cmath>

#include "platform/stop.h"

namespace engine {
namespace {

// Viscosity-temperature intercept A and slope VTS of the binder grades, one
// row per grade family, 0 where a grade does not exist.
struct BinderGradeTable {
  std::array<std::array<double, 7>, 7> intercepts;
  std::array<std::array<double, 7>, 7> slopes;
};

constexpr BinderGradeTable binder_grade_table = {{{
    {0, 0, 0, 0, 11.504, 10.101, 8.755},
    {13.386, 13.305, 12.755, 11.84, 10.707, 9.496, 8.31},
    {12.316, 12.248, 11.787, 11.01, 10.035, 8.976, 0},
    {11.432, 11.375, 10.98, 10.312, 9.461, 8.524, 0},
    {10.69, 10.641, 10.299, 9.715, 8.965, 8.129, 0},
    {10.059, 10.015, 9.715, 9.2, 8.532, 0, 0},
    {9.514, 9.475, 9.209, 8.75, 8.151, 0, 0},
}}, {{
    {0, 0, 0, 0, -3.901, -3.393, -2.905},
    {-4.57, -4.541, -4.342, -4.012, -3.602, -3.164, -2.736},
    {-4.172, -4.147, -3.981, -3.701, -3.35, -2.968, 0},
    {-3.842, -3.822, -3.68, -3.44, -3.134, -2.798, 0},
    {-3.566, -3.548, -3.426, -3.217, -2.948, -2.648, 0},
    {-3.331, -3.315, -3.208, -3.024, -2.785, 0, 0},
    {-3.128, -3.114, -3.019, -2.856, -2.642, 0, 0},
}}};

}  // namespace

void check_pg_grade(float intercept, float slope, float& intercept_spread, float& slope_spread) {
  // Written so that NaN fails the check.
  if (!(intercept >= 8.129f && intercept <= 13.386f && slope >= -4.57f && slope <= -2.642f))
    platform::stop_run(platform::kStopDecided, " Check your PG grade");

  const double a = intercept;
  const double v = slope;
  for (std::size_t i = 0; i < 7; ++i) {
    const auto& ta = binder_grade_table.intercepts[i];
    const auto& tv = binder_grade_table.slopes[i];
    for (std::size_t j = 0; j < 7; ++j) {
      if (!(ta[j] >= 0.001 && std::abs(a - ta[j]) < 0.001 && std::abs(v - tv[j]) < 0.001)) continue;
      // The spread is a sixth of the distance to the neighbouring grade, a
      // twelfth of the distance between both neighbours.
      if (j == 6 || ta[j + 1] < 1.0) {
        intercept_spread = static_cast<float>(std::abs(ta[j - 1] - a) / 6.0);
        slope_spread = static_cast<float>(std::abs(tv[j - 1] - v) / 6.0);
      } else if (j == 0 || ta[j - 1] < 1.0) {
        intercept_spread = static_cast<float>(std::abs(ta[j + 1] - a) / 6.0);
        slope_spread = static_cast<float>(std::abs(tv[j + 1] - v) / 6.0);
      } else {
        intercept_spread = static_cast<float>(std::abs(ta[j + 1] - ta[j - 1]) / 12.0);
        slope_spread = static_cast<float>(std::abs(tv[j + 1] - tv[j - 1]) / 12.0);
      }
      return;
    }
  }
  intercept_spread = 0.167f;
  slope_spread = 0.06f;
}

}  // namespace engine
