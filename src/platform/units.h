#pragma once
// Numbered file channels, as the engine uses them: a text file is opened on a
// small channel number, read or written one record (line) at a time, and closed.
//
// Opening a channel that is already open closes the earlier file first; closing a
// channel that is not open does nothing. Reading drops a trailing carriage return
// and treats a last line without line end as a record. Writing is buffered.
// Every open channel is flushed and closed by close_all_units(), which the run's
// normal end and every stop call.

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

enum class OpenStatus {
  Unknown,  // the file is created when missing; an existing one is kept until written
  Old,      // the file must exist (reading)
  New,      // the file must not exist
  Replace,  // created or emptied at once
};

enum class IoStatus { Ok, EndOfFile, Error };

// Opens `logical_name` (see resolve_path) on `unit`. A failure stops the run
// (status 2) with a message that names the file.
void open_unit(int unit, std::string_view logical_name, OpenStatus status = OpenStatus::Unknown);

// The same, reporting a failure instead of stopping: Ok, or Error with a
// message in *message when given.
IoStatus try_open_unit(int unit, std::string_view logical_name, OpenStatus status,
                       std::string* message = nullptr);

void close_unit(int unit);
bool unit_is_open(int unit);
void flush_unit(int unit);
// Positions the channel at its first record again.
void rewind_unit(int unit);
void close_all_units();

// The name the channel was opened with (trailing blanks removed), for messages;
// empty when the channel is not open.
std::string unit_name(int unit);
std::filesystem::path unit_path(int unit);
// Number of the record last read from the channel (1 = first line).
long unit_line(int unit);

// Reads the next record. EndOfFile after the last one; Error when the channel is
// not open or the file cannot be read (message in *message).
IoStatus read_record(int unit, std::string_view& record, std::string* message = nullptr);

// Appends `text` as one or more records ('\n' separates records inside `text`).
// A write error stops the run (status 2).
void write_record(int unit, std::string_view text);

// The message of an input/output error on a channel: "File error: ", the file,
// the record last read (when one was) and `detail`, what went wrong.
std::string unit_error_message(int unit, IoStatus status, std::string_view detail);

// Stops the run with status 2 and unit_error_message.
[[noreturn]] void stop_on_unit_error(int unit, IoStatus status, std::string_view detail);

}  // namespace platform
