// Logical paths, file channels, stops, console and the whole-file helpers, in
// temporary folders.

#include <filesystem>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/record_io.h"
#include "platform/stop.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace platform;
using testing_support::ConsoleCapture;
using testing_support::read_file;
using testing_support::ScopedCwd;
using testing_support::ScopedEnv;
using testing_support::TempDir;
using testing_support::write_file;

// Runs `body`, expecting a stop; returns it.
template <class F>
RunStop expect_stop(F&& body) {
  try {
    body();
  } catch (const RunStop& s) {
    return s;
  }
  ADD_FAILURE() << "no stop";
  return RunStop(0, "");
}

TEST(Paths, DriveRootsSlashesBlanksAndCase) {
  TempDir drive, cwd;
  ScopedEnv env("PAVSIM_DRIVE_C", drive.path().string());
  ScopedCwd in(cwd.path());
  write_file(drive / "directory.txt", "x\n");
  fs::create_directories(drive / "proj" / "tmp");
  write_file(drive / "proj" / "INPUT.DAT", "");
  write_file(drive / "proj" / " 1.txt", "");

  EXPECT_EQ(resolve_path("c:\\directory.txt"), drive / "directory.txt");
  EXPECT_EQ(resolve_path("C:\\directory.txt   "), drive / "directory.txt");
  EXPECT_EQ(resolve_path("c:\\proj\\tmp\\thermal.tmp"), drive / "proj" / "tmp" / "thermal.tmp");
  EXPECT_EQ(resolve_path("c:\\proj\\ 1.txt"), drive / "proj" / " 1.txt");  // leading blank kept
  EXPECT_EQ(resolve_path("C:\\PROJ\\input.dat"), drive / "proj" / "INPUT.DAT");
  EXPECT_EQ(resolve_path("c:\\Proj\\new\\file.txt"), drive / "proj" / "new" / "file.txt");
  // another drive without its variable: the working directory
  EXPECT_EQ(resolve_path("d:\\x.txt"), cwd.path() / "x.txt");
  // relative names stay relative to the working directory
  EXPECT_EQ(resolve_path("LTTP_CORRECT.CSV"), fs::path("LTTP_CORRECT.CSV"));
  EXPECT_EQ(resolve_path((drive.path().string() + "/proj/input.dat")), drive / "proj" / "INPUT.DAT");
  EXPECT_TRUE(logical_file_exists("c:\\proj\\Input.Dat"));
  EXPECT_FALSE(logical_file_exists("c:\\proj\\missing.dat"));
}

TEST(Channels, ReadsRecordsWithCrlfAndWithoutFinalLineEnd) {
  TempDir dir;
  write_file(dir / "a.txt", "first\r\nsecond\r\n\r\nlast");
  open_unit(11, (dir / "a.txt").string(), OpenStatus::Old);
  std::string_view rec;
  std::vector<std::string> got;
  while (read_record(11, rec) == IoStatus::Ok) got.emplace_back(rec);
  EXPECT_EQ(got, (std::vector<std::string>{"first", "second", "", "last"}));
  EXPECT_EQ(read_record(11, rec), IoStatus::EndOfFile);
  close_unit(11);
  close_unit(11);  // closing a closed channel does nothing
  // a byte-order mark does not belong to the first record or line
  write_file(dir / "bom.txt", "\xEF\xBB\xBF" "c:\\proj\\\n2\n");
  open_unit(11, (dir / "bom.txt").string(), OpenStatus::Old);
  ASSERT_EQ(read_record(11, rec), IoStatus::Ok);
  EXPECT_EQ(rec, "c:\\proj\\");
  close_unit(11);
  LineReader bom(dir / "bom.txt");
  std::string first;
  ASSERT_TRUE(bom.next(first));
  EXPECT_EQ(first, "c:\\proj\\");
  // only at the start of the file, again after a rewind
  write_file(dir / "bom2.txt", "\xEF\xBB\xBF" "a\n\xEF\xBB\xBF" "b\n");
  LineReader twice(dir / "bom2.txt");
  std::vector<std::string> seen;
  for (int pass = 0; pass < 2; ++pass, twice.rewind())
    for (std::string l; twice.next(l);) seen.push_back(l);
  EXPECT_EQ(seen, (std::vector<std::string>{"a", "\xEF\xBB\xBF" "b", "a", "\xEF\xBB\xBF" "b"}));
  EXPECT_FALSE(unit_is_open(11));
  EXPECT_EQ(read_record(11, rec), IoStatus::Error);
}

