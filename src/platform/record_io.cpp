#include "platform/record_io.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/stop.h"

namespace platform {
namespace detail {
namespace {

const char* kind_name(IoItem::Kind k) {
  switch (k) {
    case IoItem::kInt32:
    case IoItem::kInt64: return "an integer";
    case IoItem::kFloat:
    case IoItem::kDouble: return "a real number";
    default: return "a text";
  }
}

std::string quote(std::string_view s) {
  if (s.size() > 40) return "\"" + printable(s.substr(0, 40)) + "...\"";
  return "\"" + printable(s) + "\"";
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// ------------------------------------------------------------ number texts

// Parses an integer text (sign and digits only).
bool parse_integer(std::string_view t, std::int64_t& v) {
  bool neg = false;
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
    neg = t[0] == '-';
    t.remove_prefix(1);
  }
  if (t.empty()) return false;
  std::uint64_t mag = 0;
  auto r = std::from_chars(t.data(), t.data() + t.size(), mag);
  if (r.ec != std::errc() || r.ptr != t.data() + t.size()) return false;
  if (mag > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + (neg ? 1u : 0u))
    return false;
  v = neg ? static_cast<std::int64_t>(0 - mag) : static_cast<std::int64_t>(mag);
  return true;
}

bool equal_nocase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
  return true;
}

// Parses a real text as Fortran input does: [sign] mantissa [exponent], the
// exponent being a letter E, D or Q with an optional sign, or a sign alone.
// Without a point in the mantissa, `implied` decimals are assumed; without an
// exponent, a scale factor k divides by 10^k. Rounded once, to T.
template <class T>
bool parse_real(std::string_view t, int implied, int scale, T& v) {
  char buf[160];
  std::string big;
  char* b = buf;
  std::size_t cap = sizeof buf - 24;
  if (t.size() > cap) {
    big.resize(t.size() + 32);
    b = big.data();
    cap = t.size();
  }
  std::size_t n = 0;
  std::size_t i = 0;
  bool neg = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
    neg = t[i] == '-';
    ++i;
  }
  std::string_view rest = t.substr(i);
  if (equal_nocase(rest, "nan") || equal_nocase(rest, "inf") || equal_nocase(rest, "infinity") ||
      (rest.size() > 3 && equal_nocase(rest.substr(0, 4), "nan(") && rest.back() == ')')) {
    if (std::tolower(static_cast<unsigned char>(rest[0])) == 'n') v = std::numeric_limits<T>::quiet_NaN();
    else v = neg ? -std::numeric_limits<T>::infinity() : std::numeric_limits<T>::infinity();
    return true;
  }
  if (neg) b[n++] = '-';
  bool point = false;
  int mant_digits = 0;
  for (; i < t.size(); ++i) {
    const char c = t[i];
    if (c >= '0' && c <= '9') {
      b[n++] = c;
      ++mant_digits;
    } else if (c == '.' && !point) {
      b[n++] = c;
      point = true;
    } else {
      break;
    }
  }
  if (mant_digits == 0) return false;
  long exp = 0;
  bool has_exp = false;
  if (i < t.size()) {
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(t[i])));
    if (c == 'E' || c == 'D' || c == 'Q') {
      ++i;
      if (i >= t.size()) return false;
    } else if (c != '+' && c != '-') {
      return false;
    }
    bool eneg = false;
    if (t[i] == '+' || t[i] == '-') {
      eneg = t[i] == '-';
      ++i;
    }
    if (i >= t.size()) return false;
    // Any number of digits; beyond 10^9 the value is infinity or zero anyway.
    long e = 0;
    for (; i < t.size(); ++i) {
      if (t[i] < '0' || t[i] > '9') return false;
      if (e < 1000000000) e = e * 10 + (t[i] - '0');
    }
    exp = eneg ? -e : e;
    has_exp = true;
  }
  if (!point) exp -= implied;
  if (!has_exp) exp -= scale;
  if (exp != 0) {
    b[n++] = 'e';
    auto r = std::to_chars(b + n, b + n + 20, exp);
    n = static_cast<std::size_t>(r.ptr - b);
  }
  auto r = std::from_chars(b, b + n, v);
  if (r.ptr != b + n) return false;
  if (r.ec == std::errc::result_out_of_range) {
    // Overflow gives infinity, underflow zero, as the processor's input does.
    // Which one it is follows from the magnitude 0.d... * 10^(lead + exp), d
    // the first non-zero digit; the mantissa alone may be far out of range.
    long lead = 0;
    bool before_point = true, nonzero = false;
    for (std::size_t j = neg ? 1 : 0; j < n && b[j] != 'e'; ++j) {
      if (b[j] == '.') {
        before_point = false;
      } else if (nonzero || b[j] != '0') {
        nonzero = true;
        if (before_point) ++lead;
      } else if (!before_point) {
        --lead;
      }
    }
    const bool overflow = lead + exp > 0;
    v = overflow ? (neg ? -std::numeric_limits<T>::infinity() : std::numeric_limits<T>::infinity())
                 : (neg ? -T(0) : T(0));
    return true;
  }
  return r.ec == std::errc();
}

