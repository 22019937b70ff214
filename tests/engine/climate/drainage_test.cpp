// The drainage evaluation against closed forms of its own model, against
// tools/oracles/drainage_oracle.py (numbers and ".drn" files committed under
// tests/data/engine/climate/drainage), and against a matrix-exponential
// reading of its wet/dry chain.

#include "engine/climate/drainage.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "climate_test_support.h"
#include "engine/climate/result_files.h"
#include "engine/climate/simulation_steps.h"
#include "platform/stop.h"
#include "synthetic_input/front_end_input.h"

namespace {

using climate_test::TempProject;
using engine::ClimateRun;
using engine::DrainageResult;

std::string data_file(const std::string& name) {
  return TempProject::read(std::string(TEST_DATA_DIR) + "/engine/climate/drainage/" + name);
}

// Asphalt over a 6-in base of porosity 0.3 and 100 ft/h over a layer that
// takes no water (Ks 0, ns 1e-6); a 20-ft path without slope. Drained by
// x²·nb/(3H·Kb) hours along the path, then by 4nb·L²/(3Kb)·(1/h - 1/H) as the
// outlet depth h falls: 0.8 h for the first third, 189.6 h in all.
std::unique_ptr<ClimateRun> closed_form_run() {
  auto run = climate_test::fresh_run();
  run->simulation_counts.section_count_total = 1;
  run->simulation_counts.layer_count = 3;
  auto& lp = run->layer_properties;
  lp.layer_thickness(1) = 4.0f;
  lp.layer_thickness(2) = 6.0f;
  lp.layer_thickness(3) = 12.0f;
  lp.soil_porosity(2) = 0.3f;
  lp.saturated_permeability(2) = 100.0f;
  lp.soil_porosity(3) = 1.0e-6f;
  auto& t = run->climate_simulation_common.drainage_inputs;
  t.path_length = 20.0f;
  t.fines_type = 1;
  t.fines_content = 12.0f;  // gravel 40 % and sand 25 % drained
  t.gravel_content = 25.0f;
  t.sand_content = 40.0f;  // W = 20, Uc = 0.75
  t.infiltration_constant_choice = 2;
  t.infiltration_scale = 100.0f;
  t.rainfall_first = 10.0f;
  run->climate_simulation_common.case_name = TempProject::directory();
  run->climate_simulation_common.thermal_history_mode = 1;  // only ".drn"
  run->work.create(0, 0);
  return run;
}

// Appends a month of the record with the given daily rainfall.
void add_month(ClimateRun& run, int number, const std::vector<double>& rain) {
  auto& w = run.work;
  if (w.days_per_month(w.month_count) > 0) w.add_month();
  w.month_number(w.month_count) = number;
  w.month_year(w.month_count) = 2001;
  for (std::size_t k = 0; k < rain.size(); ++k) {
    w.add_day();
    const int d = w.daily_precipitation.size();
    w.daily_precipitation(d) = rain[k];
    w.days_per_month(w.month_count) += 1.0;
    if (rain[k] == 0.0) continue;
    w.wet_days_per_month(w.month_count) += 1;
    w.wet_day_list(++w.wet_day_count) = static_cast<int>(k) + 1;
  }
}

// A month of `days` days, wet (0.3 in) on the days listed.
std::vector<double> rain_on(int days, const std::vector<int>& wet) {
  std::vector<double> rain(static_cast<std::size_t>(days), 0.0);
  for (int d : wet) rain[static_cast<std::size_t>(d - 1)] = 0.3;
  return rain;
}

// The ".drn" that the run's drainage step writes, and its console.
struct Report {
  int status = 0;
  std::string message, text, console;
};
Report report_of(ClimateRun& run, TempProject& project) {
  Report r;
  engine::open_result_files(run);
  try {
    engine::DefaultSimulationSteps().evaluate_drainage(run);
  } catch (const platform::RunStop& stop) {
    r.status = stop.status();
    r.message = stop.message();
  }
  engine::close_result_files();
  r.text = TempProject::read(project.project() / ".drn");
  r.console = project.console();
  return r;
}

TEST(DrainageCurve, ClosedFormOfTheImpermeableCase) {
  const engine::DrainageCurve c =
      engine::compute_drainage_curve(engine::drainage_layers(*closed_form_run()));
  ASSERT_TRUE(c.computed);
  const double nb = 0.3, kb = 100, H = 0.5, L = 20;
  const double t1 = nb * L * L / (3 * H * kb);
  for (int i = 1; i <= 60; ++i) {
    double hours = 0, degree = 0;
    if (i <= 30) {
      const double x = L * i / 30;
      hours = nb * x * x / (3 * H * kb);
      degree = x / (3 * L);
    } else {
      const double h = i < 60 ? H * (60 - i) / 30 : H / 60;
      hours = t1 + 4 * nb * L * L / (3 * kb) * (1 / h - 1 / H);
      degree = 1 - 2 * h / (3 * H);
    }
    EXPECT_NEAR(c.hours(i), hours, 1e-3 * hours) << i;
    EXPECT_NEAR(c.degree(i), degree, 1e-3 * degree) << i;
  }
  // Interpolation both ways, from the origin before the first point and the
  // ends beyond the last.
  EXPECT_NEAR(engine::drainage_time_for_degree(c, 4.0 / 9.0), c.hours(35), 1e-12);
  EXPECT_NEAR(engine::drainage_time_for_degree(c, c.degree(1) / 2), c.hours(1) / 2, 1e-15);
  EXPECT_EQ(engine::drainage_time_for_degree(c, 0.995), c.total_hours());
  EXPECT_NEAR(engine::drainage_degree_at_time(c, c.hours(45)), 2.0 / 3.0, 1e-12);
  EXPECT_NEAR(engine::drainage_degree_at_time(c, c.hours(1) / 4), c.degree(1) / 4, 1e-15);
  EXPECT_EQ(engine::drainage_degree_at_time(c, 1000.0), c.final_degree());
}

TEST(Infiltration, CrackFormBothWaysPowerFormTheSameFunction) {
  engine::DrainageInputs t;
  t.path_length = 20.0f;
  t.infiltration_scale = 2.0f;  // Y
  t.infiltration_constant_choice = 1;
  t.rainfall_first = 16.0f;  // R
  const engine::InfiltrationRelation crack = engine::infiltration_relation(t);
  // 0.02832·Y·v = 0.32 + 0.013593599·Y·L·P/12, read both ways.
  for (double p : {0.0, 0.5, 2.0}) {
    const double v = (0.32 + 0.013593599 * 2 * 20 * p / 12) / (0.02832 * 2);
    EXPECT_NEAR(engine::infiltration_volume(crack, p), v, 1e-12 * v) << p;
    EXPECT_NEAR(engine::infiltration_depth(crack, v, 20.0), p, 1e-12) << p;
  }
  EXPECT_EQ(engine::infiltration_depth(crack, 1.0, 20.0), 0.0);  // below the crack term

  t.power_form_factor = 4.0f;  // F; the constants 0.3, 0.25, 0.75, 1.65 by default
  const engine::InfiltrationRelation power = engine::infiltration_relation(t);
  auto phi = [](double x) {
    return 0.3f * std::pow(60 * x / (0.03 * 4), 1 - 0.75f) * std::pow(16, 0.25f) / 1.65f;
  };
  EXPECT_NEAR(engine::infiltration_volume(power, 0.6), phi(20 * 2 * 0.6 / 12), 1e-12);
  EXPECT_NEAR(engine::infiltration_depth(power, 0.6, 1.0), phi(2 * 0.6), 1e-12);
  // A depth that reaches 174 / rate comes from the crack form.
  EXPECT_EQ(engine::infiltration_depth(power, 0.6, 174 / phi(1.2)),
            engine::infiltration_depth(crack, 0.6, 1.0));
}

// The front end's base (1 year of the synthetic writer) against the oracle.
synthetic_input::FrontEndInput default_input() {
  synthetic_input::FrontEndInput input;
  input.analysis_years = 1;
  input.directory = "C:\\proj\\";
  return input;
}

TEST(DrainageEvaluation, FrontEndDefaultAgainstTheOracle) {
  TempProject project;
  auto [run, outcome] = climate_test::read_input(
      project, synthetic_input::front_end_input_text(default_input()), 6.0f);
  ASSERT_EQ(outcome.status, 0) << outcome.message;
  const DrainageResult r = engine::compute_drainage(*run);
  const auto& c = r.curve;
  ASSERT_TRUE(c.computed);
  const struct {
    double got, want;
  } values[] = {
      {c.hours(1), 5.9473e-6},           {c.degree(1), 0.0111178},
      {c.hours(30), 0.0138701},          {c.degree(30), 0.3335524},
      {c.hours(60), 0.5296138},          {c.degree(60), 0.9888925},
      {r.half_drained_hours, 0.0298580}, {r.drained_percentage, 56.80},
      {r.critical_degree, 0.264085},     {r.critical_hours, 0.0090592},
  };
  for (const auto& v : values) EXPECT_NEAR(v.got, v.want, 1e-4 * v.want);
  EXPECT_EQ(r.verdict, engine::DrainageVerdict::kSatisfactory);
  EXPECT_EQ(r.daily_rows, 0);
  // The thicknesses stay in inches.
  EXPECT_EQ(run->layer_properties.layer_thickness(2), 10.0f);
}

struct GoldenCase {
  const char* name;
  const char* input;  // a committed input file; none: the front end's default
  const char* report;
};
void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.name; }
class DrainageGolden : public ::testing::TestWithParam<GoldenCase> {};

