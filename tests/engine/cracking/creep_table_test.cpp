#include "engine/cracking/creep_table.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/cracking/cracking_test_support.h"
#include "engine/temp_project.h"
#include "platform/record_io.h"
#include "platform/units.h"

namespace {

using cracking_test::relatively_near;
using engine_test::TempDrive;

TEST(CreepTable, VolumetricEstimatesMatchTheOracle) {
  for (const auto& r : cracking_test::oracle_rows("creep_table.csv")) {
    const engine::MixtureCreep c = engine::estimate_mixture_creep(r[0], r[1], r[2], r[3]);
    const std::string mix = "mix " + std::to_string(r[0]);
    EXPECT_TRUE(relatively_near(c.vfa, r[4], 1e-14)) << mix;
    EXPECT_TRUE(relatively_near(c.penetration, r[5], 1e-12)) << mix;
    EXPECT_TRUE(relatively_near(c.strength, r[6], 1e-12)) << mix;
    for (int k = 0; k < 3; ++k) {
      EXPECT_TRUE(relatively_near(c.d1[k], r[7 + k], 1e-12)) << mix << " D1 " << k;
      EXPECT_TRUE(relatively_near(c.m[k], r[10 + k], 1e-12)) << mix << " m " << k;
    }
  }
  // Double constants would give Pen 53.76626: the single values matter.
  const engine::MixtureCreep ref = engine::estimate_mixture_creep(4, 11, 10.98, -3.68);
  EXPECT_NEAR(ref.penetration, 53.76711753, 5e-8);
  EXPECT_NEAR(ref.strength, 386.7070707, 5e-7);
}

TEST(CreepTable, ReferenceTableIsByteExactAndTheStrengthReadsBack) {
  TempDrive drive;
  const std::string name = "c:\\" + std::string(90, 'p') + "\\master-gen.dat";  // over 70 columns
  drive.write(std::string(90, 'p') + "/keep", "");
  double strength = 0.0;
  engine::write_creep_table(4, 11, 10.98, -3.68, strength, name);
  EXPECT_NEAR(strength, 386.7070707, 5e-7);

  const std::string text = drive.read(std::string(90, 'p') + "/master-gen.dat");
  const std::string expected = testing_support::read_file(cracking_test::data_path("master_gen_reference.txt"));
  ASSERT_GT(text.size(), expected.size());
  EXPECT_EQ(text.substr(0, expected.size()), expected);

  // one more record, the strength, which reads back as the same double
  const std::string last = text.substr(expected.size());
  ASSERT_EQ(last.find('\n'), last.size() - 1);
  double back = 0.0;
  ASSERT_EQ(platform::read_list_text(last.substr(0, last.size() - 1), back).status, platform::IoStatus::Ok);
  EXPECT_EQ(back, strength);
}

}  // namespace
