#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "frontend/working_dialog.h"

namespace {

using frontend_test::Ids;
using frontend_test::TempProject;
using frontend_test::Working;
using tervon::CClimaticDlg;

Ids Range(int first, int last) {
  Ids out;
  for (int id = first; id <= last; ++id) out.insert(id);
  return out;
}

Ids Union(std::initializer_list<Ids> parts) {
  Ids out;
  for (const Ids& p : parts) out.insert(p.begin(), p.end());
  return out;
}

const Ids kAll = Union({{1, 2, 3}, Range(1000, 1025)});
const Ids kEdits = {1001, 1003, 1005};

Ids Minus(const Ids& a, const Ids& b) {
  Ids out;
  for (int id : a)
    if (!b.count(id)) out.insert(id);
  return out;
}

TEST(ClimaticDlg, StartsWithTheResetState) {
  Working w;
  EXPECT_EQ(w.Visible(), Union({{2, 1025}, Range(1000, 1008)}));
  EXPECT_EQ(w.Enabled(), Minus(kAll, kEdits));
  EXPECT_TRUE(w.host.messages().empty());
  EXPECT_EQ(w.dlg->m_refMonth, 3);
  EXPECT_EQ(w.dlg->m_refYear, 2006);
  EXPECT_EQ(w.dlg->m_strDirectory, w.project.prefix());
  EXPECT_EQ(w.dlg->model().Text(1025), "");
  EXPECT_EQ(w.dlg->model().Text(1), "Select Station");
}

TEST(ClimaticDlg, GenerateModeShowsTheTwoRoads) {
  Working w;
  w.dlg->m_bImported = true;
  ASSERT_TRUE(w.dlg->Click(1008));
  EXPECT_FALSE(w.dlg->m_bImported);
  EXPECT_EQ(w.Visible(), Union({{2, 1009, 1010, 1025}, Range(1001, 1006)}));
  EXPECT_EQ(w.Enabled(), Minus(kAll, kEdits));
}

TEST(ClimaticDlg, StationRadioShowsTheListAndEmptiesTheEdits) {
  Working w;
  w.dlg->Click(1008);
  for (int id : kEdits) {
    w.dlg->model().Enable(id);
    w.dlg->model().SetText(id, "12.5");
  }
  w.dlg->model().SetSelection(1018, 2);
  w.dlg->model().Show(3);
  w.dlg->model().Show(1011);
  ASSERT_TRUE(w.dlg->Click(1009));
  EXPECT_EQ(w.Visible(), Union({{1, 2, 1009, 1010, 1017, 1018, 1022, 1023, 1025}, Range(1001, 1006)}));
  EXPECT_EQ(w.Enabled(), Minus(kAll, kEdits));
  for (int id : kEdits) EXPECT_EQ(w.dlg->model().Text(id), "") << id;
  EXPECT_EQ(w.dlg->model().Selection(1018), -1);
  EXPECT_TRUE(w.dlg->model().IsChecked(1009));
}

TEST(ClimaticDlg, InterpolateRadioHidesTheListAndEnablesTheEdits) {
  Working w;
  w.dlg->Click(1008);
  w.dlg->Click(1009);
  w.dlg->model().SetSelection(1018, 1);
  w.dlg->model().SetText(1023, "TESTLAND");
  w.dlg->m_strStationText = "Station:BIRCH FIELD - ...";
  ASSERT_TRUE(w.dlg->Click(1010));
  // The longitude check finds no valid site in the empty edits, so nothing more
  // is shown.
  EXPECT_EQ(w.Visible(), Union({{2, 1009, 1010}, Range(1001, 1006)}));
  EXPECT_EQ(w.Enabled(), kAll);
  EXPECT_EQ(w.dlg->model().Text(1023), "");
  EXPECT_EQ(w.dlg->model().Selection(1018), -1);
  EXPECT_EQ(w.dlg->m_strStationText, "") << "a later climatic data file must not name that station";

  // Back to the station road: the edits are emptied and disabled again.
  w.dlg->model().SetText(1001, "40.1");
  w.dlg->Click(1009);
  EXPECT_EQ(w.Visible(), Union({{1, 2, 1009, 1010, 1017, 1018, 1022, 1023, 1025}, Range(1001, 1006)}));
  EXPECT_EQ(w.Enabled(), Minus(kAll, kEdits));
  EXPECT_EQ(w.dlg->model().Text(1001), "");
}

TEST(ClimaticDlg, SelectStationWithoutSelectionChangesNothing) {
  Working w;
  w.dlg->Click(1008);
  w.dlg->Click(1009);
  std::vector<dialog::ControlState> before;
  for (int id : w.dlg->model().Ids()) before.push_back(w.dlg->model().State(id));
  ASSERT_TRUE(w.dlg->Click(1));
  EXPECT_TRUE(w.Shown("Select weather station."));
  EXPECT_FALSE(w.dlg->ended());
  std::size_t i = 0;
  for (int id : w.dlg->model().Ids()) {
    const dialog::ControlState& now = w.dlg->model().State(id);
    const dialog::ControlState& was = before[i++];
    EXPECT_EQ(now.visible, was.visible) << id;
    EXPECT_EQ(now.enabled, was.enabled) << id;
    EXPECT_EQ(now.text, was.text) << id;
    EXPECT_EQ(now.selection, was.selection) << id;
    EXPECT_EQ(now.checked, was.checked) << id;
  }
  EXPECT_FALSE(frontend_test::fs::exists(w.project.project() / "hcd.tmp"));
}

TEST(ClimaticDlg, AStationWithoutHourlyFileIsReportedAndTheDialogStays) {
  Working w;
  w.dlg->Click(1008);
  w.dlg->Click(1009);
  w.dlg->model().SetSelection(1018, 6);  // HAZEL has no hourly file
  ASSERT_TRUE(w.dlg->Click(1));
  bool reported = false;
  for (const std::string& text : w.Messages())
    reported |= text.rfind("Weather station file ", 0) == 0 && text.size() >= 30 &&
                text.compare(text.size() - 9, 9, " missing.") == 0;
  EXPECT_TRUE(reported);
  EXPECT_FALSE(w.dlg->ended());
  const Ids visible = w.Visible();
  EXPECT_TRUE(visible.count(1) && visible.count(1021)) << "button 1 and the progress bar shown again";
  EXPECT_FALSE(visible.count(1022) || visible.count(1025) || visible.count(1000));
  EXPECT_FALSE(frontend_test::fs::exists(w.project.project() / "hcd.tmp"));
  EXPECT_FALSE(frontend_test::fs::exists(w.project.project() / "input.tmp"));
  EXPECT_FALSE(frontend_test::fs::exists(w.project.drive() / "check.txt"));
}

TEST(ClimaticDlg, AcceptAfterImportOnlyCloses) {
  Working w;
  w.dlg->m_bImported = true;
  w.dlg->model().Show(1);
  ASSERT_TRUE(w.dlg->Click(1));
  EXPECT_TRUE(w.dlg->ended());
  EXPECT_EQ(w.dlg->result(), dialog::IDOK);
  EXPECT_TRUE(w.host.messages().empty()) << "nothing rebuilt or rewritten";
}

TEST(ClimaticDlg, CancelAndEscapeClose) {
  for (bool escape : {false, true}) {
    Working w;
    w.dlg->Click(1008);
    EXPECT_TRUE(escape ? w.dlg->PressEscape() : w.dlg->Click(2));
    EXPECT_EQ(w.dlg->result(), dialog::IDCANCEL);
    EXPECT_TRUE(w.host.messages().empty());
  }
}

TEST(ClimaticDlg, EnterPressesTheVisibleDefaultButton) {
  Working w;
  EXPECT_FALSE(w.dlg->PressEnter()) << "neither 1 nor 3 is shown at the start";
  w.dlg->Click(1008);
  w.dlg->Click(1009);
  EXPECT_EQ(w.dlg->DefaultButton(), 1);
  w.dlg->PressEnter();
  EXPECT_TRUE(w.Shown("Select weather station."));
}

TEST(ClimaticDlg, LeavingTheElevationDoesNothing) {
  Working w;
  w.dlg->Click(1008);
  w.dlg->Click(1010);
  w.host.messages();
  const auto messages = w.host.messages().size();
  const auto revision = w.dlg->model().revision();
  ASSERT_TRUE(w.dlg->KillFocus(1005));
  EXPECT_EQ(w.host.messages().size(), messages);
  EXPECT_EQ(w.dlg->model().revision(), revision);
}

TEST(ClimaticDlg, MessageMapFollowsTheDesignOrder) {
  dialog::ScriptedHost host;
  auto dlg = std::make_unique<CClimaticDlg>(host);
  struct Row {
    dialog::Notify notify;
    int id;
    const char* handler;
  };
  const Row expected[] = {
      {dialog::Notify::KillFocus, 1001, "OnLatitudeKillFocus"},
      {dialog::Notify::KillFocus, 1005, "OnElevationKillFocus"},
      {dialog::Notify::Clicked, 3, "OnGenerateInterpolated"},
      {dialog::Notify::Clicked, 1008, "OnGenerateMode"},
      {dialog::Notify::Clicked, 1007, "OnImport"},
      {dialog::Notify::Clicked, 1010, "OnInterpolateRadio"},
      {dialog::Notify::KillFocus, 1003, "OnLongitudeKillFocus"},
      {dialog::Notify::SelChange, 1018, "OnStationSelChange"},
      {dialog::Notify::Clicked, 1009, "OnStationRadio"},
  };
  const auto& map = dlg->message_map();
  ASSERT_EQ(map.size(), std::size(expected));
  for (std::size_t i = 0; i < map.size(); ++i) {
    EXPECT_EQ(map[i].notify, expected[i].notify) << i;
    EXPECT_EQ(map[i].id, expected[i].id) << i;
    EXPECT_EQ(map[i].handler, expected[i].handler) << i;
  }
}

TEST(ClimaticDlg, ControlCaptionsAreExact) {
  dialog::ScriptedHost host;
  auto dlg = std::make_unique<CClimaticDlg>(host);
  const auto& m = dlg->model();
  EXPECT_EQ(m.Def(1010).caption, "Interpolate climatic data  for given location.");
  EXPECT_EQ(m.Def(1019).caption,
            "Select stations for generating interpolated climatic files.   The best interpolation occurs "
            "by selecting stations that are geographically close in differing directions. A station "
            "without missing any data is denoted (C)omplete. ");
  EXPECT_EQ(m.Def(1024).caption,
            "Press the Generate button after selecting desired weather stations and inputing Elevation "
            "and Depth of Water Table.");
  EXPECT_EQ(m.Def(1000).caption, "Current climatic data file: (none)");
  EXPECT_EQ(m.Def(1).kind, dialog::ControlKind::DefPushButton);
  EXPECT_EQ(m.Def(3).kind, dialog::ControlKind::DefPushButton);
  EXPECT_EQ(dlg->def().width, 437);
  EXPECT_EQ(dlg->def().height, 254);
  for (const auto& row : dlg->m_sunrise)
    for (double v : row) EXPECT_EQ(v, 0.0);
}

TEST(ClimaticDlgStartUp, ReadsTheProjectDirectory) {
  struct Case {
    const char* name;
    std::string content;  // of C:\directory.txt; "-" for no file
    std::string directory;
  };
  const std::string long_line(1500, 'd');
  // Without a project folder, the working folder in full.
  const std::string here = frontend_test::fs::current_path().string() + "/";
  const Case cases[] = {
      {"CRLF", "/proj/dir/\r\nsecond line\r\n", "/proj/dir/"},
      {"no line end", "/proj/dir/", "/proj/dir/"},
      {"trailing blanks", "/proj/dir/   \n", "/proj/dir/"},
      {"1500 characters", long_line + "\n", long_line.substr(0, 1023)},
      {"empty file", "", here},
      {"missing file", "-", here},
      {"blank first line", "  \nsecond\n", here},
  };
  for (const Case& c : cases) {
    TempProject project;
    const auto file = project.drive() / "directory.txt";
    frontend_test::fs::remove(file);
    if (c.content != "-") TempProject::Write(file, c.content);
    dialog::ScriptedHost host;
    auto dlg = std::make_unique<CClimaticDlg>(host);
    dlg->OnInitDialog();
    EXPECT_EQ(dlg->m_strDirectory, c.directory) << c.name;
    // A station list that cannot be found is the only message.
    EXPECT_LE(host.messages().size(), 1u) << c.name;
    // The fallback to the working folder is said once, and only then.
    EXPECT_EQ(host.notes().size(), c.directory == here ? 1u : 0u) << c.name;
  }
}

TEST(ClimaticDlgStartUp, FindsTheDirectoryFileWhateverItsCase) {
  TempProject project;
  frontend_test::fs::remove(project.drive() / "directory.txt");
  TempProject::Write(project.drive() / "Directory.TXT", project.prefix() + "\n");
  demo::WriteStationList(project.project());
  dialog::ScriptedHost host;
  auto dlg = std::make_unique<CClimaticDlg>(host);
  dlg->OnInitDialog();
  EXPECT_EQ(dlg->m_strDirectory, project.prefix());
  EXPECT_EQ(dlg->m_nStations, 7);
}

}  // namespace
