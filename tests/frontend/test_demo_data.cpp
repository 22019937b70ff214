#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "demo_data/demo_data.h"
#include "frontend/temp_project.h"

namespace {

using frontend_test::TempProject;
namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& bytes, bool* crlf_everywhere = nullptr,
                               bool* cr_anywhere = nullptr) {
  std::vector<std::string> out;
  bool all = true, any = false;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    EXPECT_NE(end, std::string::npos) << "the last line has its line end";
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    const bool cr = !line.empty() && line.back() == '\r';
    all &= cr;
    any |= line.find('\r') != std::string::npos;
    if (cr) line.pop_back();
    out.push_back(line);
    start = end + 1;
  }
  if (crlf_everywhere) *crlf_everywhere = all;
  if (cr_anywhere) *cr_anywhere = any;
  return out;
}

// The hour after YYYYMMDDHH, by an independent calendar walk.
std::string NextHour(const std::string& stamp) {
  int y = std::stoi(stamp.substr(0, 4)), m = std::stoi(stamp.substr(4, 2)),
      d = std::stoi(stamp.substr(6, 2)), h = std::stoi(stamp.substr(8, 2));
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int in_month = m == 2 && y % 4 == 0 ? 29 : days[m - 1];
  if (++h == 24 && (h = 0, ++d > in_month) && (d = 1, ++m > 12)) m = 1, ++y;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d", y, m, d, h);
  return buf;
}

// The stamp of a line, with a one-digit hour widened.
std::string Stamp(const std::string& line) {
  const std::string s = line.substr(0, line.find(','));
  return s.size() == 9 ? s.substr(0, 8) + "0" + s.substr(8) : s;
}

class DemoProject : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    project_ = new TempProject;
    demo::WriteDemoProject(project_->project());
  }
  static void TearDownTestSuite() {
    delete project_;
    project_ = nullptr;
  }
  static std::string Read(const std::string& name) { return TempProject::Read(project_->project() / name); }
  static TempProject* project_;
};
TempProject* DemoProject::project_ = nullptr;

TEST_F(DemoProject, StationListIsAsDesigned) {
  EXPECT_EQ(Read("station.dat"),
            "17,ALDER|NORTH,TESTLAND,40.10,-105.05,5300,200408,0,\n"
            "23062,BIRCH FIELD,TESTLAND,39.50,-104.50,5600,200408,0,\n"
            "305,CEDAR,TESTLAND,40.30,-104.40,4900,200501,0,\n"
            "4410,DOGWOOD,TESTLAND,39.30,-105.30,6100,200408,1,\n"
            "5,ELM,OTHERLAND,41.00,-106.00,7000,200408,0,\n"
            "66,FIR,OTHERLAND,38.00,-103.00,4200,200408,0,\n"
            "808,HAZEL,OTHERLAND,40.45,-105.45,5800,200408,0,\n");
  EXPECT_EQ(Read("clmtemp.txt"), "6.0\n0\n20\n");
}

TEST_F(DemoProject, HourlyFilesCoverTheirPeriods) {
  struct Case {
    const char* file;
    std::size_t lines;
    const char* first;
    bool crlf;
  };
  const Case cases[] = {
      {"hcd/00017.hcd", 13848, "2004080100", false}, {"hcd/23062.hcd", 13848, "2004080100", false},
      {"hcd/00305.hcd", 10176, "2005010100", false}, {"hcd/04410.hcd", 13848 - 30 * 24, "2004080100", false},
      {"hcd/00005.hcd", 13848, "2004080100", true},  {"hcd/00066.hcd", 13848, "2004080100", false},
  };
  for (const Case& c : cases) {
    bool crlf = false, cr = false;
    const std::vector<std::string> lines = Lines(Read(c.file), &crlf, &cr);
    ASSERT_EQ(lines.size(), c.lines) << c.file;
    EXPECT_EQ(crlf, c.crlf) << c.file;
    if (!c.crlf) {
      EXPECT_FALSE(cr) << c.file;
    }
    EXPECT_EQ(Stamp(lines.front()), c.first) << c.file;
    EXPECT_EQ(Stamp(lines.back()), demo::kLastStamp) << c.file;
    // Every hour follows the one before, except DOGWOOD's missing November.
    std::string expected = c.first;
    for (const std::string& line : lines) {
      if (expected == "2004110100" && std::string(c.file) == "hcd/04410.hcd") expected = "2004120100";
      ASSERT_EQ(Stamp(line), expected) << c.file;
      expected = NextHour(expected);
    }
    EXPECT_EQ(expected, "2006030100");
  }
  EXPECT_FALSE(fs::exists(project_->project() / "hcd/00808.hcd"));
}