TEST(Channels, FreeFormReadContinuesAndStartsNewLines) {
  TempDir dir;
  write_file(dir / "in.txt", "1 2 extra words\n3\n4 5\n'name' 6\n");
  open_unit(7, (dir / "in.txt").string(), OpenStatus::Old);
  int a, b, c, d;
  read_list(7, a, b);  // the rest of line 1 is dropped
  read_list(7, c, d);  // needs line 3 too
  EXPECT_EQ((std::vector{a, b, c, d}), (std::vector{1, 2, 3, 4}));
  std::string name;
  read_list(7, name, a);
  EXPECT_EQ(name, "name");
  EXPECT_EQ(a, 6);
  EXPECT_EQ(try_read_list(7, a), IoStatus::EndOfFile);
  close_unit(7);
}

TEST(Channels, ReopenClosesTheEarlierFileAndWritesAreKept) {
  TempDir dir;
  open_unit(96, (dir / "res.txt").string(), OpenStatus::Replace);
  write_list(96, 1, 2.5);
  open_unit(96, (dir / "i2.dat").string(), OpenStatus::Unknown);  // closes res.txt first
  write_fixed(96, Format("(I4)"), 7);
  close_unit(96);
  EXPECT_EQ(read_file(dir / "res.txt"), " 1 2.5\n");
  EXPECT_EQ(read_file(dir / "i2.dat"), "   7\n");
}

TEST(Channels, OpenStatusesAndFailures) {
  TempDir dir;
  std::string msg;
  EXPECT_EQ(try_open_unit(3, (dir / "missing.txt").string(), OpenStatus::Old, &msg), IoStatus::Error);
  EXPECT_NE(msg.find("missing.txt"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "missing.txt"));  // nothing created
  EXPECT_EQ(try_open_unit(3, (dir / "no" / "folder.txt").string(), OpenStatus::Unknown, &msg),
            IoStatus::Error);
  write_file(dir / "keep.txt", "old\n");
  EXPECT_EQ(try_open_unit(3, (dir / "keep.txt").string(), OpenStatus::New, &msg), IoStatus::Error);
  // Unknown keeps an existing file until it is written
  open_unit(3, (dir / "keep.txt").string(), OpenStatus::Unknown);
  close_unit(3);
  EXPECT_EQ(read_file(dir / "keep.txt"), "old\n");
  open_unit(3, (dir / "keep.txt").string(), OpenStatus::Unknown);
  write_record(3, "new");
  close_unit(3);
  EXPECT_EQ(read_file(dir / "keep.txt"), "new\n");
  // a write after reading keeps what was read and ends the file there
  write_file(dir / "rw.txt", "a\nb\nc\n");
  open_unit(4, (dir / "rw.txt").string(), OpenStatus::Old);
  std::string_view rec;
  read_record(4, rec);
  write_record(4, "x");
  close_unit(4);
  EXPECT_EQ(read_file(dir / "rw.txt"), "a\nx\n");
  // rewind reads from the start again
  open_unit(4, (dir / "rw.txt").string(), OpenStatus::Old);
  read_record(4, rec);
  read_record(4, rec);
  rewind_unit(4);
  read_record(4, rec);
  EXPECT_EQ(rec, "a");
  close_unit(4);
}

