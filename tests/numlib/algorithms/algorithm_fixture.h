#pragma once
// What the library-algorithm tests share: the library fixture and the reader
// of the oracle fixtures under tests/data/numlib. The fixture puts the library
// back to its first-call state before and after each test, which also brings
// back the default print and stop attributes (as ERSET(0, 2, 2) would, even
// after a test that ended inside a routine), and captures the console.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "numlib/support/library_fixture.h"

namespace numlib::testing {

using AlgorithmTest = LibraryTest;

// Rows of numbers of tests/data/numlib/NAME; lines starting with '#' are
// comments. Each value reads back as the double the oracle wrote.
inline std::vector<std::vector<double>> read_oracle_rows(const std::string& name) {
  const std::string path = std::string(TEST_DATA_DIR) + "/numlib/" + name;
  std::ifstream in(path);
  if (!in) ADD_FAILURE() << "cannot open " << path;
  std::vector<std::vector<double>> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<double> row;
    std::stringstream fields(line);
    std::string field;
    while (std::getline(fields, field, ',')) row.push_back(std::strtod(field.c_str(), nullptr));
    rows.push_back(std::move(row));
  }
  return rows;
}

// |actual - expected| <= tolerance * |expected|, NaN never passing.
inline ::testing::AssertionResult relatively_near(double actual, double expected,
                                                  double tolerance) {
  if (std::abs(actual - expected) <= tolerance * std::abs(expected)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << actual << " differs from " << expected << " by "
         << (actual - expected) / expected << " relative (allowed " << tolerance << ")";
}

}  // namespace numlib::testing
