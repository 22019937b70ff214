// tervon: builds a site's climatic data and the engine's input file.
//
//   tervon                          the window
//   tervon --script FILE            replays FILE without a display
//   tervon --script FILE --window   replays FILE in the window
//   tervon --help                   the usage

#include <exception>
#include <iostream>
#include <string>

#include "frontend/run_script.h"
#include "frontend/shell_dlg.h"
#include "platform/signals.h"

#ifdef TERVON_HAVE_FLTK
#include "frontend/dialog/fltk_host.h"
#endif

namespace {

constexpr const char* kUsage = "usage: tervon [--script FILE [--window]]";
constexpr const char* kHelp =
    "  (no arguments)   open the window\n"
    "  --script FILE    replay FILE without a display; every message box the script\n"
    "                   does not expect is written on standard error\n"
    "  --window         with --script: replay FILE in the window\n"
    "  -h, --help       show this text\n"
    "Exit status: 0 when the session ran to its end, 1 after a failed expectation,\n"
    "a script that cannot be read or played, or a wrong command line.\n";

#ifdef TERVON_HAVE_FLTK
int RunWindow(const std::string& script) {
  dialog::FltkHost host;
  if (!script.empty()) host.Replay(dialog::Script::Load(script));
  tervon::CFrontEndApp app(host);
  app.InitInstance();
  host.FinishReplay();
  if (!host.failure().empty()) {
    std::cerr << "tervon: " << host.failure() << "\n";
    return 1;
  }
  tervon::ReportUnfinished(script, host.unfinished(), std::cerr);
  return 0;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  platform::ignore_file_size_signal();
  std::string script;
  bool window = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage << "\n" << kHelp;
      return 0;
    }
    if (arg == "--script" && i + 1 < argc && script.empty()) {
      script = argv[++i];
    } else if (arg == "--window") {
      window = true;
    } else {
      std::cerr << "tervon: cannot use \"" << arg << "\" here\n" << kUsage << "\n";
      return 1;
    }
  }
  if (window && script.empty()) {
    std::cerr << kUsage << "\n";
    return 1;
  }
  if (!script.empty() && !window) return tervon::RunScriptHeadless(script, std::cerr);

#ifdef TERVON_HAVE_FLTK
  if (!dialog::FltkHost::OpenDisplay()) {
    std::cerr << "tervon: no display to open the window on; use --script FILE to run without one\n";
    return 1;
  }
  try {
    return RunWindow(script);
  } catch (const std::exception& e) {
    std::cerr << "tervon: " << e.what() << "\n";
    return 1;
  }
#else
  std::cerr << "tervon: built without its window; use --script FILE to run a script\n";
  return 1;
#endif
}
