#pragma once
// The oracles' committed numbers under tests/data and the relative closeness
// the tests hold results to.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace testing_support {

// Rows of comma-separated numbers of tests/data/NAME; lines starting with '#'
// are comments. Each value reads back as the double the oracle wrote.
inline std::vector<std::vector<double>> read_number_rows(const std::string& name) {
  const std::string path = std::string(TEST_DATA_DIR) + "/" + name;
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
  if (std::abs(actual - expected) <= tolerance * std::abs(expected))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << actual << " differs from " << expected << " by "
         << (actual - expected) / expected << " relative (allowed " << tolerance << ")";
}

}  // namespace testing_support