std::uint64_t fnv1a64(const std::string& text) {
  std::uint64_t h = 0xcbf29ce484222325ULL;
  for (unsigned char ch : text) h = (h ^ ch) * 0x100000001b3ULL;
  return h;
}

TEST_P(DrainageGolden, ReportMatchesTheOracleByteForByte) {
  const GoldenCase& g = GetParam();
  std::string input;
  if (*g.input) {
    input = data_file(g.input);
  } else {
    input = synthetic_input::front_end_input_text(default_input());
    // Still the very file the oracle read.
    EXPECT_EQ(input.size(), 215452u);
    EXPECT_EQ(fnv1a64(input), 0xe0454822d9104f4bULL);
  }
  TempProject project;
  auto [run, outcome] = climate_test::read_input(project, input, 6.0f);
  ASSERT_EQ(outcome.status, 0) << outcome.message;
  const Report r = report_of(*run, project);
  ASSERT_EQ(r.status, 0) << r.message;
  EXPECT_EQ(r.text, data_file(g.report));
}

INSTANTIATE_TEST_SUITE_P(
    Files, DrainageGolden,
    ::testing::Values(GoldenCase{"FrontEndDefault", "", "default_1y.drn"},
                      GoldenCase{"CrackForm", "drainage_crack.tmp", "drainage_crack.drn"},
                      GoldenCase{"PowerForm", "drainage_power.tmp", "drainage_power.drn"}),
    [](const auto& info) { return std::string(info.param.name); });

