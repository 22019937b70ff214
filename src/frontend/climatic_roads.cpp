// The working dialog's three roads: the site checks and the nearest stations,
// one station's hourly file or the interpolation of several, the climatic data
// file and its import, the daylight table, and the engine input with the
// completion marker. The computations live in their own files and touch no
// control; the handlers here turn their results into messages and control states.

#include <cmath>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "frontend/c_text.h"
#include "frontend/climate_file.h"
#include "frontend/climatic_dlg.h"
#include "frontend/dialog/host.h"
#include "frontend/engine_input.h"
#include "frontend/hourly_files.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "structure/structure_limits.h"

namespace tervon {
namespace {

constexpr std::size_t kEditCap = 15;

std::string RealPath(const std::string& logical) { return platform::resolve_path(logical).string(); }

std::string CopyFailure(const std::string& source, const std::string& target) {
  return "Could not copy " + source + " to " + target + ".";
}

std::string FileMissing(const std::string& path) { return path + " file is missing."; }
std::string WriteFailure(const std::string& path) { return "Could not write " + path + "."; }
std::string NotANumber(const std::string& path, long long line, const std::string& text) {
  return "The file " + path + " has \"" + text + "\" at line " + FormatInt(line) +
         ", where a finite number is wanted.";
}

// The calling program takes "c:\check.txt" as the word that "input.tmp" is
// complete: a road removes an older one before it writes anything, so that a
// failure on the way cannot leave it standing beside files of another run.
void RemoveMarker() { platform::delete_file(platform::resolve_path("c:\\check.txt")); }

// The asphalt thickness of "clmtemp.txt" beyond a limit of the simulation.
std::string StructureRefusal(double thickness, const std::string& clmtemp, const StructureCheck& check) {
  const std::string head = "AC thickness " + FormatG(thickness) + " inches in " + clmtemp + ": ";
  switch (check.limit) {
    case StructureLimit::Thin:
      return head + "a temperature history holds only asphalt layers above " +
             FormatG(structure::kThinnestHistoryLayer) + " inches.";
    case StructureLimit::Nodes:
      return head + "the structure needs " +
             (check.needed > 0 ? FormatInt(check.needed) : "more than " + FormatInt(structure::kMaxNodes)) +
             " nodes; at most " + FormatInt(structure::kMaxNodes) + " can be simulated.";
    case StructureLimit::HistoryPoints:
    case StructureLimit::None:
      break;
  }
  return head + "the asphalt layer needs " + FormatInt(check.needed) + " temperature-history points; at most " +
         FormatInt(structure::kMaxHistoryPoints) + " can be written.";
}

dialog::FileDialogRequest ClimateFileDialog(const char* title, const std::string& folder,
                                            const char* extension) {
  return {title, {{"Climatic data (*.clm)", "*.clm"}, {"All Files (*.*)", "*.*"}}, folder, extension};
}

}  // namespace

int CClimaticDlg::MonthsSince(const std::string& first_month) const {
  return tervon::MonthsSince(first_month, m_refMonth, m_refYear);
}

std::string CClimaticDlg::HcdFilePath(std::int32_t identifier) const {
  return m_strDirectory + HcdFileName(identifier);
}

void CClimaticDlg::SetProgressAndFlush(int value) {
  model().SetProgress(idc::kProgress, value);
  host().flush();
}

// ---- Site checks and nearest stations ----

void CClimaticDlg::OnLatitudeKillFocus() { CheckSite(true); }
void CClimaticDlg::OnLongitudeKillFocus() { CheckSite(false); }

void CClimaticDlg::CheckSite(bool latitude_left) {
  dialog::DialogModel& m = model();
  // Each edit reports only its own value; the other is tested without a word.
  m_siteLatitude = TextToDouble(m.Text(idc::kLatitude, kEditCap));
  if (!LatitudeIsValid(m_siteLatitude)) {
    if (latitude_left)
      MessageBox("Latitude is a number greater than 0 and less\nthan 66(artic circle) in the northern hemisphere.",
                 dialog::MessageIcon::Information);
    return;
  }
  m_siteLongitude = TextToDouble(m.Text(idc::kLongitude, kEditCap));
  if (!LongitudeIsValid(m_siteLongitude)) {
    if (!latitude_left)
      MessageBox("Longitude is a number less than 0 and\ngreater than -180 in the western hemisphere.",
                 dialog::MessageIcon::Information);
    return;
  }
  FindNearestSites();
  ShowNearestBoxes();
  for (int id : {idc::kInterpolateHelp, idc::kInterpolateInfo, idc::kGenerateInterpolated}) m.Show(id);
}

void CClimaticDlg::FindNearestSites() {
  m_nearest = RankNearest({m_stations.data(), static_cast<std::size_t>(m_nStations)}, m_siteLatitude,
                          m_siteLongitude);
  for (std::size_t s = 0; s < m_nearest.size(); ++s) {
    if (!SlotHasStation(m_nearest[s])) continue;
    const StationRecord& station = m_stations[static_cast<std::size_t>(m_nearest[s].station)];
    model().SetText(idc::kNearestFirst + static_cast<int>(s),
                    NearestCaption(m_nearest[s], station, MonthsSince(station.first_month)));
  }
}

// Boxes of slots that no station took stay hidden and unticked.
void CClimaticDlg::ShowNearestBoxes() {
  for (std::size_t s = 0; s < m_nearest.size(); ++s) {
    const int id = idc::kNearestFirst + static_cast<int>(s);
    const bool used = SlotHasStation(m_nearest[s]);
    model().Show(id, used);
    if (!used) model().SetCheck(id, false);
  }
}

void CClimaticDlg::OnStationSelChange() {
  dialog::DialogModel& m = model();
  const int selected = m.Selection(idc::kStationList);
  if (selected < 0 || selected >= m_nStations) return;
  const StationRecord& s = m_stations[static_cast<std::size_t>(selected)];
  const int months = MonthsSince(s.first_month);
  m.SetText(idc::kElevation, FormatG(s.elevation));
  m.SetText(idc::kLatitude, FormatG(s.latitude));
  m.SetText(idc::kLongitude, FormatG(s.longitude));
  m.SetText(idc::kLocationText, s.location);
  m.SetText(idc::kMonthsText, "Months of available data:" + FormatInt(months));
  m_strStationText = StationDescription(s, months);
}

// ---- Road 1: one station ----

void CClimaticDlg::OnOK() {
  if (m_bImported) {
    EndDialog(dialog::IDOK);
    return;
  }
  dialog::DialogModel& m = model();
  m_siteLatitude = TextToDouble(m.Text(idc::kLatitude, kEditCap));
  ReadSolarTable();

  const int selected = m.Selection(idc::kStationList);
  if (selected < 0 || selected >= m_nStations) {
    MessageBox("Select weather station.");
    return;
  }

  m.Hide(idc::kLocationLabel);
  m.Hide(idc::kMonthsText);
  m.Hide(idc::kSelectStation);
  m.Show(idc::kProgress);
  m.Enable(idc::kProgress);
  m.Hide(idc::kClimateFileCaption);

  // The station file must open before it is copied over "hcd.tmp".
  const std::int32_t identifier = m_stations[static_cast<std::size_t>(selected)].identifier;
  const std::string source = RealPath(HcdFilePath(identifier));
  const platform::LineReader station_file(HcdIdentifierNamesFile(identifier) ? source : std::string());
  if (!station_file.is_open()) {
    m.Show(idc::kSelectStation);
    m.Show(idc::kProgress);
    // A file that is there but does not open (a folder, no permission) says why.
    MessageBox("Weather station file " + source + " missing." +
               (HcdIdentifierNamesFile(identifier) && platform::file_exists(source)
                    ? "\n(" + station_file.error() + ")"
                    : ""));
    return;
  }
  const std::string target = RealPath(m_strDirectory + "hcd.tmp");
  RemoveMarker();
  if (!platform::copy_file_over(source, target).ok) {
    m.Show(idc::kSelectStation);
    m.Show(idc::kProgress);
    MessageBox(CopyFailure(source, target));
    return;
  }

  if (!BuildClimateFile()) {
    ShowStationChoice();
    return;
  }
  if (WriteEngineInput(m_strDirectory)) EndDialog(dialog::IDOK);
}

void CClimaticDlg::ShowStationChoice() {
  dialog::DialogModel& m = model();
  for (int id : {idc::kStationList, idc::kStationGroup, idc::kLocationLabel, idc::kLocationText,
                 idc::kMonthsText, idc::kSelectStation, idc::kClimateFileCaption})
    m.Show(id);
  m.Hide(idc::kProgress);
  m.Disable(idc::kProgress);
  m.Hide(idc::kInterpolatingText);
}

// ---- Road 2: interpolation ----

void CClimaticDlg::OnGenerateInterpolated() {
  dialog::DialogModel& m = model();
  const std::string elevation = m.Text(idc::kElevation, kEditCap);
  if (elevation.empty()) {
    MessageBox("An elevation must be entered.");
    m.SetFocus(idc::kElevation);
    return;
  }
  m_siteElevation = std::fabs(TextToDouble(elevation));

  std::vector<HourlySource> sources;
  for (std::size_t s = 0; s < m_nearest.size(); ++s) {
    if (!m.IsChecked(idc::kNearestFirst + static_cast<int>(s)) || !SlotHasStation(m_nearest[s])) continue;
    const StationRecord& station = m_stations[static_cast<std::size_t>(m_nearest[s].station)];
    sources.push_back({RealPath(HcdFilePath(station.identifier)), station.elevation, m_nearest[s].distance,
                       HcdIdentifierNamesFile(station.identifier)});
  }
  if (sources.empty()) {
    MessageBox("Select at least one station.");
    return;
  }
  const StartMonth start = FindStartMonth(sources);
  if (!start.missing.empty()) {
    MessageBox(FileMissing(start.missing) + (start.reason.empty() ? "" : "\n(" + start.reason + ")"));
    return;
  }

  for (int id : {idc::kStationList, idc::kStationGroup, idc::kLocationLabel, idc::kLocationText,
                 idc::kMonthsText, idc::kSelectStation, idc::kClimateFileCaption, idc::kInterpolateHelp,
                 idc::kInterpolateInfo})
    m.Hide(id);
  for (int id = idc::kNearestFirst; id <= idc::kNearestLast; ++id) m.Hide(id);
  m.Show(idc::kProgress);
  m.Enable(idc::kProgress);
  m.Show(idc::kInterpolatingText);

  const std::string hcd_tmp = RealPath(m_strDirectory + "hcd.tmp");
  RemoveMarker();
  const InterpolationResult walk = InterpolateHourly(
      sources, m_siteElevation, {start.year, start.month, 1, 0}, {m_refYear, m_refMonth, 1, 0},
      hcd_tmp, [this](int day) { SetProgressAndFlush(day * 100 / 3650); });
  if (!walk.ok || walk.write_failed) {
    MessageBox(walk.ok             ? WriteFailure(hcd_tmp)
               : walk.out_of_range ? "The interpolated values of hour " + walk.failed_stamp +
                                         " are out of range; check the elevation and the files of the "
                                         "ticked stations."
                                   : "error" + walk.failed_stamp.substr(0, 6) + "error");
    ShowInterpolationChoice();
    return;
  }
  if (!BuildClimateFile()) {
    ShowInterpolationChoice();
    return;
  }
  EndDialog(dialog::IDOK);
}

void CClimaticDlg::ShowInterpolationChoice() {
  dialog::DialogModel& m = model();
  for (int id : {idc::kLocationLabel, idc::kLocationText, idc::kMonthsText, idc::kInterpolateHelp,
                 idc::kInterpolateInfo})
    m.Show(id);
  ShowNearestBoxes();
  m.Hide(idc::kProgress);
  m.Disable(idc::kProgress);
  m.Hide(idc::kInterpolatingText);
  m.Hide(idc::kClimateFileCaption);
}

// ---- The daylight table ----

void CClimaticDlg::ReadSolarTable() {
  if (m_siteLatitude > 66) m_siteLatitude = 66;
  const std::string path = RealPath(m_strDirectory + "rad.dat");
  const SolarFileStatus status = ReadSolarFile(path, m_siteLatitude, m_sunrise, m_sunset, m_radiation);
  if (status == SolarFileStatus::Read) return;
  // A file that is there but does not open (a folder) says which and why.
  const std::string why = status == SolarFileStatus::Missing && platform::file_exists(path)
                              ? "\n(tried " + std::filesystem::absolute(path).string() + ": " +
                                    platform::LineReader(path).error() + ")"
                              : "";
  MessageBox("Rad.dat file missing or corrupted.\nMake sure file is in Quorel installation directory." + why,
             dialog::MessageIcon::Information);
}

// ---- The climatic data file ----

bool CClimaticDlg::BuildClimateFile() {
  dialog::DialogModel& m = model();
  m_siteLatitude = TextToDouble(m.Text(idc::kLatitude, kEditCap));
  ReadSolarTable();

  ClimateSite site;
  for (std::size_t s = 0; s < site.comments.size(); ++s) {
    const int box = idc::kNearestFirst + static_cast<int>(s);
    if (!m_strStationText.empty())
      site.comments[s] = s == 0 ? m_strStationText : "Weather station ID not available";
    else
      site.comments[s] = m.IsChecked(box) ? m.Text(box) : "Weather station ID not available";
  }
  site.longitude = LocationText(m.Text(idc::kLongitude, kEditCap));
  site.latitude = LocationText(m.Text(idc::kLatitude, kEditCap));
  site.elevation = TextToDouble(m.Text(idc::kElevation, kEditCap));
  site.sunrise = &m_sunrise;
  site.sunset = &m_sunset;
  site.radiation = &m_radiation;

  const std::string hourly = RealPath(m_strDirectory + "hcd.tmp");
  const std::string climate = RealPath(m_strDirectory + "climate.tmp");
  const ClimateFileResult built = WriteClimateFile(
      hourly, climate, site, [this](long long day) { SetProgressAndFlush(static_cast<int>(day / 15)); });
  switch (built.failure) {
    case ClimateFailure::None:
      break;
    case ClimateFailure::HourlyMissing:
      MessageBox(FileMissing(hourly));
      return false;
    case ClimateFailure::Gap:
      MessageBox("Date in time frame is missing selected site for (year/month) = " + built.month +
                 "\nSelect additional sites (interpolate) for missing data.");
      return false;
    case ClimateFailure::TooFewMonths:
      MessageBox("A weather station must have at least 12 months to be used for analysis.");
      return false;
    case ClimateFailure::OutOfRange:
      MessageBox("The hourly file " + hourly + " has a value out of range at line " + FormatInt(built.line) + ".");
      return false;
    case ClimateFailure::NotANumber:
      MessageBox(NotANumber(hourly, built.line, built.text));
      return false;
    case ClimateFailure::CannotWrite:
      MessageBox(WriteFailure(climate));
      return false;
  }
  m_meanAnnualTemperature = built.mean_annual_temperature;

  m.Hide(idc::kProgress);
  m.Hide(idc::kInterpolatingText);
  const std::optional<std::string> chosen =
      host().SaveFile(ClimateFileDialog("Save generated climatic data file.", m_strDirectory, "clm"));
  if (chosen) {
    const std::string target = RealPath(*chosen);
    if (platform::copy_file_over(climate, target).ok)
      m_strClimateFile = *chosen;
    else
      MessageBox(CopyFailure(climate, target));
  }
  return true;
}

// ---- Road 3: import ----

void CClimaticDlg::OnImport() {
  dialog::DialogModel& m = model();
  m.Hide(idc::kImport);
  m.Hide(idc::kGenerateMode);
  const std::optional<std::string> chosen = host().OpenFile(
      ClimateFileDialog("Open previously Saved/Generated climatic data file.", m_strDirectory, ""));
  bool imported = false;
  if (chosen) {
    const std::string source = RealPath(*chosen);
    const std::string target = RealPath(m_strDirectory + "climate.tmp");
    RemoveMarker();
    imported = platform::copy_file_over(source, target).ok;
    if (!imported) {
      MessageBox(CopyFailure(source, target));
    } else {
      m.SetText(idc::kClimateFileCaption, "Current climatic data file: " + *chosen);
      m_strClimateFile = *chosen;
      m.SetText(idc::kSelectStation, "Accept Station");
      ImportHeader(source);
      m.Show(idc::kSelectStation);
    }
  }
  m.Show(idc::kImport);
  m.Show(idc::kGenerateMode);
  if (!imported) return;
  const std::string refusal = WriteEngineInputFiles(m_strDirectory);
  if (refusal.empty()) {
    m_bImported = true;
    return;
  }
  // Nothing was imported: "Accept Station" must not end the session as if it had been.
  MessageBox(refusal + "\nThe climatic data file " + *chosen + " was not imported.");
  m.SetText(idc::kClimateFileCaption, "Current climatic data file: (none)");
  m_strClimateFile.clear();
  m.SetText(idc::kSelectStation, "Select Station");
  m.Hide(idc::kSelectStation);
}

void CClimaticDlg::ImportHeader(const std::string& path) {
  dialog::DialogModel& m = model();
  const std::optional<ClimateHeader> header = ReadClimateFileHeader(path);
  if (!header) return;
  m.SetText(idc::kMonthsText,
            "Months of available data:" + FormatInt(MonthsOfTimeFrame(ParseTimeFrame(header->time_frame))));
  m.Show(idc::kMonthsText);
  m.SetText(idc::kLongitude, header->Field(1));
  m.SetText(idc::kLatitude, header->Field(2));
  m.SetText(idc::kElevation, header->Field(3));
  m_meanAnnualTemperature = TextToDouble(header->Field(9));
}

void CClimaticDlg::ReadClimateHeader(const std::string& prefix) {
  const std::optional<ClimateHeader> header = ReadClimateFileHeader(RealPath(prefix + "climate.tmp"));
  if (!header) return;
  m_siteLongitude = TextToDouble(header->Field(1));
  m_siteLatitude = TextToDouble(header->Field(2));
  m_siteElevation = TextToDouble(header->Field(3));
  m_meanAnnualTemperature = TextToDouble(header->Field(9));
}

// ---- The engine input and the completion marker ----

std::string CClimaticDlg::WriteEngineInputFiles(const std::string& prefix) {
  // The marker is the calling program's signal that the input is complete: it
  // goes first and comes back only at the very end.
  const std::filesystem::path marker = platform::resolve_path("c:\\check.txt");
  platform::delete_file(marker);
  ReadClimateHeader(prefix);

  EngineInputRequest request;
  request.directory = m_strDirectory;
  request.input = platform::resolve_path(prefix + "input.tmp");
  request.climate = platform::resolve_path(prefix + "climate.tmp");
  request.clmtemp = platform::resolve_path(m_strDirectory + "clmtemp.txt");
  request.mean_annual_temperature = m_meanAnnualTemperature;
  const EngineInputResult written = WriteEngineInputFile(request);
  m_nDayBlocks = written.day_blocks;
  switch (written.failure) {
    case EngineInputFailure::None:
      break;
    case EngineInputFailure::CannotWrite:
      return WriteFailure(written.detail);
    case EngineInputFailure::NoThickness:
      return "Input AC Thickness First";
    case EngineInputFailure::NoYears:
      return "The file " + written.detail + " has no number of years on line 3.";
    case EngineInputFailure::Structure:
      return StructureRefusal(written.thickness, request.clmtemp.string(), written.structure);
    case EngineInputFailure::NegativeYears:
      return "The number of years in " + written.detail + " must not be negative; line 3 holds " + written.text +
             ".";
    case EngineInputFailure::ClimateMissing:
      return FileMissing(written.detail);
    case EngineInputFailure::NoYear:
      return "The climatic data file " + written.detail + " does not cover a year from August 1.";
    case EngineInputFailure::ShortDay:
      return "The climatic data file " + written.detail + " has a day without 24 hour lines at line " +
             FormatInt(written.line) + ".";
    case EngineInputFailure::NotANumber:
      return NotANumber(written.detail, written.line, written.text);
  }
  std::ofstream out(marker, std::ios::binary | std::ios::trunc);
  out << "100";
  out.close();
  if (!out) return WriteFailure(marker.string());
  return {};
}

bool CClimaticDlg::WriteEngineInput(const std::string& prefix) {
  const std::string refusal = WriteEngineInputFiles(prefix);
  if (!refusal.empty()) MessageBox(refusal);
  return refusal.empty();
}

}  // namespace tervon
