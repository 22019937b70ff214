// Writes a front-end-form "input.tmp" from the synthetic climate:
//   write_synthetic_input OUTPUT [--thickness T] [--years N] [--window-years W]
//                         [--first-year Y] [--mean F] [--directory TEXT] [--daily] [--crlf]
// The analysis window spans W years (default: N) from 1 August Y.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

#include "synthetic_input/front_end_input.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: %s OUTPUT [--thickness T] [--years N] [--window-years W] "
                 "[--first-year Y] [--mean F] [--directory TEXT] [--daily] [--crlf]\n",
                 argv[0]);
    return 2;
  }
  synthetic_input::FrontEndInput input;
  int window_years = 0;
  for (int i = 2; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--daily") {
      input.daily_form = true;
    } else if (arg == "--crlf") {
      input.crlf = true;
    } else if (arg == "--thickness" && has_value) {
      input.asphalt_thickness = std::atof(argv[++i]);
    } else if (arg == "--years" && has_value) {
      input.analysis_years = std::atoi(argv[++i]);
    } else if (arg == "--window-years" && has_value) {
      window_years = std::atoi(argv[++i]);
    } else if (arg == "--first-year" && has_value) {
      input.synthetic_first_year = std::atoi(argv[++i]);
    } else if (arg == "--mean" && has_value) {
      input.mean_annual_temperature = std::atof(argv[++i]);
    } else if (arg == "--directory" && has_value) {
      input.directory = argv[++i];
    } else {
      std::fprintf(stderr, "%s: unknown or incomplete option %s\n", argv[0], argv[i]);
      return 2;
    }
  }
  try {
    if (window_years > 0)
      input.days = synthetic_input::synthetic_window(input.synthetic_first_year, window_years);
    synthetic_input::write_front_end_input(argv[1], input);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
    return 1;
  }
  return 0;
}
