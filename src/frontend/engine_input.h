#pragma once
// The climate simulation's input file "input.tmp" as the front end writes it:
// run flags, a three-layer structure sized from the asphalt thickness, the site
// constants, and the site's day blocks repeated over the analysis period.

#include <array>
#include <filesystem>
#include <optional>
#include <string>

#include "frontend/climate_file.h"

namespace tervon {

// Asphalt over a 10-inch base over natural soil down to 360 inches.
struct LayerGrid {
  int asphalt_intervals = 0;     // A
  double subgrade_thickness = 0; // ts, inches
  int subgrade_intervals = 0;    // S
  int interval_count = 0;        // T = A + 5 + S
  std::array<int, 3> last_nodes{};
};
// For thicknesses above 0 and below 344 inches.
LayerGrid FrontEndLayerGrid(double asphalt_thickness);

// The structure for an asphalt thickness against the limits of the climate
// simulation: the thinnest top layer a temperature history holds, the node
// count and the number of temperature-history points.
enum class StructureLimit { None, Thin, Nodes, HistoryPoints };
struct StructureCheck {
  StructureLimit limit = StructureLimit::None;
  int needed = 0;  // nodes or points the structure needs (0: more nodes than the grid has)
};
StructureCheck CheckFrontEndStructure(double asphalt_thickness);

// The days copied into the engine input: from 1 August of the first year of the
// climatic data file that has one up to 1 August of its last such year.
struct AnalysisWindow {
  int first_year = 0;  // Y0
  int last_year = 0;   // Y1
  bool Empty() const { return last_year <= first_year; }
  bool Inside(int month, int year) const {
    return (year == first_year && month > 7) || year > first_year;
  }
  // The day that ends a pass over the window, itself copied.
  bool EndsAt(int month, int year) const { return year == last_year && month == 8; }
};
AnalysisWindow WindowOfTimeFrame(const TimeFrame& frame);

// Day blocks for a window of `window_days` days: twice the window and one day,
// at most `years` years and 10 days.
int DayBlockCount(long long window_days, int years);

// "clmtemp.txt": the asphalt thickness (line 1) and the analysis years (line 3).
struct ClmTemp {
  double thickness = 0;
  int years = 0;
  bool has_years = false;  // line 3 is there and starts with a whole number
};
std::optional<ClmTemp> ReadClmTemp(const std::filesystem::path& path);

enum class EngineInputFailure {
  None,
  CannotWrite,     // `detail` names the file
  NoThickness,     // clmtemp.txt missing, or no thickness above 0
  NoYears,         // clmtemp.txt without its number of years; `detail` names it
  NegativeYears,   // `text` on line 3 of `detail`
  Structure,       // the thickness is beyond a limit of the simulation: `structure`
  ClimateMissing,  // `detail` names the climatic data file
  NoYear,          // the window of the climatic data file `detail` holds no day
  ShortDay,        // a day block without its 24 hour lines, at `line`
  NotANumber,      // `text` at `line` of the climatic data file `detail`
};

struct EngineInputRequest {
  std::string directory;  // record 7, as it stands
  std::filesystem::path input;
  std::filesystem::path climate;
  std::filesystem::path clmtemp;
  double mean_annual_temperature = 0;
};

struct EngineInputResult {
  EngineInputFailure failure = EngineInputFailure::None;
  std::string detail;
  std::string text;
  long long line = 0;
  double thickness = 0;
  StructureCheck structure;
  int day_blocks = 0;
};

// Writes the input file. Everything is read and checked first, and the file is
// written beside its place and renamed into it only when complete: a refusal
// or a failed write leaves an older input file as it was.
EngineInputResult WriteEngineInputFile(const EngineInputRequest& request);

}  // namespace tervon
