#include "synthetic_input/front_end_input.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace synthetic_input {
namespace {

// Appends printf-formatted text, as the front end's formatted streams write it.
void put(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void put(std::string& out, const char* format, ...) {
  char buf[512];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  out.append(buf, static_cast<std::size_t>(std::clamp(n, 0, static_cast<int>(sizeof buf) - 1)));
}

struct Property {
  double value;
  const char* label;
};

// The base course and the natural subgrade, as the front end writes them.
constexpr Property kBaseProperties[] = {
    {119.354, "Unit Weight"},
    {0.23, "Thermal Conductivity"},
    {0.17, "Heat Capacity"},
    {0.291586, "Porosity"},
    {40000, "Frozen Modulus"},
    {40000, "Modulus"},
    {968.466, "Saturated Permeability"},
    {0, "Gardner Saturated K Multiplier"},
    {0, "Gardner Saturated K Exponent"},
    {0, "Gardner Water Content Multiplier"},
    {0, "Gardener Water Content Exponent"},
    {9.3434, "Fredlund (a)Factor"},
    {3.86082, "Fredlund (b)Factor"},
    {7.14073, "Fredlund (c)Factor"},
    {136, "Fredlund (hr)Factor"},
    {4, "Plasticity(PI)"},
    {21.6259, "D60(mm)"},
    {4.5, "Passing #200 Sieve"},
    {9.5, "Passing #4 Sieve"},
    {22.2236, "Initial Water Conent (volumetric)"},
};
constexpr Property kNaturalProperties[] = {
    {122.457, "Unit Weight"},
    {0.4, "Thermal Conductivity"},
    {0.17, "Heat Capacity"},
    {0.273166, "Porosity"},
    {8500, "Frozen Modulus"},
    {8500, "Modulus"},
    {2.0184e-6, "Saturated Permeability"},
    {0, "Gardner Saturated K Multiplier"},
    {0, "Gardner Saturated K Exponent"},
    {0, "Gardner Water Content Multiplier"},
    {0, "Gardener Water Content Exponent"},
    {17.6257, "Fredlund (a)Factor"},
    {1.59433, "Fredlund (b)Factor"},
    {0.721783, "Fredlund (c)Factor"},
    {195.8, "Fredlund (hr)Factor"},
    {1, "Plasticity(PI)"},
    {0.203436, "D60(mm)"},
    {47.9, "Passing #200 Sieve"},
    {89, "Passing #4 Sieve"},
    {19.1465, "Initial Water Conent (volumetric)"},
};
constexpr int kBasePlasticity = 15;  // positions in kBaseProperties
constexpr int kBasePassing200 = 17;
constexpr int kBasePassing4 = 18;

class Writer {
 public:
  explicit Writer(bool crlf) : end_(crlf ? "\r\n" : "\n") {}
  std::string& out() { return out_; }
  void end_line() { out_.append(end_); }
  template <class... Args>
  void line(const char* format, Args... args) {
    if constexpr (sizeof...(Args) == 0) {
      out_.append(format);
    } else {
      put(out_, format, args...);
    }
    end_line();
  }

 private:
  const char* end_;
  std::string out_;
};

void layer_line(Writer& w, const char* name, double thickness, double spacing, int last_node) {
  w.line("'%s',%g,%g,%d,'Material,Thickness,Nodal spacing,Last Node'", name, thickness, spacing,
         last_node);
}

void property_lines(Writer& w, const Property (&properties)[20]) {
  for (const Property& p : properties) w.line("%g,'%s'", p.value, p.label);
}

void hourly_day(Writer& w, const ClimateDay& day) {
  w.line("%d %d %d %g %g %g", day.month, day.day, day.year, day.sunrise, day.sunset, day.radiation);
  for (int h = 0; h < 24; ++h) {
    const HourValues& v = day.hours[static_cast<std::size_t>(h)];
    w.line("%d %.1f %.2f %.1f %.0f 50", h, v.temperature, v.precipitation, v.value2, v.value3);
  }
}

// The daily form: maximum and minimum temperature, precipitation, mean wind,
// mean sunshine, the sun's times, radiation and the water table.
void daily_day(Writer& w, const ClimateDay& day) {
  double high = day.hours[0].temperature, low = high, rain = 0, wind = 0, sun = 0;
  for (const HourValues& v : day.hours) {
    high = std::max(high, v.temperature);
    low = std::min(low, v.temperature);
    rain += v.precipitation;
    wind += v.value2 / 24;
    sun += v.value3 / 24;
  }
  w.line("%d %d %d %g %g %g %g %g %g %g %g %g", day.month, day.day, day.year, high, low, rain, wind,
         sun, day.sunrise, day.sunset, day.radiation, 50.0);
}

// The front end's analysis window over the given days: from 1 August Y0 up to the
// first day of August Y1, which is copied and ends a pass.
struct Window {
  int y0 = 0;
  int y1 = 0;
  bool inside(const ClimateDay& d) const { return (d.year == y0 && d.month > 7) || d.year > y0; }
  bool ends_at(const ClimateDay& d) const { return d.year == y1 && d.month == 8; }
};

}  // namespace

LayerGrid front_end_layer_grid(double t) {
  LayerGrid g;
  const int v = static_cast<int>(t);
  g.asphalt_intervals = v >= 2 ? v : 1;
  // A thin layer would get a spacing above 1.5 inches with one interval, which
  // the engine warns about; two intervals keep it below.
  if (t > 1.5 && t < 2.0) g.asphalt_intervals = 2;
  g.subgrade_thickness = 360 - (t + 10);
  g.subgrade_intervals = static_cast<int>(g.subgrade_thickness * 0.16666666666666666);
  if (!(t > 0) || g.subgrade_intervals < 1)
    throw std::invalid_argument("asphalt thickness leaves the subgrade no node interval");
  g.node_interval_count = g.asphalt_intervals + 5 + g.subgrade_intervals;
  g.last_nodes = {1 + g.asphalt_intervals, 1 + g.asphalt_intervals + 5, 1 + g.node_interval_count};
  return g;
}

int day_block_count(int window_days, int analysis_years) {
  return std::min(2 * window_days + 1, 365 * analysis_years + 10);
}

std::string front_end_input_text(const FrontEndInput& input) {
  const std::vector<ClimateDay> synthetic =
      input.days.empty()
          ? synthetic_window(input.synthetic_first_year, std::max(1, input.analysis_years))
          : std::vector<ClimateDay>{};
  const std::vector<ClimateDay>& days = input.days.empty() ? synthetic : input.days;
  const LayerGrid g = front_end_layer_grid(input.asphalt_thickness);
  const double t = input.asphalt_thickness;
  const double mat = input.mean_annual_temperature;

  Writer w(input.crlf);
  w.out().reserve(days.size() * 25 * 32 + 4096);
  w.line("%d", input.daily_form ? 1 : 0);
  w.line("%d", 2);
  w.line("%d", 1);
  w.line("%d", input.thermal_history_mode);
  w.line("%d,'IDMODEL(0)TMI(1)'", 1);
  w.line("'FLEXIBLE','KAVRO ANALYSIS TYPE'");
  w.out().append(input.directory);
  w.end_line();
  w.line("%d %d", 1, 0);
  w.line("%d %d %g %g", 3, g.node_interval_count, 0.1, 1.0);

  layer_line(w, "Asphalt", t, t / g.asphalt_intervals, g.last_nodes[0]);
  w.line("%g,'%s'", 148.0, "Unit Weight");
  w.line("%g,'%s'", 0.67, "Thermal Conductivity");
  w.line("%g,'%s'", 0.23, "Heat Capacity");
  layer_line(w, "Base", 10, 2, g.last_nodes[1]);
  property_lines(w, kBaseProperties);
  layer_line(w, "Natural", g.subgrade_thickness, g.subgrade_thickness / g.subgrade_intervals,
             g.last_nodes[2]);
  property_lines(w, kNaturalProperties);

  w.line("%g %g %g %g %g", 3.0, 0.93, 0.85, mat, 0.5);
  w.line("0.77 0.28 5.0 0.85");
  w.line("%g %g %g %g", 4.0, 15.0, 32.0, 30.2);
  w.line("%g", 1.0);

  // The window, counted and then copied pass after pass from its first day.
  Window win;
  if (!days.empty()) {
    win.y0 = days.front().year + (days.front().month > 8 ? 1 : 0);
    win.y1 = days.back().year - (days.back().month < 8 ? 1 : 0);
  }
  int window_days = 0;
  for (const ClimateDay& d : days) {
    if (!win.inside(d)) continue;
    ++window_days;
    if (win.ends_at(d)) break;
  }
  int blocks = day_block_count(window_days, input.analysis_years);
  if (input.max_day_blocks > 0) blocks = std::min(blocks, input.max_day_blocks);
  w.line("%d", blocks);
  for (int n = 0; n <= g.node_interval_count; ++n) w.line("%g %g", mat, 0.0);

  int written = 0;
  while (written < blocks) {
    const int before = written;
    for (const ClimateDay& d : days) {
      if (written == blocks) break;
      if (!win.inside(d)) continue;
      if (input.daily_form) {
        daily_day(w, d);
      } else {
        hourly_day(w, d);
      }
      ++written;
      if (win.ends_at(d)) break;
    }
    if (written == before) throw std::invalid_argument("the climate window holds no day to copy");
  }

  const double pi = kBaseProperties[kBasePlasticity].value;
  const double p200 = kBaseProperties[kBasePassing200].value;
  const double p4 = kBaseProperties[kBasePassing4].value;
  const int fines_class = pi == 0 ? 1 : (pi < 6 ? 2 : 3);
  w.line("%g  %g  %d", 12.0, 2.0, 1);
  w.line("%d %g %g %g", fines_class, p200, 100 - p4, p4 - p200);
  w.line("%d %g %g", 2, 0.0, 100.0);
  put(w.out(), "%g %g %g %g %g", 10.0, 0.3, 0.25, 0.75, 1.65);  // the last record has no line end
  return std::move(w.out());
}

void write_front_end_input(const std::filesystem::path& path, const FrontEndInput& input) {
  const std::string text = front_end_input_text(input);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace synthetic_input
