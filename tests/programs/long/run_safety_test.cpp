// pavsim run as a batch scheduler runs it: from another working folder (on
// another file system where the machine has one), two at once, interrupted.
// Every run's files are compared with a clean solo run of the same project.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "synthetic_input/front_end_input.h"

namespace {

namespace fs = std::filesystem;
using testing_support::read_file;
using testing_support::TempDir;
using testing_support::write_file;

// A design life long enough for a cracking run that can be interrupted.
std::string design_request(const char* thickness) {
  return std::string("DES\n2004 8 1 200\n") + thickness + " 4.0 11.0 10.98 -3.68\n0.0 0.5 0.5 0.0 0.0\n";
}

// A drive and a project of one synthetic year under `root`.
struct Project {
  fs::path drive, folder;
  explicit Project(const fs::path& root, const char* thickness = "6.0")
      : drive(root / "drive"), folder(root / "proj") {
    fs::create_directories(drive);
    fs::create_directories(folder / "tmp");
    write_file(drive / "directory.txt", folder.string() + "/\n");
    write_file(folder / "input.dat", design_request(thickness));
    synthetic_input::FrontEndInput input;
    input.directory = folder.string() + "/";
    synthetic_input::write_front_end_input(folder / "input.tmp", input);
  }
};

using Files = std::map<std::string, std::string>;

// Every file under `folder` by its relative name, with the folder's own path
// masked (the run files name it).
Files files_under(const fs::path& folder) {
  Files out;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    if (!e.is_regular_file()) continue;
    std::string text = read_file(e.path());
    const std::string own = folder.string();
    for (std::size_t at; (at = text.find(own)) != std::string::npos;) text.replace(at, own.size(), "@");
    out[fs::relative(e.path(), folder).string()] = std::move(text);
  }
  return out;
}

void expect_same_files(const Files& got, const Files& want, const std::set<std::string>& skip = {}) {
  for (const auto& [name, text] : want) {
    if (skip.count(name) != 0) continue;
    const auto it = got.find(name);
    if (it == got.end()) {
      ADD_FAILURE() << name << " is missing";
    } else {
      EXPECT_TRUE(it->second == text) << name << " differs";
    }
  }
  for (const auto& [name, text] : got)
    if (want.count(name) == 0 && skip.count(name) == 0) ADD_FAILURE() << name << " is new";
}

void expect_no_temporary(const fs::path& folder) {
  for (const auto& e : fs::recursive_directory_iterator(folder))
    EXPECT_NE(e.path().extension(), ".part") << e.path();
}

// pavsim started in `cwd`, its console read through a pipe. The three signals
// are set to their defaults first: a shell leaves SIGINT ignored in a job it
// starts in the background, and pavsim keeps a signal ignored that way.
class Engine {
 public:
  Engine(const fs::path& cwd, const fs::path& drive) {
    const std::string env = "PAVSIM_DRIVE_C=" + drive.string();
    char* const envp[] = {const_cast<char*>(env.c_str()), nullptr};
    char* const argv[] = {const_cast<char*>(PAVSIM_EXECUTABLE), nullptr};
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("no pipe");
    pid_ = fork();
    if (pid_ == 0) {
      for (const int s : {SIGINT, SIGTERM, SIGHUP}) ::signal(s, SIG_DFL);
      dup2(fds[1], 1);
      dup2(fds[1], 2);
      const int null = open("/dev/null", O_RDONLY);
      dup2(null, 0);
      if (chdir(cwd.c_str()) != 0) _exit(126);
      execve(PAVSIM_EXECUTABLE, argv, envp);
      _exit(127);
    }
    close(fds[1]);
    out_ = fds[0];
  }
  ~Engine() {
    if (pid_ > 0) finish();
  }

