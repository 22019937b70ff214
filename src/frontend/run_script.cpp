#include "frontend/run_script.h"

#include <optional>
#include <ostream>

#include "frontend/dialog/script.h"
#include "frontend/shell_dlg.h"
#include "platform/stop.h"

namespace tervon {

int RunScriptHeadless(const std::filesystem::path& script_path, std::ostream& err) {
  dialog::HeadlessDriver driver;
  std::optional<dialog::ScriptRunner> runner;
  dialog::ScriptedHost host;
  int status = 0;
  try {
    runner.emplace(dialog::Script::Load(script_path), driver);
    runner->ReportMessagesTo(err);
    host.set_event_source(&*runner);
    host.set_note_stream(&err);
    CFrontEndApp app(host);
    app.InitInstance();
    // What follows the last dialog's end: its expectations.
    while (runner->Step(host)) {
    }
  } catch (const std::exception& e) {
    // The boxes shown before the fault first: they may explain it.
    if (runner) runner->ReportMessages(host);
    err << "tervon: " << platform::printable(e.what()) << "\n";
    status = 1;
  }
  if (status == 0) {
    runner->ReportMessages(host);
    ReportUnfinished(script_path, host.unfinished(), err);
  }
  return status;
}

void ReportUnfinished(const std::filesystem::path& script, const std::vector<std::string>& captions,
                      std::ostream& err) {
  for (const std::string& caption : captions)
    err << "tervon: " << platform::printable(script.string()) << " ended with \"" << caption
        << "\" still open; it was closed\n";
}

}  // namespace tervon
