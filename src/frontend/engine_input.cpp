#include "frontend/engine_input.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <optional>
#include <string_view>
#include <vector>

#include "frontend/c_text.h"
#include "platform/files.h"
#include "structure/structure_limits.h"

namespace tervon {
namespace {

struct Property {
  double value;
  const char* label;
};

// The default base course and natural subgrade.
constexpr Property kBase[] = {
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
constexpr Property kNatural[] = {
    {122.457, "Unit Weight"},
    {0.4, "Thermal Conductivity"},
    // The engine's unit is that of water (1.0): 712 J/(kg K) / 4186.8.
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
constexpr double kBasePlasticity = kBase[15].value;
constexpr double kBasePassing200 = kBase[17].value;
constexpr double kBasePassing4 = kBase[18].value;

std::string LayerLine(const char* name, double thickness, double spacing, int last_node) {
  return std::string("'") + name + "'," + FormatG(thickness) + "," + FormatG(spacing) + "," +
         FormatInt(last_node) + ",'Material,Thickness,Nodal spacing,Last Node'\n";
}

void PropertyLines(std::ofstream& out, const Property (&properties)[20]) {
  for (const Property& p : properties) out << FormatG(p.value) << ",'" << p.label << "'\n";
}

// The first item of a line that is not a finite number (blanks separate the
// items, as the engine reads them), or nothing; `items` counts them.
std::optional<std::string_view> NotANumber(std::string_view line, int& items) {
  items = 0;
  for (std::size_t at = line.find_first_not_of(' '); at != std::string_view::npos;
       at = line.find_first_not_of(' ', at)) {
    const std::size_t end = std::min(line.find(' ', at), line.size());
    const std::string_view item = line.substr(at, end - at);
    if (!IsFiniteDecimal(item)) return item;
    ++items;
    at = end;
  }
  return std::nullopt;
}

bool IsHourLine(std::string_view line, int hour) {
  const std::string text = FormatInt(hour);
  return line.size() > text.size() && line.compare(0, text.size(), text) == 0 && line[text.size()] == ' ';
}

// The window of the climatic data file, every block checked and kept in order.
struct WindowDays {
  AnalysisWindow window;
  std::string text;                 // the window's lines, each ended by "\n"
  std::vector<std::size_t> starts;  // where each day block begins in `text`
};

EngineInputResult ReadWindow(const std::filesystem::path& climate, WindowDays& days) {
  EngineInputResult result;
  platform::LineReader in(climate);
  if (!in.is_open()) {
    result.failure = EngineInputFailure::ClimateMissing;
    result.detail = climate.string();
    return result;
  }
  long long n = 0;
  const ClimateHeader header = ReadClimateHeaderLines(in, n);
  // The mean annual temperature (field 9 of the location line) goes into the input.
  double mean = 0;
  if (!ParseWholeNumber(header.Field(9), mean)) {
    result.failure = EngineInputFailure::NotANumber;
    result.detail = climate.string();
    result.line = n;
    result.text = header.Field(9);
    return result;
  }
  // The lines copied into the input must hold what the engine reads there: a
  // day line or an hour line of six finite numbers.
  const auto not_numbers = [&](const std::string& line) {
    int items = 0;
    const std::optional<std::string_view> bad = NotANumber(line, items);
    if (!bad && items >= 6) return false;
    result.failure = EngineInputFailure::NotANumber;
    result.detail = climate.string();
    result.line = n;
    result.text = bad ? *bad : std::string_view(line);
    return true;
  };
  days.window = WindowOfTimeFrame(ParseTimeFrame(header.time_frame));
  result.detail = climate.string();  // for a window without a day
  if (days.window.Empty()) {
    result.failure = EngineInputFailure::NoYear;
    return result;
  }
  std::string line;
  while (in.next(line)) {
    ++n;
    if (line.find_first_not_of(" \t") == std::string::npos) continue;  // no day in a blank line
    // Month and day are its first two items; the year is the four characters
    // after the second blank.
    const std::size_t blank1 = line.find(' ');
    const std::size_t blank2 = blank1 == std::string::npos ? blank1 : line.find(' ', blank1 + 1);
    const int month = TextToInt(line);
    const int year = blank2 == std::string::npos ? 0 : TextToInt(std::string_view(line).substr(blank2 + 1, 4));
    const bool inside = days.window.Inside(month, year);
    const std::size_t start = days.text.size();
    if (inside) {
      if (not_numbers(line)) return result;
      days.text.append(line).push_back('\n');
    }
    for (int hour = 0; hour < 24; ++hour) {
      ++n;
      if (!in.next(line) || !IsHourLine(line, hour)) {
        result.failure = EngineInputFailure::ShortDay;
        result.line = n;
        result.detail = climate.string();
        return result;
      }
      if (inside) {
        if (not_numbers(line)) return result;
        days.text.append(line).push_back('\n');
      }
    }
    if (inside) days.starts.push_back(start);
    if (days.window.EndsAt(month, year)) break;
  }
  if (days.starts.empty()) result.failure = EngineInputFailure::NoYear;
  return result;
}

}  // namespace

LayerGrid FrontEndLayerGrid(double t) {
  LayerGrid g;
  const int v = static_cast<int>(t);
  g.asphalt_intervals = v >= 2 ? v : 1;
  // One interval would make a layer between 1.5 and 2 inches wider than the
  // engine's spacing limit, and the engine would stop to warn.
  if (t > 1.5 && t < 2) g.asphalt_intervals = 2;
  g.subgrade_thickness = 360 - (t + 10);
  g.subgrade_intervals = static_cast<int>(g.subgrade_thickness * 0.16666666666666666);
  g.interval_count = g.asphalt_intervals + 5 + g.subgrade_intervals;
  g.last_nodes = {1 + g.asphalt_intervals, 1 + g.asphalt_intervals + 5, 1 + g.interval_count};
  return g;
}

StructureCheck CheckFrontEndStructure(double t) {
  if (!structure::HistoryHoldsLayer(t)) return {StructureLimit::Thin, 0};
  // A top layer this thick has more intervals than the grid has nodes, however
  // the rest is laid out (and the grid is not built for it).
  if (!(t < structure::kMaxNodes)) return {StructureLimit::Nodes, 0};
  const LayerGrid g = FrontEndLayerGrid(t);
  const int nodes = g.interval_count + 1;
  if (g.subgrade_intervals < 1 || nodes > structure::kMaxNodes) return {StructureLimit::Nodes, nodes};
  // The layers as the engine reads them back: the "%g" texts in single
  // precision, the top layer's spacing recomputed from its thickness.
  const auto single = [](double value) {
    const std::string text = FormatG(value);
    float f = 0;
    std::from_chars(text.data(), text.data() + text.size(), f);
    return f;
  };
  const float top = single(t);
  const structure::GridLayer layers[] = {
      {structure::LayerKind::Asphalt, top, top / static_cast<float>(g.asphalt_intervals), g.last_nodes[0]},
      {structure::LayerKind::Other, 10.0f, 2.0f, g.last_nodes[1]},
      {structure::LayerKind::Other, single(g.subgrade_thickness),
       single(g.subgrade_thickness / g.subgrade_intervals), g.last_nodes[2]},
  };
  const int points = structure::CountHistoryPoints(layers, nodes);
  if (points > structure::kMaxHistoryPoints) return {StructureLimit::HistoryPoints, points};
  return {};
}

AnalysisWindow WindowOfTimeFrame(const TimeFrame& f) {
  return {f.start_year + (f.start_month > 8 ? 1 : 0), f.end_year - (f.end_month < 8 ? 1 : 0)};
}

int DayBlockCount(long long window_days, int years) {
  const long long blocks = std::min(2 * window_days + 1, 365LL * years + 10);
  return static_cast<int>(std::clamp<long long>(blocks, 0, INT32_MAX));
}

std::optional<ClmTemp> ReadClmTemp(const std::filesystem::path& path) {
  platform::LineReader in(path);
  if (!in.is_open()) return std::nullopt;
  ClmTemp c;
  std::string line;
  if (in.next(line)) c.thickness = TextToDouble(line);
  if (in.next(line) && in.next(line)) {
    // A line that atoi reads no digit from holds no number of years.
    std::string_view rest(line);
    rest.remove_prefix(std::min(rest.find_first_not_of(" \t"), rest.size()));
    if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) rest.remove_prefix(1);
    c.has_years = !rest.empty() && rest[0] >= '0' && rest[0] <= '9';
    c.years = TextToInt(line);
  }
  return c;
}

EngineInputResult WriteEngineInputFile(const EngineInputRequest& request) {
  EngineInputResult result;
  const std::optional<ClmTemp> clmtemp = ReadClmTemp(request.clmtemp);
  if (!clmtemp || !std::isfinite(clmtemp->thickness) || !(clmtemp->thickness > 0)) {
    result.failure = EngineInputFailure::NoThickness;
    return result;
  }
  result.thickness = clmtemp->thickness;
  if (!clmtemp->has_years) {
    result.failure = EngineInputFailure::NoYears;
    result.detail = request.clmtemp.string();
    return result;
  }
  if (clmtemp->years < 0) {
    result.failure = EngineInputFailure::NegativeYears;
    result.detail = request.clmtemp.string();
    result.text = FormatInt(clmtemp->years);
    return result;
  }
  result.structure = CheckFrontEndStructure(clmtemp->thickness);
  if (result.structure.limit != StructureLimit::None) {
    result.failure = EngineInputFailure::Structure;
    return result;
  }
  WindowDays days;
  const EngineInputResult window = ReadWindow(request.climate, days);
  if (window.failure != EngineInputFailure::None) return window;

  const double t = clmtemp->thickness;
  const LayerGrid g = FrontEndLayerGrid(t);
  const std::string mat = FormatG(request.mean_annual_temperature);
  std::filesystem::path temporary = request.input;
  temporary += ".part";
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  if (!out) {
    result.failure = EngineInputFailure::CannotWrite;
    result.detail = request.input.string();
    return result;
  }
  out << "0\n2\n1\n1\n1,'IDMODEL(0)TMI(1)'\n'FLEXIBLE','KAVRO ANALYSIS TYPE'\n"
      << request.directory << "\n1 0\n";
  out << "3 " << FormatInt(g.interval_count) << " 0.1 1\n";
  out << LayerLine("Asphalt", t, t / g.asphalt_intervals, g.last_nodes[0]);
  out << "148,'Unit Weight'\n0.67,'Thermal Conductivity'\n0.23,'Heat Capacity'\n";
  out << LayerLine("Base", 10, 2, g.last_nodes[1]);
  PropertyLines(out, kBase);
  out << LayerLine("Natural", g.subgrade_thickness, g.subgrade_thickness / g.subgrade_intervals,
                   g.last_nodes[2]);
  PropertyLines(out, kNatural);
  out << "3 0.93 0.85 " << mat << " 0.5\n0.77 0.28 5.0 0.85\n4 15 32 30.2\n1\n";

  const long long n = static_cast<long long>(days.starts.size());
  result.day_blocks = DayBlockCount(n, clmtemp->years);
  out << FormatInt(result.day_blocks) << '\n';
  for (int node = 0; node <= g.interval_count; ++node) out << mat << " 0\n";

  // The window over and over from its first day, as many days as wanted.
  for (long long full = result.day_blocks / n; full > 0; --full) out << days.text;
  const long long rest = result.day_blocks % n;
  if (rest > 0) out.write(days.text.data(), static_cast<std::streamsize>(days.starts[static_cast<std::size_t>(rest)]));

  const int fines_class = kBasePlasticity == 0 ? 1 : (kBasePlasticity < 6 ? 2 : 3);
  out << "12  2  1\n"
      << FormatInt(fines_class) << ' ' << FormatG(kBasePassing200) << ' ' << FormatG(100 - kBasePassing4) << ' '
      << FormatG(kBasePassing4 - kBasePassing200) << "\n2 0 100\n10 0.3 0.25 0.75 1.65";
  out.close();
  if (!out || !platform::rename_file(temporary, request.input).ok) {
    platform::delete_file(temporary);
    result.failure = EngineInputFailure::CannotWrite;
    result.detail = request.input.string();
  }
  return result;
}

}  // namespace tervon
