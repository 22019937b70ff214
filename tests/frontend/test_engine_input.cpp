#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "frontend/c_text.h"
#include "frontend/engine_input.h"
#include "frontend/working_dialog.h"
#include "synthetic_input/front_end_input.h"

namespace frontend_test {
namespace {

// The climatic data file of road 1 on ALDER, made once.
const std::string& AlderClimate() {
  static const std::string text = [] {
    Working w;
    w.RoadOne(0);
    return w.Read("climate.tmp");
  }();
  return text;
}

// A dialog on a demo project holding `climate` as "climate.tmp" and `clmtemp`
// ("-" for none), with a stale completion marker.
struct Writer {
  Working w;
  Writer(const std::string& climate, const std::string& clmtemp) {
    WriteFile(w.File("climate.tmp"), climate);
    if (clmtemp == "-") fs::remove(w.File("clmtemp.txt"));
    else WriteFile(w.File("clmtemp.txt"), clmtemp);
    WriteFile(w.project.drive() / "check.txt", "100");
  }
  bool Write() { return w.dlg->WriteEngineInput(w.project.prefix()); }
};

TEST(EngineInput, LayerGridAndDayBlocks) {
  const struct {
    double t;
    int a;
    const char* spacing;
    int last[3];
  } grids[] = {
      {1.5, 1, "1.5", {2, 7, 65}},       {1.75, 2, "0.875", {3, 8, 66}},
      {2, 2, "1", {3, 8, 66}},           {6, 6, "1", {7, 12, 69}},
      {6.7, 6, "1.11667", {7, 12, 69}},  {283.9, 283, "1.00318", {284, 289, 300}},
  };
  for (const auto& g : grids) {
    const tervon::LayerGrid grid = tervon::FrontEndLayerGrid(g.t);
    EXPECT_EQ(grid.asphalt_intervals, g.a) << g.t;
    EXPECT_EQ(tervon::FormatG(g.t / grid.asphalt_intervals), g.spacing) << g.t;
    EXPECT_EQ(grid.last_nodes, (std::array<int, 3>{g.last[0], g.last[1], g.last[2]})) << g.t;
  }
  const tervon::LayerGrid six = tervon::FrontEndLayerGrid(6);
  EXPECT_EQ(tervon::FormatG(six.subgrade_thickness), "344");
  EXPECT_EQ(tervon::FormatG(six.subgrade_thickness / six.subgrade_intervals), "6.03509");

  const struct {
    long long n;
    int years, blocks;
  } counts[] = {{366, 20, 733}, {366, 1, 375}, {3650, 20, 7301}, {3650, 5, 1835}, {366, 0, 10}};
  for (const auto& c : counts) EXPECT_EQ(tervon::DayBlockCount(c.n, c.years), c.blocks) << c.n << " " << c.years;

  // A file from 15 September 2004 to February 2007: the window starts in 2005.
  TempProject project;
  std::string climate = "#\n#\n#\n#\n#\n#\n20040915-20070228\n-105,40,5000,100,-1,-1,-1,-1,50,0,0\n";
  using namespace std::chrono;
  for (sys_days d = 2004y / September / 15; d <= sys_days{2007y / February / 28}; d += days{1}) {
    const year_month_day ymd{d};
    climate += std::to_string(static_cast<unsigned>(ymd.month())) + " " +
               std::to_string(static_cast<unsigned>(ymd.day())) + " " +
               std::to_string(static_cast<int>(ymd.year())) + " 6 18 100\n";
    for (int h = 0; h < 24; ++h) climate += std::to_string(h) + " 50.0 0.00 5.0 50 50\n";
  }
  WriteFile(project.project() / "climate.tmp", climate);
  WriteFile(project.project() / "clmtemp.txt", "6\n0\n1\n");
  const auto r = tervon::WriteEngineInputFile({"/p/", project.project() / "input.tmp",
                                               project.project() / "climate.tmp",
                                               project.project() / "clmtemp.txt", 50});
  ASSERT_EQ(r.failure, tervon::EngineInputFailure::None);
  EXPECT_EQ(r.day_blocks, 375);
  const auto lines = Lines(TempProject::Read(project.project() / "input.tmp"));
  EXPECT_EQ(lines[59], "375");
  EXPECT_EQ(lines[60 + 69], "8 1 2005 6 18 100");
}

TEST(EngineInput, Refusals) {
  const std::string no_thickness = "Input AC Thickness First";
  std::string short_day = AlderClimate();
  {
    // 3 August 2004 loses its last hour: line 83 is then the next day.
    const std::size_t at = short_day.find("\n8 4 2004 ");
    short_day.erase(short_day.rfind("\n23 ", at), at - short_day.rfind("\n23 ", at));
  }
  // The climatic data file with item `item` (from 0) of line `line` (from 1) replaced.
  const auto with_item = [](std::size_t line, std::size_t item, const std::string& text) {
    auto lines = Lines(AlderClimate());
    std::string& l = lines[line - 1];
    const char separator = line == 8 ? ',' : ' ';  // the location line's items, or a day's
    std::size_t at = 0;
    for (std::size_t k = 0; k < item; ++k) at = l.find(separator, at) + 1;
    l.replace(at, std::min(l.find(separator, at), l.size()) - at, text);
    std::string out;
    for (const std::string& x : lines) out += x + "\n";
    return out;
  };
  const struct {
    const char* name;
    std::string climate;
    std::string clmtemp;
    std::string message;  // "<project>" stands for the project folder
  } cases[] = {
      {"284 inches", AlderClimate(), "284\n0\n20\n",
       "AC thickness 284 inches in <project>clmtemp.txt: the structure needs 301 nodes; at most 300 can be "
       "simulated."},
      {"1e308 inches", AlderClimate(), "1e308\n0\n20\n",
       "AC thickness 1e+308 inches in <project>clmtemp.txt: the structure needs more than 300 nodes; at most "
       "300 can be simulated."},
      {"49 inches", AlderClimate(), "49\n0\n20\n",
       "AC thickness 49 inches in <project>clmtemp.txt: the asphalt layer needs 52 temperature-history points; "
       "at most 50 can be written."},
      {"0.2 inches", AlderClimate(), "0.2\n0\n20\n",
       "AC thickness 0.2 inches in <project>clmtemp.txt: a temperature history holds only asphalt layers above "
       "0.2 inches."},
      {"no year line", AlderClimate(), "6\n0\n",
       "The file <project>clmtemp.txt has no number of years on line 3."},
      {"0 inches", AlderClimate(), "0\n0\n20\n", no_thickness},
      {"abc", AlderClimate(), "abc\n0\n20\n", no_thickness},
      {"nan", AlderClimate(), "nan\n0\n20\n", no_thickness},
      {"no clmtemp.txt", AlderClimate(), "-", no_thickness},
      {"negative years", AlderClimate(), "6\n0\n-1\n",
       "The number of years in <project>clmtemp.txt must not be negative; line 3 holds -1."},
      {"23-hour day", short_day, "6\n0\n20\n",
       "The climatic data file <project>climate.tmp has a day without 24 hour lines at line 83."},
      {"no climatic data file", "-", "6\n0\n20\n", "<project>climate.tmp file is missing."},
      // What the engine would read as a repeat count, or not at all.
      {"nan in an hour line", with_item(10, 1, "nan"), "6\n0\n20\n",
       "The file <project>climate.tmp has \"nan\" at line 10, where a finite number is wanted."},
      {"a repeat count in an hour line", with_item(11, 2, "300*0.06"), "6\n0\n20\n",
       "The file <project>climate.tmp has \"300*0.06\" at line 11, where a finite number is wanted."},
      {"inf in a day line", with_item(34, 5, "inf"), "6\n0\n20\n",
       "The file <project>climate.tmp has \"inf\" at line 34, where a finite number is wanted."},
      {"mean annual temperature", with_item(8, 8, "*"), "6\n0\n20\n",
       "The file <project>climate.tmp has \"*\" at line 8, where a finite number is wanted."},
  };
  for (const auto& c : cases) {
    Writer writer(c.climate, c.clmtemp);
    if (c.climate == "-") fs::remove(writer.w.File("climate.tmp"));
    std::string message = c.message;
    if (const auto at = message.find("<project>"); at != std::string::npos)
      message.replace(at, 9, writer.w.project.prefix());
    WriteFile(writer.w.File("input.tmp"), "an older input\n");
    EXPECT_FALSE(writer.Write()) << c.name;
    EXPECT_EQ(writer.w.Messages(), std::vector<std::string>{message}) << c.name;
    EXPECT_FALSE(writer.w.Marker()) << c.name << ": the stale marker is gone";
    EXPECT_EQ(writer.w.Read("input.tmp"), "an older input\n") << c.name;
    EXPECT_FALSE(fs::exists(writer.w.File("input.tmp.part"))) << c.name;
  }

  // CEDAR starts in January 2005: no August-to-August year, and no hang.
  Working cedar;
  WriteFile(cedar.project.drive() / "check.txt", "100");
  cedar.RoadOne(2);
  EXPECT_EQ(cedar.Messages(), std::vector<std::string>{"The climatic data file " + cedar.project.prefix() +
                                                        "climate.tmp does not cover a year from August 1."});
  EXPECT_FALSE(cedar.dlg->ended());
  EXPECT_FALSE(cedar.Marker());
}

TEST(EngineInput, RoadOneOnAlderFromAnotherFolder) {
  TempProject elsewhere;
  const fs::path before = fs::current_path();
  fs::current_path(elsewhere.root());
  Working w;
  w.RoadOne(0);
  fs::current_path(before);
  ASSERT_TRUE(w.dlg->ended()) << ::testing::PrintToString(w.Messages());
  EXPECT_FALSE(fs::exists(elsewhere.root() / "input.tmp"));

  const std::string text = w.Read("input.tmp");
  const auto lines = Lines(text);
  ASSERT_EQ(lines.size(), 18458u);
  EXPECT_EQ(lines[6], w.project.prefix());
  EXPECT_EQ(lines[59], "733");
  EXPECT_EQ(w.dlg->m_nDayBlocks, 733);
  const std::size_t first_block = 60 + 69;
  for (const auto& [block, date] : std::vector<std::pair<std::size_t, std::string>>{
           {1, "8 1 2004 "}, {366, "8 1 2005 "}, {367, "8 1 2004 "}, {733, "8 1 2004 "}}) {
    EXPECT_EQ(lines[first_block + (block - 1) * 25].rfind(date, 0), 0u) << block;
  }
  EXPECT_EQ(text.substr(text.size() - 22), "\n10 0.3 0.25 0.75 1.65");
  EXPECT_EQ(TempProject::Read(w.project.drive() / "check.txt"), "100");
}

// What the engine's tests read is what the front end writes: the writer of
// tools/synthetic_input, given the days of the same climatic data file, makes
// the same bytes.
TEST(EngineInput, SameBytesAsTheSyntheticWriter) {
  std::vector<synthetic_input::ClimateDay> days;
  const auto lines = Lines(AlderClimate());
  const double mean = tervon::TextToDouble(
      lines[7].substr([&] {
        std::size_t at = 0;
        for (int k = 0; k < 8; ++k) at = lines[7].find(',', at) + 1;
        return at;
      }()));
  for (std::size_t i = 8; i < lines.size(); i += 25) {
    synthetic_input::ClimateDay d;
    std::sscanf(lines[i].c_str(), "%d %d %d %lf %lf %lf", &d.month, &d.day, &d.year, &d.sunrise, &d.sunset,
                &d.radiation);
    for (int h = 0; h < 24; ++h) {
      auto& v = d.hours[static_cast<std::size_t>(h)];
      int hour = 0;
      std::sscanf(lines[i + 1 + static_cast<std::size_t>(h)].c_str(), "%d %lf %lf %lf %lf", &hour,
                  &v.temperature, &v.precipitation, &v.value2, &v.value3);
    }
    days.push_back(d);
  }
  for (double t : {1.75, 6.0, 48.9}) {
    for (int years : {1, 20}) {
      Writer writer(AlderClimate(), tervon::FormatG(t) + "\n0\n" + std::to_string(years) + "\n");
      ASSERT_TRUE(writer.Write()) << t << " " << years;
      synthetic_input::FrontEndInput input;
      input.asphalt_thickness = t;
      input.analysis_years = years;
      input.mean_annual_temperature = mean;
      input.directory = writer.w.project.prefix();
      input.days = days;
      EXPECT_TRUE(writer.w.Read("input.tmp") == synthetic_input::front_end_input_text(input)) << t << " " << years;
    }
  }
}

}  // namespace
}  // namespace frontend_test
