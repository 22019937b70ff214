#include "frontend/c_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>

namespace tervon {
namespace {

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The "C" locale, made once and never changed.
locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c;
}

}  // namespace

std::int32_t TextToInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Accumulate toward the sign, so the most negative value fits.
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  std::int64_t value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kMax + 1) value = kMax + 1;  // saturated; later digits change nothing
  }
  if (negative) return static_cast<std::int32_t>(-value < kMin ? kMin : -value);
  return static_cast<std::int32_t>(value > kMax ? kMax : value);
}

double TextToDouble(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  const std::size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0.0;
  // An exponent counts only when digits follow it.
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
      i = j;
    }
  }
  const std::string number(text.substr(start, i - start));
  return strtod_l(number.c_str(), nullptr, CLocale());
}

bool ParseWholeInt(std::string_view text, int& value) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() == '+') return false;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
  return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

bool ParseWholeNumber(std::string_view text, double& value) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  // Digits, a point, signs and exponents only: from_chars alone would take
  // "inf", "nan" and hexadecimal.
  if (text.empty() || text.find_first_not_of("0123456789.+-eE") != std::string_view::npos ||
      text.find_first_of("0123456789") == std::string_view::npos)
    return false;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  return r.ec == std::errc() && r.ptr == text.data() + text.size() && std::isfinite(value);
}

std::string_view Unpadded(std::string_view text) {
  text.remove_prefix(std::min(text.find_first_not_of(" \t"), text.size()));
  return text.substr(0, text.find_last_not_of(" \t") + 1);
}

bool IsFiniteDecimal(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  int digits = 0;
  long magnitude = 0;  // digits before the point, leading zeros aside
  for (; i < text.size() && IsDigit(text[i]); ++i, ++digits)
    if (magnitude > 0 || text[i] != '0') ++magnitude;
  if (i < text.size() && text[i] == '.')
    for (++i; i < text.size() && IsDigit(text[i]); ++i) ++digits;
  if (digits == 0) return false;
  long exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (i == text.size()) return false;
    for (; i < text.size() && IsDigit(text[i]); ++i)
      if (exponent < 100000) exponent = exponent * 10 + (text[i] - '0');
    if (negative) exponent = -exponent;
  }
  if (i != text.size()) return false;
  // Only a value near the top of the double range needs converting to tell.
  double value = 0;
  return magnitude + exponent < 300 || ParseWholeNumber(text, value);
}

std::string FormatG(double value, int precision) {
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, precision);
  return std::string(buf, r.ptr);
}

std::string FormatFixed(double value, int decimals) {
  // Fixed notation of a large double needs up to 309 digits before the point.
  char buf[400 + 64];
  const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  if (r.ec != std::errc()) return FormatG(value, 17);
  return std::string(buf, r.ptr);
}

std::string FormatInt(long long value, int width, bool zero_pad) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  std::string digits(buf, r.ptr);
  if (static_cast<int>(digits.size()) >= width) return digits;
  const std::size_t pad = static_cast<std::size_t>(width) - digits.size();
  if (!zero_pad) return std::string(pad, ' ') + digits;
  if (value < 0) return "-" + std::string(pad, '0') + digits.substr(1);
  return std::string(pad, '0') + digits;
}

}  // namespace tervon
