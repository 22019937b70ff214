#pragma once
// The numerical library's support layer, and how every library routine is
// written on top of it.
//
// Names and arguments
//   - Routines keep the library's names (E1PSH, DMACH, DBCONF, ...) in namespace
//     numlib. Inputs are taken by value, outputs (and in/out arguments) by
//     reference, in the order the routine's description gives them.
//   - Texts are std::string_view and compare as if the shorter were padded with
//     blanks (platform::blank_padded_equal); a trailing blank on a routine name is
//     insignificant. Text outputs are std::span<char> fields, blank padded.
//   - Integers are 32-bit int. Positions and indices in results count from 1.
//   - Matrices are stored by columns with an explicit leading dimension.
//
// The frame of a public routine
//
//     void DEXAMPLE(int n, const double* x, double& result) {
//       Frame frame("DEXAMPLE");            // E1PSH first
//       int nerr = 1;                        // argument checks, codes 1, 2, ...
//       CHECK_INT_ARG_RANGE(n, "N", 1, 0, nerr);
//       if (N1RTY(0) > 0) {                  // an error at this routine's level
//         frame.pop();
//         return;
//       }
//       ...                                  // the computation
//       result = call_user_routine(f, x[0]); // E1USR("ON") ... E1USR("OFF")
//       frame.pop();                         // E1POP on every return path
//     }
//
//   - E1POP may print and end the run (the platform stop, status 3), so it is an
//     explicit call on every return path and never runs from a destructor; Frame
//     only carries the name.
//   - Errors are recorded with the ERROR_STORE_* values first, then E1MES(type,
//     code, template). The program learns of them through LAST_ERROR_CODE, or
//     the library prints them and ends the run as ERSET has set.
//   - Every call of a user routine goes through call_user_routine, so library
//     routines called from inside it count as entered from user code.
//   - Work storage comes from the heap for one call. When it cannot be had, the
//     routine records its TERMINAL message and calls print_message_and_end_run.
//   - State that lives for the run belongs in LibraryState (state.h).

#include <functional>
#include <string_view>
#include <type_traits>
#include <utility>

#include "numlib/support/chars.h"
#include "numlib/support/errors.h"
#include "numlib/support/machine.h"
#include "numlib/support/output.h"
#include "numlib/support/state.h"

namespace numlib {

// Registers a routine on construction and keeps its name for the pop.
class Frame {
 public:
  explicit Frame(std::string_view name) : name_(name) { E1PSH(name_); }
  Frame(const Frame&) = delete;
  Frame& operator=(const Frame&) = delete;

  void pop() const { E1POP(name_); }
  std::string_view name() const { return name_; }

 private:
  std::string_view name_;
};

// Calls a routine of the library's caller (an objective, an equation) between
// E1USR("ON") and E1USR("OFF").
template <class F, class... Args>
decltype(auto) call_user_routine(F&& f, Args&&... args) {
  using Result = std::invoke_result_t<F, Args...>;
  E1USR("ON");
  if constexpr (std::is_void_v<Result>) {
    std::invoke(std::forward<F>(f), std::forward<Args>(args)...);
    E1USR("OFF");
  } else {
    Result result = std::invoke(std::forward<F>(f), std::forward<Args>(args)...);
    E1USR("OFF");
    return result;
  }
}

}  // namespace numlib
