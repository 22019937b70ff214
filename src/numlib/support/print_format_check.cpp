#include "numlib/support/print_format_check.h"

#include <algorithm>
#include <string>

#include "numlib/support/chars.h"
#include "numlib/support/errors.h"

namespace numlib {
namespace {

constexpr int kTerminal = 5;

// The not-a-valid-format message of both checkers.
constexpr std::string_view kNotAFormat = "FMT = '%(L1)' is not a valid format.";
constexpr std::string_view kFirstParenthesis =
    "The first non-blank position of FMT must be a left parenthesis.";
constexpr std::string_view kLastParenthesis =
    "The last non-blank position of FMT must be a right parenthesis.";
constexpr std::string_view kRepeatCharacter =
    "The following format in FMT contains an invalid character for the repeat specification: "
    "'%(L1)'";
constexpr std::string_view kRepeatValue =
    "The following format in FMT contains an invalid repeat specification: '%(L1)'";
constexpr std::string_view kWidthCharacter =
    "The following format in FMT contains an invalid character for the field width: '%(L1)'";
constexpr std::string_view kDigitsCharacter =
    "The following format in FMT contains an invalid character for the number of significant "
    "digits: '%(L1)'";
constexpr std::string_view kIWidth =
    "The following format in FMT contains an invalid field width for an I format: '%(L1)'";
constexpr std::string_view kNullItem = "A null string is encountered in FMT: '%(L1)'";

// The real checker's messages by number.
std::string_view real_message(int number) {
  switch (number) {
    case 6: return kFirstParenthesis;
    case 7: return kLastParenthesis;
    case 8: return kRepeatCharacter;
    case 9: return kRepeatValue;
    case 10: return "The following format in FMT contains an invalid V or W format: '%(L1)'";
    case 11: return kWidthCharacter;
    case 12:
      return "The following format in FMT contains an invalid field width for a V or W format: "
             "'%(L1)'";
    case 13: return kDigitsCharacter;
    case 14:
      return "The following format in FMT contains an invalid number of significant digits for "
             "a V or W format: '%(L1)'";
    case 15:
      return "The following format in FMT contains an invalid character for the scale factor: "
             "'%(L1)'";
    case 16: return "FMT contains the following invalid F format: '%(L1)'";
    case 17:
      return "The following format in FMT contains an invalid field width for an F format: "
             "'%(L1)'";
    case 18:
      return "The following format in FMT contains an invalid character for the number of "
             "digits in the fractional part: '%(L1)'";
    case 19:
      return "The following format in FMT contains an invalid number of digits in the "
             "fractional part for an F format: '%(L1)'";
    case 20: return kIWidth;
    case 21:
      return "The following format in FMT contains an invalid number of digits (including "
             "leading zeros) to be printed for an I format: '%(L1)'";
    case 22: return "FMT contains the following invalid %(L2) format: '%(L1)'";
    case 23:
      return "The following format in FMT contains an invalid field width for the %(L2) "
             "format: '%(L1)'";
    case 24:
      return "The following format contains an invalid character for the number of digits for "
             "the exponent: '%(L1)'";
    case 25:
      return "The following format in FMT contains an invalid number of digits for the "
             "exponent: '%(L1)'";
    case 26:
      return "FMT contains an invalid number of digits for the fractional part for the "
             "following %(L2) format: '%(L1)'";
    case 27:
      return "The following format in FMT contains a scale factor outside the range allowed by "
             "its number of digits: '%(L1)'";
    case 33:
      return "An invalid character is in FMT:  '%(L1)'  Only D, E, F, G, I, V and W edit "
             "descriptors are allowed in this routine.";
    case 34: return kNullItem;
    case 35: return kNotAFormat;
    default: return {};
  }
}

// TEXT is a whole number (an optional sign and digits, nothing else).
bool read_number(std::string_view text, int& value) {
  int status = 0;
  PARSE_DIGITS(text, value, status);
  return status == 0;
}

std::string_view part(std::string_view s, std::size_t from, std::size_t to) {
  from = std::min(from, s.size());
  return s.substr(from, std::min(to, s.size()) - from);
}

// Position of the descriptor letter: the first of LETTERS found, in their
// order; npos when none is.
std::size_t descriptor_position(std::string_view s, std::string_view letters) {
  for (char c : letters) {
    const std::size_t x = s.find(c);
    if (x != std::string_view::npos) return x;
  }
  return std::string_view::npos;
}

constexpr std::string_view kRealLetters = "VWFIDGE";

// One item of the real checker. Records its messages; `written` is quoted.
class RealItemCheck {
 public:
  RealItemCheck(std::string_view written, std::string_view s, int& width)
      : written_(written), s_(s), width_(width) {}