// Stores a number text into element k of an item.
bool store_number(IoItem& it, std::size_t k, std::string_view text, int implied, int scale,
                  std::string& error) {
  switch (it.kind) {
    case IoItem::kInt32:
    case IoItem::kInt64: {
      std::int64_t v = 0;
      if (!parse_integer(text, v)) {
        error = "expected an integer, found " + quote(text);
        return false;
      }
      if (it.kind == IoItem::kInt32) {
        if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max()) {
          error = "integer out of range: " + quote(text);
          return false;
        }
        static_cast<std::int32_t*>(it.ptr)[k] = static_cast<std::int32_t>(v);
      } else {
        static_cast<std::int64_t*>(it.ptr)[k] = v;
      }
      return true;
    }
    case IoItem::kFloat:
      if (!parse_real(text, implied, scale, static_cast<float*>(it.ptr)[k])) {
        error = "expected a real number, found " + quote(text);
        return false;
      }
      return true;
    case IoItem::kDouble:
      if (!parse_real(text, implied, scale, static_cast<double*>(it.ptr)[k])) {
        error = "expected a real number, found " + quote(text);
        return false;
      }
      return true;
    default:
      error = "internal: not a number item";
      return false;
  }
}

void store_text(IoItem& it, std::string_view text) {
  if (it.kind == IoItem::kString) {
    static_cast<std::string*>(it.ptr)->assign(text);
    return;
  }
  char* dst = static_cast<char*>(it.ptr);
  const std::size_t n = std::min(text.size(), it.length);
  std::memcpy(dst, text.data(), n);
  std::memset(dst + n, ' ', it.length - n);
}

bool is_text(const IoItem& it) { return it.kind == IoItem::kText || it.kind == IoItem::kString; }

// ------------------------------------------------------------ free-form input

struct ListScanner {
  RecordSource& src;
  std::string_view rec;
  std::size_t p = 0;
  std::string* message;
  // After a value whose separator so far is blanks or a record end: a comma
  // still to come belongs to that separator and is not a null value.
  bool comma_pending = false;

  enum Token { kValue, kNull, kSlash, kEnd, kError };

  IoStatus next_record() {
    std::string err;
    IoStatus st = src.next(rec, &err);
    p = 0;
    if (st == IoStatus::Error && message) *message = err;
    return st;
  }

  void skip_blanks() {
    while (p < rec.size() && is_blank(rec[p])) ++p;
  }

  // After a value: its separator (blanks, at most one comma) is consumed; a
  // slash is left for the next token.
  void consume_separator() {
    skip_blanks();
    comma_pending = true;
    if (p < rec.size() && rec[p] == ',') {
      ++p;
      comma_pending = false;
    }
  }

