#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "frontend/c_text.h"
#include "frontend/climate_file.h"
#include "frontend/hourly_files.h"
#include "frontend/solar_table.h"
#include "frontend/working_dialog.h"

namespace frontend_test {
namespace {

using tervon::FormatG;

std::vector<std::string> Split(const std::string& line, char at) {
  std::vector<std::string> out(1);
  for (char c : line) {
    if (c == at) out.emplace_back();
    else out.back().push_back(c);
  }
  return out;
}

TEST(SolarTable, DaylightAndRadiation) {
  const struct {
    double latitude, declination, factor;
    double sunrise, sunset, radiation, hours_tolerance;
  } cases[] = {
      {40, 23.44, 0.967, 4.57772, 19.4223, 3782.91, 5e-5},
      // At a declination of 0, 3.141592 for pi leaves sunrise a little short of 6.
      {40, 0, 1, 5.9999988, 18.0000012, 2602.45, 5e-8},
      // Polar night: the hour angle's cosine is beyond 1.
      {-70, 23.44, 1, 12, 12, 0, 0},
  };
  for (const auto& c : cases) {
    const tervon::SolarDay d = tervon::SolarDayValues(c.latitude, c.declination, c.factor);
    EXPECT_NEAR(d.sunrise, c.sunrise, c.hours_tolerance) << c.latitude << " " << c.declination;
    EXPECT_NEAR(d.sunset, c.sunset, c.hours_tolerance) << c.latitude << " " << c.declination;
    EXPECT_NEAR(d.radiation, c.radiation, 5e-3) << c.latitude << " " << c.declination;
  }
  const tervon::SolarDay a = tervon::SolarDayValues(40, 23.44, 0.967);
  EXPECT_EQ(FormatG(a.sunrise) + " " + FormatG(a.sunset) + " " + FormatG(a.radiation), "4.57772 19.4223 3782.91");

  // FAO-56 Example 8: 20 deg S, declination 0.120 rad, dr 0.985: ws 1.527 rad,
  // 11.7 hours of daylight, 32.2 MJ/m2. The table's solar constant is 444.7
  // Btu/ft2/h where FAO's 0.0820 MJ/m2/min is 433.2; 1 Btu/ft2 = 0.0113565 MJ/m2.
  const tervon::SolarDay fao = tervon::SolarDayValues(-20, 0.120 / tervon::kDegreesToRadians, 0.985);
  EXPECT_NEAR((fao.sunset - fao.sunrise) / 2 / 3.8197194288755503, 1.5269, 1e-4);
  EXPECT_NEAR(fao.sunset - fao.sunrise, 11.66, 5e-3);
  EXPECT_NEAR(fao.radiation, 2909.67, 5e-3);
  EXPECT_NEAR(fao.radiation * 0.011356526682 / (444.7 / 433.2), 32.19, 5e-3);
}

TEST(SolarTable, TheFileAndTheSiteLatitude) {
  const std::string message =
      "Rad.dat file missing or corrupted.\nMake sure file is in Quorel installation directory.";
  // A bad record ends the reading; the days before it are kept, days out of range skipped.
  Working w([](const fs::path& p) {
    demo::WriteDemoProject(p);
    WriteFile(p / "rad.dat", "1 1 -23.0 1.03\n13 1 0 1\n1 32 0 1\n1 2 -22.9 1.03 1 3 x 1.03\n1 4 -22.8 1.03\n");
  });
  w.dlg->m_siteLatitude = 70;
  w.dlg->ReadSolarTable();
  EXPECT_EQ(w.dlg->m_siteLatitude, 66) << "lowered, and it stays so";
  EXPECT_EQ(w.Messages(), std::vector<std::string>{message});
  EXPECT_EQ(w.dlg->m_sunset[0][0], tervon::SolarDayValues(66, -23.0, 1.03).sunset);
  EXPECT_EQ(w.dlg->m_sunset[0][1], tervon::SolarDayValues(66, -22.9, 1.03).sunset);
  EXPECT_EQ(w.dlg->m_sunset[0][3], 0.0);

  // Neither a folder nor a radiation beyond the doubles is a table.
  const struct {
    const char* name;
    const char* rad_dat;  // nullptr: a folder
    std::string more;     // after the message; "<project>" for the project folder
    bool jan_2;           // 2 January filled
  } bad[] = {
      {"folder", nullptr, "\n(tried <project>rad.dat: it is a folder)", false},
      {"overflow", "1 1 -23.0 1.03\n1 2 10 1e308\n1 3 -22.8 1.03\n", "", false},
      {"huge but finite", "1 1 -23.0 1.03\n1 2 10 1e300\n1 3 -22.8 1.03\n", "none", true},
  };
  for (const auto& c : bad) {
    Working b([&](const fs::path& p) {
      demo::WriteDemoProject(p);
      fs::remove(p / "rad.dat");
      if (c.rad_dat) WriteFile(p / "rad.dat", c.rad_dat);
      else fs::create_directory(p / "rad.dat");
    });
    b.dlg->m_siteLatitude = 40;
    b.dlg->ReadSolarTable();
    std::string more = c.more;
    if (const auto at = more.find("<project>"); at != std::string::npos) more.replace(at, 9, b.project.prefix());
    EXPECT_EQ(b.Messages(), more == "none" ? std::vector<std::string>{} : std::vector<std::string>{message + more})
        << c.name;
    EXPECT_EQ(b.dlg->m_radiation[0][1] != 0, c.jan_2) << c.name;
    EXPECT_TRUE(std::isfinite(b.dlg->m_radiation[0][1])) << c.name;
  }

  // No rad.dat: the message, zero tables, and road 1 still writes its files.
  Working missing([](const fs::path& p) {
    demo::WriteDemoProject(p);
    fs::remove(p / "rad.dat");
  });
  missing.RoadOne(0);
  EXPECT_TRUE(missing.dlg->ended());
  EXPECT_EQ(missing.Messages(), (std::vector<std::string>{message, message}));
  EXPECT_EQ(Lines(missing.Read("climate.tmp"))[8], "8 1 2004 0 0 0");
  EXPECT_TRUE(missing.Marker());
}

// 2005 by the hour from `first_hour` on: first value 20 + 3 month, fourth 0.01 at
// noon, fifth 10 month.
std::string HandYear(int first_hour) {
  std::string text;
  for (tervon::HourStamp s{2005, 1, 1, first_hour}; s < tervon::HourStamp{2006, 1, 1, 0};
       s = tervon::NextHour(s))
    text += tervon::StampText(s) + "," + tervon::FormatFixed(20 + 3 * s.month, 1) + ",5.0,50," +
            (s.hour == 12 ? "0.01" : "0.00") + "," + tervon::FormatFixed(10 * s.month, 1) + "\n";
  return text;
}

TEST(ClimateFile, AHandComputedYear) {
  TempProject project;
  tervon::DailyTable zero{};
  tervon::ClimateSite site;
  site.longitude = "-105.00";
  site.latitude = "40.00";
  site.elevation = 5000;
  site.sunrise = site.sunset = site.radiation = &zero;
  for (int first_hour : {0, 5}) {
    WriteFile(project.project() / "hcd.tmp", HandYear(first_hour));
    const fs::path climate = project.project() / "climate.tmp";
    const auto r = tervon::WriteClimateFile(project.project() / "hcd.tmp", climate, site, [](long long) {});
    ASSERT_EQ(r.failure, tervon::ClimateFailure::None);
    const auto lines = Lines(TempProject::Read(climate));
    EXPECT_EQ(lines[6], "20050101-20051231");
    // Daily means 20 + 3 month: 32 - mean freezes January to March, each day's
    // credited to the month of the next day.
    const auto fields = Split(lines[7], ',');
    ASSERT_EQ(fields.size(), 23u);
    EXPECT_EQ(std::vector<std::string>(fields.begin(), fields.begin() + 11),
              (std::vector<std::string>{"-105.00", "40.00", "5000", "100", "-1", "-1", "-1", "-1", "39.5",
                                        "540", "3.65"}));
    for (int m = 1; m <= 12; ++m) EXPECT_EQ(fields[10 + m], tervon::FormatFixed(10 * m, 1));
    if (first_hour == 0) {
      const double freezing[] = {270, 171, 96, 3, 0};
      for (int m = 1; m <= 5; ++m) EXPECT_EQ(r.monthly_freezing[m], freezing[m - 1]) << m;
      EXPECT_EQ(lines[8], "1 1 2005 0 0 0");
      EXPECT_EQ(lines[9], "0 23.0 0.00 5.0 50 50");
      EXPECT_EQ(lines.size(), 8 + 365 * 25u);
    } else {
      // Hours before the first midnight count, but begin no block.
      EXPECT_EQ(lines[8], "1 2 2005 0 0 0");
      EXPECT_EQ(lines.size(), 8 + 364 * 25u);
    }
  }
  EXPECT_EQ(tervon::WriteClimateFile(project.project() / "none.tmp", project.project() / "c.tmp", site,
                                     [](long long) {})
                .failure,
            tervon::ClimateFailure::HourlyMissing);
}

TEST(ClimateFile, LocationTextsKeepTheLineWhole) {
  const struct {
    const char* typed;
    const char* written;
  } cases[] = {{"-105.00", "-105.00"}, {"  40.00 ", "40.00"}, {"40,5", "40"},
               {"-105 30", "-105"},    {"1e3 x", "1000"},   {"", ""}};
  for (const auto& c : cases) EXPECT_EQ(tervon::LocationText(c.typed), c.written) << c.typed;
}

TEST(ClimateFile, RoadOneOnAlder) {
  Working w;
  w.RoadOne(0);
  ASSERT_TRUE(w.dlg->ended()) << ::testing::PrintToString(w.Messages());
  const auto lines = Lines(w.Read("climate.tmp"));
  EXPECT_EQ(lines[0].rfind("#Station:ALDER,NORTH - Elevation (ft):5300", 0), 0u);
  for (int k = 1; k <= 5; ++k) EXPECT_EQ(lines[static_cast<std::size_t>(k)], "#Weather station ID not available");
  EXPECT_EQ(lines[6], "20040801-20060228");
  EXPECT_EQ(Split(lines[7], ',').size(), 23u);
  ASSERT_EQ(lines.size(), 8 + 577 * 25u);
  for (std::size_t b = 0; b < 577; ++b) {
    for (int h = 0; h < 24; ++h)
      ASSERT_EQ(lines[8 + b * 25 + 1 + static_cast<std::size_t>(h)].rfind(std::to_string(h) + " ", 0), 0u);
  }
  EXPECT_EQ(lines[8].rfind("8 1 2004 ", 0), 0u);
  EXPECT_EQ(lines.back().rfind("23 ", 0), 0u);
}

TEST(ClimateFile, RoadOneFailures) {
  const struct {
    const char* name;
    int station;
    std::function<void(const fs::path&)> damage;
    std::string message;
  } cases[] = {
      {"DOGWOOD has no November 2004", 3, nullptr,
       "Date in time frame is missing selected site for (year/month) = 200411\n"
       "Select additional sites (interpolate) for missing data."},
      {"eleven months", 0,
       [](const fs::path& p) {
         const std::string all = TempProject::Read(p / "hcd/00017.hcd");
         const std::size_t from = all.find("2005020100"), to = all.find("2006010100");
         WriteFile(p / "hcd/00017.hcd", all.substr(from, to - from));
       },
       "A weather station must have at least 12 months to be used for analysis."},
      {"a temperature beyond single precision", 0,
       [](const fs::path& p) {
         std::string all = TempProject::Read(p / "hcd/00017.hcd");
         all.replace(all.find(',', all.find("2004080205")), 5, ",1e39");
         WriteFile(p / "hcd/00017.hcd", all);
       },
       "The hourly file <project>hcd.tmp has a value out of range at line 30."},
      {"precipitation summing beyond the doubles", 0,
       [](const fs::path& p) {
         std::string all = TempProject::Read(p / "hcd/00017.hcd");
         for (const char* stamp : {"2004080205", "2004080206"}) {
           const std::size_t at = all.find(stamp);
           all.replace(all.find(",0.00,", at), 6, ",1.7e308,");
         }
         WriteFile(p / "hcd/00017.hcd", all);
       },
       "The hourly file <project>hcd.tmp has a value out of range at line 31."},
  };
  for (const auto& c : cases) {
    Working w([&](const fs::path& p) {
      demo::WriteDemoProject(p);
      if (c.damage) c.damage(p);
    });
    w.RoadOne(c.station);
    std::string message = c.message;
    if (const auto at = message.find("<project>"); at != std::string::npos)
      message.replace(at, 9, w.project.prefix());
    EXPECT_EQ(w.Messages(), std::vector<std::string>{message}) << c.name;
    EXPECT_FALSE(w.dlg->ended()) << c.name;
    EXPECT_EQ(w.Read("climate.tmp"), "") << c.name;
    EXPECT_FALSE(fs::exists(w.File("input.tmp"))) << c.name;
    EXPECT_FALSE(w.Marker()) << c.name;
    // Back to the station list.
    for (int id : {1, 1000, 1017, 1018, 1022, 1023, 1025}) EXPECT_TRUE(w.model().IsVisible(id)) << c.name << id;
    EXPECT_FALSE(w.model().IsVisible(1021) || w.model().IsEnabled(1021)) << c.name;
  }
}

TEST(ClimateFile, SaveImportAndAccept) {
  // Road 2 saves "site" as site.clm; a failed save keeps the file it had.
  Working saved;
  saved.Site("40.00", "-105.00", "5000");
  saved.Generate({1011, 1012}, saved.project.prefix() + "site");
  ASSERT_TRUE(saved.dlg->ended());
  EXPECT_EQ(saved.dlg->m_strClimateFile, saved.project.prefix() + "site.clm");
  EXPECT_EQ(saved.Read("site.clm"), saved.Read("climate.tmp"));
  EXPECT_FALSE(fs::exists(saved.File("input.tmp")) || saved.Marker());

  Working unsaved;
  unsaved.Site("40.00", "-105.00", "5000");
  unsaved.Generate({1011}, unsaved.project.prefix() + "no/such/folder/site");
  EXPECT_TRUE(unsaved.dlg->ended()) << "the build succeeds";
  EXPECT_EQ(unsaved.Messages(), std::vector<std::string>{"Could not copy " + unsaved.project.prefix() +
                                                         "climate.tmp to " + unsaved.project.prefix() +
                                                         "no/such/folder/site.clm."});
  EXPECT_EQ(unsaved.dlg->m_strClimateFile, "");

  // Road 3 in a new run.
  Working w([&](const fs::path& p) {
    demo::WriteDemoProject(p);
    WriteFile(p / "site.clm", saved.Read("site.clm"));
  });
  const std::string site = w.project.prefix() + "site.clm";
  w.host.QueueAnswer(dialog::FileDialogKind::Open, site);
  ASSERT_TRUE(w.dlg->Click(1007));
  EXPECT_TRUE(w.Messages().empty()) << ::testing::PrintToString(w.Messages());
  EXPECT_EQ(w.model().Text(1000), "Current climatic data file: " + site);
  EXPECT_EQ(w.model().Text(1), "Accept Station");
  EXPECT_EQ(w.model().Text(1025), "Months of available data:19");
  EXPECT_EQ(w.model().Text(1003), "-105.00");
  EXPECT_EQ(w.model().Text(1001), "40.00");
  EXPECT_EQ(w.model().Text(1005), "5000");
  for (int id : {1, 1007, 1008, 1025}) EXPECT_TRUE(w.model().IsVisible(id)) << id;
  EXPECT_EQ(w.Read("climate.tmp"), saved.Read("site.clm"));
  EXPECT_TRUE(fs::exists(w.File("input.tmp")) && w.Marker());
  // "Accept Station" closes and rewrites nothing.
  fs::remove(w.File("input.tmp"));
  fs::remove(w.project.drive() / "check.txt");
  ASSERT_TRUE(w.dlg->Click(1));
  EXPECT_EQ(w.dlg->result(), dialog::IDOK);
  EXPECT_FALSE(fs::exists(w.File("input.tmp")) || w.Marker());

  // "Generate" clears the import, so "Select Station" runs road 1 again.
  Working again;
  again.host.QueueAnswer(dialog::FileDialogKind::Open, again.project.prefix() + "climate.tmp");
  WriteFile(again.File("climate.tmp"), saved.Read("site.clm"));
  again.dlg->Click(1007);
  EXPECT_EQ(again.Read("climate.tmp"), saved.Read("site.clm")) << "imported onto itself, intact";
  EXPECT_TRUE(again.dlg->m_bImported);
  again.RoadOne(0);
  EXPECT_FALSE(again.dlg->m_bImported);
  EXPECT_EQ(Lines(again.Read("climate.tmp"))[6], "20040801-20060228");

  // A file that cannot be copied imports nothing.
  Working failed;
  failed.host.QueueAnswer(dialog::FileDialogKind::Open, failed.project.prefix() + "none.clm");
  failed.dlg->Click(1007);
  ASSERT_EQ(failed.Messages().size(), 1u);
  EXPECT_EQ(failed.Messages()[0].rfind("Could not copy " + failed.project.prefix() + "none.clm to ", 0), 0u);
  EXPECT_FALSE(failed.dlg->m_bImported);
  for (int id : {1007, 1008}) EXPECT_TRUE(failed.model().IsVisible(id)) << id;
  EXPECT_FALSE(failed.model().IsVisible(1));
  EXPECT_EQ(tervon::MonthsOfTimeFrame(tervon::ParseTimeFrame("20010301-20060228")), 60);
}

}  // namespace
}  // namespace frontend_test
