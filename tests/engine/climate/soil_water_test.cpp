// Soil water retention against tools/oracles/soil_water_oracle.py (double
// precision, brentq inverses; numbers committed under tests/data), closed forms
// and hand work. The tables are those that the set-up builds for the front end's
// soils: column 1 the base course, column 2 the natural subgrade.

#include "engine/climate/soil_water.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "climate_test_support.h"
#include "engine/climate/moisture_setup.h"

namespace {

using climate_test::TempProject;
using engine::ClimateRun;
using engine::RetentionLayer;

// The oracle's lines "tag args... values": by the tag and its arguments, the
// values.
using Oracle = std::multimap<std::string, std::vector<double>>;

const Oracle& oracle() {
  static const Oracle o = [] {
    Oracle o;
    std::ifstream in(std::string(TEST_DATA_DIR) + "/engine/climate/soil_water_expected.txt");
    EXPECT_TRUE(in.good());
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      const int values = line.rfind("roundtrip", 0) == 0 || line.rfind("initial", 0) == 0 ? 2 : 1;
      std::size_t cut = line.size();
      for (int k = 0; k < values; ++k) cut = line.rfind(' ', cut - 1);
      std::istringstream s(line.substr(cut));
      std::vector<double> v(static_cast<std::size_t>(values));
      for (double& x : v) s >> x;
      o.emplace(line.substr(0, cut), v);
    }
    return o;
  }();
  return o;
}

double expected(const std::string& key) {
  const auto it = oracle().find(key);
  EXPECT_NE(it, oracle().end()) << key;
  return it == oracle().end() ? 0.0 : it->second[0];
}

// The front end's structure with its tables built (four-parameter form).
struct FrontEndTables {
  std::unique_ptr<ClimateRun> run;
  FrontEndTables() {
    const TempProject project;
    run = climate_test::gridded_run(project, climate_test::front_end_text());
    engine::set_up_soil_moisture(*run);
  }
  std::span<const double> column(const std::string& soil) const {
    return run->work.suction_table.column_span(soil == "base" ? 1 : 2);
  }
  int layer(const std::string& soil) const { return soil == "base" ? 2 : 3; }
};

const FrontEndTables& tables() {
  static const FrontEndTables t;
  return t;
}

TEST(RetentionTable, FrontEndSoilsMatchTheOracle) {
  for (const std::string soil : {"base", "natural"}) {
    for (const int i : {1, 30001, 50001, 70001}) {
      const double got = tables().column(soil)[static_cast<std::size_t>(i - 1)];
      EXPECT_NEAR(got / expected("table " + soil + " " + std::to_string(i)), 1.0, 2e-5)
          << soil << " point " << i;
    }
    // C(1.0e6) = 0 exactly, and so the last entry.
    EXPECT_EQ(tables().column(soil).back(), 0.0) << soil;
    EXPECT_EQ(engine::fredlund_correction(tables().run->work.retention(tables().layer(soil)), 1.0e6),
              0.0);
  }
}

TEST(RetentionTable, InverseLookup) {
  const auto base = tables().column("base");
  EXPECT_EQ(engine::table_inverse_lookup(base, base[0] + 1e-9), 1.0e-4);
  EXPECT_EQ(engine::table_inverse_lookup(base, -1e-3), 1.0e6);
  EXPECT_EQ(engine::table_inverse_lookup(base, base[50000]), 10.0);

  for (const std::string soil : {"base", "natural"}) {
    SCOPED_TRACE(soil);
    const auto column = tables().column(soil);
    const auto [first, last] = oracle().equal_range("roundtrip " + soil);
    ASSERT_NE(first, last);
    for (auto it = first; it != last; ++it) {
      const double theta = it->second[0], h = it->second[1];
      // Water contents beyond the table's ends meet its end suctions.
      if (theta > column.front() || theta < column.back()) continue;
      const double got = engine::table_inverse_lookup(column, theta);
      EXPECT_LE(std::fabs(std::log10(got / h)), 3.5e-4) << theta << " " << h;
    }
    // The default input's initial suctions.
    const std::vector<double>& initial = oracle().find("initial " + soil)->second;
    EXPECT_NEAR(engine::table_inverse_lookup(column, initial[0]) / initial[1], 1.0, 1e-3);
  }
}

