#pragma once
// The window backend: each running dialog is an FLTK window built from its
// description (1 dialog unit = 1.5 px across, 1.625 px down), the model is
// mirrored onto the widgets after every event, and the user's actions on the
// widgets become the dialog's events. A replay script can drive the windows
// through the widgets themselves; it closes real message boxes and answers the
// file dialogs from the script.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frontend/dialog/host.h"
#include "frontend/dialog/script.h"

namespace dialog {

class FltkHost : public Host {
 public:
  FltkHost();
  ~FltkHost() override;

  // Opens the X display for FLTK; false when there is none. Asked without
  // FLTK's own opening, which would end the program, and keeping the
  // connection, since a virtual server resets when its last client leaves.
  static bool OpenDisplay();

  // Plays `script` in the windows instead of waiting for the user. Call before
  // the first dialog runs.
  void Replay(Script script);
  // Plays what the script still holds once every dialog has closed (its last
  // expectations); call after the application returns.
  void FinishReplay();
  // Empty after a clean run; else what went wrong (a failed expectation, an
  // error inside a handler).
  const std::string& failure() const;
  // Captions of dialogs still open when the replay ran out, closed with IDCANCEL.
  const std::vector<std::string>& unfinished() const;

  void flush() override;
  int RunModal(Dialog& dialog) override;
  void DialogEnded(Dialog& dialog, int code) override;

  struct Impl;

 protected:
  void ShowMessage(const MessageRecord& message) override;
  std::optional<std::string> AskFile(FileDialogKind kind, const FileDialogSpec& spec) override;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace dialog
