#pragma once
// Every library test starts from the library's first-call state with the
// console captured, and ends with every channel closed.

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "numlib/support/library.h"
#include "platform/console.h"
#include "platform/stop.h"
#include "platform/units.h"

namespace numlib::testing {

class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_library_state();
    platform::set_console_output(&console_);
  }
  void TearDown() override {
    platform::set_console_output(nullptr);
    platform::close_all_units();
    reset_library_state();
  }

  // The console output so far, which is then forgotten.
  std::string take_output() {
    std::string text = console_.str();
    console_.str("");
    return text;
  }

  // Runs `body`; the stop status it ended with, or 0 when it returned.
  template <class F>
  static int stop_status(F&& body) {
    try {
      body();
    } catch (const platform::RunStop& stop) {
      return stop.status();
    }
    return 0;
  }

  // The message waiting to be printed.
  static std::string waiting_message() {
    const ErrorState& s = library_state().error;
    return std::string(s.message.data(), static_cast<std::size_t>(s.message_length));
  }

 private:
  std::ostringstream console_;
};

}  // namespace numlib::testing
