#pragma once
// The headless host: boxes are recorded and closed at once, file dialogs take
// their answers from a queue, and a modal dialog is driven by an event source
// (a script) until it ends. No display is ever opened.

#include <iosfwd>
#include <string>
#include <vector>

#include "frontend/dialog/host.h"

namespace dialog {

// Something that acts on the dialog on top of a host, one step at a time.
class EventSource {
 public:
  virtual ~EventSource();
  // Performs the next step; false when there is nothing left to do.
  virtual bool Step(Host& host) = 0;
};

class ScriptedHost : public Host {
 public:
  ScriptedHost() = default;
  explicit ScriptedHost(EventSource* events) : events_(events) {}

  void set_event_source(EventSource* events) { events_ = events; }

  void flush() override {}
  // Runs the dialog's start, then steps the event source until the dialog ends.
  // When the source runs dry first, the dialog is closed with IDCANCEL and its
  // caption noted in unfinished().
  int RunModal(Dialog& dialog) override;

  const std::vector<std::string>& unfinished() const { return unfinished_; }
  // Where notes are written as they come, each on a line after "tervon: ".
  void set_note_stream(std::ostream* out) { notes_out_ = out; }

 protected:
  void ShowMessage(const MessageRecord&) override {}
  void ShowNote(const std::string& text) override;
  // The next queued answer; HostError when none is queued.
  std::optional<std::string> AskFile(FileDialogKind kind, const FileDialogRequest& request) override;

 private:
  EventSource* events_ = nullptr;
  std::vector<std::string> unfinished_;
  std::ostream* notes_out_ = nullptr;
};

}  // namespace dialog