  // Reads the console until it holds `text`; false when it ends first.
  bool await_console(const std::string& text) {
    while (console_.find(text) == std::string::npos)
      if (!read_some()) return false;
    return true;
  }
  void signal(int sig) const { kill(pid_, sig); }
  // The exit status (-1 when the process did not exit by itself); the whole
  // console is in console().
  int finish() {
    while (read_some()) {
    }
    close(out_);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  const std::string& console() const { return console_; }

 private:
  bool read_some() {
    char buf[4096];
    const ssize_t n = read(out_, buf, sizeof buf);
    if (n <= 0) return false;
    console_.append(buf, static_cast<std::size_t>(n));
    return true;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  std::string console_;
};

// Waits (at most a minute) until the file holds `text`.
bool await_file(const fs::path& path, const std::string& text) {
  for (int i = 0; i < 60000; ++i) {
    if (read_file(path) == text) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

int run_engine(const fs::path& cwd, const fs::path& drive) {
  Engine e(cwd, drive);
  const int status = e.finish();
  EXPECT_EQ(status, 0) << e.console();
  return status;
}

// The clean solo run every other run is compared with. The run file names the
// project by its first 70 characters: every project lies as deep as this one.
Files clean_run(const TempDir& dir) {
  Project p(dir.path() / "r");
  run_engine(p.folder, p.drive);
  return files_under(p.folder);
}

// A working folder on another file system than the projects where the
// machine has one, so that a history written through it would cross devices.
class WorkFolder {
 public:
  WorkFolder(const TempDir& dir, const char* name) {
    struct stat shm {}, tmp {};
    const bool other = stat("/dev/shm", &shm) == 0 && stat(dir.path().c_str(), &tmp) == 0 &&
                       shm.st_dev != tmp.st_dev;
    path_ = other ? fs::path("/dev/shm") / (dir.path().filename().string() + "-" + name)
                  : dir.path() / name;
    fs::create_directories(path_);
  }
  ~WorkFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

TEST(RunSafety, WorkingFolderAndConcurrentRuns) {
  TempDir reference_dir, dir;
  const Files reference = clean_run(reference_dir);
  ASSERT_EQ(reference.at("progress.tmp"), "9999\n");

  // From another working folder: the progress file lands there, nothing else.
  {
    const WorkFolder work(dir, "work");
    Project p(dir.path() / "a");
    run_engine(work.path(), p.drive);
    expect_same_files(files_under(p.folder), reference, {"progress.tmp"});
    EXPECT_EQ(files_under(work.path()), (Files{{"progress.tmp", "9999\n"}}));
  }

  // Two projects at once from one working folder keep their own histories.
  {
    const WorkFolder work(dir, "shared");
    Project six(dir.path() / "s"), five(dir.path() / "f", "5.0");
    Engine a(work.path(), six.drive), b(work.path(), five.drive);
    EXPECT_EQ(a.finish(), 0) << a.console();
    EXPECT_EQ(b.finish(), 0) << b.console();
    expect_same_files(files_under(six.folder), reference, {"progress.tmp"});
    // The same climate records; five nodes for 5 inches.
    const std::string six_history = reference.at("tmp/thermal.tmp");
    const std::string count = six_history.substr(0, six_history.find(" 6 6.0 0.0\n"));
    const std::string five_history = read_file(five.folder / "tmp" / "thermal.tmp");
    EXPECT_EQ(five_history.substr(0, five_history.find('\n') + 1), count + " 5 5.0 0.0\n");
    expect_no_temporary(work.path());
  }

  // A second run on a project that a first run holds stops at once and
  // writes nothing; the first run ends as a solo run does.
  {
    Project p(dir.path() / "h");
    Engine first(p.folder, p.drive);
    ASSERT_TRUE(await_file(p.folder / "progress.tmp", "   0\n"));
    const auto second = testing_support::run_command(
        "cd '" + p.folder.string() + "' && PAVSIM_DRIVE_C='" + p.drive.string() + "' '" +
        PAVSIM_EXECUTABLE + "' 2>&1 </dev/null");
    EXPECT_EQ(second.status, 1) << second.output;
    EXPECT_EQ(second.output, " Another run is using the project folder " + p.folder.string() + "/\n");
    EXPECT_EQ(first.finish(), 0) << first.console();
    expect_same_files(files_under(p.folder), reference);
  }
  expect_no_temporary(dir.path());
}

TEST(RunSafety, InterruptedRunsStopCleanly) {
  TempDir reference_dir;
  const Files reference = clean_run(reference_dir);
  const std::string older_history = " 48 6 4.0 0.0\n2004080100  60.0\n";
  struct Case {
    int signal;
    bool in_cracking;  // else in the simulation
  };
  for (const Case c : {Case{SIGINT, false}, Case{SIGTERM, false}, Case{SIGINT, true},
                       Case{SIGTERM, true}}) {
    SCOPED_TRACE(std::string(strsignal(c.signal)) + (c.in_cracking ? " in the cracking run" : " in the simulation"));
    TempDir dir;
    Project p(dir.path() / "i");
    const fs::path history = p.folder / "tmp" / "thermal.tmp";
    if (!c.in_cracking) write_file(history, older_history);

    Engine e(p.folder, p.drive);
    if (c.in_cracking) {
      ASSERT_TRUE(e.await_console("Time begin=")) << e.console();
    } else {
      ASSERT_TRUE(await_file(p.folder / "progress.tmp", "   0\n"));
    }
    e.signal(c.signal);
    EXPECT_EQ(e.finish(), 128 + c.signal) << e.console();
    EXPECT_NE(e.console().find(" Run interrupted\n"), std::string::npos) << e.console();
    EXPECT_EQ(read_file(p.folder / "progress.tmp"), "  -2\n");
    if (c.in_cracking) {
      // What the run wrote before reaches the pipe; the complete history stays.
      EXPECT_NE(e.console().find("9999\n"), std::string::npos) << e.console();
      EXPECT_NE(e.console().find(" No.  months     crack [in]   TC [ft/mile]\n"), std::string::npos);
      EXPECT_EQ(e.console().find("Time end="), std::string::npos) << e.console();
      EXPECT_TRUE(read_file(history) == reference.at("tmp/thermal.tmp"));
    } else {
      EXPECT_EQ(read_file(history), older_history);
    }
    expect_no_temporary(dir.path());

    // A rerun that finds the history complete does not simulate, and leaves
    // the progress file as it was.
    run_engine(p.folder, p.drive);
    expect_same_files(files_under(p.folder), reference,
                      c.in_cracking ? std::set<std::string>{"progress.tmp"} : std::set<std::string>{});
  }
}

}  // namespace