struct EdgeCase {
  const char* name;
  std::function<void(ClimateRun&)> edit;
  std::vector<std::string> present;  // whole lines of the report
  std::vector<std::string> absent;   // texts nowhere in it
  std::function<void(const DrainageResult&)> check = nullptr;
  const char* message = "";  // the stop's (status 1) or the console's
};

void set_design(ClimateRun& run, int type, float fines, float gravel, float sand) {
  auto& t = run.climate_simulation_common.drainage_inputs;
  t.fines_type = type;
  t.fines_content = fines;
  t.gravel_content = gravel;
  t.sand_content = sand;
}

void same_curve(const DrainageResult& r) {
  static const engine::DrainageCurve reference =
      engine::compute_drainage_curve(engine::drainage_layers(*closed_form_run()));
  EXPECT_TRUE(r.curve == reference);
}

std::vector<EdgeCase> edge_cases() {
  return {
      {"FinesTypeTwoClassTwo",
       [](ClimateRun& run) { set_design(run, 2, 4.0f, 50.0f, 40.0f); },
       {"WATER DRAINED PERCENTAGE DUE TO GRAVEL    =       60.00",
        "WATER DRAINED PERCENTAGE DUE TO SAND      =       50.00",
        "PERCENTAGE  OF WATER WILL BE DRAINED      =       50.00",
        "CRITICAL DRAINAGE DEGREE (85% SATURATION) =       30.00",
        "$$$$ THIS DRAINAGE DESIGN IS SATISFACTORY $$$$"},
       {},
       [](const DrainageResult& r) { EXPECT_DOUBLE_EQ(r.critical_degree, 0.3); }},
      // W = 15: the base cannot drain to 85 % saturation.
      {"WaterDrainedFifteen",
       [](ClimateRun& run) { set_design(run, 1, 1.0f, 18.75f, 0.0f); },
       {"PERCENTAGE  OF WATER WILL BE DRAINED      =       15.00"},
       {"CRITICAL", "DESIGN IS"}},
      // Uc = 0.99734, beyond the final degree 0.98889.
      {"BeyondTheFinalDegree",
       [](ClimateRun& run) { set_design(run, 1, 1.0f, 18.8f, 0.0f); },
       {"DRAINING TIME FOR 85% SATURATION (HOURS)  =      189.57",
        "$$$$ THIS DRAINAGE DESIGN IS NOT ACCEPTABLE $$$$"},
       {},
       [](const DrainageResult& r) { EXPECT_EQ(r.critical_hours, r.curve.total_hours()); }},
      // Uc = 0.009375 would lie below the first point's 1/90, but the contents are percentages.
      {"GravelAboveAHundredPercent",
       [](ClimateRun& run) { set_design(run, 1, 1.0f, 2000.0f, 0.0f); },
       {},
       {"DRAINAGE"},
       nullptr,
       "record T2: gravel content 2000.0 percent; it must be 0 to 100"},
      {"WetFirstAndLastDays",
       [](ClimateRun& run) {
         add_month(run, 1, rain_on(31, {1, 2, 5, 31}));
       },
       {" JANUARY 2001", "NUMBER OF DAYS WITH PRECIPITATION =    4",
        "NUMBER OF DRY DAY SEQUENCES =   3", "NUMBER OF WET DAY SEQUENCES =   3"},
       {}},
      {"AllWetMonth",
       [](ClimateRun& run) {
         add_month(run, 4, {0.3, 0.55, 0.12});
       },
       {"PROBABILITY OF DRY DAYS =     0.000", "PROBABILITY OF WET DAYS =     1.000",
        "  8       100.00             0.000", "DRY PROBABILITY OF BASE COURSE =      0.000"},
       {}},
      {"ImpermeableLowerLayer",
       [](ClimateRun& run) { run.layer_properties.soil_porosity(3) = 0.3f; },  // Ks = 0 alone
       {},
       {},
       same_curve},
      {"TinyLowerPorosity",
       [](ClimateRun& run) {
         run.layer_properties.soil_porosity(3) = 1.0e-7f;
         run.layer_properties.saturated_permeability(3) = 5.0f;
       },
       {},
       {},
       same_curve},
      {"NoLayerBeneath",
       [](ClimateRun& run) { run.simulation_counts.layer_count = 2; },
       {},
       {},
       same_curve},
      {"ZeroPathLength",
       [](ClimateRun& run) { run.climate_simulation_common.drainage_inputs.path_length = 0.0f; },
       {},
       {"DRAINAGE"},
       nullptr,
       "record T1: drainage path length 0.0; it must be above 0"},
      {"ZeroPorosity",
       [](ClimateRun& run) { run.layer_properties.soil_porosity(2) = 0.0f; },
       {},
       {"DRAINAGE"},
       nullptr,
       "record 5 of layer 2: porosity 0.0 of the base course; it must be above 0"},
      {"InvalidFinesType",
       [](ClimateRun& run) { set_design(run, 4, 1.0f, 50.0f, 40.0f); },
       {},
       {"DRAINAGE"},
       nullptr,
       "record T2: fines type 4"},
      {"InvalidConstantChoice",
       [](ClimateRun& run) {
         auto& t = run.climate_simulation_common.drainage_inputs;
         t.power_form_factor = 100.0f;
         t.infiltration_constant_choice = 3;
       },
       {},
       {"DRAINAGE"},
       nullptr,
       "record T3: constant choice 3"},
  };
}

