// Impossible requests and records, each a mutation of a sound project, through
// the real `pavsim`: the stop's status and words, and what the stop leaves
// behind (no result file, the older history byte for byte, no temporary).

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "synthetic_input/front_end_input.h"

namespace {

namespace fs = std::filesystem;
using testing_support::read_file;
using testing_support::write_file;

const std::string kSoundRequest = "DES   \n2004 8 1 20\n6.0 4.0 11.0 10.98 -3.68\n0 0 0 0 0\n";
// A history of another thickness that every refused run must leave as it is.
const std::string kOlderHistory = " 960 6 4.0 0.0\n2000080100  52.0  52.0  52.0  52.0  52.0\n";

struct Project {
  testing_support::TempDir root;
  fs::path folder() const { return root.path() / "proj"; }
  std::string request = kSoundRequest;
  std::string input;  // "input.tmp"
  std::string corrections;  // "LTTP_CORRECT.CSV" when not empty

  Project() {
    synthetic_input::FrontEndInput in;
    in.directory = folder().string() + "/";
    in.max_day_blocks = 40;
    input = synthetic_input::front_end_input_text(in);
  }
  // Replaces the first `from` of "input.tmp" by `to`.
  void edit(const std::string& from, const std::string& to) {
    const std::size_t at = input.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    input.replace(at, from.size(), to);
  }
  testing_support::CommandResult run() const {
    fs::create_directories(folder() / "tmp");
    fs::create_directories(root.path() / "drive");
    write_file(root.path() / "drive" / "directory.txt", folder().string() + "/\n");
    write_file(folder() / "input.dat", request);
    write_file(folder() / "input.tmp", input);
    write_file(folder() / "tmp" / "thermal.tmp", kOlderHistory);
    if (!corrections.empty()) write_file(folder() / "LTTP_CORRECT.CSV", corrections);
    return testing_support::run_command("cd '" + folder().string() + "' && PAVSIM_DRIVE_C='" +
                                        (root.path() / "drive").string() + "' '" +
                                        PAVSIM_EXECUTABLE + "' 2>&1 </dev/null");
  }
};

enum class Leaves {
  kNothing,       // refused before the simulation: not even a progress mark
  kNoResult,      // refused by its input phase: progress -2, no result file
  kFailedResult,  // stopped in the day loop: progress -2, results of no use
  kHistory,       // the simulation ended well; a later step stopped
};

TEST(ImpossibleInputs, AreRefusedNamingFileRecordAndValue) {
  struct Case {
    const char* what;
    std::function<void(Project&)> mutate;
    int status;
    std::string file;  // named in the message, below the project folder
    std::vector<std::string> words;
    Leaves leaves;
  };
  const auto request = [](std::string text) { return [text](Project& p) { p.request = text; }; };
  const auto edit = [](std::string from, std::string to) {
    return [from, to](Project& p) { p.edit(from, to); };
  };
  const auto corrections = [](std::string text) {
    return [text](Project& p) { p.corrections = text; };
  };
  const Case cases[] = {
      // "input.dat"
      {"start month 13", request("DES   \n2004 13 1 20\n6.0 4 11 10.98 -3.68\n0 0 0 0 0\n"), 1,
       "input.dat", {"line 2: start month 13; it must be 1 to 12"}, Leaves::kNothing},
      {"start month 0", request("DES   \n2004 0 1 20\n6.0 4 11 10.98 -3.68\n0 0 0 0 0\n"), 1,
       "input.dat", {"line 2: start month 0;"}, Leaves::kNothing},
      {"start day 40", request("DES   \n2004 8 40 20\n6.0 4 11 10.98 -3.68\n0 0 0 0 0\n"), 1,
       "input.dat", {"line 2: start day 40 of month 8 of 2004; it must be 1 to 31"},
       Leaves::kNothing},
      {"29 February of a common year",
       request("DES   \n2003 2 29 20\n6.0 4 11 10.98 -3.68\n0 0 0 0 0\n"), 1, "input.dat",
       {"start day 29 of month 2 of 2003; it must be 1 to 28"}, Leaves::kNothing},
      {"design life 0", request("DES   \n2004 8 1 0\n6.0 4 11 10.98 -3.68\n0 0 0 0 0\n"), 1,
       "input.dat", {"line 2: design life of 0 years; it must be 1 to 833"}, Leaves::kNothing},
      {"design life -3", request("DES   \n2004 8 1 -3\n6.0 4 11 10.98 -3.68\n0 0 0 0 0\n"), 1,
       "input.dat", {"design life of -3 years"}, Leaves::kNothing},
      {"design life 834", request("DES   \n2004 8 1 834\n6.0 4 11 10.98 -3.68\n0 0 0 0 0\n"), 1,
       "input.dat", {"design life of 834 years"}, Leaves::kNothing},
      {"thickness 0.1", request("DES   \n2004 8 1 20\n0.1 4 11 10.98 -3.68\n0 0 0 0 0\n"), 1,
       "input.dat",
       {"line 3: asphalt thickness 0.1 inches; it must be above 0.2, the thinnest layer a "
        "temperature history can stand for"},
       Leaves::kNothing},
      {"thickness less its spread 0.1",
       request("   VOL\n2004 8 1 20\n2.0 4 11 10.98 -3.68\n1.9 0.5 0.5 0 0\n"), 1, "input.dat",
       {"line 4: asphalt thickness 2.0 less its spread"}, Leaves::kNothing},
      {"air voids too wide for doc-17a.dat",
       request("DES   \n2004 8 1 20\n6.0 1e9 11 10.98 -3.68\n0 0 0 0 0\n"), 1, "input.dat",
       {"line 3: air voids 1e+09 does not fit its field (F14.5) of \"doc-17a.dat\""},
       Leaves::kNothing},
      // "input.tmp"
      {"bound-layer counts 2 0", edit("/\n1 0\n", "/\n2 0\n"), 1, "input.tmp",
       {"record 8: bound-layer counts 2 and 0 make layer 2 \"Base\" bound, but it has the "
        "records of an unbound layer"},
       Leaves::kNoResult},
      {"bound-layer counts 1 1", edit("/\n1 0\n", "/\n1 1\n"), 1, "input.tmp",
       {"record 8: bound-layer counts 1 and 1 make layer 2"}, Leaves::kNoResult},
      {"bound-layer counts 0 0", edit("/\n1 0\n", "/\n0 0\n"), 1, "input.tmp",
       {"make layer 1 \"Asphalt\" unbound"}, Leaves::kNoResult},
      {"spacing lost against the depth above", edit("'Base',10,2,", "'Base',10,1e-7,"), 1,
       "input.tmp",
       {"record L1 of layer 2: nodal spacing 1e-07 is lost against the depth 6.0 inches of "
        "node 7"},
       Leaves::kNoResult},
      {"spacing of 1e30", edit("'Base',10,2,", "'Base',10,1e30,"), 1, "input.tmp",
       {"record L1 of layer 2: nodal spacing 1e+30 is wider than the layer's thickness 10.0"},
       Leaves::kNoResult},
      {"output interval of 24 hours", edit(" 0.1 1\n", " 0.1 24\n"), 1, "input.tmp",
       {"(record 9): output interval of 24.0 hours; the temperature history is read hourly"},
       Leaves::kNoResult},
      {"year 10000", edit("\n8 1 2000 ", "\n8 1 10000 "), 1, "input.tmp",
       {"(day record of day 1): year 10000; it must be 1 to 9999"}, Leaves::kNoResult},
      {"path length 0", edit("\n12  2  1\n", "\n0  2  1\n"), 1, "input.tmp",
       {"record T1: drainage path length 0.0; it must be above 0"}, Leaves::kNoResult},
      {"gravel content 1e30", edit("\n2 4.5 90.5 5\n", "\n2 4.5 1e30 5\n"), 1, "input.tmp",
       {"record T2: gravel content 1e+30 percent; it must be 0 to 100"}, Leaves::kNoResult},
      // "LTTP_CORRECT.CSV": the first line holds the depths, the next the corrections
      {"a correction below absolute zero", corrections("1\nDEPTH,1.0\n8/1/2000,-600\n"), 2,
       "", {"\"LTTP_CORRECT.CSV\"", "line 3", "field 1: the temperature -600.0 C is below "
            "absolute zero (-273.15 C)"},
       Leaves::kFailedResult},
      {"a correction beyond single precision in deg F",
       corrections("1\nDEPTH,1.0\n8/1/2000,3.4e38\n"), 2, "",
       {"line 3", "field 1: the temperature 3.4e+38 C does not convert to deg F"},
       Leaves::kFailedResult},
      // the last guard of the day loop
      {"a nodal temperature of 1e30", edit("\n52 0\n", "\n1e30 0\n"), 1, "",
       {" Run error: day 1 (8/1/2000), hour 0: the temperature of node 1 is 1e+30 F, outside "
        "-459.67 to 1000 F"},
       Leaves::kFailedResult},
      // a Prony fit that turns negative speaks in words, then in numbers
      {"a mixture whose Prony fit turns negative",
       request("DES   \n2004 8 1 20\n6.0 4 11 8.755 -2.905\n0 0 0 0 0\n"), 1, "",
       {" The Prony-series fit of the creep compliance failed for case 1 (creep table \"",
        "master-gen.dat\"): with 4, 3 and 2 retardation times a coefficient comes out negative",
        "the mixture's creep data cannot be represented\n 3 -"},
       Leaves::kHistory},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Project p;
    c.mutate(p);
    const testing_support::CommandResult r = p.run();
    EXPECT_EQ(r.status, c.status) << r.output;
    if (!c.file.empty()) {
      EXPECT_NE(r.output.find("Input error in \"" + (p.folder() / c.file).string() + "\""),
                std::string::npos)
          << r.output;
    }
    for (const std::string& words : c.words)
      EXPECT_NE(r.output.find(words), std::string::npos) << words << "\nin:\n" << r.output;

    const fs::path progress = p.folder() / "progress.tmp";
    if (c.leaves == Leaves::kNothing) {
      EXPECT_FALSE(fs::exists(progress));
    }
    if (c.leaves == Leaves::kNoResult || c.leaves == Leaves::kFailedResult) {
      EXPECT_EQ(read_file(progress), "  -2\n");
    }
    if (c.leaves == Leaves::kNothing || c.leaves == Leaves::kNoResult) {
      for (const char* result : {".tem", ".crl", ".wat", ".por", ".drn", "res.txt", " 1.txt",
                                 "doc-17a.dat", "i2.dat"})
        EXPECT_FALSE(fs::exists(p.folder() / result)) << result;
    }
    if (c.leaves != Leaves::kHistory) {
      EXPECT_EQ(read_file(p.folder() / "tmp" / "thermal.tmp"), kOlderHistory);
    }
    for (const auto& f : fs::recursive_directory_iterator(p.root.path()))
      EXPECT_NE(f.path().extension(), ".part") << f.path();
  }
}

}  // namespace