TEST(RetentionForms, GardnerInverseAndCapacity) {
  for (const double n : {0.5, 1.5, 3.0}) {
    RetentionLayer r;
    r.porosity = 0.35;
    r.gardner_multiplier = 2.0e-3;
    r.gardner_exponent = n;
    for (double h = 0.5; h < 1.0e5; h *= 3.7) {
      SCOPED_TRACE("n " + std::to_string(n) + " h " + std::to_string(h));
      const double theta = engine::gardner_water_content(r, h);
      EXPECT_NEAR(theta, 0.35 / (1.0 + 2.0e-3 * std::pow(h, n)), 1e-15);
      EXPECT_NEAR(engine::gardner_suction(r, theta) / h, 1.0, 1e-6);
      const double dh = h * 1e-6;
      const double slope = (engine::gardner_water_content(r, h - dh) -
                            engine::gardner_water_content(r, h + dh)) / (2 * dh);
      EXPECT_NEAR(engine::gardner_capacity(r, -h) / slope, 1.0, 1e-6);
    }
    EXPECT_EQ(engine::gardner_capacity(r, 0.0), 0.0);
    EXPECT_EQ(engine::gardner_suction(r, 0.35), 0.0);
  }
}

// ---------------------------------------------------------------- gradation

TEST(GradationParameters, ClassBoundaries) {
  struct Case {
    float pi, p200, p4;
    float thaw, days;
  };
  const Case cases[] = {
      {12.0f, 0.7f, 0.0f, 0.6f, 120.0f},    // P = 12 counts as high
      {11.9f, 0.7f, 0.0f, 0.45f, 120.0f},   // low
      {12.1f, 0.7f, 0.0f, 0.55f, 120.0f},   // mid
      {35.0f, 0.9f, 0.0f, 0.55f, 150.0f},   // 35 is high again; F > 0.85
      {1.0f, 0.06f, 0.9f, 0.5f, 90.0f},     // F = 0.06 falls in the last row
      {1.0f, 0.12f, 0.1f, 0.6f, 120.0f},    // so does F = 0.12
      {1.0f, 0.05f, 0.9f, 0.75f, 90.0f},    // F < 0.06
      {20.0f, 0.05f, 0.1f, 1.0f, 120.0f},
      {1.0f, 0.1f, 0.9f, 0.6f, 90.0f},      // 0.06 < F < 0.12; F x P = 0.1 gives 90 days
      {20.0f, 0.1f, 0.1f, 0.7f, 120.0f},
      {1.0f, 10.0f, 0.0f, 0.4f, 120.0f},    // F x P = 10 gives 120 days
      {1.0f, 10.5f, 0.0f, 0.4f, 150.0f},    // above 10, 150
      {4.0f, 4.5f, 9.5f, 0.4f, 150.0f},     // the front end's base, in percent
  };
  for (const Case& c : cases) {
    const engine::ThawParameters got = engine::gradation_parameters(c.pi, c.p200, c.p4);
    EXPECT_EQ(got.thaw_factor, c.thaw) << c.pi << " " << c.p200 << " " << c.p4;
    EXPECT_EQ(got.recovery_days, c.days) << c.pi << " " << c.p200;
  }
}

// ------------------------------------------------------- index suctions

TEST(IndexSuctions, AgainstTheOracle) {
  const ClimateRun& run = *tables().run;
  const int base = tables().layer("base");
  for (const char* m : {"-20", "0", "20"}) {
    const float index = std::stof(m);
    EXPECT_NEAR(engine::suction_from_index_properties(run, index, base, 4.5, 4.0, -1) /
                    expected(std::string("top_boundary_cm base 4.5 4 ") + m),
                1.0, 1e-3)
        << "M " << m;
    // Row 2 through the natural subgrade (PI 1, P200 47.9: w = 0.479).
    EXPECT_NEAR(engine::soil_suction(run, index, 3, 1.0, 47.9) * 0.09804,
                expected(std::string("row_kpa 2 ") + m), 1e-9)
        << "M " << m;
  }
  EXPECT_NEAR(engine::suction_from_index_properties(run, 0.0f, base, 3.0, 0.0, 0) * 0.09804,
              expected("class_kpa 3 0"), 1e-9);
  // Non-plastic at P200 = 10: the class table, in cm as it stands; just above,
  // row 1 (a jump the formulas make).
  EXPECT_NEAR(engine::soil_suction(run, 0.0f, base, 0.0, 10.0) * 0.09804,
              expected("class_kpa 10 0"), 1e-9);
  EXPECT_NEAR(engine::soil_suction(run, 0.0f, base, 0.0, 10.0 + 1e-9) * 0.09804,
              expected("row_kpa 1 0"), 1e-6);
}

