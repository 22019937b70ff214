// The correction table "LTTP_CORRECT.CSV": splitting its lines and reading its
// first line into the correction depths.

#include "engine/climate/correction_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "climate_test_support.h"
#include "platform/stop.h"
#include "platform/units.h"

namespace {

using climate_test::TempProject;
using engine::CorrectionFields;

constexpr float kBlank = -9999.0f;

struct SplitCase {
  const char* name;
  std::string line;
  const char* key;
  std::vector<float> fields;
};

void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

class SplitCsvLine : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCsvLine, KeyAndFields) {
  const SplitCase& c = GetParam();
  CorrectionFields f;
  const int n = engine::split_csv_line(c.line, ',', f);
  EXPECT_TRUE(f.correction_key == c.key) << "[" << f.correction_key.view() << "]";
  ASSERT_EQ(n, static_cast<int>(c.fields.size()));
  for (int k = 1; k <= n; ++k) EXPECT_EQ(f.correction_fields(k), c.fields[k - 1]) << k;
  for (int k = n + 1; k <= engine::kMaxCorrectionFields; ++k)
    ASSERT_EQ(f.correction_fields(k), kBlank) << k;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SplitCsvLine,
    ::testing::Values(
        SplitCase{"BlankFieldBetweenNumbers", "key,1.5,,2", "key", {1.5f, kBlank, 2.0f}},
        SplitCase{"LongKeyIsCut", "abcdefghijklmnopqrst,3", "abcdefghijklmnop", {3.0f}},
        SplitCase{"NoSeparatorIsAllKey", "just a key", "just a key", {}},
        SplitCase{"TrailingSeparatorGivesABlankField", "k,1,", "k", {1.0f, kBlank}},
        SplitCase{"DateKeyAndSpacedFields",
                  "01/15/2001, 20.5 ,-3e1,  ",
                  "01/15/2001",
                  {20.5f, -30.0f, kBlank}},
        SplitCase{"EmptyKey", ",7", "", {7.0f}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SplitCsvLine, ShortLineAfterLongKeepsNoStaleField) {
  CorrectionFields f;
  ASSERT_EQ(engine::split_csv_line("a,1,2,3,4,5", ',', f), 5);
  ASSERT_EQ(engine::split_csv_line("b,9", ',', f), 1);
  EXPECT_EQ(f.correction_fields(1), 9.0f);
  for (int k = 2; k <= 5; ++k) EXPECT_EQ(f.correction_fields(k), kBlank) << k;
}

TEST(SplitCsvLine, AFullLineOfSeparatorsFillsEveryField) {
  CorrectionFields f;
  EXPECT_EQ(engine::split_csv_line(std::string(256, ','), ',', f), engine::kMaxCorrectionFields);
  EXPECT_EQ(f.correction_fields(engine::kMaxCorrectionFields), kBlank);
}

// Not a finite number either: a NaN or infinite correction would become a
// node temperature.
TEST(SplitCsvLine, FieldThatIsNoNumberStops) {
  for (const char* field : {"x", "nan", "-Infinity", "1e39"}) {
    CorrectionFields f;
    try {
      engine::split_csv_line("key,1.5," + std::string(field), ',', f);
      ADD_FAILURE() << field << ": no stop";
    } catch (const platform::RunStop& stop) {
      EXPECT_EQ(stop.status(), platform::kStopIo) << field;
      EXPECT_NE(stop.message().find("field 2"), std::string::npos) << stop.message();
      EXPECT_NE(stop.message().find("\"" + std::string(field) + "\""), std::string::npos)
          << stop.message();
    }
  }
}

// ------------------------------------------------------------ the table file

struct TableCase {
  const char* name;
  std::string text;
  int count;  // correction_field_count
  std::vector<double> corrections;
};

void PrintTo(const TableCase& c, std::ostream* os) { *os << c.name; }

class CorrectionTable : public ::testing::TestWithParam<TableCase> {};

TEST_P(CorrectionTable, FirstLineGivesTheDepths) {
  const TableCase& c = GetParam();
  TempProject project;
  TempProject::write(project.root() / "LTTP_CORRECT.CSV", c.text);
  CorrectionFields f;
  engine::read_correction_table(f);
  EXPECT_TRUE(f.correction_file_open);
  ASSERT_EQ(f.correction_field_count, c.count);
  for (int k = 1; k <= static_cast<int>(c.corrections.size()); ++k)
    EXPECT_EQ(f.initial_corrections(k), c.corrections[static_cast<std::size_t>(k - 1)]) << k;
  EXPECT_EQ(f.initial_corrections(c.count + 1), 0.0);
}

std::string long_line() {
  // 256 characters end at a separator; what follows is beyond the record.
  std::string line = "key,";
  for (int k = 0; k < 126; ++k) line += "1,";
  return line + "7,8,9\n";
}

INSTANTIATE_TEST_SUITE_P(
    Files, CorrectionTable,
    ::testing::Values(
        TableCase{"CountWithinTheFields", "2\nDepth,0.5,2.5,4\n01/01/2001,1,2,3\n", 2, {0.5, 2.5}},
        TableCase{"CountBeyondTheFields", "5\nDepth,1,2,3\n", 3, {1.0, 2.0, 3.0}},
        TableCase{"NegativeCount", "-4\nDepth,1,2,3\n", 0, {}},
        TableCase{"BlankFieldKept", "3\nDepth,1,,3\n", 3, {1.0, -9999.0, 3.0}},
        TableCase{"LineCutAtItsLength", "200\n" + long_line(), 127, std::vector<double>(126, 1.0)},
        TableCase{"CrLfLines", "1\r\nDepth,0.25\r\n", 1, {0.25}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CorrectionTable, LongLineLastFieldIsTheBlankBeforeTheCut) {
  TempProject project;
  TempProject::write(project.root() / "LTTP_CORRECT.CSV", "200\n" + long_line());
  CorrectionFields f;
  engine::read_correction_table(f);
  EXPECT_EQ(f.initial_corrections(127), -9999.0);
}

TEST(CorrectionTable, AbsentTableIsNoCorrection) {
  TempProject project;
  CorrectionFields f;
  engine::read_correction_table(f);
  EXPECT_FALSE(f.correction_file_open);
  EXPECT_EQ(f.correction_field_count, 0);
  EXPECT_FALSE(std::filesystem::exists(project.root() / "LTTP_CORRECT.CSV"));
}

TEST(CorrectionTable, BadFieldStopsNamingTheFileAndLine) {
  TempProject project;
  TempProject::write(project.root() / "LTTP_CORRECT.CSV", "2\nkey,1.5,x\n");
  CorrectionFields f;
  try {
    engine::read_correction_table(f);
    FAIL() << "no stop";
  } catch (const platform::RunStop& stop) {
    EXPECT_EQ(stop.status(), platform::kStopIo);
    EXPECT_NE(stop.message().find("LTTP_CORRECT.CSV"), std::string::npos) << stop.message();
    EXPECT_NE(stop.message().find("line 2"), std::string::npos) << stop.message();
  }
}

TEST(CorrectionTable, InputPhaseLeavesTheTableOpenForTheDayLoop) {
  TempProject project;
  TempProject::write(project.root() / "LTTP_CORRECT.CSV", "1\nDepth,0.5\n01/01/2001,20\n");
  auto [run, outcome] = climate_test::read_input(project, climate_test::InputText().text());
  ASSERT_EQ(outcome.status, 0);
  EXPECT_EQ(run->correction_fields.correction_field_count, 1);
  EXPECT_EQ(run->correction_fields.initial_corrections(1), 0.5);
  EXPECT_TRUE(platform::unit_is_open(engine::kCorrectionChannel));
  EXPECT_TRUE(platform::unit_is_open(engine::kInputChannel));
}

}  // namespace
