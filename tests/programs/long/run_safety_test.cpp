// pavsim run as a batch scheduler runs it: from a working folder on another
// file system, two at once, on a held project, interrupted. Each run's files
// are compared with those of a clean solo run.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "synthetic_input/front_end_input.h"

namespace {

namespace fs = std::filesystem;
using testing_support::read_file;
using testing_support::TempDir;
using Files = std::map<std::string, std::string>;

// One synthetic year and a design life long enough to interrupt the cracking
// run. The run file keeps 70 characters of a path: every project lies as deep.
struct Project {
  fs::path drive, folder;
  explicit Project(const fs::path& root, const char* thickness = "6.0")
      : drive(root / "drive"), folder(root / "proj") {
    fs::create_directories(folder / "tmp");
    fs::create_directories(drive);
    testing_support::write_file(drive / "directory.txt", folder.string() + "/\n");
    testing_support::write_file(folder / "input.dat",
                                std::string("DES\n2004 8 1 200\n") + thickness +
                                    " 4.0 11.0 10.98 -3.68\n0.0 0.5 0.5 0.0 0.0\n");
    synthetic_input::FrontEndInput input;
    input.directory = folder.string() + "/";
    synthetic_input::write_front_end_input(folder / "input.tmp", input);
  }
  // Every file by its relative name, the project's own path masked; no
  // temporary history may be among them.
  Files files(const std::string& skip = "") const {
    Files out;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
      const std::string name = fs::relative(e.path(), folder).string();
      EXPECT_NE(e.path().extension(), ".part") << e.path();
      if (!e.is_regular_file() || name == skip) continue;
      std::string text = read_file(e.path());
      for (std::size_t at; (at = text.find(folder.string())) != std::string::npos;)
        text.replace(at, folder.string().size(), "@");
      out[name] = text;
    }
    return out;
  }
};

// The names of the files that differ, are missing or are new.
std::vector<std::string> differing(const Files& got, const Files& want) {
  std::vector<std::string> names;
  for (const auto& [name, text] : want)
    if (!got.count(name) || got.at(name) != text) names.push_back(name);
  for (const auto& [name, text] : got)
    if (!want.count(name)) names.push_back(name);
  return names;
}

