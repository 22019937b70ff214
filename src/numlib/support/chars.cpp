#include "numlib/support/chars.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "numlib/support/errors.h"
#include "platform/format.h"

namespace numlib {
namespace {

// First position (1-based) of `pattern` in `string` under `same`, or 0.
template <class Same>
int find_position(std::string_view string, std::string_view pattern, Same same) {
  if (string.empty() || pattern.empty() || pattern.size() > string.size()) return 0;
  const auto it = std::search(string.begin(), string.end(), pattern.begin(), pattern.end(), same);
  return it == string.end() ? 0 : static_cast<int>(it - string.begin()) + 1;
}

// Records one failed check with the code NERR had before the check.
void record_check(int nerr, std::string_view text) { E1MES(5, nerr, text); }

// VALUE >= MIN, the check of CHECK_INT_ARG_RANGE without an upper bound.
void check_lower_bound(int value, std::string_view name, int min, int& nerr) {
  if (value < min) {
    ERROR_STORE_STRING(1, name);
    ERROR_STORE_INTEGER(1, value);
    ERROR_STORE_INTEGER(2, min);
    record_check(nerr, "%(L1) = %(I1).  %(L1) must be greater than or equal to %(I2).");
  }
  ++nerr;
}

}  // namespace

int CHAR_CODE(char ch) { return static_cast<unsigned char>(ch); }

int CHAR_CODE_UPPER(char ch) {
  const int code = CHAR_CODE(ch);
  return (code >= 'a' && code <= 'z') ? code - 'a' + 'A' : code;
}

void CHAR_FROM_CODE(char& ch, int i) {
  ch = (i < 0 || i > 255) ? '\0' : static_cast<char>(static_cast<unsigned char>(i));
}

void ACHAR(char& ch, int i) {
  if (i < 0) {
    E1PSH("ACHAR");
    ERROR_STORE_INTEGER(1, i);
    E1MES(5, 1, "The ASCII value must be non-negative while I = %(I1) is given.");
    E1POP("ACHAR");
  }
  CHAR_FROM_CODE(ch, i);
}

bool SAME_LETTER(char ca, char cb) { return CHAR_CODE_UPPER(ca) == CHAR_CODE(cb); }

int SUBSTRING_INDEX(std::string_view string, std::string_view pattern) {
  return find_position(string, pattern, [](char a, char b) { return a == b; });
}

int INDEX_NOCASE(std::string_view string, std::string_view pattern) {
  return find_position(string, pattern,
                       [](char a, char b) { return CHAR_CODE_UPPER(a) == CHAR_CODE_UPPER(b); });
}

int VERIFY_SCAN(std::string_view string, std::string_view set) {
  if (string.empty() || set.empty()) return 1;
  const std::size_t pos = string.find_first_not_of(set);
  return pos == std::string_view::npos ? 0 : static_cast<int>(pos) + 1;
}

int COMPARE_NOCASE(std::string_view a, std::string_view b) {
  const std::size_t n = std::max(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int ca = CHAR_CODE_UPPER(i < a.size() ? a[i] : ' ');
    const int cb = CHAR_CODE_UPPER(i < b.size() ? b[i] : ' ');
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return 0;
}

void PARSE_DIGITS(std::string_view text, int& value, int& status) {
  value = 0;
  std::size_t i = text.find_first_not_of(' ');
  if (i == std::string_view::npos) {
    status = -1;
    return;
  }
  bool negative = false;
  if (text[i] == '+' || text[i] == '-') {
    negative = text[i] == '-';
    if (text.find_first_not_of(' ', i + 1) == std::string_view::npos) {
      status = -1;
      return;
    }
    ++i;
  }
  const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
  std::int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > limit) {
      status = -2;
      return;
    }
  }
  value = static_cast<int>(negative ? -magnitude : magnitude);
  status = i == text.size() ? 0 : static_cast<int>(i) + 1;
}

void INT_TO_DIGITS(int value, std::span<char> field, int& status) {
  if (field.empty()) {
    status = -1;
    return;
  }
  std::string digits;  // at most 11 characters
  platform::put_integer(digits, value, 0);
  if (digits.size() > field.size()) {
    std::fill(field.begin(), field.end(), '*');
    status = static_cast<int>(digits.size());
    return;
  }
  const auto blanks = static_cast<std::ptrdiff_t>(field.size() - digits.size());
  std::fill(field.begin(), field.begin() + blanks, ' ');
  std::copy(digits.begin(), digits.end(), field.begin() + blanks);
  status = 0;
}

void COPY_SUBSTRING(std::string_view source, int source_first, int source_last,
                    std::span<char> dest, int dest_first, int dest_last, int& status) {
  // An empty range (last = first - 1) is valid: it copies nothing.
  const auto valid = [](int first, int last, std::size_t size) {
    return first >= 1 && last >= first - 1 && static_cast<std::size_t>(last) <= size;
  };
  if (!valid(source_first, source_last, source.size())) {
    status = -2;
    return;
  }
  if (!valid(dest_first, dest_last, dest.size())) {
    status = -1;
    return;
  }
  const int source_count = source_last - source_first + 1;
  const int dest_count = dest_last - dest_first + 1;
  const int copied = std::min(source_count, dest_count);
  char* out = dest.data() + (dest_first - 1);
  std::copy_n(source.data() + (source_first - 1), copied, out);
  std::fill(out + copied, out + dest_count, ' ');
  status = source_count - copied;
}

void COPY_BLANK_FILL(std::string_view source, std::span<char> dest) {
  const std::size_t n = std::min(source.size(), dest.size());
  std::copy_n(source.data(), n, dest.data());
  std::fill(dest.begin() + static_cast<std::ptrdiff_t>(n), dest.end(), ' ');
}

void CHECK_INT_ARG_RANGE(int value, std::string_view name, int min, int max, int& nerr) {
  if (max < min) {
    check_lower_bound(value, name, min, nerr);
    return;
  }
  if (value < min || value > max) {
    ERROR_STORE_STRING(1, name);
    ERROR_STORE_INTEGER(1, value);
    ERROR_STORE_INTEGER(2, min);
    ERROR_STORE_INTEGER(3, max);
    record_check(nerr,
                 "%(L1) = %(I1).  %(L1) must be greater than or equal to %(I2) and less than or "
                 "equal to %(I3).");
  }
  ++nerr;
}

void CHECK_LE_PAIR(int value1, std::string_view name1, int value2, std::string_view name2,
                   int& nerr) {
  if (value1 > value2) {
    ERROR_STORE_STRING(1, name1);
    ERROR_STORE_INTEGER(1, value1);
    ERROR_STORE_STRING(2, name2);
    ERROR_STORE_INTEGER(2, value2);
    record_check(nerr, "%(L1) = %(I1) and %(L2) = %(I2).  %(L1) must be less than or equal to %(L2).");
  }
  ++nerr;
}

void CHECK_DIM_PAIR(int min, int n, std::string_view name_n, int ld, std::string_view name_ld,
                    int& nerr) {
  const bool skip_order_check = !name_n.empty() && name_n.front() == '*';
  if (skip_order_check) {
    name_n.remove_prefix(1);
    ++nerr;
  } else {
    check_lower_bound(n, name_n, min, nerr);
  }
  check_lower_bound(ld, name_ld, 1, nerr);
  if (ld > 0)
    CHECK_LE_PAIR(n, name_n, ld, name_ld, nerr);
  else
    ++nerr;
}

}  // namespace numlib
