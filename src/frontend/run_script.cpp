#include "frontend/run_script.h"

#include <ostream>

#include "frontend/dialog/script.h"
#include "frontend/shell_dlg.h"

namespace tervon {

int RunScriptHeadless(const std::filesystem::path& script_path, std::ostream& err) {
  try {
    dialog::HeadlessDriver driver;
    dialog::ScriptRunner runner(dialog::Script::Load(script_path), driver);
    dialog::ScriptedHost host(&runner);
    CFrontEndApp app(host);
    app.InitInstance();
    // What follows the last dialog's end: its expectations.
    while (runner.Step(host)) {
    }
    for (const std::string& caption : host.unfinished())
      err << "tervon: " << script_path.string() << " ended with \"" << caption
          << "\" still open; it was closed\n";
    return 0;
  } catch (const std::exception& e) {
    err << "tervon: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace tervon
