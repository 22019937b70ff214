#pragma once
// What a dialog needs from its surroundings: modal message boxes, file-open and
// file-save dialogs, repainting during long work, and a modal run. Every box and
// file dialog is recorded here, whatever the backend, so scripts and tests can
// check what the user was shown.

#include <cstddef>
#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace dialog {

class Dialog;

enum class MessageIcon { Plain, Information };

struct MessageRecord {
  std::string text;  // may hold line breaks
  std::string title;
  MessageIcon icon = MessageIcon::Plain;
};

struct FileFilter {
  std::string label;    // "Climatic data (*.clm)"
  std::string pattern;  // "*.clm"
};

enum class FileDialogKind { Open, Save };
const char* FileDialogName(FileDialogKind kind);

struct FileDialogRequest {
  std::string title;
  std::vector<FileFilter> filters;
  std::string folder;             // where the dialog starts; empty = the current folder
  std::string default_extension;  // added to a typed name without one ("clm")
};

struct FileDialogRecord {
  FileDialogKind kind = FileDialogKind::Open;
  FileDialogRequest request;
  std::optional<std::string> answer;  // the chosen path; empty when cancelled
};

struct EndRecord {
  std::string caption;
  int code = 0;
};

// A host could not do what was asked (an unanswered file dialog in a replay).
class HostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Host {
 public:
  virtual ~Host();

  void MessageBox(std::string_view text, std::string_view title, MessageIcon icon);
  // The chosen path, or nothing when the user cancels.
  std::optional<std::string> OpenFile(const FileDialogRequest& request);
  std::optional<std::string> SaveFile(const FileDialogRequest& request);

  // A word on how the session goes that needs no box (a replay writes it on
  // standard error); recorded like the boxes.
  void Note(std::string_view text);
  const std::vector<std::string>& notes() const { return notes_; }

  // Repaints without delivering input, for progress inside long handlers.
  virtual void flush() = 0;
  // Starts `dialog`, lets the user work in it until it ends; returns its code.
  virtual int RunModal(Dialog& dialog) = 0;
  // Called by Dialog::EndDialog.
  virtual void DialogEnded(Dialog& dialog, int code);

  // Answers for the next file dialogs of each kind, in order (replays).
  void QueueAnswer(FileDialogKind kind, std::optional<std::string> path);
  std::size_t QueuedAnswers(FileDialogKind kind) const;

  const std::vector<MessageRecord>& messages() const { return messages_; }
  const std::vector<FileDialogRecord>& file_dialogs() const { return file_dialogs_; }
  const std::vector<EndRecord>& ends() const { return ends_; }

  // The innermost running dialog, the one the user works in; null when none.
  Dialog* top() const { return running_.empty() ? nullptr : running_.back(); }
  const std::vector<Dialog*>& running() const { return running_; }

 protected:
  virtual void ShowMessage(const MessageRecord& message) = 0;
  virtual std::optional<std::string> AskFile(FileDialogKind kind, const FileDialogRequest& request) = 0;
  virtual void ShowNote(const std::string&) {}

  // Takes the next queued answer; false when none is queued.
  bool TakeAnswer(FileDialogKind kind, std::optional<std::string>& answer);
  void PushRunning(Dialog* dialog) { running_.push_back(dialog); }
  void PopRunning() { running_.pop_back(); }

 private:
  std::optional<std::string> AskAndRecord(FileDialogKind kind, const FileDialogRequest& request);

  std::vector<MessageRecord> messages_;
  std::vector<std::string> notes_;
  std::vector<FileDialogRecord> file_dialogs_;
  std::vector<EndRecord> ends_;
  std::deque<std::optional<std::string>> open_answers_;
  std::deque<std::optional<std::string>> save_answers_;
  std::vector<Dialog*> running_;
};

// Adds ".ext" to a path whose file name has no extension (what a save dialog
// does with a name typed without one).
std::string WithDefaultExtension(const std::string& path, const std::string& extension);

}  // namespace dialog