class DrainageEdge : public ::testing::TestWithParam<EdgeCase> {};
void PrintTo(const EdgeCase& c, std::ostream* os) { *os << c.name; }

TEST_P(DrainageEdge, WritesTheRuledText) {
  const EdgeCase& e = GetParam();
  TempProject project;
  auto run = closed_form_run();
  e.edit(*run);
  const Report r = report_of(*run, project);
  const bool refused = std::string(e.message).starts_with("record");
  EXPECT_EQ(r.status, refused ? 1 : 0) << r.message;
  EXPECT_NE((refused ? r.message : r.console).find(e.message), std::string::npos)
      << r.message << r.console;
  for (const char* bad : {"nan", "NaN", "inf", "Inf"})
    EXPECT_EQ(r.text.find(bad), std::string::npos) << bad;
  for (const std::string& line : e.present)
    EXPECT_NE(r.text.find("\n" + line + "\n"), std::string::npos) << line << "\n" << r.text;
  for (const std::string& text : e.absent) EXPECT_EQ(r.text.find(text), std::string::npos) << text;
  if (e.check) e.check(engine::compute_drainage(*run));
}

INSTANTIATE_TEST_SUITE_P(Cases, DrainageEdge, ::testing::ValuesIn(edge_cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DrainageVerdict, BothLimitsAreMarginal) {
  using engine::DrainageVerdict;
  EXPECT_EQ(engine::drainage_verdict(10.0), DrainageVerdict::kMarginallyAcceptable);
  EXPECT_EQ(engine::drainage_verdict(5.0), DrainageVerdict::kMarginallyAcceptable);
  EXPECT_EQ(engine::drainage_verdict(std::nextafter(10.0, 11.0)), DrainageVerdict::kNotAcceptable);
  EXPECT_EQ(engine::drainage_verdict(std::nextafter(5.0, 0.0)), DrainageVerdict::kSatisfactory);
}

// exp(Q) of the wet/dry chain's generator, by scaling and squaring a Taylor
// series: the one-day transition probabilities, found without the closed form.
using Matrix = std::array<std::array<double, 2>, 2>;
Matrix multiply(const Matrix& a, const Matrix& b) {
  Matrix c{};
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 2; ++j) c[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j];
  return c;
}
Matrix one_day(double rd, double rw) {
  int squarings = 0;
  double scale = 1;
  while ((rd + rw) * scale > 0.1) {
    scale /= 2;
    ++squarings;
  }
  const Matrix q = {{{-rd * scale, rd * scale}, {rw * scale, -rw * scale}}};
  Matrix sum = {{{1, 0}, {0, 1}}}, term = sum;
  for (int k = 1; k < 30; ++k) {
    term = multiply(term, q);
    for (auto& row : term)
      for (double& v : row) v /= k;
    for (int i = 0; i < 2; ++i)
      for (int j = 0; j < 2; ++j) sum[i][j] += term[i][j];
  }
  for (int i = 0; i < squarings; ++i) sum = multiply(sum, sum);
  return sum;
}

