// The programs' command lines, exit statuses and messages, through the real
// executables on throw-away projects.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "demo_data/demo_data.h"
#include "support/test_support.h"
#include "synthetic_input/front_end_input.h"

namespace {

namespace fs = std::filesystem;
using testing_support::write_file;

// A drive "c:\" whose directory.txt names the project folder, which is also
// the working folder of the run.
struct Project {
  testing_support::TempDir root;
  fs::path drive() const { return root.path() / "drive"; }
  fs::path folder() const { return root.path() / "proj"; }
  Project() {
    fs::create_directories(drive());
    fs::create_directories(folder());
    write_file(drive() / "directory.txt", folder().string() + "/\n");
  }
  // A run of the engine that reaches the climate simulation's input, the front
  // end's structure for a `layer` inches thick top layer, cut to `day_blocks`
  // days when above 0.
  void engine_input(const char* thickness, double layer = 6.0, int day_blocks = 0) const {
    write_file(folder() / "input.dat", std::string("JMF   \n2004 8 1 2\n") + thickness +
                                           " 0 0 -0.5 0.1\n1 0 0 0 0\n");
    fs::create_directories(folder() / "tmp");
    synthetic_input::FrontEndInput input;
    input.directory = folder().string() + "/";
    input.asphalt_thickness = layer;
    input.max_day_blocks = day_blocks;
    synthetic_input::write_front_end_input(folder() / "input.tmp", input);
  }
};

using Outcome = testing_support::CommandResult;

// tervon's scripts: road 1 on the first station, to its end or, when the
// dialog refuses, cancelled; and the import of a saved file that is refused.
const std::string kRoadOne =
    "click 1008\nclick 1009\nselect 1018 0\nanswer-save cancel\nclick 1\nexpect-end IDOK\n"
    "click 1\nexpect-end IDOK\n";
const std::string kRoadOneRefused =
    "click 1008\nclick 1009\nselect 1018 0\nanswer-save cancel\nclick 1\nclick 2\n"
    "expect-end IDCANCEL\nclick 1\nexpect-end IDOK\n";
const std::string kImportRefused =
    "answer-open ${PROJ}/site.clm\nclick 1007\nexpect-hidden 1\nclick 2\nexpect-end IDCANCEL\n"
    "click 1\nexpect-end IDOK\n";

// `shell` runs first in the same shell (a limit, for instance).
Outcome run(const Project& p, const std::string& program, const std::string& args,
            const std::string& shell = "") {
  return testing_support::run_command(shell + "cd '" + p.folder().string() +
                                      "' && PAVSIM_DRIVE_C='" + p.drive().string() + "' PROJ='" +
                                      p.folder().string() + "' '" + program + "' " + args +
                                      " 2>&1 </dev/null");
}

// "{P}" stands for the project folder, "{R}" for the root of the drive and project.
std::string expand(std::string text, const Project& p) {
  for (const auto& [key, value] : {std::pair<std::string, std::string>{"{P}", p.folder().string()},
                                   {"{R}", p.root.path().string()}})
    for (std::size_t at; (at = text.find(key)) != std::string::npos;) text.replace(at, key.size(), value);
  return text;
}

const std::string kPavsim = PAVSIM_EXECUTABLE;
const std::string kTervon = TERVON_EXECUTABLE;

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A demo project for tervon with `script` as s.tvs, a completion marker and an
// "input.tmp" left by an earlier run.
void tervon_project(const Project& p, const std::string& script) {
  demo::WriteDemoProject(p.folder());
  write_file(p.root.path() / "s.tvs", script);
  write_file(p.drive() / "check.txt", "100");
  write_file(p.folder() / "input.tmp", "an older input\n");
}

// A refused road leaves the older input and no marker.
void nothing_written(const Project& p) {
  EXPECT_EQ(read_file(p.folder() / "input.tmp"), "an older input\n");
  EXPECT_FALSE(fs::exists(p.folder() / "input.tmp.part"));
  EXPECT_FALSE(fs::exists(p.drive() / "check.txt")) << "the stale marker is removed";
}

// Line 7 of the engine input names the project folder, and the marker is new.
void written_for(const Project& p, const std::string& folder) {
  std::ifstream in(p.folder() / "input.tmp");
  std::string line;
  for (int k = 0; k < 7; ++k) std::getline(in, line);
  EXPECT_EQ(line, folder);
  EXPECT_EQ(read_file(p.drive() / "check.txt"), "100");
}

TEST(CommandLine, StatusesAndMessages) {
  struct Case {
    const char* what;
    const std::string& program;
    std::string args;
    std::function<void(const Project&)> setup;
    int status;
    std::vector<std::string> holds;  // what the output must hold
    std::vector<std::string> lacks;  // and must not
    std::string shell = "";
    std::function<void(const Project&)> after = nullptr;  // checks of the files
  };
  const auto nothing = [](const Project&) {};
  const auto empty_script = [](const Project& p) { write_file(p.root.path() / "s.tvs", ""); };
  // Station ALDER's hourly file with its first hour's value k (from 1) replaced.
  const auto alder_value = [](const Project& p, int k, const std::string& text) {
    const fs::path file = p.folder() / "hcd" / "00017.hcd";
    std::string hours = read_file(file);
    std::size_t at = 0;
    for (int i = 0; i < k; ++i) at = hours.find(',', at) + 1;
    hours.replace(at, hours.find(',', at) - at, text);
    write_file(file, hours);
  };
  const std::string refused = ": message \"Environment/Climatic\": ";
  const std::string station_missing =
      "..\\Defaults\\station.dat file missing.\\nRe-install the Orvid default *.dat files\\n"
      "(tried {P}/station.dat: ";
  const auto engine_input = [](const Project& p) { p.engine_input("6.0"); };
  const auto untouched = [](const Project& p) {
    for (const char* name : {"progress.tmp", ".drn", "tmp/pavsim.lock", "tmp/thermal.tmp"})
      EXPECT_FALSE(fs::exists(p.folder() / name)) << name;
  };
  // Under the limit the history's write fails; the run stops as any file error does.
  const auto history_refused = [](const Project& p) {
    EXPECT_EQ(testing_support::read_file(p.folder() / "progress.tmp"), "  -2\n");
    EXPECT_FALSE(fs::exists(p.folder() / "tmp" / "thermal.tmp.part"));
  };
  const Case cases[] = {
      {"pavsim --help", kPavsim, "--help", engine_input, 0,
       {"usage: pavsim [WORD [PROGRESS-FILE]]\n", "\"progress.tmp\" in the working folder",
        "PAVSIM_DRIVE_X", "One project folder takes one\nrun at a time",
        "128 + the signal\nnumber when interrupted (130 for Ctrl-C"},
       {}, "", untouched},
      {"pavsim -h", kPavsim, "-h", engine_input, 0, {"usage: pavsim"}, {}, "", untouched},
      {"pavsim --version", kPavsim, "--version", engine_input, 0, {"pavsim 1.0\n"}, {}, "",
       untouched},
      {"pavsim under a file-size limit", kPavsim, "", engine_input, 2,
       {"File error: cannot write \"{P}/tmp\\thermal.tmp.part\"", ": File too large\n"}, {},
       "ulimit -f 100; ", history_refused},
      {"tervon under a file-size limit", kTervon, "--script " ROAD1_SCRIPT,
       [](const Project& p) {
         testing_support::run_command(std::string("'") + TERVON_MKDEMO + "' '" +
                                      p.folder().string() + "' --drive '" + p.drive().string() +
                                      "' >/dev/null");
       },
       1, {"message \"Environment/Climatic\": Could not copy {P}/hcd/00017.hcd to {P}/hcd.tmp."},
       {}, "ulimit -f 100; "},
      {"tervon --help", kTervon, "--help", nothing, 0, {"usage: tervon", "--script FILE"}, {}},
      {"tervon -h", kTervon, "-h", nothing, 0, {"usage: tervon"}, {}},
      {"an unknown word", kTervon, "--frobnicate", nothing, 1,
       {"\"--frobnicate\"", "usage: tervon"}, {}},
      {"a folder as the script", kTervon, "--script {P}", nothing, 1,
       {"{P}: cannot open the script: it is a folder"}, {"still open"}},
      {"a missing script", kTervon, "--script {R}/none.tvs", nothing, 1,
       {"{R}/none.tvs: cannot open the script: No such file or directory"}, {}},
      {"an empty script shows the box it did not expect", kTervon, "--script {R}/s.tvs",
       empty_script, 0,
       {"{R}/s.tvs: message \"Environment/Climatic\": " + station_missing +
            "No such file or directory)\n",
        "{R}/s.tvs ended with \"Environment/Climatic\" still open; it was closed"},
       {}},
      {"station.dat is a folder", kTervon, "--script {R}/s.tvs",
       [&](const Project& p) {
         empty_script(p);
         fs::create_directory(p.folder() / "station.dat");
       },
       0, {station_missing + "it is a folder)"}, {}},
      {"a box the script expects is not repeated", kTervon, "--script {R}/s.tvs",
       [](const Project& p) {
         write_file(p.root.path() / "s.tvs",
                    "expect-message \"..\\\\Defaults\\\\station.dat file missing.\\nRe-install the "
                    "Orvid default *.dat files\\n(tried ${PROJ}/station.dat: No such file or "
                    "directory)\"\n");
       },
       0, {"still open"}, {"message \""}},
      {"directory.txt names a missing folder", kPavsim, "",
       [](const Project& p) { write_file(p.drive() / "directory.txt", "/nowhere/\n"); }, 2,
       {"\"/nowhere/input.dat\"", "file not found",
        "the project folder \"/nowhere/\" is the first line of \"c:\\directory.txt\" "
        "({R}/drive/directory.txt)"},
       {}},
      {"directory.txt is a folder", kPavsim, "",
       [](const Project& p) {
         fs::remove(p.drive() / "directory.txt");
         fs::create_directory(p.drive() / "directory.txt");
       },
       2, {"\"c:\\directory.txt\" ({R}/drive/directory.txt): it is a folder"}, {}},
      {"LTTP_CORRECT.CSV is a folder", kPavsim, "",
       [](const Project& p) {
         p.engine_input("6.0");
         fs::create_directory(p.folder() / "LTTP_CORRECT.CSV");
       },
       2, {"cannot open \"LTTP_CORRECT.CSV\"", "it is a folder"}, {}},
      {"a wanted thickness below 0", kPavsim, "", [](const Project& p) { p.engine_input("-2.0"); },
       1,
       {"Input error in \"{P}/input.dat\", line 3: asphalt thickness -2.0 inches; it must be "
        "above 0.2"},
       {"Input error in \"{P}/input.tmp\""}},
      // The engine counts the history points of the front end's structure as
      // tervon does: 52 at 49 inches, within the 50 at 48.9.
      {"the front end's structure at 49 inches", kPavsim, "",
       [](const Project& p) { p.engine_input("49", 49, 5); }, 1,
       {"Input error in \"{P}/input.tmp\"", "needs 52 temperature-history points; at most 50 can be written"},
       {}},
      {"the front end's structure at 48.9 inches", kPavsim, "",
       [](const Project& p) { p.engine_input("48.9", 48.9, 5); }, 1,
       {"ihac= 1 48.9 49\n 5\n9999\n"}, {"Input error"}},
      {"a control character in input.dat", kPavsim, "",
       [](const Project& p) {
         write_file(p.folder() / "input.dat", "JMF   \n2004 8\a 1 2\n6 0 0 0 0\n1 0 0 0 0\n");
       },
       2, {"line 2: expected an integer, found \"8\\x07\""}, {"\a"}},
      // tervon's refusals: nothing of an earlier run is overwritten, and no marker.
      {"a 49-inch asphalt layer", kTervon, "--script {R}/s.tvs",
       [](const Project& p) {
         tervon_project(p, kRoadOneRefused);
         write_file(p.folder() / "clmtemp.txt", "49\n0\n20\n");
       },
       0,
       {refused + "AC thickness 49 inches in {P}/clmtemp.txt: the asphalt layer needs 52 "
                  "temperature-history points; at most 50 can be written.\n"},
       {}, "", nothing_written},
      {"clmtemp.txt without its number of years", kTervon, "--script {R}/s.tvs",
       [](const Project& p) {
         tervon_project(p, kRoadOneRefused);
         write_file(p.folder() / "clmtemp.txt", "6.0\n0\n");
       },
       0, {refused + "The file {P}/clmtemp.txt has no number of years on line 3.\n"}, {}, "", nothing_written},
      {"nan in a station's hourly file", kTervon, "--script {R}/s.tvs",
       [&](const Project& p) {
         tervon_project(p, kRoadOneRefused);
         alder_value(p, 2, "nan");
       },
       0, {refused + "The file {P}/hcd.tmp has \"nan\" at line 1, where a finite number is wanted.\n"}, {},
       "", nothing_written},
      {"a repeat count in a station's hourly file", kTervon, "--script {R}/s.tvs",
       [&](const Project& p) {
         tervon_project(p, kRoadOneRefused);
         alder_value(p, 4, "300*0.06");
       },
       0, {refused + "The file {P}/hcd.tmp has \"300*0.06\" at line 1, where a finite number is wanted.\n"},
       {}, "", nothing_written},
      {"an import that is refused", kTervon, "--script {R}/s.tvs",
       [](const Project& p) {
         tervon_project(p, kImportRefused);
         // A saved file whose first hour has lost its temperature.
         write_file(p.folder() / "site.clm", "#\n#\n#\n#\n#\n#\n20040801-20050801\n"
                                             "-105.05,40.1,5300,100,-1,-1,-1,-1,48.9,0,0\n8 1 2004 5 19 500\n"
                                             "0 * 0.00 8.1 0 50\n");
       },
       0,
       {refused + "The file {P}/climate.tmp has \"*\" at line 10, where a finite number is wanted."
                  "\\nThe climatic data file {P}/site.clm was not imported.\n"},
       {"Accept"}, "", nothing_written},
      {"an empty station list", kTervon, "--script {R}/s.tvs",
       [](const Project& p) {
         tervon_project(p, "click 2\nexpect-end IDCANCEL\nclick 1\nexpect-end IDOK\n");
         write_file(p.folder() / "station.dat", "\n  \n");
       },
       0, {refused + "The station list {P}/station.dat holds no station.\n"}, {}},
      {"a malformed station line", kTervon, "--script {R}/s.tvs",
       [](const Project& p) {
         tervon_project(p, kRoadOne);
         write_file(p.folder() / "station.dat", "17,ALDER\n" + read_file(p.folder() / "station.dat"));
       },
       0,
       {refused + "The station list {P}/station.dat has a malformed line 1 (\"17,ALDER\"): it has 1 of the 7 "
                  "fields before the missing months, each ended by a comma; it was skipped.\n"},
       {}, "", [](const Project& p) { written_for(p, p.folder().string() + "/"); }},
      {"no c:\\directory.txt", kTervon, "--script {R}/s.tvs",
       [](const Project& p) {
         tervon_project(p, kRoadOne);
         fs::remove(p.drive() / "directory.txt");
       },
       0,
       {"tervon: \"c:\\directory.txt\" was not found ({R}/drive/directory.txt); the project folder is the "
        "working folder {P}/\n"},
       {"message"}, "", [](const Project& p) { written_for(p, p.folder().string() + "/"); }},
      {"trailing blanks in c:\\directory.txt", kTervon, "--script {R}/s.tvs",
       [](const Project& p) {
         tervon_project(p, kRoadOne);
         write_file(p.drive() / "directory.txt", p.folder().string() + "/   \n");
       },
       0, {}, {"tervon:"}, "", [](const Project& p) { written_for(p, p.folder().string() + "/"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Project project;
    c.setup(project);
    const Outcome r = run(project, c.program, expand(c.args, project), c.shell);
    EXPECT_EQ(r.status, c.status) << r.output;
    for (const std::string& words : c.holds)
      EXPECT_NE(r.output.find(expand(words, project)), std::string::npos)
          << "missing: " << expand(words, project) << "\nin:\n" << r.output;
    for (const std::string& words : c.lacks)
      EXPECT_EQ(r.output.find(expand(words, project)), std::string::npos) << r.output;
    if (c.after) c.after(project);
  }
}

}  // namespace
