#include "numlib/support/state.h"

namespace numlib {

LibraryState& library_state() {
  static LibraryState state;
  return state;
}

void reset_library_state() { library_state() = LibraryState{}; }

}  // namespace numlib