  // True when the item recorded nothing; repeat is the repeat count (1 when absent).
  bool vw(std::size_t x, int& repeat) {
    repeat = 1;
    repeat_count(0, x, repeat);
    const std::size_t dot = s_.find('.', x + 1);
    if (dot == std::string_view::npos) return fail(10);
    int w = 0, d = 0;
    if (!read_number(part(s_, x + 1, dot), w)) return fail(11);
    if (w < 3 || w > 40) return fail(12);
    if (!read_number(part(s_, dot + 1, s_.size()), d)) return fail(13);
    if (d < 0 || d > w - 2) return fail(14);
    width_ = std::max(width_, w);
    return clean_;
  }

  void f(std::size_t x) {
    scale_and_repeat(x);
    const std::size_t dot = s_.find('.', x + 1);
    if (dot == std::string_view::npos) return void(fail(16));
    int w = 0, d = 0;
    if (!read_number(part(s_, x + 1, dot), w)) return void(fail(11));
    if (w < 2 || w > 40) return void(fail(17));
    if (!read_number(part(s_, dot + 1, s_.size()), d)) return void(fail(18));
    if (d < 0 || d > w - 2) return void(fail(19));
    width_ = std::max(width_, w);
  }

  void i(std::size_t x) {
    int repeat = 1;
    repeat_count(0, x, repeat);  // a scale factor makes it no number
    const std::size_t dot = s_.find('.', x + 1);
    int w = 0, m = 0;
    if (!read_number(part(s_, x + 1, dot), w)) return void(fail(11));
    if (w < 1 || w > 40) return void(fail(20));
    if (dot != std::string_view::npos) {
      if (!read_number(part(s_, dot + 1, s_.size()), m)) return void(fail(13));
      if (m < 0 || m > w) return void(fail(21));
    }
    width_ = std::max(width_, w);
  }

  void deg(std::size_t x) {
    letter_ = s_.substr(x, 1);
    const int k = scale_and_repeat(x);
    const std::size_t dot = s_.find('.', x + 1);
    if (dot == std::string_view::npos) return void(fail(22));
    int w = 0, d = 0, e = 0;
    if (!read_number(part(s_, x + 1, dot), w)) return void(fail(11));
    if (w < 8 || w > 40) return void(fail(23));
    if (dot + 1 >= s_.size()) return void(fail(18));
    std::size_t end = dot + 1;
    while (end < s_.size() && s_[end] >= '0' && s_[end] <= '9') ++end;
    if (end < s_.size()) {
      if (s_[end] != 'E') return void(fail(22));
      if (end + 1 >= s_.size()) return void(fail(24));
      if (!read_number(part(s_, end + 1, s_.size()), e)) fail(24);
      else if (e < 1) fail(25);
    }
    if (!read_number(part(s_, dot + 1, end), d)) return void(fail(18));
    if (d > w - 7) return void(fail(26));
    width_ = std::max(width_, w);
    // Last, so that every other fault keeps its own code: what standard output
    // cannot print under the scale factor.
    if (clean_ && !(-d < k && k < d + 2)) fail(27);
  }

 private:
  std::string_view written_;
  std::string_view s_;
  int& width_;
  std::string_view letter_;  // %(L2) of messages 22, 23 and 26
  bool clean_ = true;

  bool fail(int number) {
    if (number == 22 || number == 23 || number == 26) ERROR_STORE_STRING(2, letter_);
    FORMAT_MESSAGE(number, written_);
    clean_ = false;
    return false;
  }

  void repeat_count(std::size_t from, std::size_t x, int& repeat) {
    if (from >= x) return;
    if (!read_number(part(s_, from, x), repeat)) fail(8);
    else if (repeat < 1) fail(9);
  }

