#pragma once
// What the library-algorithm tests share: the library fixture and the reader
// of the oracle fixtures under tests/data/numlib. The fixture puts the library
// back to its first-call state before and after each test, which also brings
// back the default print and stop attributes (as ERSET(0, 2, 2) would, even
// after a test that ended inside a routine), and captures the console.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "numlib/support/library_fixture.h"
#include "support/oracle_rows.h"

namespace numlib::testing {

using AlgorithmTest = LibraryTest;

// Rows of numbers of tests/data/numlib/NAME.
inline std::vector<std::vector<double>> read_oracle_rows(const std::string& name) {
  return testing_support::read_number_rows("numlib/" + name);
}

using testing_support::relatively_near;

}  // namespace numlib::testing
