#include "engine/main/main_program.h"

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "engine/temp_project.h"

namespace {

using engine_test::TempDrive;

std::string spt_records(int values) {
  std::string s;
  for (int i = 1; i <= values; ++i) s += std::to_string(i) + ".5 9999 junk\n";
  return s;
}

TEST(ReadAnalysisRequest, SampleRoad) {
  struct Case {
    const char* what;
    std::string input;
    int count;
    std::size_t values;
  };
  const Case cases[] = {
      {"N = 2", "JMFSPT\n2001 2 3 20\n4.25 extra\n0.5\n2\n" + spt_records(44), 2, 44},
      {"N = 0", "JMFSPT\n2001 2 3 20\n4.25\n0.5\n0\nnot a number\n", 0, 0},
      {"N = -3", "JMFSPT\n2001 2 3 20\n4.25\n0.5\n-3\n", -3, 0},
  };
  for (const auto& c : cases) {
    TempDrive drive;
    drive.write("directory.txt", "c:\\proj\\\r\nsecond line\r\n");
    drive.write("proj/input.dat", c.input);
    const auto rq = engine::read_analysis_request();
    EXPECT_EQ(rq.work_directory.str(), "c:\\proj\\") << c.what;
    EXPECT_EQ(rq.analysis_code[0], "JMF");
    EXPECT_EQ(rq.analysis_code[1], "SPT");
    EXPECT_EQ(rq.analysis_integers, (std::array<std::int32_t, 4>{2001, 2, 3, 20}));
    EXPECT_EQ(rq.variable_means, (std::array<double, 5>{4.25, 0, 0, 0, 0})) << c.what;
    EXPECT_EQ(rq.variable_deviations, (std::array<double, 5>{0.5, 0, 0, 0, 0})) << c.what;
    EXPECT_EQ(rq.sample_count, c.count) << c.what;
    ASSERT_EQ(rq.sample_values.size(), c.values) << c.what;
    for (std::size_t i = 0; i < c.values; ++i) EXPECT_EQ(rq.sample_values[i], i + 1.5);
  }
}

TEST(ReadAnalysisRequest, MeansRoad) {
  struct Case {
    const char* what;
    std::string directory;
    std::string input_file;
    std::string code_line;
    const char* code2;
  };
  const Case cases[] = {
      {"extra lines", "c:\\proj\\", "proj/input.dat", "DESVOL", "VOL"},
      {"shifted code", "c:\\proj\\", "proj/input.dat", "JMF SPT", " SP"},
      {"lower case", "c:\\proj\\", "proj/input.dat", "JMFspt", "spt"},
      {"short code line", "c:\\proj\\", "proj/input.dat", "DES", ""},
      {"glued name", "c:\\proj", "projinput.dat", "DESVOL", "VOL"},
  };
  for (const auto& c : cases) {
    TempDrive drive;
    drive.write("directory.txt", c.directory + "\n");
    drive.write(c.input_file, c.code_line +
                                  "\n2001,2,3,20\n1 2 3\n4 5\n0.1 0.2 0.3 0.4 0.5\n"
                                  "7 7 7\n8 8 8\n");
    const auto rq = engine::read_analysis_request();
    EXPECT_EQ(rq.work_directory.str(), c.directory) << c.what;
    EXPECT_EQ(rq.analysis_code[1], c.code2) << c.what;
    EXPECT_EQ(rq.variable_means, (std::array<double, 5>{1, 2, 3, 4, 5})) << c.what;
    EXPECT_EQ(rq.variable_deviations, (std::array<double, 5>{0.1, 0.2, 0.3, 0.4, 0.5}));
    EXPECT_EQ(rq.sample_count, 0);
    EXPECT_TRUE(rq.sample_values.empty());
  }
}

TEST(ReadAnalysisRequest, MissingInputStopsWithoutCreatingFiles) {
  struct Case {
    const char* what;
    const char* directory;  // nullptr: no "directory.txt"
    const char* input;      // nullptr: no "input.dat"
    const char* named;
  };
  const Case cases[] = {
      {"no directory.txt", nullptr, nullptr, "directory.txt"},
      {"no input.dat", "c:\\proj\\", nullptr, "input.dat"},
      {"short input.dat", "c:\\proj\\", "DESVOL\n2001 2 3 20\n1 2 3 4 5\n0.1 0.2\n", "input.dat"},
      {"text for a number", "c:\\proj\\", "DESVOL\n2001 2 x 20\n", "input.dat"},
      {"short sample list", "c:\\proj\\", "DESSPT\n2001 2 3 20\n4\n1\n1\n1.0\n2.0\n", "input.dat"},
  };
  for (const auto& c : cases) {
    TempDrive drive;
    drive.write("proj/keep", "");
    if (c.directory) drive.write("directory.txt", std::string(c.directory) + "\n");
    if (c.input) drive.write("proj/input.dat", c.input);
    engine_test::ConsoleCapture console;
    std::string message;
    EXPECT_EQ(engine_test::stop_status([] { engine::read_analysis_request(); }, &message),
              platform::kStopIo)
        << c.what;
    EXPECT_NE(message.find(c.named), std::string::npos) << c.what << ": " << message;
    EXPECT_EQ(drive.exists("directory.txt"), c.directory != nullptr) << c.what;
    EXPECT_EQ(drive.exists("proj/input.dat"), c.input != nullptr) << c.what;
  }
}

// A mean, spread or sample that is not a finite number reads as a real, but no
// option can work with it: a failed check (status 1) naming the file, the line
// and the value.
TEST(ReadAnalysisRequest, ValuesThatAreNotFiniteStop) {
  struct Case {
    const char* what;
    std::string input;
    const char* says;
  };
  std::string ones;
  for (int i = 0; i < 19; ++i) ones += "1\n";
  const Case cases[] = {
      {"NaN thickness mean", "JMF   \n2001 2 3 20\nnan 2 3 4 5\n1 1 1 1 1\n", "line 3"},
      {"infinite spread", "DESVOL\n2001 2 3 20\n1 2 3 4 5\n1 1 1 -inf 1\n", "line 4"},
      {"spread beyond double", "DESVOL\n2001 2 3 20\n1 2 3 4 5\n1 1e999 1 1 1\n", "line 4"},
      {"NaN SPT mean", "JMFSPT\n2001 2 3 20\nnan\n0.5\n0\n", "line 3"},
      {"infinite sample", "JMFSPT\n2001 2 3 20\n4\n0.5\n1\n1\n2\ninf\n" + ones, "line 8"},
  };
  for (const auto& c : cases) {
    TempDrive drive;
    drive.write("directory.txt", "c:\\proj\\\n");
    drive.write("proj/input.dat", c.input);
    std::string message;
    EXPECT_EQ(engine_test::stop_status([] { engine::read_analysis_request(); }, &message),
              platform::kStopDecided)
        << c.what;
    EXPECT_NE(message.find("input.dat"), std::string::npos) << c.what << ": " << message;
    EXPECT_NE(message.find(c.says), std::string::npos) << c.what << ": " << message;
    EXPECT_NE(message.find("finite number"), std::string::npos) << c.what << ": " << message;
  }
}

// The real executable on a project whose road needs no routine still to come:
// "SPT" skips the binder check, a spread of 1.0 the simulation, and without
// "criteria.txt" the criteria road stops before its option.
TEST(PavsimExecutable, StopsWithoutDesignCriterion) {
  TempDrive drive;
  drive.write("directory.txt", "c:\\proj\\\r\n");
  drive.write("proj/input.dat", "   SPT\n2001 1 1 20\n4.0\n1.0\n0\n");
  FILE* p = popen("'" PAVSIM_EXECUTABLE "' 2>&1", "r");
  ASSERT_NE(p, nullptr);
  std::string output;
  char buf[256];
  while (std::fgets(buf, sizeof buf, p) != nullptr) output += buf;
  const int status = pclose(p);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(output, " 5\n You must run the design option first\n");
  EXPECT_TRUE(drive.exists("proj/res.txt"));
  EXPECT_EQ(drive.read("proj/res.txt"), "");
  EXPECT_FALSE(drive.exists("proj/i2.dat"));
  EXPECT_FALSE(drive.exists("proj/tmp"));
}

}  // namespace