  // The scale factor before a "P" ahead of the letter (0 when absent), then
  // the repeat count.
  int scale_and_repeat(std::size_t x) {
    int k = 0, repeat = 1;
    std::size_t from = 0;
    const std::size_t p = s_.find('P');
    if (p < x) {
      if (!read_number(part(s_, 0, p), k)) fail(15);
      from = p + 1;
    }
    repeat_count(from, x, repeat);
    return k;
  }
};

// The parentheses around FMT; false when the check ends here.
bool check_parentheses(std::string_view fmt) {
  const std::size_t first = fmt.find_first_not_of(' ');
  const std::size_t last = fmt.find_last_not_of(' ');
  if (fmt[first] != '(') E1MES(kTerminal, 6, kFirstParenthesis);
  if (fmt[last] != ')') {
    E1MES(kTerminal, 7, kLastParenthesis);
    return false;
  }
  return true;
}

// FMT too short to be a format: records NUMBER quoting FMT; true then.
bool too_short(std::string_view fmt, int number) {
  const int n = TRIMMED_LENGTH(fmt);
  if (n >= 4) return false;
  ERROR_STORE_STRING(1, fmt.substr(0, static_cast<std::size_t>(n)));
  E1MES(kTerminal, number, kNotAFormat);
  return true;
}

}  // namespace

int TRIMMED_LENGTH(std::string_view text) {
  const std::size_t last = text.find_last_not_of(' ');
  return last == std::string_view::npos ? 0 : static_cast<int>(last) + 1;
}

void FORMAT_MESSAGE(int number, std::string_view item) {
  const std::string_view text = real_message(number);
  if (text.empty()) return;
  ERROR_STORE_STRING(1, item);
  E1MES(kTerminal, number, text);
}

void compact_format_item(std::string_view written, std::string& compact) {
  compact.clear();
  for (char c : written)
    if (c != ' ') compact.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
}

void FORMAT_CHECK_REAL(std::string_view fmt, bool& single_vw, int& width) {
  width = -1;
  single_vw = false;
  if (too_short(fmt, 35) || !check_parentheses(fmt)) return;
  const bool one_item = fmt.find(',') == std::string_view::npos;
  std::string s;
  for_each_format_item(fmt, [&](std::string_view written) {
    compact_format_item(written, s);
    if (s.empty()) return FORMAT_MESSAGE(34, written);
    RealItemCheck check(written, s, width);
    if (one_item) {
      const std::size_t x = descriptor_position(s, "VW");
      if (x != std::string_view::npos) {
        int repeat = 1;
        single_vw = check.vw(x, repeat) && repeat == 1;
        return;
      }
    }
    const std::size_t x = descriptor_position(s, kRealLetters);
    if (x == std::string_view::npos) return FORMAT_MESSAGE(33, written);
    int repeat = 1;
    switch (s[x]) {
      case 'V':
      case 'W': check.vw(x, repeat); break;
      case 'F': check.f(x); break;
      case 'I': check.i(x); break;
      default: check.deg(x); break;
    }
  });
}

void FORMAT_CHECK_INTEGER(std::string_view fmt, int& width) {
  width = -1;
  if (too_short(fmt, 16) || !check_parentheses(fmt)) return;
  std::string s;
  auto record = [](int code, std::string_view text, std::string_view written) {
    ERROR_STORE_STRING(1, written);
    E1MES(kTerminal, code, text);
  };
  for_each_format_item(fmt, [&](std::string_view written) {
    compact_format_item(written, s);
    if (s.empty()) return record(15, kNullItem, written);
    // The repeat count runs to the first letter, which must then be I.
    std::size_t x = 0;
    while (x < s.size() && !(s[x] >= 'A' && s[x] <= 'Z')) ++x;
    int value = 0;
    if (x > 0) {
      if (!read_number(part(s, 0, x), value)) record(8, kRepeatCharacter, written);
      else if (value < 1) record(9, kRepeatValue, written);
    }
    if (x >= s.size() || s[x] != 'I')
      return record(14,
                    "An invalid character is in FMT:  '%(L1)'  Only an I edit descriptor is "
                    "allowed in this routine.",
                    written);
    const std::size_t dot = s.find('.', x + 1);
    int w = 0, m = 0;
    if (!read_number(part(s, x + 1, dot), w)) return record(11, kWidthCharacter, written);
    if (w < 1 || w > 40) return record(10, kIWidth, written);
    if (dot != std::string::npos) {
      if (!read_number(part(s, dot + 1, s.size()), m)) return record(13, kDigitsCharacter, written);
      if (m < 0 || m > w)
        return record(12,
                      "The following format in FMT contains an invalid number of significant "
                      "digits for an I format: '%(L1)'",
                      written);
    }
    width = std::max(width, w);
  });
}

bool read_format_item(std::string_view s, FormatItemParts& parts) {
  parts = FormatItemParts{};
  const std::size_t x = descriptor_position(s, kRealLetters);
  if (x == std::string_view::npos) return false;
  parts.letter = s[x];
  std::size_t from = 0;
  const std::size_t p = s.find('P');
  if (p < x) {
    read_number(part(s, 0, p), parts.scale);
    from = p + 1;
  }
  if (from < x) read_number(part(s, from, x), parts.repeat);
  const std::size_t dot = s.find('.', x + 1);
  read_number(part(s, x + 1, dot), parts.w);
  if (dot == std::string_view::npos) return true;
  parts.has_point = true;
  const std::size_t e = s.find('E', dot + 1);
  read_number(part(s, dot + 1, e), parts.d);
  if (e != std::string_view::npos) read_number(part(s, e + 1, s.size()), parts.e);
  return true;
}

}  // namespace numlib