TEST(DrainageChain, DrySpellsFollowTheTransitionMatrix) {
  TempProject project;
  auto run = closed_form_run();
  run->layer_properties.saturated_permeability(2) = 10.0f;  // 79 days: 39 rows
  add_month(*run, 1, rain_on(31, {1, 2, 3}));
  add_month(*run, 2, rain_on(28, {2, 4, 6, 8, 10, 12, 14, 16, 18, 20}));
  add_month(*run, 3, rain_on(31, {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13,
                                  14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 27}));
  add_month(*run, 4, rain_on(3, {1, 2, 3}));
  run->work.days_per_month(4) = 3.01;  // rd = 2 / 0.01: s beyond 174
  const DrainageResult r = engine::compute_drainage(*run);
  ASSERT_EQ(r.daily_rows, 39);
  ASSERT_EQ(r.months.size(), 4u);
  for (const engine::MonthDrainage& m : r.months) {
    SCOPED_TRACE(m.month_number);
    ASSERT_EQ(m.daily_rows, 39);
    const double days = run->work.days_per_month(m.month_number);
    const double n = m.dry_sequences + m.wet_sequences;
    const double rd = n / (days - m.wet_days), rw = n / m.wet_days;
    const Matrix p = one_day(rd, rw);
    // Start dry or wet in the chain's stationary shares; each day keeps only
    // the paths that are dry on it.
    std::array<double, 2> state = {rw / (rd + rw), rd / (rd + rw)};
    for (int d = 1; d <= 39; ++d) {
      state = {state[0] * p[0][0] + state[1] * p[1][0], 0.0};
      EXPECT_NEAR(m.dry_spell_probability(d), state[0], 1e-12) << d;
    }
  }
}

