#pragma once
// The working dialog: the user picks one weather station, interpolates a
// virtual one from up to six nearby stations, or imports a climatic data file
// saved earlier. All its state lives in the dialog object, in fixed-size
// members.

#include <array>
#include <cstdint>
#include <string>

#include "frontend/dialog/dialog.h"
#include "frontend/site_checks.h"
#include "frontend/solar_table.h"
#include "frontend/station_table.h"

namespace tervon {

// Control identifiers of the working dialog.
namespace idc {
inline constexpr int kSelectStation = 1;  // "Select Station", later "Accept Station"
inline constexpr int kCancel = 2;
inline constexpr int kGenerateInterpolated = 3;
inline constexpr int kClimateFileCaption = 1000;
inline constexpr int kLatitude = 1001;
inline constexpr int kLatitudeLabel = 1002;
inline constexpr int kLongitude = 1003;
inline constexpr int kLongitudeLabel = 1004;
inline constexpr int kElevation = 1005;
inline constexpr int kElevationLabel = 1006;
inline constexpr int kImport = 1007;
inline constexpr int kGenerateMode = 1008;
inline constexpr int kStationRadio = 1009;
inline constexpr int kInterpolateRadio = 1010;
inline constexpr int kNearestFirst = 1011;  // check boxes 1011-1016, nearest first
inline constexpr int kNearestLast = 1016;
inline constexpr int kStationGroup = 1017;
inline constexpr int kStationList = 1018;
inline constexpr int kInterpolateHelp = 1019;
inline constexpr int kInterpolatingText = 1020;
inline constexpr int kProgress = 1021;
inline constexpr int kLocationLabel = 1022;
inline constexpr int kLocationText = 1023;
inline constexpr int kInterpolateInfo = 1024;
inline constexpr int kMonthsText = 1025;
}  // namespace idc

const dialog::DialogDef& ClimaticDialogDef();

class CClimaticDlg : public dialog::Dialog {
 public:
  explicit CClimaticDlg(dialog::Host& host);

  bool OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

  void ResetControls();
  void LoadStationList();

  // Handlers of the message map.
  void OnLatitudeKillFocus();
  void OnElevationKillFocus();
  void OnGenerateInterpolated();
  void OnGenerateMode();
  void OnImport();
  void OnInterpolateRadio();
  void OnLongitudeKillFocus();
  void OnStationSelChange();
  void OnStationRadio();

  // The six stations nearest to the site, with the captions of their boxes.
  void FindNearestSites();
  // Months of data from a station's first month (YYYYMM) to the reference month.
  int MonthsSince(const std::string& first_month) const;
  // Hourly station file of a station identifier, under the project directory.
  std::string HcdFilePath(std::int32_t identifier) const;
  // Sunrise, sunset and radiation tables for the site latitude.
  void ReadSolarTable();
  // Builds the climatic data file from the hourly file; false when it fails.
  bool BuildClimateFile();
  // Site and mean annual temperature from the location line of prefix +
  // "climate.tmp"; nothing changes when the file cannot be read.
  void ReadClimateHeader(const std::string& prefix);
  // Writes prefix + "input.tmp" and then the completion marker; false when the
  // input could not be completed (no marker then).
  bool WriteEngineInput(const std::string& prefix);

  std::array<StationRecord, kStationCapacity> m_stations{};
  std::int32_t m_nStations = 0;
  NearestSlots m_nearest{};
  std::int32_t m_refMonth = 0;
  std::int32_t m_refYear = 0;
  double m_siteLatitude = 0.0;
  double m_siteLongitude = 0.0;
  double m_siteElevation = 0.0;
  DailyTable m_sunrise{};
  DailyTable m_sunset{};
  DailyTable m_radiation{};
  double m_meanAnnualTemperature = 0.0;
  std::int32_t m_nDayBlocks = 0;
  std::string m_strDirectory;    // first line of "C:\directory.txt", used as a prefix
  std::string m_strClimateFile;  // current climatic data file
  std::string m_strStationText;  // description of the station last selected
  bool m_bImported = false;

 private:
  // Checks both site edits; when both hold, shows the nearest stations and the
  // interpolation controls. Only the edit that was left reports its value.
  void CheckSite(bool latitude_left);
  // Back to choosing after a failed build, on the one-station road and on the
  // interpolation road.
  void ShowStationChoice();
  void ShowInterpolationChoice();
  void ShowNearestBoxes();
  // Time frame and location of an imported climatic data file into the dialog.
  void ImportHeader(const std::string& path);
  // WriteEngineInput without its message box: the refusal, empty on success.
  std::string WriteEngineInputFiles(const std::string& prefix);
  void SetProgressAndFlush(int value);
};

}  // namespace tervon
