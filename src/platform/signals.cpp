#include "platform/signals.h"

#include "platform/stop.h"

namespace platform {

namespace detail {
volatile std::sig_atomic_t interrupt_signal = 0;
}  // namespace detail

namespace {

constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP};

void on_interrupt(int sig) {
  if (detail::interrupt_signal != 0) {
    // The second one: the default action ends the process once this returns.
    std::signal(sig, SIG_DFL);
    std::raise(sig);
    return;
  }
  detail::interrupt_signal = sig;
}

// Installs the handler for the signals that have it, or all of them but those
// left ignored by the parent.
void install(int flags, bool only_caught) {
  struct sigaction action {};
  action.sa_handler = on_interrupt;
  action.sa_flags = flags;
  sigemptyset(&action.sa_mask);
  for (const int s : kInterrupts) sigaddset(&action.sa_mask, s);
  for (const int s : kInterrupts) {
    struct sigaction old {};
    if (sigaction(s, nullptr, &old) != 0) continue;
    if (only_caught ? old.sa_handler != on_interrupt : old.sa_handler == SIG_IGN) continue;
    sigaction(s, &action, nullptr);
  }
}

}  // namespace

// Interrupted system calls restart: the file layer never sees EINTR.
void catch_interrupts() { install(SA_RESTART, false); }

InterruptibleWait::InterruptibleWait() { install(0, true); }
InterruptibleWait::~InterruptibleWait() { install(SA_RESTART, true); }

void ignore_file_size_signal() { std::signal(SIGXFSZ, SIG_IGN); }

void stop_interrupted() {
  stop_run(128 + static_cast<int>(detail::interrupt_signal), " Run interrupted");
}

}  // namespace platform
