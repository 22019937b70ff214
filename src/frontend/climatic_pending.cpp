// Site checks, hourly interpolation, the climatic data file, the solar table and
// the engine input are not built yet. Until they are, each routine says so in a
// message box and reports failure where it has a result.

#include <string>

#include "frontend/climatic_dlg.h"

namespace tervon {
namespace {

void NotBuilt(const CClimaticDlg& dlg, const char* routine) {
  dlg.MessageBox(std::string(routine) + ": not built yet");
}

}  // namespace

void CClimaticDlg::OnLatitudeKillFocus() { NotBuilt(*this, "OnLatitudeKillFocus"); }
void CClimaticDlg::OnLongitudeKillFocus() { NotBuilt(*this, "OnLongitudeKillFocus"); }
void CClimaticDlg::OnStationSelChange() { NotBuilt(*this, "OnStationSelChange"); }
void CClimaticDlg::OnGenerateInterpolated() { NotBuilt(*this, "OnGenerateInterpolated"); }
void CClimaticDlg::OnImport() { NotBuilt(*this, "OnImport"); }

std::string CClimaticDlg::HcdFilePath(std::int32_t) const {
  NotBuilt(*this, "HcdFilePath");
  return {};
}

void CClimaticDlg::ReadSolarTable() { NotBuilt(*this, "ReadSolarTable"); }

bool CClimaticDlg::BuildClimateFile() {
  NotBuilt(*this, "BuildClimateFile");
  return false;
}

bool CClimaticDlg::WriteEngineInput(const std::string&) {
  NotBuilt(*this, "WriteEngineInput");
  return false;
}

}  // namespace tervon
