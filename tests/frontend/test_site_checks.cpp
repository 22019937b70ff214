#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "frontend/site_checks.h"
#include "frontend/working_dialog.h"

namespace {

using frontend_test::Working;
using tervon::DegreesMinutesToRadians;
using tervon::GreatCircleMiles;

constexpr double K = tervon::kDegreesToRadians;

TEST(SiteChecks, AnglesAndGreatCircleDistances) {
  // Degrees.minutes: minutes are the two decimals, capped at 60.
  const struct {
    double value, degrees;
  } angles[] = {{40.30, 40.5}, {40.75, 41.0}, {-105.30, -105.5}, {10.30, 10.5}, {-40.75, -41.0}};
  for (const auto& a : angles) EXPECT_NEAR(DegreesMinutesToRadians(a.value), a.degrees * K, 1e-14) << a.value;

  // LAX to JFK is the Aviation Formulary's worked example (0.623585 rad); the
  // rest are a NumPy haversine on the same radians, R = 3956.088989276774 miles.
  const struct {
    double lat_a, lon_a, lat_b, lon_b, miles, tolerance;
  } pairs[] = {
      {33.57, -118.24, 40.38, -73.47, 0.623585 * tervon::kEarthRadiusMiles, 0.005},
      {33.57, -118.24, 40.38, -73.47, 2466.956102995004, 1e-6},
      {40.00, -105.00, 40.10, -105.05, 12.321121269200512, 1e-6},
      {33.57, -118.24, 51.28, -0.27, 5439.209659874149, 1e-6},
      {60.10, -150.00, 19.43, -155.05, 2804.154508831385, 1e-6},
      {45.30, -75.45, 25.47, -80.17, 1384.3394537160586, 1e-6},
      {35.24, -105.00, 35.24, -105.00, 0.0, 0.0},  // the cosine rounds above 1 here
  };
  for (const auto& p : pairs) {
    const double d = GreatCircleMiles(DegreesMinutesToRadians(p.lat_a), DegreesMinutesToRadians(p.lon_a),
                                      DegreesMinutesToRadians(p.lat_b), DegreesMinutesToRadians(p.lon_b));
    EXPECT_NEAR(d, p.miles, p.tolerance) << p.lat_a << " " << p.lon_a << " to " << p.lat_b << " " << p.lon_b;
  }
}

TEST(SiteChecks, EachEditReportsOnlyItsOwnValue) {
  const std::string latitude_message =
      "Latitude is a number greater than 0 and less\nthan 66(artic circle) in the northern hemisphere.";
  const std::string longitude_message =
      "Longitude is a number less than 0 and\ngreater than -180 in the western hemisphere.";
  const struct {
    const char* latitude;
    const char* longitude;
    int left;                // edit that loses the focus
    std::string message;     // "" for none
    bool boxes;
  } cases[] = {
      {"66", "-105", 1001, "", true},
      {"66.01", "-105", 1001, latitude_message, false},
      {"0", "-105", 1001, latitude_message, false},
      {"abc", "-105", 1001, latitude_message, false},
      {"abc", "-105", 1003, "", false},
      {"40", "-180", 1003, "", true},
      {"40", "0", 1003, longitude_message, false},
      {"40", "0", 1001, "", false},
      {"40", "-180.01", 1003, longitude_message, false},
  };
  for (const auto& c : cases) {
    Working w;
    w.dlg->Click(1008);
    w.dlg->Click(1010);
    w.dlg->TypeText(1001, c.latitude);
    w.dlg->TypeText(1003, c.longitude);
    w.dlg->KillFocus(c.left);
    const std::string shown = w.Messages().empty() ? "" : w.Messages().back();
    EXPECT_EQ(w.Messages().size(), c.message.empty() ? 0u : 1u) << c.latitude << " " << c.longitude;
    EXPECT_EQ(shown, c.message) << c.latitude << " " << c.longitude;
    for (int id : {1011, 1019, 1024, 3}) EXPECT_EQ(w.model().IsVisible(id), c.boxes) << id;
  }
}

TEST(SiteChecks, TheSixNearestDemoStations) {
  Working w;
  w.Site("40.00", "-105.00", "5000");
  EXPECT_TRUE(w.Messages().empty());
  EXPECT_EQ(w.model().Text(1011),
            "12.3 miles ALDER,NORTH - TESTLAND  Lat. 40.1  Lon. -105.05  Ele. 5300  Months: 19 (0)");
  const char* starts[] = {"12.3 miles ALDER,NORTH ", "14.5 miles BIRCH FIELD ", "38.7 miles CEDAR ",
                          "43.5 miles DOGWOOD ",     "65.1 miles HAZEL ",       "86.7 miles ELM "};
  const char* ends[] = {"Months: 19 (0)", "Months: 19 (0)", "Months: 14 (0)",
                        "Months: 19 (1)", "Months: 19 (0)", "Months: 19 (0)"};
  for (int s = 0; s < 6; ++s) {
    const std::string caption = w.model().Text(1011 + s);
    EXPECT_EQ(caption.rfind(starts[s], 0), 0u) << caption;
    EXPECT_EQ(caption.substr(caption.size() - std::string(ends[s]).size()), ends[s]) << caption;
    EXPECT_TRUE(w.model().IsVisible(1011 + s));
  }

  // Three stations fill three slots; the others are hidden and unticked.
  Working three([](const frontend_test::fs::path& p) {
    demo::WriteDemoProject(p);
    frontend_test::WriteFile(p / "station.dat", demo::DemoStations()[0].line + "\n" +
                                                    demo::DemoStations()[1].line + "\n" +
                                                    demo::DemoStations()[2].line + "\n");
  });
  three.model().SetCheck(1016, true);
  three.Site("40.00", "-105.00", "5000");
  for (int id = 1011; id <= 1016; ++id) EXPECT_EQ(three.model().IsVisible(id), id <= 1013) << id;
  EXPECT_FALSE(three.model().IsChecked(1016));
}

TEST(SiteChecks, SelectingAStationFillsTheSite) {
  Working w;
  w.dlg->Click(1008);
  w.dlg->Click(1009);
  ASSERT_TRUE(w.dlg->SelectItem(1018, 0));
  EXPECT_EQ(w.model().Text(1005), "5300");
  EXPECT_EQ(w.model().Text(1001), "40.1");
  EXPECT_EQ(w.model().Text(1003), "-105.05");
  EXPECT_EQ(w.model().Text(1023), "TESTLAND");
  EXPECT_EQ(w.model().Text(1025), "Months of available data:19");
  EXPECT_EQ(w.dlg->m_strStationText,
            "Station:ALDER,NORTH - Elevation (ft):5300 - Latitude:40.1 - Longitude:-105.05 - "
            "Location:TESTLAND - Months available data: 19");
}

}  // namespace