  // Reads one value text: quoted (quotes removed, doubled quotes kept once) or
  // plain up to a blank, comma or slash.
  bool value_text(std::string& quoted_buf, std::string_view& out, bool& was_quoted) {
    was_quoted = false;
    const char c = rec[p];
    if (c == '\'' || c == '"') {
      was_quoted = true;
      quoted_buf.clear();
      ++p;
      for (;;) {
        if (p >= rec.size()) {
          // the text goes on in the next record
          if (next_record() != IoStatus::Ok) return false;
          continue;
        }
        const char d = rec[p++];
        if (d == c) {
          if (p < rec.size() && rec[p] == c) {
            quoted_buf.push_back(c);
            ++p;
            continue;
          }
          break;
        }
        quoted_buf.push_back(d);
      }
      out = quoted_buf;
      return true;
    }
    const std::size_t start = p;
    while (p < rec.size() && !is_blank(rec[p]) && rec[p] != ',' && rec[p] != '/') ++p;
    out = rec.substr(start, p - start);
    return true;
  }
};

}  // namespace

IoStatus RecordSource::next(std::string_view& record, std::string* message) {
  if (unit >= 0) return read_record(unit, record, message);
  if (text_used) return IoStatus::EndOfFile;
  text_used = true;
  record = text;
  return IoStatus::Ok;
}

IoStatus list_read(RecordSource& src, std::span<IoItem> items, std::string& error) {
  ListScanner sc{src, {}, 0, &error};
  IoStatus st = sc.next_record();
  if (st != IoStatus::Ok) {
    if (st == IoStatus::EndOfFile) {
      error = items.empty() ? "expected a line" : std::string("expected ") + kind_name(items[0].kind);
    }
    return st;
  }
  long repeat = 0;       // values still to hand out from a repeat group
  bool repeat_null = false;
  std::string repeat_text;
  bool repeat_quoted = false;
  std::string quoted_buf;
  bool any_taken = false;  // a value or null of this read has been taken

  for (std::size_t i = 0; i < items.size(); ++i) {
    IoItem& it = items[i];
    if (!it.writable) {
      error = "internal: read into a constant item";
      return IoStatus::Error;
    }
    for (std::size_t k = 0; k < it.count; ++k) {
      std::string_view text;
      bool quoted = false;
      bool null = false;
      if (repeat > 0) {
        --repeat;
        null = repeat_null;
        text = repeat_text;
        quoted = repeat_quoted;
      } else {
        for (;;) {
          sc.skip_blanks();
          if (sc.p < sc.rec.size()) {
            if (sc.rec[sc.p] != ',' || !sc.comma_pending) break;
            ++sc.p;  // ends the separator of the value before, across a record end
            sc.comma_pending = false;
            continue;
          }
          st = sc.next_record();
          if (st != IoStatus::Ok) {
            if (st == IoStatus::EndOfFile) error = std::string("expected ") + kind_name(it.kind);
            return st;
          }
          // A leading null belongs to the first record only: after blank
          // records, a comma that opens a record is a separator.
          if (!any_taken) sc.comma_pending = true;
        }
        sc.comma_pending = false;
        any_taken = true;
        const char c = sc.rec[sc.p];
        if (c == '/') return IoStatus::Ok;  // the rest keep their values
        if (c == ',') {
          ++sc.p;
          null = true;
        } else {
          // a repeat count r*
          std::size_t q = sc.p;
          while (q < sc.rec.size() && std::isdigit(static_cast<unsigned char>(sc.rec[q]))) ++q;
          if (q > sc.p && q < sc.rec.size() && sc.rec[q] == '*') {
            std::int64_t r = 0;
            if (!parse_integer(sc.rec.substr(sc.p, q - sc.p), r) || r < 1) {
              error = "bad repeat count " + quote(sc.rec.substr(sc.p, q - sc.p + 1));
              return IoStatus::Error;
            }
            sc.p = q + 1;
            if (sc.p >= sc.rec.size() || is_blank(sc.rec[sc.p]) || sc.rec[sc.p] == ',' ||
                sc.rec[sc.p] == '/') {
              repeat_null = true;
              repeat_text.clear();
              null = true;
            } else {
              std::string_view t;
              if (!sc.value_text(quoted_buf, t, quoted)) {
                error = "unterminated quoted text";
                return IoStatus::Error;
              }
              repeat_null = false;
              repeat_text.assign(t);
              repeat_quoted = quoted;
              text = repeat_text;
            }
            repeat = r - 1;
            sc.consume_separator();
          } else {
            if (!sc.value_text(quoted_buf, text, quoted)) {
              error = "unterminated quoted text";
              return IoStatus::Error;
            }
            sc.consume_separator();
          }
        }
      }
      if (null) continue;
      if (is_text(it)) {
        store_text(it, text);
      } else {
        if (quoted) {
          error = std::string("expected ") + kind_name(it.kind) + ", found quoted text " + quote(text);
          return IoStatus::Error;
        }
        if (!store_number(it, k, text, 0, 0, error)) return IoStatus::Error;
      }
    }
  }
  return IoStatus::Ok;
}

