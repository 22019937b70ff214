#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "demo_data/demo_data.h"
#include "frontend/climatic_dlg.h"
#include "frontend/dialog/scripted_host.h"
#include "frontend/station_table.h"
#include "frontend/temp_project.h"

namespace {

using frontend_test::TempProject;
using tervon::CClimaticDlg;
using tervon::ParseStationLine;
using tervon::StationRecord;

TEST(StationLine, SplitsEightCommaEndedFields) {
  struct Case {
    const char* line;
    StationRecord s;
  };
  const Case cases[] = {
      {"17,ALDER|NORTH,TESTLAND,40.10,-105.05,5300,200408,0,",
       {17, 40.10, -105.05, 5300, "TESTLAND", "ALDER,NORTH", "200408", "0"}},
      {"1,A|B|C,LOC,1,2,3,200001,7,ignored,after,the,eighth",
       {1, 1, 2, 3, "LOC", "A,B,C", "200001", "7"}},
      // No comma after field 8: the field is empty.
      {"4410,DOGWOOD,TESTLAND,39.30,-105.30,6100,200408,1",
       {4410, 39.30, -105.30, 6100, "TESTLAND", "DOGWOOD", "200408", ""}},
      // Fewer fields: the ones after the last comma are empty or zero.
      {"17,NAME", {17, 0, 0, 0, "", "", "", ""}},
      {"17,NAME,LOC,40.5", {17, 0, 0, 0, "LOC", "NAME", "", ""}},
      {"", {0, 0, 0, 0, "", "", "", ""}},
      {"17abc,N,L,x,-1.5e1y,12 ft,2004,,", {17, 0, -15, 12, "L", "N", "2004", ""}},
      {"x,N,L,1,1,1,1,1,", {0, 1, 1, 1, "L", "N", "1", "1"}},
      {"  42 , spaced ,L, 40.30 ,1,1,1,1,", {42, 40.30, 1, 1, "L", " spaced ", "1", "1"}},
      {",,,,,,,,", {0, 0, 0, 0, "", "", "", ""}},
  };
  for (const Case& c : cases) {
    const StationRecord s = ParseStationLine(c.line);
    EXPECT_EQ(s.identifier, c.s.identifier) << c.line;
    EXPECT_EQ(s.latitude, c.s.latitude) << c.line;
    EXPECT_EQ(s.longitude, c.s.longitude) << c.line;
    EXPECT_EQ(s.elevation, c.s.elevation) << c.line;
    EXPECT_EQ(s.location, c.s.location) << c.line;
    EXPECT_EQ(s.name, c.s.name) << c.line;
    EXPECT_EQ(s.first_month, c.s.first_month) << c.line;
    EXPECT_EQ(s.missing_months, c.s.missing_months) << c.line;
  }
}

// A line gives a station unless it is cut short or a number field is no
// number; blanks around a number are read past, as atoi and atof read them.
TEST(StationLine, FaultsNameTheField) {
  const std::pair<const char*, std::string> cases[] = {
      {"17,ALDER|NORTH,TESTLAND,40.10,-105.05,5300,200408,0,", ""},
      {"4410,DOGWOOD,TESTLAND,39.30,-105.30,6100,200408,1", ""},
      {"  42 , spaced ,L, 40.30 ,1,1,1,1,", ""},
      {"17,N,L,\t40.1\t,+1e1, -5 ,200408,0,", ""},
      {"17,ALDER", "it has 1 of the 7 fields before the missing months, each ended by a comma"},
      {"17,N,L,40.1,-105,5300", "it has 5 of the 7 fields before the missing months, each ended by a comma"},
      {"x,N,L,1,1,1,1,1,", "its identifier \"x\" is not a whole number"},
      {"17abc,N,L,1,1,1,1,1,", "its identifier \"17abc\" is not a whole number"},
      {"17,N,L, ,-105,5300,200408,0,", "its latitude \" \" is not a finite number"},
      {"17,N,L,40.1,1e400,5300,200408,0,", "its longitude \"1e400\" is not a finite number"},
      {"17,N,L,40.1,-105,5300 ft,200408,0,", "its elevation \"5300 ft\" is not a finite number"},
  };
  for (const auto& [line, fault] : cases) EXPECT_EQ(tervon::StationLineFault(line), fault) << line;
}

// Starts the working dialog on a project whose station.dat holds `text`.
struct Loaded {
  TempProject project;
  dialog::ScriptedHost host;
  std::unique_ptr<CClimaticDlg> dlg = std::make_unique<CClimaticDlg>(host);
  explicit Loaded(const std::string* station_text) {
    if (station_text) TempProject::Write(project.project() / "station.dat", *station_text);
    dlg->OnInitDialog();
  }
  std::vector<std::string> List() const {
    const auto& m = dlg->model();
    std::vector<std::string> out;
    for (int i = 0; i < m.ItemCount(1018); ++i) out.push_back(m.Item(1018, i));
    return out;
  }
};

TEST(StationList, ListsTheDemoStationsInFileOrder) {
  TempProject project;
  demo::WriteStationList(project.project());
  dialog::ScriptedHost host;
  auto dlg = std::make_unique<CClimaticDlg>(host);
  dlg->OnInitDialog();
  EXPECT_TRUE(host.messages().empty());
  ASSERT_EQ(dlg->m_nStations, 7);
  const std::vector<std::string> names = {"ALDER,NORTH", "BIRCH FIELD", "CEDAR", "DOGWOOD",
                                          "ELM", "FIR", "HAZEL"};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(dlg->model().Item(1018, i), names[i]);
    EXPECT_EQ(dlg->m_stations[i].name, names[i]) << "list index i is table index i";
  }
  EXPECT_EQ(dlg->m_stations[3].identifier, 4410);
  EXPECT_EQ(dlg->m_stations[3].missing_months, "1");
  EXPECT_EQ(dlg->m_stations[2].first_month, "200501");
}

