#include "numlib/support/errors.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "numlib/support/machine.h"
#include "numlib/support/output.h"
#include "numlib/support/state.h"
#include "platform/fixed_text.h"
#include "platform/format.h"

namespace numlib {
namespace {

using platform::blank_padded_equal;

constexpr std::array<std::string_view, 8> ERROR_TYPE_NAMES = {
    "        ", "NOTE    ", "ALERT   ", "WARNING ", "FATAL   ", "TERMINAL", "WARNING ", "FATAL   "};

// Longest value a text store keeps.
constexpr std::size_t kStoredTextLimit = 255;
// Room for the message on the first printed line, before the header is taken off.
constexpr int kFirstLineRoom = 59;
constexpr std::size_t kContinuationWidth = 64;

ErrorState& error_state() { return library_state().error; }

// The state, initialised on first use: the check every stack operation starts with.
ErrorState& ready_error_state() {
  ErrorState& s = library_state().error;
  if (!s.initialised) ERROR_INIT();
  return s;
}

// The stacked name equals NAME cut to 32 characters, blank padded. On the path
// of every pop, so without a character loop.
bool same_routine_name(const RoutineName& stacked, std::string_view name) {
  static constexpr char kBlanks[RoutineName::size()] = {
      ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
      ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  const std::size_t n = std::min(name.size(), RoutineName::size());
  return std::memcmp(stacked.data(), name.data(), n) == 0 &&
         std::memcmp(stacked.data() + n, kBlanks, RoutineName::size() - n) == 0;
}

bool entered_from_user(const ErrorState& s, int level) { return (s.user_flag[level] & 1) != 0; }

void clear_substitutions(ErrorState& s) { s.substitutions_used = 1; }

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool is_key_letter(char c) {
  return std::string_view("ACDIKLRSZ").find(upper(c)) != std::string_view::npos;
}

// The value stored under key letter and digit; the first stored entry wins.
// Entries: "*", letter, digit, "*", length in decimal, "%", value.
bool find_substitution(const ErrorState& s, char letter, char digit, std::string_view& value) {
  const char* buf = s.substitutions.data();
  const int end = s.substitutions_used == 1 ? 0 : s.substitutions_used;
  int pos = 0;
  while (pos < end) {
    const char entry_letter = buf[pos + 1];
    const char entry_digit = buf[pos + 2];
    int p = pos + 4;
    int length = 0;
    while (buf[p] != '%') length = length * 10 + (buf[p++] - '0');
    ++p;
    if (upper(entry_letter) == upper(letter) && entry_digit == digit) {
      value = std::string_view(buf + p, static_cast<std::size_t>(length));
      return true;
    }
    pos = p + length;
  }
  return false;
}

void set_message(ErrorState& s, std::string_view text) {
  const std::size_t n = std::min(text.size(), s.message.size());
  std::copy_n(text.data(), n, s.message.data());
  s.message_length = static_cast<int>(n);
}

// ".  " and TEXT with its placeholders replaced, cut at the message capacity.
void build_message(ErrorState& s, std::string_view text) {
  text = text.substr(0, std::min(text.size(), s.message.size()));
  char* out = s.message.data();
  const std::size_t cap = s.message.size();
  std::size_t len = 0;
  auto append = [&](std::string_view piece) {
    const std::size_t n = std::min(piece.size(), cap - len);
    std::copy_n(piece.data(), n, out + len);
    len += n;
  };
  append(".  ");
  for (std::size_t i = 0; i < text.size() && len < cap;) {
    if (text[i] == '%' && i + 4 < text.size() && text[i + 1] == '(' && is_key_letter(text[i + 2]) &&
        text[i + 3] >= '1' && text[i + 3] <= '9' && text[i + 4] == ')') {
      std::string_view value;
      if (find_substitution(s, text[i + 2], text[i + 3], value)) {
        append(value);
        i += 5;
        continue;
      }
    }
    out[len++] = text[i++];
  }
  s.message_length = static_cast<int>(len);
}

// A routine name as printed: a lower-case first letter before an upper-case
// second one is raised ("dL5LSQ" prints as "DL5LSQ", "De5csf" stays).
RoutineName display_name(const RoutineName& name) {
  RoutineName shown = name;
  if (shown[0] >= 'a' && shown[0] <= 'z' && shown[1] >= 'A' && shown[1] <= 'Z')
    shown[0] = upper(shown[0]);
  return shown;
}

// Records a misuse of the library itself, prints it whatever the attributes say
// and ends the run.
[[noreturn]] void misuse(std::string_view message) {
  ErrorState& s = error_state();
  set_message(s, message);
  s.type[s.level] = 5;
  s.code[s.level] = 1;
  print_message_and_end_run();
}

// Applies one print or stop action to the attribute of one type.
void apply_action(int& attribute, int action, int default_value) {
  if (action == 0 || action == 1) attribute = action;
  else if (action == 2) attribute = default_value;
}

void set_type_attributes(ErrorState& s, int type, int ipatt, int isatt) {
  apply_action(s.print_attribute[type], ipatt, ERROR_ATTRIBUTE_DEFAULTS[6 + type]);
  apply_action(s.stop_attribute[type], isatt, ERROR_ATTRIBUTE_DEFAULTS[type - 1]);
}

}  // namespace

// ---- error stack ----

void ERROR_INIT() {
  ErrorState& s = error_state();
  if (s.initialised) return;
  s.initialised = true;
  s.level = 1;
  s.max_depth = kMaxStackLevel;
  s.names[1] = "USER";
  s.type[1] = 0;
  s.code[1] = 0;
  for (int l = 2; l < kLevelSlots; ++l) {
    s.type[l] = -1;
    s.code[l] = -1;
    s.user_flag[l] = 0;
  }
  s.user_flag[2] = -1;  // a routine at level 2 is always one the program called
  s.pending_global_warning = 0;
  s.pending_global_fatal = 0;
  s.message_length = 0;
  clear_substitutions(s);
  for (int t = 1; t <= 7; ++t) {
    s.stop_attribute[t] = ERROR_ATTRIBUTE_DEFAULTS[t - 1];
    s.print_attribute[t] = ERROR_ATTRIBUTE_DEFAULTS[6 + t];
  }
}

int THREAD_SLOT() { return 1; }

void E1PSH(std::string_view name) {
  ErrorState& s = ready_error_state();
  if (s.level >= s.max_depth) {
    ERROR_STORE_INTEGER(1, kMaxStackLevel);
    E1MES(5, 1, "Error condition in E1PSH.  Push would cause stack level to exceed %(I1). ");
    end_library_run();
  }
  const int l = ++s.level;
  s.names[l].assign(name);
  s.type[l] = 0;
  s.code[l] = 0;
}

void E1POP(std::string_view name) {
  ErrorState& s = ready_error_state();
  const int l = s.level;
  if (l < 2) {
    E1PSH("E1POP");
    ERROR_STORE_STRING(1, name);
    E1MES(5, 1, "Error condition in E1POP.  Cannot pop from %(L1) because stack is empty.");
    end_library_run();
  }
  if (!same_routine_name(s.names[l], name)) {
    ERROR_STORE_STRING(1, name);
    ERROR_STORE_STRING(2, s.names[l].view());
    E1MES(5, 2, "Error condition in E1POP.  %(L1) does not match the name %(L2) in the stack.");
    end_library_run();
  }
  const int t = s.type[l];
  if (t >= 1 && t <= 7) {
    if (t >= 2) {  // a NOTE stays where it was raised
      s.type[l - 1] = t;
      s.code[l - 1] = s.code[l];
    }
    const bool from_user = entered_from_user(s, l);
    if (t <= 4) {
      if (s.print_attribute[t] == 1 && from_user) PRINT_ERROR_MESSAGE();
      if (s.stop_attribute[t] == 1 && from_user) end_library_run();
    } else {
      if (s.print_attribute[t] == 1) PRINT_ERROR_MESSAGE();
      if (t == 5) {
        if (s.stop_attribute[5] == 1) end_library_run();
      } else if (from_user && PENDING_GLOBAL_STOP() != 0) {
        end_library_run();
      }
    }
  }
  if (l < kMaxStackLevel) {
    s.type[l + 1] = -1;
    s.code[l + 1] = -1;
  }
  s.level = l - 1;
}

void E1USR(std::string_view switch_text) {
  ErrorState& s = ready_error_state();
  if (blank_padded_equal(switch_text, "ON") || blank_padded_equal(switch_text, "on")) {
    s.user_flag[s.level + 1] = -1;
  } else if (blank_padded_equal(switch_text, "OFF") || blank_padded_equal(switch_text, "off")) {
    s.user_flag[s.level + 1] = 0;
  } else {
    ERROR_STORE_STRING(1, switch_text);
    E1MES(5, 1,
          "Invalid value for SWITCH in call to E1USR.  SWITCH must be set to 'ON' or 'OFF'.  "
          "SWITCH = '%(L1)' ");
  }
}

int N1RTY(int i) {
  ERROR_INIT();
  const ErrorState& s = error_state();
  if (i == 0 || i == 1) return s.type[s.level + i];
  misuse(".  The argument passed to N1RTY must be 0 or 1. ");
}

int N1RCD(int i) {
  ERROR_INIT();
  const ErrorState& s = error_state();
  if (i == 0 || i == 1) return s.code[s.level + i];
  misuse(".  The argument passed to N1RCD must be 0 or 1. ");
}

int LAST_ERROR_CODE() {
  const int t = N1RTY(1);
  return (t >= 1 && t <= 4) ? N1RCD(1) : 0;
}

void ERSET(int iersvr, int ipact, int isact) {
  E1PSH("ERSET");
  if (iersvr < 0 || iersvr > 5) {
    ERROR_STORE_INTEGER(1, iersvr);
    E1MES(5, 1,
          "Invalid error severity level indicator.  IERSVR must be 0 to 5.  IERSVR = %(I1)");
  }
  if (ipact < -1 || ipact > 2) {
    ERROR_STORE_INTEGER(1, ipact);
    E1MES(5, 2,
          "Invalid value specified for printing action.  IPACT must be -1 to 2.  IPACT = %(I1)");
  }
  if (isact < -1 || isact > 2) {
    ERROR_STORE_INTEGER(1, isact);
    E1MES(5, 3,
          "Invalid value specified for stopping action.  ISACT must be -1 to 2.  ISACT = %(I1)");
  }
  if (N1RTY(0) == 0) {
    int p = ipact, q = isact;
    SET_ERROR_ATTRIBUTES(iersvr, p, q);
    if (iersvr == 3 || iersvr == 4) {
      p = ipact;
      q = isact;
      SET_ERROR_ATTRIBUTES(iersvr + 3, p, q);  // the global twin
    }
  }
  E1POP("ERSET");
}

void SET_ERROR_ATTRIBUTES(int iersvr, int& ipatt, int& isatt) {
  ERROR_INIT();
  ErrorState& s = error_state();
  if (iersvr >= 0) {
    bool bad = false;
    if (ipatt < -1 || ipatt > 2) {
      ERROR_STORE_INTEGER(1, ipatt);
      E1MES(5, 1,
            "Invalid value specified for print table attribute.  IPATT must be -1, 0, 1, or 2.  "
            "IPATT = %(I1)");
      bad = true;
    }
    if (isatt < -1 || isatt > 2) {
      ERROR_STORE_INTEGER(1, isatt);
      E1MES(5, 1,
            "Invalid value specified for stop table attribute.  ISATT must be -1, 0, 1, or 2.  "
            "ISATT = %(I1)");
      bad = true;
    }
    if (bad) return;
  }
  if (iersvr == 0) {
    for (int t = 1; t <= 7; ++t) set_type_attributes(s, t, ipatt, isatt);
  } else if (iersvr >= 1 && iersvr <= 7) {
    set_type_attributes(s, iersvr, ipatt, isatt);
  } else if (iersvr >= -7 && iersvr <= -1) {
    ipatt = s.print_attribute[-iersvr];
    isatt = s.stop_attribute[-iersvr];
  }
}

int PENDING_GLOBAL_STOP() {
  ErrorState& s = error_state();
  int result = 0;
  if (s.pending_global_warning != 0) {
    result = s.stop_attribute[6];
    s.pending_global_warning = 0;
  }
  if (s.pending_global_fatal != 0) {
    result = s.stop_attribute[7];
    s.pending_global_fatal = 0;
  }
  return result;
}

// ---- message values ----

void STORE_SUBSTITUTION(char letter, int n, std::string_view value) {
  ERROR_INIT();
  ErrorState& s = error_state();
  if (n < -9 || n > 9 || n == 0) return;
  // The test counts the length handed in, before trailing blanks are dropped.
  if (static_cast<long long>(s.substitutions_used) + static_cast<long long>(value.size()) + 8 >
      kSubstitutionCapacity)
    return;
  std::string_view stored = value;
  if (n > 0) {
    stored = platform::trim_trailing(value);
    if (stored.empty()) stored = " ";
  }
  char length_digits[4];
  int ndigits = 0;
  for (std::size_t v = stored.size(); ndigits == 0 || v > 0; v /= 10)
    length_digits[ndigits++] = static_cast<char>('0' + v % 10);
  char* out = s.substitutions.data() + (s.substitutions_used == 1 ? 0 : s.substitutions_used);
  *out++ = '*';
  *out++ = letter;
  *out++ = static_cast<char>('0' + (n < 0 ? -n : n));
  *out++ = '*';
  while (ndigits > 0) *out++ = length_digits[--ndigits];
  *out++ = '%';
  out = std::copy(stored.begin(), stored.end(), out);
  s.substitutions_used = static_cast<int>(out - s.substitutions.data());
}

void ERROR_STORE_INTEGER(int n, int value) {
  if (n < 1 || n > 9) return;
  std::string text;  // at most 11 characters: no heap
  platform::put_integer(text, value, 0);
  STORE_SUBSTITUTION('I', n, text);
}

void ERROR_STORE_DOUBLE(int n, double value) {
  if (n < 1 || n > 9) return;
  std::string field;
  // 1PE24.15 shows one digit before the point; zero and NaN are written as E24.15.
  const int scale = (value == 0.0 || NAN_TEST(value)) ? 0 : 1;
  platform::put_exponent(field, value, 24, 15, 0, scale);
  const std::string_view text(field);
  STORE_SUBSTITUTION('D', n, text.substr(std::min(text.find_first_not_of(' '), text.size())));
}

void ERROR_STORE_STRING(int n, std::string_view text) {
  if (n < -9 || n > 9 || n == 0) return;
  STORE_SUBSTITUTION('L', n, text.substr(0, std::min(text.size(), kStoredTextLimit)));
}

// ---- recording and printing ----

void E1MES(int type, int code, std::string_view text) {
  ErrorState& s = ready_error_state();
  if (type < -1 || type > 7) {
    // The two trailing blanks of the text do not fit its stated length of 51.
    misuse(std::string_view(".  Error from E1MES.  Illegal error type specified.  ").substr(0, 51));
  }
  const int l = s.level;
  if (type != -1) s.type[l] = type;
  const int t = s.type[l];
  if (code >= 0) s.code[l] = code;
  if (type == 0 || code == 0) {
    s.message_length = 0;
    clear_substitutions(s);
    return;
  }
  if (!blank_padded_equal(text, " ")) build_message(s, text);
  if (t == 6) s.pending_global_warning = 1;
  if (t == 7) s.pending_global_fatal = 1;
  if (t >= 5 && t <= 7 && s.print_attribute[t] == 1) PRINT_ERROR_MESSAGE();
  clear_substitutions(s);
}

void PRINT_ERROR_MESSAGE() {
  ERROR_INIT();
  ErrorState& s = error_state();
  if (s.message_length == 0) return;
  int unit = 0;
  UMACH(2, unit);
  const int l = s.level;

  std::string header = " ";
  platform::put_integer(header, s.code[l], 0);
  header += " from ";
  const RoutineName name = display_name(s.names[l]);
  const std::string_view shown = name.view();
  header += shown.substr(0, std::min(shown.find(' '), shown.size()));

  const std::string_view message(s.message.data(), static_cast<std::size_t>(s.message_length));
  const std::size_t room =
      static_cast<std::size_t>(std::max<int>(kFirstLineRoom - static_cast<int>(header.size()), 1));

  // Splits `text` into the line that fits `width` and the rest; `after_break`
  // tells whether the rest follows a forced break ("%/").
  auto split = [](std::string_view text, std::size_t width, std::string_view& rest,
                  bool& after_break) {
    after_break = false;
    const std::size_t forced = text.find("%/");
    if (forced != std::string_view::npos && forced + 1 < width) {
      rest = text.substr(forced + 2);
      after_break = true;
      return text.substr(0, forced);
    }
    if (text.size() <= width) {
      rest = {};
      return text;
    }
    const std::size_t blank = text.substr(0, width).rfind(' ');
    if (blank == std::string_view::npos) {
      rest = text.substr(width);
      return text.substr(0, width);
    }
    rest = text.substr(blank + 1);
    return text.substr(0, blank);
  };

  std::string_view rest;
  bool after_break = false;
  const std::string_view first = split(message, room, rest, after_break);
  std::string line;
  line.reserve(128);
  library_write_line(unit, "");
  line.append(" *** ").append(ERROR_TYPE_NAMES[(s.type[l] >= 1 && s.type[l] <= 7) ? s.type[l] : 0]);
  line.append(" ERROR").append(header).append(first);
  library_write_line(unit, line);
  while (!rest.empty()) {
    if (!after_break && rest.front() == ' ') rest.remove_prefix(1);
    if (rest.empty()) break;
    const std::string_view piece = split(rest, kContinuationWidth, rest, after_break);
    line.assign(" ***          ").append(piece);
    library_write_line(unit, line);
  }
  s.message_length = 0;
  clear_substitutions(s);

  if (l > 2) {
    library_write_line(unit, "     Here is a traceback of subprogram calls in reverse order:");
    library_write_line(unit, "     Routine name                    Error type  Error code");
    library_write_line(unit, "     ------------                    ----------  ----------");
    for (int k = l; k >= 1; --k) {
      line.assign("     ").append(display_name(s.names[k]).view());
      platform::put_integer(line, s.type[k], 6);
      line.append(6, ' ');
      platform::put_integer(line, s.code[k], 6);
      if (k >= 2 && !entered_from_user(s, k)) line.append("    (Called internally)");
      library_write_line(unit, line);
    }
  }
}

}  // namespace numlib
