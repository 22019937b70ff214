#pragma once
// The working dialog started on a synthetic project, with the steps of the roads
// that the front-end tests take.

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "demo_data/demo_data.h"
#include "frontend/climatic_dlg.h"
#include "frontend/dialog/scripted_host.h"
#include "frontend/temp_project.h"

namespace frontend_test {

using Ids = std::set<int>;

struct Working {
  TempProject project;
  dialog::ScriptedHost host;
  std::unique_ptr<tervon::CClimaticDlg> dlg;

  // `write` fills the project before the dialog starts (the demo project by default).
  Working() : Working([](const fs::path& p) { demo::WriteDemoProject(p); }) {}
  template <class Write>
  explicit Working(Write write) {
    write(project.project());
    dlg = std::make_unique<tervon::CClimaticDlg>(host);
    dlg->OnInitDialog();
  }

  dialog::DialogModel& model() { return dlg->model(); }
  Ids Visible() const {
    const auto v = dlg->model().VisibleIds();
    return Ids(v.begin(), v.end());
  }
  Ids Enabled() const {
    const auto v = dlg->model().EnabledIds();
    return Ids(v.begin(), v.end());
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> out;
    for (const auto& m : host.messages()) out.push_back(m.text);
    return out;
  }
  bool Shown(const std::string& text) const {
    for (const auto& m : host.messages())
      if (m.text == text) return true;
    return false;
  }
  fs::path File(const std::string& name) const { return project.project() / name; }
  std::string Read(const std::string& name) const { return TempProject::Read(File(name)); }
  bool Marker() const { return fs::exists(project.drive() / "check.txt"); }

  // Road 1 with list line `index`; the save dialog is cancelled.
  void RoadOne(int index) {
    dlg->Click(1008);
    dlg->Click(1009);
    dlg->SelectItem(1018, index);
    host.QueueAnswer(dialog::FileDialogKind::Save, std::nullopt);
    dlg->Click(1);
  }
  // Road 2 up to the nearest stations: the site typed, the latitude left.
  void Site(const std::string& latitude, const std::string& longitude, const std::string& elevation) {
    dlg->Click(1008);
    dlg->Click(1010);
    dlg->TypeText(1001, latitude);
    dlg->TypeText(1003, longitude);
    dlg->TypeText(1005, elevation);
    dlg->KillFocus(1001);
  }
  // Road 2 from the ticks on; the save dialog answers `save` (nothing: cancel).
  void Generate(const std::vector<int>& boxes, std::optional<std::string> save = std::nullopt) {
    for (int id : boxes) dlg->Click(id);
    host.QueueAnswer(dialog::FileDialogKind::Save, std::move(save));
    dlg->Click(3);
  }
};

// The lines of a text; a last line without its line end counts.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\n', start);
    out.push_back(text.substr(start, end - start));
    start = end == std::string::npos ? text.size() : end + 1;
  }
  return out;
}

// Writes `text` as a project file.
inline void WriteFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  TempProject::Write(path, text);
}

}  // namespace frontend_test