// The log-linear pieces meet at their ends: w = PI x P200 / 100 with P200 = 50,
// and P200 = 50 without plasticity.
TEST(IndexSuctions, ContinuousAcrossRows) {
  const ClimateRun& run = *tables().run;
  struct Side {
    double pi, p200;
  };
  const std::pair<Side, Side> joints[] = {
      {{1.0, 50.0}, {1.0001, 50.0}},      // w = 0.5
      {{10.0, 50.0}, {10.001, 50.0}},     // 5
      {{20.0, 50.0}, {20.001, 50.0}},     // 10
      {{40.0, 50.0}, {40.001, 50.0}},     // 20
      {{100.0, 50.0}, {100.001, 50.0}},   // 50
      {{0.0, 49.9999}, {0.0, 50.0}},      // non-plastic, P200 = 50
  };
  for (float m : {-40.0f, 0.0f, 40.0f}) {
    for (const auto& [below, above] : joints) {
      const double lo = engine::soil_suction(run, m, 3, below.pi, below.p200);
      const double hi = engine::soil_suction(run, m, 3, above.pi, above.p200);
      EXPECT_NEAR(hi / lo, 1.0, 1e-4) << "M " << m << " PI " << below.pi << " P200 "
                                      << below.p200;
    }
  }
}

// ------------------------------------------------------- relative conductivity

// A Brooks-Corey curve, theta / porosity = (hb / h)^lambda, has the Kunze
// (Marshall) conductivity Se^(2 / lambda + 2); the 100-class sum follows it.
TEST(RelativeConductivity, KunzeSumFollowsBrooksCorey) {
  std::vector<double> column(engine::kSuctionTablePoints);
  const double porosity = 0.3f;
  const double hb = 1.0e-3;
  for (const double lambda : {0.5, 1.0, 2.0}) {
    for (int i = 1; i <= engine::kSuctionTablePoints; ++i) {
      const double h = engine::table_point_suction(i);
      column[static_cast<std::size_t>(i - 1)] = h <= hb ? porosity : porosity * std::pow(hb / h, lambda);
    }
    const engine::ConductivityClasses classes = engine::conductivity_classes(column, 0.3f);
    for (int r = 1; r <= 50; ++r) {
      const double se = 1.0 - (r - 1) / 100.0;
      const double ratio = classes.relative(r) / std::pow(se, 2.0 / lambda + 2.0);
      EXPECT_GE(ratio, 0.92) << "lambda " << lambda << " class " << r;
      EXPECT_LE(ratio, 1.0 + 1e-6) << "lambda " << lambda << " class " << r;
    }
  }
}

TEST(RelativeConductivity, FrontEndSoils) {
  const ClimateRun& run = *tables().run;
  for (const std::string soil : {"base", "natural"}) {
    SCOPED_TRACE(soil);
    const int layer = tables().layer(soil);
    const auto& k = run.layer_properties.relative_conductivity(layer);
    const engine::ConductivityClasses classes = engine::conductivity_classes(
        tables().column(soil), run.layer_properties.soil_porosity(layer));
    EXPECT_NEAR(classes.relative(1), 1.0, 1e-6);
    EXPECT_NEAR(k(1), 1.0, 1e-6);
    for (int i = 2; i <= engine::kConductivityPoints; ++i) {
      EXPECT_LE(classes.relative(i), classes.relative(i - 1)) << i;
      EXPECT_LE(k(i), k(i - 1)) << i;
    }
  }
  // The base course dries past its last class from 158 kPa (entry 63) on: those
  // entries take the driest class.
  const auto& base = run.layer_properties.relative_conductivity(2);
  const engine::ConductivityClasses classes =
      engine::conductivity_classes(tables().column("base"), run.layer_properties.soil_porosity(2));
  for (int i = 63; i <= engine::kConductivityPoints; ++i) EXPECT_EQ(base(i), classes.relative(100)) << i;
}

}  // namespace
