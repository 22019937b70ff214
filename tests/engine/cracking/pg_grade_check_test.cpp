#include "engine/cracking/pg_grade_check.h"

#include <gtest/gtest.h>

#include <limits>

#include "engine/cracking/cracking_test_support.h"
#include "engine/temp_project.h"

namespace {

TEST(BinderGrade, SpreadsFromTheNeighbouringGrades) {
  // the oracle works in double from the widened inputs and rounds once
  for (const auto& r : cracking_test::oracle_rows("binder_grade.csv")) {
    float a = -1.0f, v = -1.0f;
    engine::check_pg_grade(static_cast<float>(r[0]), static_cast<float>(r[1]), a, v);
    EXPECT_EQ(a, static_cast<float>(r[2])) << r[0] << " " << r[1];
    EXPECT_EQ(v, static_cast<float>(r[3])) << r[0] << " " << r[1];
  }
  float a = 0, v = 0;
  engine::check_pg_grade(13.386f, -4.57f, a, v);
  EXPECT_EQ(a, 0.0134999463f);  // an all-single computation gives 0.0134998957
  EXPECT_EQ(v, 0.0048333621f);
  engine::check_pg_grade(8.129f, -2.648f, a, v);
  EXPECT_EQ(a, 0.139333382f);
  EXPECT_EQ(v, 0.0500000007f);
}

TEST(BinderGrade, GradesOutsideTheTableEndTheRun) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::pair<float, float> bad[] = {
      {8.128f, -3.0f}, {13.387f, -3.0f}, {10.0f, -2.641f}, {10.0f, -4.571f}, {nan, -3.0f}, {10.0f, nan}};
  for (const auto& [intercept, slope] : bad) {
    engine_test::ConsoleCapture console;
    float a = 0, v = 0;
    std::string message;
    EXPECT_EQ(engine_test::stop_status([&] { engine::check_pg_grade(intercept, slope, a, v); }, &message), 1)
        << intercept << " " << slope;
    EXPECT_EQ(console.text(), " Check your PG grade\n") << intercept << " " << slope;
  }
}

}  // namespace
