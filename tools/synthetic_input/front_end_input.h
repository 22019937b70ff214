#pragma once
// Writes "input.tmp" exactly as the front end does, from the days of one analysis
// window, so that the engine's reader is exercised on realistic files. Without
// days it uses a deterministic synthetic climate (synthetic_window).

#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace synthetic_input {

// The values of one hour line of the climatic data file.
struct HourValues {
  double temperature = 0;    // deg F
  double precipitation = 0;  // inches
  double value2 = 0;         // wind speed, mph
  double value3 = 0;         // percent sunshine
};

struct ClimateDay {
  int month = 0;
  int day = 0;
  int year = 0;
  double sunrise = 0;  // hours
  double sunset = 0;
  double radiation = 0;
  std::array<HourValues, 24> hours{};  // hours 0 to 23
};

struct FrontEndInput {
  double asphalt_thickness = 6.0;  // inches
  int analysis_years = 1;
  double mean_annual_temperature = 52.0;  // deg F
  std::string directory;                  // record 7, as it stands
  // One window, 1 August Y0 to 1 August Y1 inclusive. Empty: a synthetic window
  // of analysis_years years from 1 August synthetic_first_year.
  std::vector<ClimateDay> days;
  int synthetic_first_year = 2000;
  int thermal_history_mode = 1;  // record 4; the front end writes 1
  int max_day_blocks = 0;         // cuts the day count D when above 0 (short test runs)
  bool crlf = false;              // CRLF line ends
  bool daily_form = false;        // record 1 = 1 and one 12-value record per day
};

// The front end's three-layer grid for an asphalt thickness t.
struct LayerGrid {
  int asphalt_intervals = 0;
  int subgrade_intervals = 0;
  double subgrade_thickness = 0;
  int node_interval_count = 0;  // T
  std::array<int, 3> last_nodes{};
};
// Throws std::invalid_argument when t leaves the subgrade no node interval.
LayerGrid front_end_layer_grid(double asphalt_thickness);

// D: 2N + 1 day blocks for a window of N day lines, at most 365 * years + 10.
int day_block_count(int window_days, int analysis_years);

// Days from 1 August first_year to 1 August first_year + years inclusive, with
// seasonal and daily temperature cycles, rainy spells, wind, sunshine, sunrise,
// sunset and radiation at 40 deg N. The same arguments give the same days.
std::vector<ClimateDay> synthetic_window(int first_year, int years);

// The whole file as text. Throws std::invalid_argument for a window that holds
// no day to copy.
std::string front_end_input_text(const FrontEndInput& input);
void write_front_end_input(const std::filesystem::path& path, const FrontEndInput& input);

}  // namespace synthetic_input