TEST(StationList, ReadsCrLfLinesAndSkipsBlankOnes) {
  const std::string text =
      "17,ALDER|NORTH,TESTLAND,40.10,-105.05,5300,200408,0,\r\n"
      "\r\n"
      "   \r\n"
      "5,ELM,OTHERLAND,41.00,-106.00,7000,200408,2\r\n"
      "\n"
      "66,FIR,OTHERLAND,38.00,-103.00,4200,200408,0,";  // no line end on the last line
  Loaded l(&text);
  EXPECT_EQ(l.List(), (std::vector<std::string>{"ALDER,NORTH", "ELM", "FIR"}));
  ASSERT_EQ(l.dlg->m_nStations, 3);
  EXPECT_EQ(l.dlg->m_stations[0].missing_months, "0");
  EXPECT_EQ(l.dlg->m_stations[1].missing_months, "") << "no comma after field 8, CR dropped";
  EXPECT_EQ(l.dlg->m_stations[2].identifier, 66);
}

TEST(StationList, LoadsTheFirst2000Stations) {
  std::string text;
  for (int i = 1; i <= 2001; ++i) text += std::to_string(i) + ",S" + std::to_string(i) + ",L,40,-100,1000,200408,0,\n";
  Loaded l(&text);
  EXPECT_EQ(l.dlg->m_nStations, 2000);
  EXPECT_EQ(l.dlg->model().ItemCount(1018), 2000);
  EXPECT_EQ(l.dlg->m_stations[1999].identifier, 2000);
  EXPECT_EQ(l.dlg->model().Item(1018, 1999), "S2000");
  EXPECT_TRUE(l.host.messages().empty());
}

TEST(StationList, AMissingListIsReportedOnceAndTheDialogGoesOn) {
  Loaded l(nullptr);
  ASSERT_EQ(l.host.messages().size(), 1u);
  EXPECT_EQ(l.host.messages()[0].text,
            "..\\Defaults\\station.dat file missing.\nRe-install the Orvid default *.dat files\n(tried " +
                (l.project.project() / "station.dat").string() + ": No such file or directory)");
  EXPECT_EQ(l.host.messages()[0].title, "Environment/Climatic");
  EXPECT_EQ(l.host.messages()[0].icon, dialog::MessageIcon::Plain);
  EXPECT_EQ(l.dlg->m_nStations, 0);
  EXPECT_EQ(l.dlg->model().ItemCount(1018), 0);
  EXPECT_FALSE(l.dlg->ended());
  EXPECT_TRUE(l.dlg->Click(1008)) << "the dialog still answers";
  EXPECT_TRUE(l.dlg->model().IsVisible(1009));
}

}  // namespace
