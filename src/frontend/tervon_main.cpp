// tervon: builds a site's climatic data and the engine's input file.
//
//   tervon                          the window
//   tervon --script FILE            replays FILE without a display
//   tervon --script FILE --window   replays FILE in the window

#include <exception>
#include <iostream>
#include <string>

#include "frontend/run_script.h"
#include "frontend/shell_dlg.h"

#ifdef TERVON_HAVE_FLTK
#include "frontend/dialog/fltk_host.h"
#endif

namespace {

constexpr const char* kUsage = "usage: tervon [--script FILE [--window]]";

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
  for (const std::string& caption : host.unfinished())
    std::cerr << "tervon: " << script << " ended with \"" << caption << "\" still open; it was closed\n";
  return 0;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  std::string script;
  bool window = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--script" && i + 1 < argc && script.empty()) {
      script = argv[++i];
    } else if (arg == "--window") {
      window = true;
    } else {
      std::cerr << kUsage << "\n";
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