TEST(Stops, ReadFailuresNameFileLineAndExpectation) {
  TempDir dir;
  write_file(dir / "input.dat", "SPT\n1 2 x 4\n");
  ConsoleCapture console;
  open_unit(10, (dir / "input.dat").string(), OpenStatus::Old);
  std::string_view rec;
  read_record(10, rec);
  int v[4];
  RunStop s = expect_stop([&] { read_list(10, std::span<int>(v)); });
  EXPECT_EQ(s.status(), kStopIo);
  EXPECT_NE(s.message().find("input.dat"), std::string::npos);
  EXPECT_NE(s.message().find("line 2"), std::string::npos);
  EXPECT_NE(s.message().find("expected an integer"), std::string::npos);
  EXPECT_FALSE(unit_is_open(10));  // the stop closed every channel
  EXPECT_NE(console.text().find(s.message()), std::string::npos);

  open_unit(10, (dir / "input.dat").string(), OpenStatus::Old);
  read_record(10, rec);
  read_record(10, rec);
  s = expect_stop([&] { read_list(10, v[0]); });
  EXPECT_EQ(s.status(), kStopIo);
  EXPECT_NE(s.message().find("end of file"), std::string::npos);
  s = expect_stop([&] { open_unit(10, (dir / "nothing.dat").string(), OpenStatus::Old); });
  EXPECT_EQ(s.status(), kStopIo);
  EXPECT_NE(s.message().find("nothing.dat"), std::string::npos);
}

// What a failure says, where a caller handles it and where it stops the run:
// the reason is kept, control characters from the file are shown escaped, and
// a file that fails before its first record is not given a line number.
TEST(Stops, MessagesKeepTheReasonAndEscapeControlCharacters) {
  TempDir dir;
  ConsoleCapture console;
  write_file(dir / "in.dat", "1 x\n7\a 2\n");
  write_file(dir / "gone.dat", "1\n");
  const std::string in = (dir / "in.dat").string(), gone = (dir / "gone.dat").string();
  struct Case {
    const char* what;
    std::function<std::string()> message;
    std::string expected;
  };
  const Case cases[] = {
      {"a try-read keeps what was expected",
       [&] {
         open_unit(5, in, OpenStatus::Old);
         int a = 0, b = 0;
         const ReadResult r = try_read_list(5, a, b);
         return unit_error_message(5, r, r.error);
       },
       "File error: \"" + in + "\", line 1: expected an integer, found \"x\""},
      {"a control character read is escaped",
       [&] {
         int a = 0;
         return read_list_text("7\a", a).error;
       },
       "expected an integer, found \"7\\x07\""},
      {"a fixed-column try-read keeps its reason too",
       [&] {
         int a = 0;
         return read_fixed_text(" 1x", Format("(I3)"), a).error;
       },
       "expected an integer, found \"1x\" in columns 1-3"},
      {"a file that became a folder says so, without a line",
       [&] {
         open_unit(6, gone, OpenStatus::Old);
         fs::remove(dir / "gone.dat");
         fs::create_directory(dir / "gone.dat");
         int a = 0;
         const ReadResult r = try_read_list(6, a);
         return unit_error_message(6, r, r.error);
       },
       "File error: \"" + gone + "\": cannot read it: it is a folder"},
      {"a stop escapes what it quotes",
       [&] { return expect_stop([] { stop_run(kStopDecided, "bad \"\x1b[2J\"\nnext"); }).message(); },
       "bad \"\\x1b[2J\"\nnext"},
      {"a folder is no line file", [&] { return LineReader(dir.path()).error(); }, "it is a folder"},
      {"nor a source to copy",
       [&] { return copy_file_over(dir.path(), dir / "c.txt").error; },
       "Could not copy " + dir.path().string() + " to " + (dir / "c.txt").string() +
           ": the source is a folder."},
  };
  for (const Case& c : cases) EXPECT_EQ(c.message(), c.expected) << c.what;
  EXPECT_EQ(console.text(), "bad \"\\x1b[2J\"\nnext\n");
  close_all_units();
}

