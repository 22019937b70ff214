// pavsim's job-mix road on a demo project (tervon-mkdemo, a "tmp" folder,
// write_synthetic_input for 6 inches and two years: 740 days),
// through the whole climate simulation: its console marks,
// the temperature history and the drainage report, twice byte for byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "synthetic_input/front_end_input.h"

namespace {

namespace fs = std::filesystem;

using Outcome = testing_support::CommandResult;

Outcome shell(const std::string& command) {
  return testing_support::run_command(command + " 2>&1 </dev/null");
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    out.push_back(text.substr(start, end - start));
  if (start < text.size()) out.push_back(text.substr(start));
  return out;
}

// A fresh demo project under `root`, and pavsim run in it.
struct DemoRun {
  Outcome engine;
  fs::path project;
};
DemoRun demo_run(const fs::path& root) {
  const fs::path drive = root / "drive", project = root / "project";
  fs::create_directories(drive);
  fs::create_directories(project / "tmp");
  const std::string q = "'";
  EXPECT_EQ(shell(q + TERVON_MKDEMO + "' '" + project.string() + "' --drive '" + drive.string() + q)
                .status,
            0);
  EXPECT_EQ(shell(q + WRITE_SYNTHETIC_INPUT + "' '" + (project / "input.tmp").string() +
                  "' --thickness 6 --years 2")
                .status,
            0);
  testing_support::write_file(project / "input.dat",
                              "JMF   \n2004 8 1 2\n6.0 0.0 0.0 -0.5 0.1\n1.0 0.0 0.0 0.0 0.0\n");
  DemoRun r{shell("cd '" + project.string() + "' && PAVSIM_DRIVE_C='" + drive.string() + "' '" +
                  PAVSIM_EXECUTABLE + q),
            project};
  return r;
}

TEST(HistoryRoad, SimulatesTheDemoProject) {
  testing_support::TempDir first, second;
  const DemoRun a = demo_run(first.path()), b = demo_run(second.path());

  // The simulation ends; the analysis then stops at a later step of its own.
  EXPECT_EQ(a.engine.status, 1) << a.engine.output;
  const std::vector<std::string> console = lines(a.engine.output);
  const auto at = [&](const char* line) {
    return std::find(console.begin(), console.end(), line) - console.begin();
  };
  EXPECT_LT(at(" 500"), at("9999")) << a.engine.output;
  EXPECT_LT(at("9999"), at(" 5")) << a.engine.output;
  EXPECT_LT(at(" 5"), static_cast<long>(console.size())) << a.engine.output;

  const auto read = [](const fs::path& p) { return testing_support::read_file(p); };
  EXPECT_EQ(read(a.project / "progress.tmp"), "9999\n");
  for (const char* name : {"tmp/thermal.tmp", ".drn", "progress.tmp"})
    EXPECT_EQ(read(a.project / name), read(b.project / name)) << name;
  EXPECT_NE(read(a.project / ".drn").find("EVALUATION OF DRAIANGE DESIGN"), std::string::npos);

  // The history: one record a simulated hour, stamped with the days of the
  // input (the two-year window, then its first days again).
  const std::vector<std::string> history = lines(read(a.project / "tmp" / "thermal.tmp"));
  ASSERT_EQ(history.size(), 1u + 17760);
  EXPECT_EQ(history[0], " 17760 6 6.0 0.0");
  const auto window = synthetic_input::synthetic_window(2000, 2);
  std::vector<double> amplitude(5);
  for (std::size_t day = 0; day < 740; ++day) {
    const auto& d = window[day % window.size()];
    std::vector<double> low(5, 1e30), high(5, -1e30);
    for (int hour = 0; hour < 24; ++hour) {
      const std::string& record = history[1 + 24 * day + static_cast<std::size_t>(hour)];
      char stamp[16];
      std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d", d.year, d.month, d.day, hour);
      ASSERT_EQ(record.substr(0, 10), stamp) << day;
      ASSERT_EQ(record.find_first_of("*NnIi"), std::string::npos) << record;
      for (std::size_t c = 0; c < 5; ++c) {
        const double t = std::stod(record.substr(10 + 6 * c, 6));
        low[c] = std::min(low[c], t);
        high[c] = std::max(high[c], t);
      }
    }
    for (std::size_t c = 0; c < 5; ++c) amplitude[c] += (high[c] - low[c]) / 740;
  }
  // Columns: the surface, 0.5, 2, 4 and 6 inches.
  EXPECT_GT(amplitude[0], amplitude[2]);
  EXPECT_GT(amplitude[2], amplitude[3]);
}

}  // namespace