// ------------------------------------------------------------ fixed columns

namespace {

std::string_view field_at(std::string_view rec, std::size_t col, int w, std::string& pad) {
  // a short line reads as if padded with blanks
  if (col + static_cast<std::size_t>(w) <= rec.size()) return rec.substr(col, static_cast<std::size_t>(w));
  pad.assign(static_cast<std::size_t>(w), ' ');
  if (col < rec.size()) pad.replace(0, rec.size() - col, rec.substr(col));
  return pad;
}

std::string strip_blanks(std::string_view f) {
  std::string s;
  s.reserve(f.size());
  for (char c : f)
    if (!is_blank(c)) s.push_back(c);
  return s;
}

std::string columns(std::size_t col, int w) {
  return "columns " + std::to_string(col + 1) + "-" + std::to_string(col + static_cast<std::size_t>(w));
}

}  // namespace

IoStatus fixed_read(RecordSource& src, const Format& fmt, std::span<IoItem> items,
                    std::string& error) {
  std::string_view rec;
  IoStatus st = src.next(rec, &error);
  if (st != IoStatus::Ok) {
    if (st == IoStatus::EndOfFile) error = "expected a line";
    return st;
  }
  const auto& edits = fmt.edits();
  std::size_t e = 0;
  std::size_t col = 0;
  int scale = 0;
  std::string pad;
  bool data_used = false;

  auto new_record = [&]() -> IoStatus {
    st = src.next(rec, &error);
    col = 0;
    if (st == IoStatus::EndOfFile) error = "expected another line";
    return st;
  };

  for (IoItem& it : items) {
    if (!it.writable) {
      error = "internal: read into a constant item";
      return IoStatus::Error;
    }
    for (std::size_t k = 0; k < it.count; ++k) {
      // advance to the next data edit
      for (;;) {
        if (e >= edits.size()) {
          if (!data_used || !fmt.has_data_edit()) {
            error = "internal: layout " + fmt.text() + " has no data edit";
            return IoStatus::Error;
          }
          if (new_record() != IoStatus::Ok) return st;
          e = fmt.reversion_point();
          continue;
        }
        const FormatEdit& ed = edits[e];
        if (ed.is_data()) break;
        ++e;
        switch (ed.kind) {
          case FormatEdit::kX:
          case FormatEdit::kTR: col += static_cast<std::size_t>(ed.n); break;
          case FormatEdit::kTL: col = col > static_cast<std::size_t>(ed.n) ? col - static_cast<std::size_t>(ed.n) : 0; break;
          case FormatEdit::kT: col = ed.n > 0 ? static_cast<std::size_t>(ed.n - 1) : 0; break;
          case FormatEdit::kP: scale = ed.n; break;
          case FormatEdit::kSlash:
            if (new_record() != IoStatus::Ok) return st;
            break;
          default: break;
        }
      }
      const FormatEdit& ed = edits[e++];
      data_used = true;
      int w = ed.w;
      if (ed.kind == FormatEdit::kA) {
        if (!is_text(it)) {
          error = "internal: A edit for a number item in layout " + fmt.text();
          return IoStatus::Error;
        }
        if (w == 0) w = it.kind == IoItem::kString ? static_cast<int>(rec.size() > col ? rec.size() - col : 0)
                                                   : static_cast<int>(it.length);
        std::string_view f = field_at(rec, col, w, pad);
        col += static_cast<std::size_t>(w);
        if (it.kind == IoItem::kText && static_cast<std::size_t>(w) > it.length)
          f = f.substr(static_cast<std::size_t>(w) - it.length);  // the rightmost characters
        store_text(it, f);
        continue;
      }
      if (is_text(it)) {
        error = "internal: number edit for a text item in layout " + fmt.text();
        return IoStatus::Error;
      }
      std::string_view f = field_at(rec, col, w, pad);
      const std::size_t fcol = col;
      col += static_cast<std::size_t>(w);
      std::string digits = strip_blanks(f);
      if (digits.empty()) digits = "0";
      std::string why;
      if (ed.kind == FormatEdit::kI) {
        if (!store_number(it, k, digits, 0, 0, why)) {
          error = why + " in " + columns(fcol, w);
          return IoStatus::Error;
        }
      } else if (ed.kind == FormatEdit::kL) {
        error = "internal: L edit is not supported for reading";
        return IoStatus::Error;
      } else {
        IoItem real = it;
        if (real.kind == IoItem::kInt32 || real.kind == IoItem::kInt64) {
          error = "internal: real edit for an integer item in layout " + fmt.text();
          return IoStatus::Error;
        }
        if (!store_number(real, k, digits, ed.d > 0 ? ed.d : 0, scale, why)) {
          error = why + " in " + columns(fcol, w);
          return IoStatus::Error;
        }
      }
    }
  }
  // Up to the next data edit or colon, a slash after the last item still
  // moves on a record.
  for (; e < edits.size() && !edits[e].is_data() && edits[e].kind != FormatEdit::kColon; ++e)
    if (edits[e].kind == FormatEdit::kSlash && new_record() != IoStatus::Ok) return st;
  return IoStatus::Ok;
}