TEST(Stops, FlushAndCloseEveryChannelAndCarryTheStatus) {
  TempDir dir;
  ConsoleCapture console;
  open_unit(1, (dir / "a.txt").string(), OpenStatus::Replace);
  open_unit(2, (dir / "b.txt").string(), OpenStatus::Replace);
  write_record(1, "kept a");
  write_record(2, "kept b");
  const int status = run_program([] { stop_run(kStopLibrary, " *** stop"); });
  EXPECT_EQ(status, 3);
  EXPECT_EQ(read_file(dir / "a.txt"), "kept a\n");
  EXPECT_EQ(read_file(dir / "b.txt"), "kept b\n");
  EXPECT_FALSE(unit_is_open(1));
  EXPECT_EQ(console.text(), " *** stop\n");
  EXPECT_EQ(run_program([] {}), 0);
  EXPECT_EQ(run_program([] { throw std::runtime_error("boom"); }), 1);
}

TEST(Console, PauseGoesOnAtEndOfInput) {
  {
    ConsoleCapture console("\n");
    console_pause();
    console_pause();  // input exhausted: returns at once
    console_line("after");
    EXPECT_EQ(console.text(), "after\n");
  }
}

TEST(Process, CommandArgumentsAndCpuTime) {
  const char* argv[] = {"pavsim", "", "my progress.tmp"};
  set_command_line(3, argv);
  EXPECT_TRUE(command_argument(1).is_blank());
  EXPECT_EQ(command_argument(2), "my progress.tmp");
  EXPECT_TRUE(command_argument(3).is_blank());
  EXPECT_EQ(command_argument(2).size(), 256u);
  const float t0 = cpu_seconds();
  volatile double sink = 0;
  for (int i = 0; i < 2000000; ++i) sink = sink + i * 0.5;
  EXPECT_GE(cpu_seconds(), t0);
}

TEST(FileHelpers, LinesCopyDeleteRename) {
  TempDir dir;
  write_file(dir / "a.txt", "one\r\ntwo");
  LineReader r(dir / "a.txt");
  std::string line;
  std::vector<std::string> lines;
  while (r.next(line)) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two"}));
  EXPECT_FALSE(LineReader(dir / "none.txt").is_open());

  EXPECT_TRUE(copy_file_over(dir / "a.txt", dir / "b.txt").ok);
  EXPECT_EQ(read_file(dir / "b.txt"), "one\r\ntwo");
  EXPECT_TRUE(copy_file_over(dir / "a.txt", dir / "a.txt").ok);  // onto itself: intact
  EXPECT_EQ(read_file(dir / "a.txt"), "one\r\ntwo");
  const FileResult bad = copy_file_over(dir / "none.txt", dir / "c.txt");
  EXPECT_FALSE(bad.ok);
  EXPECT_NE(bad.error.find("none.txt"), std::string::npos);
  EXPECT_FALSE(copy_file_over(dir / "a.txt", dir / "no" / "c.txt").ok);
  EXPECT_TRUE(rename_file(dir / "b.txt", dir / "c.txt").ok);
  EXPECT_TRUE(delete_file(dir / "c.txt"));
  EXPECT_FALSE(file_exists(dir / "c.txt"));
  EXPECT_TRUE(delete_file(dir / "never.txt"));
}

TEST(FixedTexts, PaddingCuttingComparing) {
  FixedText<5> a("ab");
  EXPECT_EQ(a.view(), "ab   ");
  EXPECT_EQ(a.trimmed(), "ab");
  EXPECT_TRUE(a == "ab");
  EXPECT_TRUE(a == "ab     ");
  EXPECT_FALSE(a == "abc");
  EXPECT_FALSE(a == " ab");
  a = "abcdefgh";
  EXPECT_EQ(a.view(), "abcde");
  FixedText<3> spt("SPT");
  EXPECT_FALSE(spt == "spt");  // exact, case-sensitive
  EXPECT_FALSE(FixedText<3>(" SP") == "SPT");
  FixedText<8> wide(spt);
  EXPECT_TRUE(wide == spt);
  EXPECT_EQ(FixedText<4>("  x ").trimmed(), "  x");  // leading blanks kept
  EXPECT_EQ((concat<10>("c:\\proj\\", "input.dat")).view(), "c:\\proj\\in");
}

}  // namespace
