#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "frontend/hourly_files.h"
#include "frontend/site_checks.h"
#include "frontend/working_dialog.h"

namespace frontend_test {
namespace {

using tervon::HourlySource;
using tervon::HourStamp;

TEST(HourStamps, FollowTheCalendar) {
  const struct {
    const char* stamp;
    const char* next;
  } rolls[] = {{"2004022823", "2004022900"}, {"2004022923", "2004030100"},
               {"2003022823", "2003030100"}, {"2003123123", "2004010100"},
               {"200408010", "2004080101"}};
  for (const auto& r : rolls) EXPECT_EQ(tervon::NextHourStamp(r.stamp), r.next) << r.stamp;
  EXPECT_EQ(tervon::ParseStamp("200408010"), tervon::ParseStamp("2004080100"));

  // Every hour of 2003-2005 against the standard library's calendar.
  using namespace std::chrono;
  std::string stamp = "2003010100";
  for (sys_time<hours> t = sys_days{2003y / January / 1}; t < sys_days{2006y / January / 1}; t += 1h) {
    const year_month_day ymd{floor<days>(t)};
    char want[16];
    std::snprintf(want, sizeof want, "%04d%02u%02u%02ld", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<long>((t - floor<days>(t)).count()));
    ASSERT_EQ(stamp, want);
    stamp = tervon::NextHourStamp(stamp);
  }
}

TEST(HourStamps, StationFileNames) {
  const struct {
    int identifier;
    const char* name;
    bool names_file;
  } cases[] = {{17, "hcd\\00017.hcd", true},    {0, "hcd\\00000.hcd", true},
               {99999, "hcd\\99999.hcd", true}, {123456, "hcd\\123456.hcd", false},
               {-17, "hcd\\-0017.hcd", false}};
  for (const auto& c : cases) {
    EXPECT_EQ(tervon::HcdFileName(c.identifier), c.name);
    EXPECT_EQ(tervon::HcdIdentifierNamesFile(c.identifier), c.names_file) << c.identifier;
  }
}

// Hand-made February-2006 files for ALDER and BIRCH at their demo distances
// from a site at 5000 ft: (41.05 w1 + 44.1 w2) / (w1 + w2) = 42.3 and
// 0.10 w1 / (w1 + w2) = 0.06 with w = 1 / d^2.
TEST(Interpolation, InverseSquareMeanWithElevationCorrection) {
  TempProject project;
  std::string alder, birch;
  for (HourStamp s{2006, 2, 1, 0}; s < HourStamp{2006, 3, 1, 0}; s = tervon::NextHour(s)) {
    alder += tervon::StampText(s) + ",40.0,5.0,50,0.10,60.0\n";
    birch += tervon::StampText(s) + ",42.0,5.0,50,0.00,60.0\n";
  }
  WriteFile(project.project() / "a.hcd", alder);
  WriteFile(project.project() / "b.hcd", birch);
  std::vector<tervon::StationRecord> stations(2);
  stations[0].latitude = 40.10;
  stations[0].longitude = -105.05;
  stations[1].latitude = 39.50;
  stations[1].longitude = -104.50;
  const auto slots = tervon::RankNearest(stations, 40.00, -105.00);
  const std::vector<HourlySource> sources = {{project.project() / "a.hcd", 5300, slots[0].distance},
                                             {project.project() / "b.hcd", 5600, slots[1].distance}};
  const fs::path out = project.project() / "hcd.tmp";
  const auto r = tervon::InterpolateHourly(sources, 5000, {2006, 2, 1, 0}, {2006, 3, 1, 0}, out, [](int) {});
  ASSERT_TRUE(r.ok);
  const auto lines = Lines(TempProject::Read(out));
  ASSERT_EQ(lines.size(), 28u * 24);
  for (const std::string& line : lines) ASSERT_EQ(line.substr(10), ",42.3,5.0,50,0.06,60.0") << line;

  // A station at the site weighs 1 / 0.001^2: (0 * 1e6 + 1000001 * 1) / (1e6 + 1).
  WriteFile(project.project() / "a.hcd", "2006020100,0,0,0,0,0\n");
  WriteFile(project.project() / "b.hcd", "2006020100,1000001,0,0,0,0\n");
  const std::vector<HourlySource> at_site = {{project.project() / "a.hcd", 5000, 0.0},
                                             {project.project() / "b.hcd", 5000, 1.0}};
  ASSERT_TRUE(tervon::InterpolateHourly(at_site, 5000, {2006, 2, 1, 0}, {2006, 2, 1, 1}, out, [](int) {}).ok);
  EXPECT_EQ(TempProject::Read(out), "2006020100,1.0,0.0,0,0.00,0.0\n");
}

// ALDER, BIRCH, CEDAR and DOGWOOD of the demo: no hour is missing; a station adds
// to the mean exactly from its first hour (CEDAR) and not in a month it lacks
// (DOGWOOD, November 2004).
TEST(Interpolation, StationsJoinAndFillEachOther) {
  auto run = [](const std::vector<int>& boxes) {
    Working once;
    once.Site("40.00", "-105.00", "5000");
    once.Generate(boxes);
    EXPECT_TRUE(once.dlg->ended()) << ::testing::PrintToString(once.Messages());
    return Lines(once.Read("hcd.tmp"));
  };
  const auto all = run({1011, 1012, 1013, 1014});
  const auto without_cedar = run({1011, 1012, 1014});
  const auto without_dogwood = run({1011, 1012, 1013});
  ASSERT_EQ(all.size(), 13848u);
  std::string stamp = "2004080100";
  for (const std::string& line : all) {
    ASSERT_EQ(line.substr(0, 10), stamp);
    stamp = tervon::NextHourStamp(stamp);
  }
  auto first_difference = [&](const std::vector<std::string>& other) {
    for (std::size_t i = 0; i < all.size(); ++i)
      if (all[i] != other[i]) return all[i].substr(0, 10);
    return std::string("none");
  };
  EXPECT_EQ(first_difference(without_cedar), "2005010100");
  int october_changed = 0, november_changed = 0;
  for (std::size_t i = 0; i < all.size(); ++i) {
    const bool changed = all[i] != without_dogwood[i];
    october_changed += changed && all[i].compare(0, 6, "200410") == 0;
    november_changed += changed && all[i].compare(0, 6, "200411") == 0;
  }
  EXPECT_EQ(november_changed, 0);
  EXPECT_GT(october_changed, 600) << "of 744 hours; a few round alike";
}

TEST(Interpolation, Failures) {
  const struct {
    const char* name;
    std::string elevation;
    std::vector<int> boxes;
    std::function<void(const fs::path&)> damage;
    std::string message;  // "<project>" stands for the project folder
    bool hcd_tmp;         // written at all
    std::string last;     // its last stamp, or ""
  } cases[] = {
      {"HAZEL ticked", "5000", {1011, 1015}, nullptr, "<project>/hcd/00808.hcd file is missing.", false, ""},
      {"ALDER's file a folder", "5000", {1011},
       [](const fs::path& p) {
         fs::remove(p / "hcd/00017.hcd");
         fs::create_directory(p / "hcd/00017.hcd");
       },
       "<project>/hcd/00017.hcd file is missing.\n(it is a folder)", false, ""},
      {"no tick", "5000", {}, nullptr, "Select at least one station.", false, ""},
      {"empty elevation", "", {1011}, nullptr, "An elevation must be entered.", false, ""},
      {"data from the end hour on", "5000", {1011},
       [](const fs::path& p) { WriteFile(p / "hcd/00017.hcd", "2006030100,40.0,5.0,50,0.10,60.0\n"); },
       "A weather station must have at least 12 months to be used for analysis.", true, ""},
      {"ALDER cut after 2005123123", "5000", {1011},
       [](const fs::path& p) {
         const std::string all = TempProject::Read(p / "hcd/00017.hcd");
         WriteFile(p / "hcd/00017.hcd", all.substr(0, all.find("2006010100")));
       },
       "error200601error", true, "2005123123"},
      {"a value beyond the doubles", "5000", {1011, 1012},
       [](const fs::path& p) {
         std::string all = TempProject::Read(p / "hcd/00017.hcd");
         all.replace(all.find(',', all.find("2004080205")), 5, ",1e400");
         WriteFile(p / "hcd/00017.hcd", all);
       },
       "The interpolated values of hour 2004080205 are out of range; check the elevation and the files of "
       "the ticked stations.",
       true, "2004080204"},
  };
  for (const auto& c : cases) {
    Working w([&](const fs::path& p) {
      demo::WriteDemoProject(p);
      if (c.damage) c.damage(p);
    });
    w.Site("40.00", "-105.00", c.elevation);
    const Ids before = w.Visible();
    w.Generate(c.boxes);
    std::string message = c.message;
    if (message.rfind("<project>", 0) == 0) message.replace(0, 10, w.project.prefix());
    EXPECT_EQ(w.Messages(), std::vector<std::string>{message}) << c.name;
    EXPECT_FALSE(w.dlg->ended()) << c.name;
    EXPECT_EQ(fs::exists(w.File("hcd.tmp")), c.hcd_tmp) << c.name;
    if (!c.last.empty()) {
      EXPECT_EQ(Lines(w.Read("hcd.tmp")).back().substr(0, 10), c.last) << c.name;
    }
    EXPECT_FALSE(fs::exists(w.File("climate.tmp")) && !w.Read("climate.tmp").empty()) << c.name;
    if (c.elevation.empty()) {
      EXPECT_EQ(w.model().Focus(), 1005);
    }
    if (!c.hcd_tmp) {
      EXPECT_EQ(w.Visible(), before) << c.name << ": nothing changes";
    } else {
      // Back to the choice of stations, without the progress bar.
      for (int id : {1011, 1012, 1013, 1014, 1015, 1016, 1019, 1024, 1022, 1023, 1025})
        EXPECT_TRUE(w.model().IsVisible(id)) << c.name << " " << id;
      for (int id : {1000, 1020, 1021}) EXPECT_FALSE(w.model().IsVisible(id)) << c.name << " " << id;
      EXPECT_FALSE(w.model().IsEnabled(1021)) << c.name;
    }
  }
}

}  // namespace
}  // namespace frontend_test