// ------------------------------------------------------------ writing

namespace {

void put_number_element(std::string& out, const IoItem& it, std::size_t k, const FormatEdit& ed,
                        int scale, const Format& fmt) {
  double v = 0;
  std::int64_t iv = 0;
  bool integer = false;
  switch (it.kind) {
    case IoItem::kInt32: iv = static_cast<const std::int32_t*>(it.ptr)[k]; integer = true; break;
    case IoItem::kInt64: iv = static_cast<const std::int64_t*>(it.ptr)[k]; integer = true; break;
    case IoItem::kFloat: v = static_cast<const float*>(it.ptr)[k]; break;
    case IoItem::kDouble: v = static_cast<const double*>(it.ptr)[k]; break;
    default: break;
  }
  switch (ed.kind) {
    case FormatEdit::kI:
      if (!integer) throw FormatError("I edit for a real item in layout " + fmt.text());
      put_integer(out, iv, ed.w, ed.d);
      return;
    case FormatEdit::kF:
      if (integer) v = static_cast<double>(iv);
      put_fixed(out, v, ed.w, ed.d, scale);
      return;
    case FormatEdit::kE:
    case FormatEdit::kD:
      if (integer) v = static_cast<double>(iv);
      put_exponent(out, v, ed.w, ed.d, ed.e, scale, ed.kind == FormatEdit::kD ? 'D' : 'E');
      return;
    case FormatEdit::kG:
      if (integer) {  // G on an integer is Iw
        put_integer(out, iv, ed.w);
        return;
      }
      put_general(out, v, ed.w, ed.d, ed.e, scale);
      return;
    default:
      throw FormatError("edit does not fit a number item in layout " + fmt.text());
  }
}

std::string edit_text(const FormatEdit& ed) {
  static constexpr const char* kLetters[] = {"I", "F", "E", "D", "G"};
  std::string t = kLetters[ed.kind] + std::to_string(ed.w);
  if (ed.kind != FormatEdit::kI || ed.d >= 0) t += "." + std::to_string(ed.d);
  return t;
}

// Whether element k of `it`, written as `text`, is not finite or came out as
// asterisks (a number edit writes either its value or asterisks only).
inline bool field_failed(const IoItem& it, std::size_t k, std::string_view text) {
  if (!text.empty() && text.front() == '*') return true;
  if (it.kind == IoItem::kFloat) return !std::isfinite(static_cast<const float*>(it.ptr)[k]);
  if (it.kind == IoItem::kDouble) return !std::isfinite(static_cast<const double*>(it.ptr)[k]);
  return false;
}

// Records element k of `it` as the write's fault, in field `field`.
[[gnu::cold]] void record_fault(FieldFault& fault, int field, const IoItem& it, std::size_t k,
                                const FormatEdit& ed) {
  IoItem one = it;
  one.count = 1;
  const std::size_t size = it.kind == IoItem::kInt32 || it.kind == IoItem::kFloat ? 4 : 8;
  one.ptr = static_cast<char*>(it.ptr) + k * size;
  fault.field = field;
  fault.edit = edit_text(ed);
  fault.value.clear();
  list_write(fault.value, {&one, 1});
  fault.value.erase(0, 1);  // the leading blank
}

// An output record with a current column, so that T and TL can move back.
struct OutRecord {
  std::string& out;
  std::size_t start;  // where this record begins in `out`
  std::size_t col = 0;

