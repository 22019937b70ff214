// The progress file: its name from the command line, and one I4 record per write.

#include "engine/climate/progress_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "climate_test_support.h"
#include "platform/process.h"
#include "platform/stop.h"

namespace {

using climate_test::TempProject;

TEST(ProgressFile, DefaultNameInTheWorkingDirectory) {
  TempProject project;
  auto [run, outcome] = climate_test::read_input(project, climate_test::InputText().text());
  ASSERT_EQ(outcome.status, 0);
  EXPECT_TRUE(run->progress_file_name == "progress.tmp");
  EXPECT_EQ(TempProject::read(project.root() / "progress.tmp"), "   1\n");
}

TEST(ProgressFile, SecondArgumentNamesIt) {
  TempProject project;
  const char* args[] = {"pavsim", "ignored", "C:\\proj\\mark.txt"};
  platform::set_command_line(3, args);
  auto [run, outcome] = climate_test::read_input(project, climate_test::InputText().text());
  ASSERT_EQ(outcome.status, 0);
  EXPECT_EQ(TempProject::read(project.project() / "mark.txt"), "   1\n");
  EXPECT_FALSE(std::filesystem::exists(project.root() / "progress.tmp"));
}

TEST(ProgressFile, BlankSecondArgumentMeansTheDefault) {
  TempProject project;
  const char* args[] = {"pavsim", "x", "   "};
  platform::set_command_line(3, args);
  EXPECT_TRUE(engine::progress_file_name_from_arguments() == "progress.tmp");
}

TEST(ProgressFile, EachWriteLeavesOneRecord) {
  TempProject project;
  engine::ClimateRun run;
  run.progress_file_name = "progress.tmp";
  struct Mark {
    int value;
    const char* text;
  };
  for (const Mark m : {Mark{1, "   1\n"}, Mark{0, "   0\n"}, Mark{500, " 500\n"},
                       Mark{9999, "9999\n"}, Mark{-2, "  -2\n"}, Mark{10000, "****\n"}}) {
    EXPECT_TRUE(engine::write_progress(run, m.value, engine::ProgressOpenFailure::kStop));
    EXPECT_EQ(TempProject::read(project.root() / "progress.tmp"), m.text) << m.value;
  }
}

TEST(ProgressFile, UnopenableNameStopsOrSkipsAsTheCallerChooses) {
  TempProject project;
  engine::ClimateRun run;
  run.progress_file_name = "no such folder\\progress.tmp";
  EXPECT_FALSE(engine::write_progress(run, 0, engine::ProgressOpenFailure::kSkip));
  try {
    engine::write_progress(run, 1, engine::ProgressOpenFailure::kStop);
    FAIL() << "no stop";
  } catch (const platform::RunStop& stop) {
    EXPECT_EQ(stop.status(), platform::kStopIo);
    EXPECT_NE(stop.message().find("progress.tmp"), std::string::npos) << stop.message();
  }

  // The input phase's first mark is such a stop.
  const char* args[] = {"pavsim", "", "no such folder\\progress.tmp"};
  platform::set_command_line(3, args);
  auto [fresh, outcome] = climate_test::read_input(project, climate_test::InputText().text());
  EXPECT_EQ(outcome.status, platform::kStopIo);
}

}  // namespace
