#pragma once
// Signals that end a run. SIGINT, SIGTERM and SIGHUP only set a flag; the long
// loops look at it and stop through the normal stop path, so that files are
// closed and nothing half-written is left in place. A second such signal ends
// the process at once. SIGXFSZ is ignored, so that a write beyond the
// file-size limit fails as a write and is reported with the file's name.

#include <csignal>

namespace platform {

namespace detail {
// The signal that asked the run to end; 0 while none has.
extern volatile std::sig_atomic_t interrupt_signal;
}  // namespace detail

// Catches SIGINT, SIGTERM and SIGHUP. One that the parent left ignored (nohup,
// a background job) stays ignored.
void catch_interrupts();

// While it lives, a caught interrupt ends a blocking read (EINTR) instead of
// restarting it, so that a wait for the user's answer ends when the user
// interrupts the run.
class InterruptibleWait {
 public:
  InterruptibleWait();
  ~InterruptibleWait();
  InterruptibleWait(const InterruptibleWait&) = delete;
  InterruptibleWait& operator=(const InterruptibleWait&) = delete;
};

// Ignores SIGXFSZ.
void ignore_file_size_signal();

// The signal that asked the run to end, 0 while none has.
inline int interrupt_signal() { return detail::interrupt_signal; }

// Stops the run (status 128 + the signal) with " Run interrupted".
[[noreturn]] void stop_interrupted();

// One load: cheap enough for every simulated day.
inline void check_interrupt() {
  if (detail::interrupt_signal != 0) stop_interrupted();
}

}  // namespace platform
