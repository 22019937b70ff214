#include "frontend/climatic_dlg.h"

#include <filesystem>

#include "frontend/c_text.h"
#include "frontend/dialog/host.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/stop.h"

namespace tervon {

using dialog::ControlKind;
using dialog::Notify;

namespace {

constexpr std::size_t kDirectoryLineCap = 1023;

// The selection controls of the one-station road.
constexpr int kStationControls[] = {idc::kStationGroup, idc::kStationList, idc::kLocationLabel,
                                    idc::kLocationText, idc::kMonthsText};
constexpr int kEdits[] = {idc::kLatitude, idc::kLongitude, idc::kElevation};

}  // namespace

const dialog::DialogDef& ClimaticDialogDef() {
  static const dialog::DialogDef def{
      "Environment/Climatic",
      437,
      254,
      {
          {idc::kSelectStation, ControlKind::DefPushButton, "Select Station", 292, 233, 72, 14},
          {idc::kCancel, ControlKind::PushButton, "Cancel", 370, 233, 60, 14},
          {idc::kGenerateInterpolated, ControlKind::DefPushButton, "Generate", 292, 233, 72, 14},
          {idc::kClimateFileCaption, ControlKind::Static, "Current climatic data file: (none)", 7, 6, 423, 9},
          {idc::kLatitude, ControlKind::Edit, "", 7, 19, 52, 12},
          {idc::kLatitudeLabel, ControlKind::Static, "Latitude (degrees.minutes)", 63, 21, 115, 9},
          {idc::kLongitude, ControlKind::Edit, "", 7, 35, 52, 12},
          {idc::kLongitudeLabel, ControlKind::Static, "Longitude (degrees.minutes)", 63, 37, 115, 9},
          {idc::kElevation, ControlKind::Edit, "", 7, 51, 52, 12},
          {idc::kElevationLabel, ControlKind::Static, "Elevation (ft)", 63, 53, 115, 9},
          {idc::kImport, ControlKind::PushButton, "Import", 180, 19, 60, 14},
          {idc::kGenerateMode, ControlKind::PushButton, "Generate", 180, 37, 60, 14},
          {idc::kStationRadio, ControlKind::Radio, "Climatic data for a specific weather station.", 180, 20, 250, 10},
          {idc::kInterpolateRadio, ControlKind::Radio, "Interpolate climatic data  for given location.", 180, 34, 250, 10},
          {1011, ControlKind::CheckBox, "Nearest site", 7, 100, 423, 10},
          {1012, ControlKind::CheckBox, "Furthest site", 7, 112, 423, 10},
          {1013, ControlKind::CheckBox, "Furthest site", 7, 124, 423, 10},
          {1014, ControlKind::CheckBox, "Furthest site", 7, 136, 423, 10},
          {1015, ControlKind::CheckBox, "Furthest site", 7, 148, 423, 10},
          {1016, ControlKind::CheckBox, "Furthest site", 7, 160, 423, 10},
          {idc::kStationGroup, ControlKind::GroupBox, "Select weather station", 7, 68, 423, 136},
          {idc::kStationList, ControlKind::ListBox, "", 14, 82, 409, 102},
          {idc::kInterpolateHelp, ControlKind::Static,
           "Select stations for generating interpolated climatic files.   The best interpolation "
           "occurs by selecting stations that are geographically close in differing directions. "
           "A station without missing any data is denoted (C)omplete. ",
           7, 70, 423, 27},
          {idc::kInterpolatingText, ControlKind::Static,
           "Interpolating climatic data files for current location.", 7, 220, 278, 9},
          {idc::kProgress, ControlKind::ProgressBar, "", 7, 233, 278, 12},
          {idc::kLocationLabel, ControlKind::Static, "Station Location:", 14, 189, 72, 9},
          {idc::kLocationText, ControlKind::Static, "(none)", 88, 189, 200, 9},
          {idc::kInterpolateInfo, ControlKind::Static,
           "Press the Generate button after selecting desired weather stations and inputing "
           "Elevation and Depth of Water Table.",
           7, 176, 423, 18},
          {idc::kMonthsText, ControlKind::Static, "", 180, 55, 250, 9},
      }};
  return def;
}

CClimaticDlg::CClimaticDlg(dialog::Host& host) : Dialog(ClimaticDialogDef(), host) {
  Bind(Notify::KillFocus, idc::kLatitude, "OnLatitudeKillFocus", &CClimaticDlg::OnLatitudeKillFocus);
  Bind(Notify::KillFocus, idc::kElevation, "OnElevationKillFocus", &CClimaticDlg::OnElevationKillFocus);
  Bind(Notify::Clicked, idc::kGenerateInterpolated, "OnGenerateInterpolated",
       &CClimaticDlg::OnGenerateInterpolated);
  Bind(Notify::Clicked, idc::kGenerateMode, "OnGenerateMode", &CClimaticDlg::OnGenerateMode);
  Bind(Notify::Clicked, idc::kImport, "OnImport", &CClimaticDlg::OnImport);
  Bind(Notify::Clicked, idc::kInterpolateRadio, "OnInterpolateRadio", &CClimaticDlg::OnInterpolateRadio);
  Bind(Notify::KillFocus, idc::kLongitude, "OnLongitudeKillFocus", &CClimaticDlg::OnLongitudeKillFocus);
  Bind(Notify::SelChange, idc::kStationList, "OnStationSelChange", &CClimaticDlg::OnStationSelChange);
  Bind(Notify::Clicked, idc::kStationRadio, "OnStationRadio", &CClimaticDlg::OnStationRadio);
}

bool CClimaticDlg::OnInitDialog() {
  m_strClimateFile.clear();
  Dialog::OnInitDialog();

  // The project directory is the first line of "C:\directory.txt", trailing
  // blanks trimmed as the engine trims them. Without one, the working folder is
  // the project folder, named in full as a folder of the file would be: line 7
  // of "input.tmp" carries it.
  m_strDirectory.clear();
  const std::filesystem::path directory_file = platform::resolve_path("C:\\directory.txt");
  platform::LineReader directory(directory_file);
  std::string line;
  if (directory.next(line)) {
    m_strDirectory = line.substr(0, kDirectoryLineCap);
    m_strDirectory.erase(m_strDirectory.find_last_not_of(' ') + 1);
  }
  if (m_strDirectory.empty()) {
    std::error_code ec;
    m_strDirectory = std::filesystem::current_path(ec).string();
    if (!m_strDirectory.empty() && m_strDirectory.back() != '/') m_strDirectory += '/';
    host().Note(std::string(directory.is_open() ? "\"c:\\directory.txt\" (" + directory_file.string() +
                                                      ") names no project folder"
                                                : "\"c:\\directory.txt\" was not found (" +
                                                      directory_file.string() + ")") +
                "; the project folder is the working folder " + m_strDirectory);
  }

  m_refMonth = 3;
  m_refYear = 2006;
  ResetControls();
  LoadStationList();
  return true;
}

void CClimaticDlg::ResetControls() {
  dialog::DialogModel& m = model();
  for (int id : {idc::kStationRadio, idc::kInterpolateRadio, idc::kStationGroup, idc::kStationList,
                 idc::kLocationLabel, idc::kLocationText})
    m.Hide(id);
  for (int id = idc::kNearestFirst; id <= idc::kNearestLast; ++id) m.Hide(id);
  for (int id : {idc::kInterpolateHelp, idc::kInterpolateInfo, idc::kGenerateInterpolated,
                 idc::kProgress, idc::kInterpolatingText, idc::kSelectStation})
    m.Hide(id);
  for (int id : kEdits) m.Disable(id);
  m.Show(idc::kImport);
  m.Show(idc::kGenerateMode);
}

void CClimaticDlg::LoadStationList() {
  const std::filesystem::path path = platform::resolve_path(m_strDirectory + "station.dat");
  platform::LineReader in(path);
  if (!in.is_open()) {
    // The fixed text speaks of the installation's folder; the last line says
    // which file was tried, and why it did not open.
    MessageBox("..\\Defaults\\station.dat file missing.\nRe-install the Orvid default *.dat files\n(tried " +
               std::filesystem::absolute(path).string() + ": " + in.error() + ")");
    return;
  }
  m_nStations = 0;
  std::string line;
  long long number = 0;
  std::string fault;  // the first malformed line's
  int skipped = 0;
  // The table holds kStationCapacity stations; further lines are ignored.
  while (m_nStations < kStationCapacity && in.next(line)) {
    ++number;
    if (line.find_first_not_of(" \t") == std::string::npos) continue;  // blank line
    if (const std::string why = StationLineFault(line); !why.empty()) {
      if (skipped++ == 0)
        fault = "line " + FormatInt(number) + " (\"" + platform::printable(line) + "\"): " + why;
      continue;
    }
    StationRecord& s = m_stations[static_cast<std::size_t>(m_nStations++)];
    s = ParseStationLine(line);
    model().AddItem(idc::kStationList, s.name);
  }
  // One box for the whole list: a user who picks from an empty or shortened
  // list must know why.
  const std::string file = std::filesystem::absolute(path).string();
  if (skipped > 0)
    MessageBox("The station list " + file + " has a malformed " + fault + "; it was skipped" +
               (skipped > 1 ? ", and " + FormatInt(skipped - 1) + " more malformed lines with it" : "") + "." +
               (m_nStations == 0 ? "\nIt holds no station." : ""));
  else if (m_nStations == 0)
    MessageBox("The station list " + file + " holds no station.");
}

void CClimaticDlg::OnElevationKillFocus() {}

void CClimaticDlg::OnGenerateMode() {
  dialog::DialogModel& m = model();
  m_bImported = false;
  for (int id : {idc::kStationRadio, idc::kInterpolateRadio}) {
    m.Show(id);
    m.Enable(id);
  }
  for (int id : {idc::kImport, idc::kGenerateMode, idc::kClimateFileCaption}) m.Hide(id);
}

void CClimaticDlg::OnStationRadio() {
  dialog::DialogModel& m = model();
  for (int id : kStationControls) m.Show(id);
  for (int id : kEdits) {
    m.Disable(id);
    m.SetText(id, "");
  }
  m.SetSelection(idc::kStationList, -1);
  for (int id = idc::kNearestFirst; id <= idc::kNearestLast; ++id) m.Hide(id);
  for (int id : {idc::kInterpolateHelp, idc::kInterpolateInfo, idc::kGenerateInterpolated}) m.Hide(id);
  m.Show(idc::kSelectStation);
}

void CClimaticDlg::OnInterpolateRadio() {
  dialog::DialogModel& m = model();
  for (int id : kStationControls) m.Hide(id);
  m.Hide(idc::kSelectStation);
  for (int id : kEdits) m.Enable(id);
  m.SetText(idc::kLocationText, "");
  m.SetSelection(idc::kStationList, -1);
  // The climatic data file built on this road must not name the station of an
  // earlier selection.
  m_strStationText.clear();
  OnLongitudeKillFocus();
}

void CClimaticDlg::OnCancel() { EndDialog(dialog::IDCANCEL); }

}  // namespace tervon
