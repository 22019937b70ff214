#pragma once
// The drainage curve of the base course: the degree of drainage (the share of
// its pore water drained, 0 to 1) against the hours since it was saturated.
// 30 points trace the water table retreating from the outlet, 30 more the
// depth at the outlet falling; the last point holds the total draining time.

#include "engine/climate/one_based.h"

namespace engine {

inline constexpr int kDrainageCurvePoints = 60;

struct DrainageCurve {
  bool computed = false;  // false when the base or the path has no extent to drain
  OneBasedArray<double, kDrainageCurvePoints> hours;
  OneBasedArray<double, kDrainageCurvePoints> degree;

  double total_hours() const { return hours(kDrainageCurvePoints); }
  double final_degree() const { return degree(kDrainageCurvePoints); }
  bool operator==(const DrainageCurve&) const = default;
};

// Hours to reach `degree`: linear between the first point at or above it and
// the point before, proportional from the origin up to the first point, the
// total draining time beyond the final degree.
double drainage_time_for_degree(const DrainageCurve& curve, double degree);

// Degree of drainage after `hours`: linear between the points around it,
// proportional from the origin up to the first point, the final degree beyond
// the last point.
double drainage_degree_at_time(const DrainageCurve& curve, double hours);

}  // namespace engine
