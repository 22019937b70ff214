#pragma once
// What the cracking tests share: the oracle's committed numbers, tolerances.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace cracking_test {

inline std::string data_path(const std::string& name) {
  return std::string(TEST_DATA_DIR) + "/engine/cracking/" + name;
}

// Rows of numbers of tests/data/engine/cracking/NAME; '#' lines are comments.
inline std::vector<std::vector<double>> oracle_rows(const std::string& name) {
  std::ifstream in(data_path(name));
  if (!in) ADD_FAILURE() << "cannot open " << data_path(name);
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

// |actual - expected| <= tolerance * |expected|; NaN never passes.
inline ::testing::AssertionResult near_rel(double actual, double expected, double tolerance) {
  if (std::abs(actual - expected) <= tolerance * std::abs(expected))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << actual << " differs from " << expected << " by "
                                       << (actual - expected) / expected << " relative";
}

}  // namespace cracking_test
