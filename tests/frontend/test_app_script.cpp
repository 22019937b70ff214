#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "demo_data/demo_data.h"
#include "frontend/run_script.h"
#include "frontend/temp_project.h"

namespace {

using frontend_test::TempProject;

struct RunResult {
  int status = -1;
  std::string err;
};

RunResult Play(const TempProject& project, const std::string& script) {
  const auto path = project.root() / "play.tvs";
  TempProject::Write(path, script);
  std::ostringstream err;
  RunResult r;
  r.status = tervon::RunScriptHeadless(path, err);
  r.err = err.str();
  return r;
}

TEST(AppScript, TheSmokeScriptPassesHeadless) {
  TempProject project;
  demo::WriteDemoProject(project.project());
  ::setenv("TERVON_SHOTS", (project.root() / "shots").c_str(), 1);
  const auto smoke = std::filesystem::path(TEST_DATA_DIR).parent_path() / "frontend/scripts/smoke.tvs";
  std::ostringstream err;
  EXPECT_EQ(tervon::RunScriptHeadless(smoke, err), 0) << err.str();
  EXPECT_EQ(err.str(), "");
  EXPECT_FALSE(std::filesystem::exists(project.root() / "shots")) << "no screenshots without a display";
}

TEST(AppScript, StatusAndMessages) {
  struct Case {
    const char* name;
    std::string script;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {"both dialogs closed by keys", "key escape\nexpect-end IDCANCEL\nkey enter\nexpect-end IDOK\n", 0, ""},
      {"a failed expectation", "click 1008\nexpect-visible 1007\n", 1,
       "tervon: <root>/play.tvs:2: control 1007 is hidden in \"Environment/Climatic\"\n"},
      {"the About box on top", "click 2\nclick 16\nexpect-text 1000 tervon Version 1.1\n", 1,
       "tervon: <root>/play.tvs:3: control 1000 reads \"tervon Version 1.0\", expected \"tervon Version 1.1\"\n"},
      {"script runs out: the working dialog, then the closing one", "click 1008\n", 0,
       "tervon: <root>/play.tvs ended with \"Environment/Climatic\" still open; it was closed\n"
       "tervon: <root>/play.tvs ended with \"Environment/Climatic\" still open; it was closed\n"},
      {"expectations after the last dialog closed", "key escape\nkey enter\nexpect-end IDCANCEL\n", 1,
       "tervon: <root>/play.tvs:3: \"Environment/Climatic\" ended with 1, expected 2\n"},
      {"no action once every dialog closed", "key escape\nkey enter\nclick 1\n", 1,
       "tervon: <root>/play.tvs:3: no dialog is open\n"},
      {"syntax error before anything runs", "click 2\nfrobnicate\n", 1, "tervon: <root>/play.tvs:2: unknown command \"frobnicate\"\n"},
  };
  for (const Case& c : cases) {
    TempProject project;
    demo::WriteStationList(project.project());
    const RunResult r = Play(project, c.script);
    EXPECT_EQ(r.status, c.status) << c.name;
    std::string shown = r.err;
    const std::string root = project.root().string();
    for (std::size_t at; (at = shown.find(root)) != std::string::npos;) shown.replace(at, root.size(), "<root>");
    EXPECT_EQ(shown, c.err) << c.name;
  }
}

}  // namespace
