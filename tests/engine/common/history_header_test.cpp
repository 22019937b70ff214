#include "engine/common/history_header.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/common/temperature_histories.h"
#include "engine/temp_project.h"
#include "platform/record_io.h"

namespace {

using engine::ThicknessCheck;
using engine_test::TempDrive;

// Expected decisions from Python's float32 rounding (struct.pack('f')):
// single mode: |f(s) - f(x)| >= f(0.2) in float or trunc(f(s)) != trunc(f(x));
// double mode: |f(s) - x| >= f(0.2) in double or trunc(f(s)) != trunc(x).
// f(0.2) = 0.20000000298023224, f(4.20000004) = 4.199999809265137,
// f(3.99999999) = 4.0.
TEST(HistoryNeedsSimulation, BothPrecisions) {
  struct Case {
    float stored;
    double wanted;
    bool single_runs;
    bool double_runs;
  };
  const Case cases[] = {
      {3.9f, 4.05, true, true},          // whole inches differ
      {4.1f, 4.25, false, false},
      {0.0f, 0.15, false, false},
      {0.0f, 0.25, true, true},
      {0.0f, 0.2, true, false},          // 0.2f against 0.2 widened
      {4.0f, 4.20000004, false, true},   // rounds to 4.1999998f
      {4.0f, 3.99999999, false, true},   // rounds to 4.0f
      {-0.05f, 0.1, false, false},       // both truncate to zero
      {std::numeric_limits<float>::quiet_NaN(), 4.0, true, true},
      {std::numeric_limits<float>::infinity(), 4.0, true, true},
      {3.0e38f, static_cast<double>(3.0e38f), false, false},  // far beyond int
  };
  for (const auto& c : cases) {
    EXPECT_EQ(engine::history_needs_simulation(c.stored, c.wanted, ThicknessCheck::Single),
              c.single_runs)
        << c.stored << " / " << c.wanted;
    EXPECT_EQ(engine::history_needs_simulation(c.stored, c.wanted, ThicknessCheck::Double),
              c.double_runs)
        << c.stored << " / " << c.wanted;
  }
}

TEST(DefaultHistoryHeader, CreatedWhenMissingAndReadsAsZero) {
  TempDrive drive;
  drive.write("proj/tmp/keep", "");
  const platform::FixedText<255> name("c:\\proj\\tmp\\thermal.tmp");
  engine::write_default_history_header(name);
  EXPECT_EQ(drive.read("proj/tmp/thermal.tmp"), " " + std::string(engine::kDefaultHistoryHeader) + "\n");
  EXPECT_EQ(drive.read("proj/tmp/thermal.tmp").size(), 29u);  // 28 characters and the line end
  const auto h = engine::read_history_header(name);
  EXPECT_EQ(h.record_count, 0);
  EXPECT_EQ(h.node_count, 0);
  EXPECT_EQ(h.thickness, 0.0f);
  EXPECT_EQ(h.deviation, 0.0f);
}

TEST(DefaultHistoryHeader, ExistingFileLeftByteForByte) {
  TempDrive drive;
  const std::string content = " 8760 5 4.5 0.25\r\n2001010100 12.3 11.0\nno end";
  drive.write("tmp/thermal.tmp", content);
  engine::write_default_history_header("c:\\tmp\\thermal.tmp");
  EXPECT_EQ(drive.read("tmp/thermal.tmp"), content);
}

TEST(ReadHistoryHeader, AcceptsDefaultAndSimulationHeaders) {
  TempDrive drive;
  struct Case {
    std::string line;
    float thickness;
    float deviation;
  };
  const Case cases[] = {
      {" " + std::string(engine::kDefaultHistoryHeader), 0.0f, 0.0f},
      {platform::format_list(std::int32_t{8760}, std::int32_t{5}, 4.3f, 0.1f), 4.3f, 0.1f},
      {" 8760 12\n 25.5 1.0", 25.5f, 1.0f},  // a short line continues on the next
  };
  for (const auto& c : cases) {
    drive.write("h.tmp", c.line + "\n2001010100  10.0\n");
    const auto h = engine::read_history_header("c:\\h.tmp");
    EXPECT_EQ(h.thickness, c.thickness) << c.line;
    EXPECT_EQ(h.deviation, c.deviation) << c.line;
  }
}

TEST(ReadHistoryHeader, MissingOrBadHeaderStopsNamingTheFile) {
  TempDrive drive;
  engine_test::ConsoleCapture console;
  std::string message;
  EXPECT_EQ(engine_test::stop_status([] { engine::read_history_header("c:\\none.tmp"); }, &message),
            platform::kStopIo);
  EXPECT_NE(message.find("none.tmp"), std::string::npos) << message;
  EXPECT_FALSE(drive.exists("none.tmp"));

  drive.write("bad.tmp", " 0 0 thick 0.\n");
  EXPECT_EQ(engine_test::stop_status([] { engine::read_history_header("c:\\bad.tmp"); }, &message),
            platform::kStopIo);
  EXPECT_NE(message.find("bad.tmp"), std::string::npos) << message;
}

// A simulation double that records its calls and writes a header with a
// thickness of its own, as the simulation does when it keeps the thickness of
// the input file: without the run-local record every check would call it again.
struct SimulationDouble {
  struct Call {
    float thickness;
    float deviation;
    std::string work_directory;
    std::string file;
  };
  std::vector<Call> calls;
  engine::ClimateSimulation callable() {
    return [this](float t, float d, const platform::FixedText<255>& wd,
                  const platform::FixedText<255>& file) {
      calls.push_back({t, d, wd.str(), file.str()});
      platform::open_unit(98, file.view(), platform::OpenStatus::Replace);
      platform::write_list(98, std::int32_t{8760}, std::int32_t{5}, 7.0f, d);
      platform::close_unit(98);
    };
  }
};

TEST(EnsureTemperatureHistory, PassesTheRoundedThicknessAndSpread) {
  TempDrive drive;
  drive.write("p/tmp/keep", "");
  SimulationDouble sim;
  engine::TemperatureHistories histories(sim.callable());
  const platform::FixedText<255> wd("c:\\p\\");
  const platform::FixedText<255> h("c:\\p\\tmp\\thermal.tmp");
  engine::write_default_history_header(h);
  engine::ensure_temperature_history(histories, wd, h, 4.20000004, 0.35f);
  ASSERT_EQ(sim.calls.size(), 1u);
  EXPECT_EQ(sim.calls[0].thickness, 4.2f);
  EXPECT_EQ(sim.calls[0].deviation, 0.35f);
  EXPECT_EQ(sim.calls[0].work_directory, "c:\\p\\");
  EXPECT_EQ(sim.calls[0].file, "c:\\p\\tmp\\thermal.tmp");

  // A history that fits is left alone.
  engine::ensure_temperature_history(histories, wd, h, 7.1, 0.35f);
  EXPECT_EQ(sim.calls.size(), 1u);
}

TEST(EnsureTemperatureHistory, SkipsOnlyARepeatOfTheFilesLastSimulation) {
  struct Check {
    const char* file;
    double thickness;
    float deviation;
  };
  struct Case {
    const char* what;
    std::vector<Check> checks;
    std::size_t calls;
  };
  const Case cases[] = {
      {"identical", {{"a.tmp", 4.0, 0.0f}, {"a.tmp", 4.0, 0.0f}}, 1},
      {"file changes", {{"a.tmp", 4.0, 0.0f}, {"b.tmp", 4.0, 0.0f}}, 2},
      {"thickness changes", {{"a.tmp", 4.0, 0.0f}, {"a.tmp", 4.5, 0.0f}}, 2},
      {"spread changes", {{"a.tmp", 4.0, 0.0f}, {"a.tmp", 4.0, 0.5f}}, 2},
      {"same float thickness", {{"a.tmp", 4.0, 0.0f}, {"a.tmp", 4.00000001, 0.0f}}, 1},
      {"t1, t2, t1", {{"a.tmp", 4.0, 0.0f}, {"a.tmp", 5.0, 0.0f}, {"a.tmp", 4.0, 0.0f}}, 3},
      {"per file", {{"a.tmp", 4.0, 0.0f}, {"b.tmp", 5.0, 0.0f}, {"a.tmp", 4.0, 0.0f}}, 2},
  };
  for (const auto& c : cases) {
    TempDrive drive;
    SimulationDouble sim;
    engine::TemperatureHistories histories(sim.callable());
    for (const auto& check : c.checks) {
      const platform::FixedText<255> h = std::string("c:\\") + check.file;
      engine::write_default_history_header(h);
      engine::ensure_temperature_history(histories, "c:\\", h, check.thickness, check.deviation);
    }
    EXPECT_EQ(sim.calls.size(), c.calls) << c.what;
    EXPECT_EQ(histories.simulation_count(), static_cast<int>(c.calls)) << c.what;
  }
}

}  // namespace
