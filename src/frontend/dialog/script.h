#pragma once
// Replay scripts: a text file of user actions and expectations, played against
// the dialog on top of any host. One command per line; '#' starts a comment line.
//
//   click ID               set ID TEXT            leave ID
//   select ID INDEX        tick ID                untick ID
//   key enter|escape       answer-open PATH|cancel    answer-save PATH|cancel
//   expect-message TEXT    expect-text ID TEXT    expect-end IDOK|IDCANCEL
//   expect-visible ID...   expect-hidden ID...    expect-enabled ID...   expect-disabled ID...
//   expect-item ID INDEX TEXT   (line INDEX of list ID, from 0)
//   expect-checked ID 0|1       (check box or radio button)
//   expect-focus ID             (0: no control has the focus)
//   screenshot PATH
//
// TEXT and PATH run to the end of the line (trailing blanks dropped), or are
// written in double quotes with \" \\ \n \t escapes. ${NAME} expands from the
// environment. expect-message and expect-end look at what happened since the
// previous action.

#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/dialog/scripted_host.h"

namespace dialog {

class Dialog;

// A script that cannot be read or played; the text names the file and line.
class ScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Verb {
  Click, Set, Leave, Select, Tick, Untick, Key,
  AnswerOpen, AnswerSave,
  ExpectMessage, ExpectVisible, ExpectHidden, ExpectEnabled, ExpectDisabled,
  ExpectText, ExpectItem, ExpectChecked, ExpectFocus, ExpectEnd, Screenshot,
};

struct ScriptCommand {
  int line = 0;
  Verb verb = Verb::Click;
  std::vector<int> ids;
  int number = 0;        // list index, end code, 0/1 of a tick, or 1 for "enter" / 2 for "escape"
  std::string text;      // TEXT or PATH
  bool cancel = false;   // answer-* cancel
};

struct Script {
  std::string name;  // file name, for messages
  std::vector<ScriptCommand> commands;

  // Throws ScriptError naming the file and line of the first fault.
  static Script Parse(std::string_view text, const std::string& name);
  static Script Load(const std::filesystem::path& path);
};

enum class ReplayKey { Enter, Escape };

// Carries out user actions on a backend's dialog. Faults are thrown as
// std::runtime_error and reported by the runner with the script line.
class ReplayDriver {
 public:
  virtual ~ReplayDriver();
  virtual void Click(Dialog& dialog, int id) = 0;
  virtual void SetText(Dialog& dialog, int id, const std::string& text) = 0;
  virtual void Leave(Dialog& dialog, int id) = 0;
  virtual void Select(Dialog& dialog, int id, int index) = 0;
  virtual void Key(Dialog& dialog, ReplayKey key) = 0;
  virtual void Screenshot(Dialog& dialog, const std::string& path) = 0;
  // Empty when the screen shows control `id` as the model holds it; else what
  // differs.
  virtual std::string CheckScreen(Dialog& dialog, int id);
  // Empty when the screen has the focus where the model has it (0: nowhere).
  virtual std::string CheckFocus(Dialog& dialog);
};

// Acts through the dialog's event calls, as the headless host needs. The focus
// moves to a control before it is clicked, typed into or chosen from, so the
// control that had it hears of the loss first, as in a window.
class HeadlessDriver : public ReplayDriver {
 public:
  void Click(Dialog& dialog, int id) override;
  void SetText(Dialog& dialog, int id, const std::string& text) override;
  void Leave(Dialog& dialog, int id) override;
  void Select(Dialog& dialog, int id, int index) override;
  void Key(Dialog& dialog, ReplayKey key) override;
  void Screenshot(Dialog&, const std::string&) override {}
};

class ScriptRunner : public EventSource {
 public:
  ScriptRunner(Script script, ReplayDriver& driver);

  // Plays the next command against host.top(). False when the script is done;
  // ScriptError on a failed expectation or a command that cannot be played.
  bool Step(Host& host) override;

  bool done() const { return next_ >= script_.commands.size(); }
  const Script& script() const { return script_; }
  // "file:line" of the command played last (or of the next one before any).
  std::string Where() const;

  // Writes each message box that no expect-message took to `out`, with its
  // title, once the script has moved past it (the next action or the end, see
  // ReportMessages), so a replay cannot pass silently over a complaint.
  void ReportMessagesTo(std::ostream& out) { report_ = &out; }
  // Reports the messages not reported yet that no expect-message took.
  void ReportMessages(const Host& host);

 private:
  void Play(const ScriptCommand& c, Host& host);
  Dialog& Top(Host& host) const;
  void RequireControl(const Dialog& d, const ScriptCommand& c, int id, bool for_action) const;
  [[noreturn]] void Fail(const ScriptCommand& c, const std::string& what) const;

  Script script_;
  ReplayDriver& driver_;
  std::size_t next_ = 0;
  std::size_t messages_mark_ = 0;
  std::size_t ends_mark_ = 0;
  std::ostream* report_ = nullptr;
  std::size_t reported_ = 0;         // messages before this one are dealt with
  std::vector<bool> expected_;       // per message: an expect-message took it
  int action_line_ = 0;              // script line of the last action played
};

}  // namespace dialog