TEST(RainfallDistribution, GammaSumAsKept) {
  const struct {
    double shape, shortfall;
  } cases[] = {{1.0, -0.0248}, {0.5, -0.1829}, {0.3, -0.3761}};
  for (const auto& c : cases)
    EXPECT_NEAR(engine::gamma_sum(c.shape) / std::tgamma(c.shape) - 1, c.shortfall, 1e-4)
        << c.shape;

  // The density integrates to Γ(a)/(Γsum(a)·b^(2a)): b is a rate, not a
  // scale. (Below a = 2 the rule meets the density's steep rise at 0, and up to
  // a = 1 its kept value 10 there.)
  const struct {
    double shape, rate;
  } densities[] = {{2.0, 0.5}, {2.0, 20.0}, {2.5, 3.0}, {4.0, 1.2}, {10.0, 20.0}};
  for (const auto& c : densities) {
    engine::RainfallDistribution f;
    f.set(c.shape, c.rate);
    const double high = 50.0 / c.rate, h = high / 600;
    double sum = f.density(0) + f.density(high);
    for (int k = 1; k < 600; ++k) sum += (k % 2 ? 4 : 2) * f.density(k * h);
    const double expected =
        std::tgamma(c.shape) / (engine::gamma_sum(c.shape) * std::pow(c.rate, 2 * c.shape));
    EXPECT_NEAR(sum * h / 3, expected, 1e-3 * expected) << c.shape << " " << c.rate;
  }

  // The kept Γ sum gives the masses of a fresh one.
  engine::RainfallDistribution kept, fresh;
  kept.set(0.7, 2.0);
  kept.set(0.7, 0.9);
  fresh.set(0.7, 0.9);
  EXPECT_EQ(kept.mass(0.1, 0.8), fresh.mass(0.1, 0.8));
  kept.set(2.0, 0.9);
  fresh = {};
  fresh.set(2.0, 0.9);
  EXPECT_EQ(kept.mass(0.0, 1.5), fresh.mass(0.0, 1.5));
}

}  // namespace
