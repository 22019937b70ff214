// The programs' command lines, exit statuses and messages, through the real
// executables on throw-away projects.

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

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
  // A run of the engine that reaches the climate simulation's input.
  void engine_input(const char* thickness) const {
    write_file(folder() / "input.dat", std::string("JMF   \n2004 8 1 2\n") + thickness +
                                           " 0 0 -0.5 0.1\n1 0 0 0 0\n");
    fs::create_directories(folder() / "tmp");
    synthetic_input::FrontEndInput input;
    input.directory = folder().string() + "/";
    synthetic_input::write_front_end_input(folder() / "input.tmp", input);
  }
};

using Outcome = testing_support::CommandResult;

Outcome run(const Project& p, const std::string& program, const std::string& args) {
  return testing_support::run_command("cd '" + p.folder().string() + "' && PAVSIM_DRIVE_C='" +
                                      p.drive().string() + "' PROJ='" + p.folder().string() +
                                      "' '" + program + "' " + args + " 2>&1 </dev/null");
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

TEST(CommandLine, StatusesAndMessages) {
  struct Case {
    const char* what;
    const std::string& program;
    std::string args;
    std::function<void(const Project&)> setup;
    int status;
    std::vector<std::string> holds;  // what the output must hold
    std::vector<std::string> lacks;  // and must not
  };
  const auto nothing = [](const Project&) {};
  const auto empty_script = [](const Project& p) { write_file(p.root.path() / "s.tvs", ""); };
  const std::string station_missing =
      "..\\Defaults\\station.dat file missing.\\nRe-install the Orvid default *.dat files\\n"
      "(tried {P}/station.dat: ";
  const Case cases[] = {
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
      {"a control character in input.dat", kPavsim, "",
       [](const Project& p) {
         write_file(p.folder() / "input.dat", "JMF   \n2004 8\a 1 2\n6 0 0 0 0\n1 0 0 0 0\n");
       },
       2, {"line 2: expected an integer, found \"8\\x07\""}, {"\a"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Project project;
    c.setup(project);
    const Outcome r = run(project, c.program, expand(c.args, project));
    EXPECT_EQ(r.status, c.status) << r.output;
    for (const std::string& words : c.holds)
      EXPECT_NE(r.output.find(expand(words, project)), std::string::npos)
          << "missing: " << expand(words, project) << "\nin:\n" << r.output;
    for (const std::string& words : c.lacks)
      EXPECT_EQ(r.output.find(expand(words, project)), std::string::npos) << r.output;
  }
}

}  // namespace