  std::size_t length() const { return out.size() - start; }
  // Moves to the current column before writing there.
  void reach() {
    const std::size_t len = length();
    if (col > len) out.append(col - len, ' ');
  }
  bool at_end() const { return col == length(); }
};

}  // namespace

void fixed_write(std::string& out, const Format& fmt, std::span<const IoItem> items,
                 FieldFault* fault) {
  const auto& edits = fmt.edits();
  int number_field = 0;
  std::size_t e = 0;
  int scale = 0;
  OutRecord rec{out, out.size()};
  std::string tmp;
  bool data_used = false;

  // Writes `text` at the current column (overwriting when T moved back).
  auto emit = [&](std::string_view text) {
    rec.reach();
    if (rec.at_end()) {
      out.append(text);
    } else {
      const std::size_t at = rec.start + rec.col;
      const std::size_t over = std::min(text.size(), out.size() - at);
      out.replace(at, over, text.substr(0, over));
      out.append(text.substr(over));
    }
    rec.col += text.size();
  };
  auto new_record = [&]() {
    out.push_back('\n');
    rec.start = out.size();
    rec.col = 0;
  };
  // Applies edits up to the next data edit; false at a colon with no items left
  // or at the end of the layout.
  auto advance = [&](bool items_left) -> bool {
    while (e < edits.size()) {
      const FormatEdit& ed = edits[e];
      if (ed.is_data()) return true;
      ++e;
      switch (ed.kind) {
        case FormatEdit::kLiteral: emit(ed.text); break;
        case FormatEdit::kX:
        case FormatEdit::kTR: rec.col += static_cast<std::size_t>(ed.n); break;
        case FormatEdit::kTL: rec.col = rec.col > static_cast<std::size_t>(ed.n) ? rec.col - static_cast<std::size_t>(ed.n) : 0; break;
        case FormatEdit::kT: rec.col = ed.n > 0 ? static_cast<std::size_t>(ed.n - 1) : 0; break;
        case FormatEdit::kP: scale = ed.n; break;
        case FormatEdit::kSlash: new_record(); break;
        case FormatEdit::kColon:
          if (!items_left) return false;
          break;
        default: break;
      }
    }
    return false;
  };

  for (std::size_t i = 0; i < items.size(); ++i) {
    const IoItem& it = items[i];
    for (std::size_t k = 0; k < it.count; ++k) {
      while (!advance(true)) {
        if (!data_used || !fmt.has_data_edit())
          throw FormatError("layout " + fmt.text() + " has no data edit for its items");
        new_record();
        e = fmt.reversion_point();
      }
      const FormatEdit& ed = edits[e++];
      data_used = true;
      if (ed.kind == FormatEdit::kA) {
        if (!is_text(it)) throw FormatError("A edit for a number item in layout " + fmt.text());
        std::string_view s = it.kind == IoItem::kString
                                 ? std::string_view(*static_cast<const std::string*>(it.ptr))
                                 : std::string_view(static_cast<const char*>(it.ptr), it.length);
        if (ed.w == 0 || static_cast<std::size_t>(ed.w) == s.size()) {
          emit(s);
        } else if (static_cast<std::size_t>(ed.w) > s.size()) {
          tmp.assign(static_cast<std::size_t>(ed.w) - s.size(), ' ');
          tmp.append(s);
          emit(tmp);
        } else {
          emit(s.substr(0, static_cast<std::size_t>(ed.w)));
        }
        continue;
      }
      if (is_text(it)) throw FormatError("number edit for a text item in layout " + fmt.text());
      ++number_field;
      if (rec.at_end()) {
        const std::size_t at = out.size();
        put_number_element(out, it, k, ed, scale, fmt);
        rec.col = rec.length();
        if (fault != nullptr && fault->field == 0 &&
            field_failed(it, k, std::string_view(out).substr(at)))
          record_fault(*fault, number_field, it, k, ed);
      } else {
        tmp.clear();
        put_number_element(tmp, it, k, ed, scale, fmt);
        emit(tmp);
        if (fault != nullptr && fault->field == 0 && field_failed(it, k, tmp))
          record_fault(*fault, number_field, it, k, ed);
      }
    }
  }
  // Literals and position edits after the last item, up to the next data edit.
  advance(false);
}