// pavsim started in `cwd`, its console through a pipe. A shell leaves SIGINT
// ignored in a background job and pavsim keeps it so: the child resets it.
// Its standard input is empty, or with `keyboard` a pipe that stays open
// until `answer` is closed, as a terminal nobody types at.
struct Engine {
  pid_t pid;
  int out;
  int answer = -1;
  std::string console;
  Engine(const fs::path& cwd, const Project& p, bool keyboard = false) {
    int fds[2], keys[2] = {-1, -1};
    EXPECT_EQ(pipe(fds), 0);
    if (keyboard) {
      EXPECT_EQ(pipe2(keys, O_CLOEXEC), 0);  // no other child keeps it open
    }
    const std::string env = "PAVSIM_DRIVE_C=" + p.drive.string();
    if ((pid = fork()) == 0) {
      for (const int s : {SIGINT, SIGTERM, SIGHUP}) ::signal(s, SIG_DFL);
      dup2(fds[1], 1), dup2(fds[1], 2), dup2(keyboard ? keys[0] : open("/dev/null", O_RDONLY), 0);
      if (keyboard) close(keys[1]);
      char* const argv[] = {const_cast<char*>(PAVSIM_EXECUTABLE), nullptr};
      char* const envp[] = {const_cast<char*>(env.c_str()), nullptr};
      if (chdir(cwd.c_str()) == 0) execve(argv[0], argv, envp);
      _exit(127);
    }
    close(fds[1]);
    out = fds[0];
    if (keyboard) close(keys[0]), answer = keys[1];
  }
  bool read_more() {
    char buf[4096];
    const ssize_t n = read(out, buf, sizeof buf);
    if (n > 0) console.append(buf, static_cast<std::size_t>(n));
    return n > 0;
  }
  // Whether the console closes within `seconds`, the process having ended.
  bool ends_within(int seconds) {
    pollfd ready{out, POLLIN, 0};
    for (int waited = 0; waited < 10 * seconds;) {
      if (poll(&ready, 1, 100) == 0) {
        ++waited;
      } else if (!read_more()) {
        return true;
      }
    }
    return false;
  }
  // The exit status, -1 when a signal ended the process.
  int finish() {
    if (answer >= 0) close(answer);
    while (read_more()) {
    }
    close(out);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

void await_progress(const Project& p, const char* mark) {
  for (int i = 0; i < 60000 && read_file(p.folder / "progress.tmp") != mark; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

Files clean_run(const TempDir& dir) {
  Project p(dir / "r");
  Engine e(p.folder, p);
  EXPECT_EQ(e.finish(), 0) << e.console;
  return p.files();
}

TEST(RunSafety, OtherWorkingFolderSideBySideAndHeld) {
  TempDir reference_dir, dir;
  const Files reference = clean_run(reference_dir);
  // Two projects at once from a working folder on another file system (where
  // the machine has one) keep their own complete histories.
  const testing_support::ScopedEnv shm("TMPDIR",
                                       fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp");
  const TempDir work;
  const Project six(dir / "s"), five(dir / "f", "5.0");
  Engine a(work.path(), six), b(work.path(), five);
  EXPECT_EQ(a.finish(), 0) << a.console;
  EXPECT_EQ(b.finish(), 0) << b.console;
  Files want = reference;
  want.erase("progress.tmp");
  EXPECT_EQ(differing(six.files("progress.tmp"), want), std::vector<std::string>{});
  const std::string& history = reference.at("tmp/thermal.tmp");
  const std::string header = history.substr(0, history.find(" 6 6.0 0.0\n")) + " 5 5.0 0.0\n";
  EXPECT_EQ(read_file(five.folder / "tmp/thermal.tmp").substr(0, header.size()), header);
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(work.path())) left.push_back(e.path().filename());
  EXPECT_EQ(left, std::vector<std::string>{"progress.tmp"});

  // A second run on a held project stops at once and writes nothing; the first
  // ends as a solo run does.
  const Project held(dir / "h");
  Engine first(held.folder, held);
  await_progress(held, "   0\n");
  Engine second(held.folder, held);
  EXPECT_EQ(second.finish(), 1);
  EXPECT_EQ(second.console,
            " Another run is using the project folder " + held.folder.string() + "/\n");
  EXPECT_EQ(first.finish(), 0) << first.console;
  EXPECT_EQ(differing(held.files(), reference), std::vector<std::string>{});
}

TEST(RunSafety, InterruptedRunsStopCleanly) {
  TempDir reference_dir;
  const Files reference = clean_run(reference_dir);
  const std::string older = " 48 6 4.0 0.0\n2004080100  60.0\n";
  for (const int sig : {SIGINT, SIGTERM}) {
    for (const bool cracking : {false, true}) {
      SCOPED_TRACE(std::string(strsignal(sig)) +
                   (cracking ? " in the cracking run" : " in the simulation"));
      TempDir dir;
      const Project p(dir / "r");
      if (!cracking) testing_support::write_file(p.folder / "tmp/thermal.tmp", older);
      Engine e(p.folder, p);
      if (cracking) {
        while (e.console.find("Time begin=") == std::string::npos && e.read_more()) {
        }
      } else {
        await_progress(p, "   0\n");
      }
      kill(e.pid, sig);
      EXPECT_EQ(e.finish(), 128 + sig) << e.console;
      // What was written before reaches the pipe; an older history stays.
      const char* last = cracking ? " No.  months     crack [in]   TC [ft/mile]\n" : " 375\n";
      EXPECT_NE(e.console.find(std::string(last) + " Run interrupted\n"), std::string::npos)
          << e.console;
      EXPECT_EQ(e.console.find("Time end="), std::string::npos) << e.console;
      EXPECT_EQ(read_file(p.folder / "progress.tmp"), "  -2\n");
      const std::string& kept = cracking ? reference.at("tmp/thermal.tmp") : older;
      EXPECT_TRUE(read_file(p.folder / "tmp/thermal.tmp") == kept);
      p.files();  // no temporary left

      // A rerun that finds the history complete does not simulate.
      Engine rerun(p.folder, p);
      EXPECT_EQ(rerun.finish(), 0) << rerun.console;
      Files want = reference;
      if (cracking) want["progress.tmp"] = "  -2\n";
      EXPECT_EQ(differing(p.files(), want), std::vector<std::string>{});
    }
  }
}

// The engine asks the user to press Ctrl-C at its pause (a thicker layer than
// "input.tmp" has nodes for): that ends the run as interrupted, at once.
TEST(RunSafety, AnInterruptEndsAPause) {
  TempDir dir;
  const Project p(dir / "r", "12.0");
  Engine e(p.folder, p, true);
  while (e.console.find("To continue enter <CR>\n") == std::string::npos && e.read_more()) {
  }
  kill(e.pid, SIGINT);
  EXPECT_TRUE(e.ends_within(30)) << "the pause still waits: " << e.console;
  EXPECT_EQ(e.finish(), 128 + SIGINT) << e.console;
  EXPECT_NE(e.console.find("To continue enter <CR>\n Run interrupted\n"), std::string::npos)
      << e.console;
  EXPECT_EQ(read_file(p.folder / "progress.tmp"), "  -2\n");
  p.files();  // no temporary left
}

}  // namespace
