#pragma once
// Ending a run early. One mechanism for both programs: the message first, then
// every open file channel flushed and closed, then the RunStop exception, which
// only the programs' main() catches and turns into the exit status.

#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

enum StopStatus : int {
  kStopDecided = 1,  // a stop the system decides: a failed check, missing required input
  kStopIo = 2,       // an input/output error of the file layer
  kStopLibrary = 3,  // a stop of the numerical library
};

class RunStop : public std::exception {
 public:
  RunStop(int status, std::string message) : status_(status), message_(std::move(message)) {}
  int status() const { return status_; }
  const std::string& message() const { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  int status_;
  std::string message_;
};

// `text` with control characters (other than line ends) written as \xNN, for
// messages that quote what an input file holds.
std::string printable(std::string_view text);

// Prints `message` as a console line (nothing when it is empty), flushes and
// closes every channel, and throws RunStop. Control characters in the message
// are shown escaped (printable).
[[noreturn]] void stop_run(int status, std::string_view message);

// For main(): runs `body`, returns 0 after a normal end, the stop's status after
// a RunStop, and 1 after any other exception (reported on the console). Every
// channel is closed on every path.
int run_program(const std::function<void()>& body);

}  // namespace platform