void list_write(std::string& out, std::span<const IoItem> items) {
  out.push_back(' ');
  bool first = true;
  bool prev_text = false;
  char buf[64];
  for (const IoItem& it : items) {
    const bool text = is_text(it);
    for (std::size_t k = 0; k < it.count; ++k) {
      if (!first && !(text && prev_text)) out.push_back(' ');
      first = false;
      prev_text = text;
      std::to_chars_result r{};
      switch (it.kind) {
        case IoItem::kInt32:
          r = std::to_chars(buf, buf + sizeof buf, static_cast<const std::int32_t*>(it.ptr)[k]);
          out.append(buf, r.ptr);
          break;
        case IoItem::kInt64:
          r = std::to_chars(buf, buf + sizeof buf, static_cast<const std::int64_t*>(it.ptr)[k]);
          out.append(buf, r.ptr);
          break;
        case IoItem::kFloat:
        case IoItem::kDouble: {
          const double v = it.kind == IoItem::kFloat ? static_cast<const float*>(it.ptr)[k]
                                                     : static_cast<const double*>(it.ptr)[k];
          if (std::isnan(v)) {
            out.append("NaN");
          } else if (std::isinf(v)) {
            out.append(v < 0 ? "-Infinity" : "Infinity");
          } else {
            // shortest text that reads back as the same value
            r = it.kind == IoItem::kFloat
                    ? std::to_chars(buf, buf + sizeof buf, static_cast<const float*>(it.ptr)[k])
                    : std::to_chars(buf, buf + sizeof buf, v);
            std::string_view s(buf, static_cast<std::size_t>(r.ptr - buf));
            out.append(s);
            if (s.find_first_of(".e") == std::string_view::npos) out.append(".0");
          }
          break;
        }
        case IoItem::kString:
          out.append(*static_cast<const std::string*>(it.ptr));
          break;
        case IoItem::kText:
          out.append(static_cast<const char*>(it.ptr), it.length);
          break;
      }
    }
  }
}

}  // namespace detail
}  // namespace platform