TEST_F(DemoProject, DogwoodWritesShortHoursAndLacksNovember) {
  const std::vector<std::string> lines = Lines(Read("hcd/04410.hcd"));
  EXPECT_EQ(lines.front().rfind("200408010,", 0), 0u);
  EXPECT_EQ(lines[9].rfind("200408019,", 0), 0u);
  EXPECT_EQ(lines[10].rfind("2004080110,", 0), 0u);
  for (const std::string& line : lines) EXPECT_NE(line.rfind("200411", 0), 0u) << line;
}

TEST_F(DemoProject, ValuesHaveTheirLayoutAndRanges) {
  for (const char* file : {"hcd/00017.hcd", "hcd/00005.hcd", "hcd/00305.hcd"}) {
    int freezing = 0, wet = 0, lines_read = 0;
    for (const std::string& line : Lines(Read(file))) {
      ++lines_read;
      std::vector<std::string> f;
      std::size_t start = 0;
      for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1)
        f.push_back(line.substr(start, comma - start));
      f.push_back(line.substr(start));
      ASSERT_EQ(f.size(), 6u) << line;
      // ",%.1f,%.1f,%.0f,%.2f,%.1f"
      const std::size_t decimals[] = {1, 1, 0, 2, 1};
      for (int i = 1; i <= 5; ++i) {
        const std::size_t point = f[i].find('.');
        EXPECT_EQ(point == std::string::npos ? 0 : f[i].size() - point - 1, decimals[i - 1]) << line;
      }
      const int hour = std::stoi(Stamp(line).substr(8));
      const double t = std::atof(f[1].c_str()), v2 = std::atof(f[2].c_str()), v3 = std::atof(f[3].c_str()),
                   v4 = std::atof(f[4].c_str()), v5 = std::atof(f[5].c_str());
      freezing += t < 32.0;
      wet += v4 > 0.0;
      EXPECT_TRUE(v2 >= 2.0 && v2 <= 15.0) << line;
      EXPECT_TRUE(v3 >= 0.0 && v3 <= 100.0) << line;
      if (hour < 6 || hour > 18) {
        EXPECT_EQ(v3, 0.0) << line;
      }
      EXPECT_GE(v4, 0.0) << line;
      EXPECT_TRUE(v5 >= 30.0 && v5 <= 95.0) << line;
    }
    EXPECT_GT(freezing, 100) << file << ": winters freeze";
    EXPECT_GT(wet, 50) << file;
    EXPECT_LT(wet, lines_read / 5) << file << ": mostly dry";
  }
}

TEST_F(DemoProject, RadTableHoldsTheDaysOfALeapYear) {
  const std::vector<std::string> lines = Lines(Read("rad.dat"));
  ASSERT_EQ(lines.size(), 366u);
  // Spencer's declination and the eccentricity factor, computed independently
  // (Python, math module) for days 1, 81 and 172 of a leap year.
  EXPECT_EQ(lines[0], "1 1 -23.06 1.0351");
  EXPECT_EQ(lines[80], "3 21 0.33 1.0073");
  EXPECT_EQ(lines[171], "6 20 23.45 0.9674");
  EXPECT_EQ(lines[59].rfind("2 29 ", 0), 0u);
  EXPECT_EQ(lines[365].rfind("12 31 ", 0), 0u);
}

TEST(DemoData, TwoRunsGiveTheSameBytes) {
  TempProject a, b;
  demo::WriteDemoProject(a.project());
  demo::WriteDemoProject(b.project());
  std::size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(a.project())) {
    if (!entry.is_regular_file()) continue;
    ++files;
    const fs::path rel = fs::relative(entry.path(), a.project());
    EXPECT_EQ(TempProject::Read(entry.path()), TempProject::Read(b.project() / rel)) << rel;
  }
  EXPECT_EQ(files, 10u);
  EXPECT_TRUE(fs::is_directory(a.project() / "tmp"));
}

TEST(DemoData, DirectoryFileNamesTheProjectWithATrailingSlash) {
  TempProject t;
  const fs::path drive = t.root() / "other-drive";
  demo::WriteDirectoryFile(drive, t.project());
  EXPECT_EQ(TempProject::Read(drive / "directory.txt"), t.project().string() + "/\n");
  EXPECT_THROW(demo::WriteStationList(t.root() / "no" / "such" / "folder"), std::runtime_error);
}

}  // namespace
