#pragma once
// Record input and output with Fortran semantics, on file channels and on texts:
//
//  - free-form ("list-directed") reading: values separated by blanks, tabs or
//    commas; texts in apostrophes or quotes; null values; repeat counts r*v and
//    r*; a slash ends the read; a read that needs more values continues on the
//    next line; every read starts a new line and drops the rest of the last line.
//  - fixed-column reading and fixed-layout writing through a Format, parsed once
//    (see format.h).
//  - free-form writing: one blank first, integers plain, reals at round-trip
//    precision, texts as they stand.
//
// Items are int32_t, int64_t, float, double, FixedText<N>, std::string (and, for
// writing, texts and literals), or a std::span / std::vector / std::array of
// numbers, which stands for its elements in order.
//
// Functions named read_* stop the run (status 2) on an end of file or an error,
// with a message naming the file, the line and what was expected; try_read_*
// return a ReadResult instead (the caller's end-of-file and error branches),
// which keeps what was expected for the caller's own message.
// read_*_unless_end return false at an end of file (the caller's end-of-file
// branch) and stop on any other error.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/fixed_text.h"
#include "platform/format.h"
#include "platform/units.h"

namespace platform {

// The outcome of a try-read: its status and, when that is not Ok, what was
// expected ("expected an integer, found \"x\""); unit_error_message turns it
// into a message naming the file and the line. It converts to its status, so
// callers compare and switch on it as on an IoStatus.
struct ReadResult {
  IoStatus status = IoStatus::Ok;
  std::string error;
  operator IoStatus() const { return status; }
};

// The first value that a fixed-layout write could not represent: one that is
// not finite, or one too wide for its field (written as asterisks). `field`
// counts the number fields of the write from 1; 0 when every value fitted.
struct FieldFault {
  int field = 0;
  std::string edit;   // the field's edit, "F6.1"
  std::string value;  // the value, free-form
  explicit operator bool() const { return field != 0; }
};

struct IoItem {
  enum Kind : std::uint8_t { kInt32, kInt64, kFloat, kDouble, kText, kString };
  Kind kind;
  bool writable;       // false for items that can only be written
  void* ptr;
  std::size_t count;   // elements (numbers) or 1 (texts)
  std::size_t length;  // characters, for kText
};

namespace detail {

template <class T>
struct NumberKind;
template <>
struct NumberKind<std::int32_t> {
  static constexpr IoItem::Kind value = IoItem::kInt32;
};
template <>
struct NumberKind<std::int64_t> {
  static constexpr IoItem::Kind value = IoItem::kInt64;
};
template <>
struct NumberKind<float> {
  static constexpr IoItem::Kind value = IoItem::kFloat;
};
template <>
struct NumberKind<double> {
  static constexpr IoItem::Kind value = IoItem::kDouble;
};

template <class T>
concept Number = requires { NumberKind<std::remove_cv_t<T>>::value; };

template <Number T>
IoItem make_item(T& v) {
  return {NumberKind<std::remove_cv_t<T>>::value, !std::is_const_v<T>,
          const_cast<void*>(static_cast<const void*>(&v)), 1, 0};
}
template <Number T>
IoItem make_item(const T& v) {
  return {NumberKind<T>::value, false, const_cast<void*>(static_cast<const void*>(&v)), 1, 0};
}
template <Number T, std::size_t E>
IoItem make_item(std::span<T, E> s) {
  return {NumberKind<std::remove_cv_t<T>>::value, !std::is_const_v<T>,
          const_cast<void*>(static_cast<const void*>(s.data())), s.size(), 0};
}
template <Number T>
IoItem make_item(std::vector<T>& v) {
  return make_item(std::span<T>(v));
}
template <Number T>
IoItem make_item(const std::vector<T>& v) {
  return make_item(std::span<const T>(v));
}
template <Number T, std::size_t N>
IoItem make_item(std::array<T, N>& v) {
  return make_item(std::span<T>(v));
}
template <Number T, std::size_t N>
IoItem make_item(const std::array<T, N>& v) {
  return make_item(std::span<const T>(v));
}
template <std::size_t N>
IoItem make_item(FixedText<N>& t) {
  return {IoItem::kText, true, t.data(), 1, N};
}
template <std::size_t N>
IoItem make_item(const FixedText<N>& t) {
  return {IoItem::kText, false, const_cast<char*>(t.data()), 1, N};
}
inline IoItem make_item(std::string& s) { return {IoItem::kString, true, &s, 1, 0}; }
inline IoItem make_item(const std::string& s) {
  return {IoItem::kText, false, const_cast<char*>(s.data()), 1, s.size()};
}
inline IoItem make_item(std::string_view s) {
  return {IoItem::kText, false, const_cast<char*>(s.data()), 1, s.size()};
}
inline IoItem make_item(const char* s) { return make_item(std::string_view(s)); }

template <class... T>
std::array<IoItem, sizeof...(T)> items(T&&... v) {
  return {make_item(std::forward<T>(v))...};
}

// A source of records: a channel or a single text.
struct RecordSource {
  int unit = -1;                // channel, or -1 for a text
  std::string_view text;        // the record of a text source
  bool text_used = false;
  IoStatus next(std::string_view& record, std::string* message);
};

// The engines; `error` receives what was expected when the status is not Ok.
IoStatus list_read(RecordSource& src, std::span<IoItem> items, std::string& error);
IoStatus fixed_read(RecordSource& src, const Format& fmt, std::span<IoItem> items,
                    std::string& error);
void list_write(std::string& out, std::span<const IoItem> items);
// With `fault`, also records the first value it could not represent there.
void fixed_write(std::string& out, const Format& fmt, std::span<const IoItem> items,
                 FieldFault* fault = nullptr);

}  // namespace detail

// ---- free-form reading ----

template <class... T>
ReadResult try_read_list(int unit, T&&... v) {
  auto it = detail::items(std::forward<T>(v)...);
  detail::RecordSource src{unit, {}, false};
  ReadResult r;
  r.status = detail::list_read(src, it, r.error);
  return r;
}

template <class... T>
void read_list(int unit, T&&... v) {
  auto it = detail::items(std::forward<T>(v)...);
  detail::RecordSource src{unit, {}, false};
  std::string error;
  const IoStatus st = detail::list_read(src, it, error);
  if (st != IoStatus::Ok) stop_on_unit_error(unit, st, error);
}

template <class... T>
bool read_list_unless_end(int unit, T&&... v) {
  const ReadResult r = try_read_list(unit, std::forward<T>(v)...);
  if (r.status == IoStatus::Error) stop_on_unit_error(unit, r.status, r.error);
  return r.status == IoStatus::Ok;
}

// Reads from a text as from one record; EndOfFile when it holds too few values.
template <class... T>
ReadResult read_list_text(std::string_view text, T&&... v) {
  auto it = detail::items(std::forward<T>(v)...);
  detail::RecordSource src{-1, text, false};
  ReadResult r;
  r.status = detail::list_read(src, it, r.error);
  return r;
}

// ---- fixed-column reading ----

template <class... T>
ReadResult try_read_fixed(int unit, const Format& fmt, T&&... v) {
  auto it = detail::items(std::forward<T>(v)...);
  detail::RecordSource src{unit, {}, false};
  ReadResult r;
  r.status = detail::fixed_read(src, fmt, it, r.error);
  return r;
}

template <class... T>
void read_fixed(int unit, const Format& fmt, T&&... v) {
  auto it = detail::items(std::forward<T>(v)...);
  detail::RecordSource src{unit, {}, false};
  std::string error;
  const IoStatus st = detail::fixed_read(src, fmt, it, error);
  if (st != IoStatus::Ok) stop_on_unit_error(unit, st, error);
}

template <class... T>
bool read_fixed_unless_end(int unit, const Format& fmt, T&&... v) {
  const ReadResult r = try_read_fixed(unit, fmt, std::forward<T>(v)...);
  if (r.status == IoStatus::Error) stop_on_unit_error(unit, r.status, r.error);
  return r.status == IoStatus::Ok;
}

template <class... T>
ReadResult read_fixed_text(std::string_view text, const Format& fmt, T&&... v) {
  auto it = detail::items(std::forward<T>(v)...);
  detail::RecordSource src{-1, text, false};
  ReadResult r;
  r.status = detail::fixed_read(src, fmt, it, r.error);
  return r;
}

// ---- writing ----

// Appends the records of a fixed-layout write to `out`, '\n' between records
// (none after the last).
template <class... T>
void append_fixed(std::string& out, const Format& fmt, const T&... v) {
  const std::array<IoItem, sizeof...(T)> it{detail::make_item(v)...};
  detail::fixed_write(out, fmt, it);
}

// The same, returning the first value it could not represent (the record is
// written all the same, asterisks and all).
template <class... T>
FieldFault append_fixed_checked(std::string& out, const Format& fmt, const T&... v) {
  const std::array<IoItem, sizeof...(T)> it{detail::make_item(v)...};
  FieldFault fault;
  detail::fixed_write(out, fmt, it, &fault);
  return fault;
}

template <class... T>
std::string format_fixed(const Format& fmt, const T&... v) {
  std::string out;
  append_fixed(out, fmt, v...);
  return out;
}

template <class... T>
void write_fixed(int unit, const Format& fmt, const T&... v) {
  thread_local std::string buf;
  buf.clear();
  append_fixed(buf, fmt, v...);
  write_record(unit, buf);
}

template <class... T>
std::string format_list(const T&... v) {
  const std::array<IoItem, sizeof...(T)> it{detail::make_item(v)...};
  std::string out;
  detail::list_write(out, it);
  return out;
}

template <class... T>
void write_list(int unit, const T&... v) {
  write_record(unit, format_list(v...));
}

}  // namespace platform
