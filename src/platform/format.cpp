#include "platform/format.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

namespace platform {
namespace {

// ---------------------------------------------------------------- parsing

class Parser {
 public:
  explicit Parser(std::string_view s) : s_(s) {}

  void parse(std::vector<FormatEdit>& out, std::size_t& reversion, bool& has_data) {
    skip();
    bool outer = false;
    if (peek() == '(') {
      ++p_;
      outer = true;
    }
    list(out, 1, outer, reversion);
    skip();
    if (outer) {
      if (peek() != ')') fail("')' expected");
      ++p_;
      skip();
    }
    if (p_ != s_.size()) fail("unexpected text after the layout");
    for (const auto& e : out)
      if (e.is_data()) has_data = true;
  }

 private:
  std::string_view s_;
  std::size_t p_ = 0;

  [[noreturn]] void fail(const std::string& why) const {
    throw FormatError("format \"" + std::string(s_) + "\", position " + std::to_string(p_ + 1) +
                      ": " + why);
  }
  void skip() {
    while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\t')) ++p_;
  }
  char peek() const { return p_ < s_.size() ? s_[p_] : '\0'; }
  char upper() const { return static_cast<char>(std::toupper(static_cast<unsigned char>(peek()))); }

  bool digits(int& v) {
    skip();
    if (!std::isdigit(static_cast<unsigned char>(peek()))) return false;
    long long x = 0;
    while (std::isdigit(static_cast<unsigned char>(peek()))) {
      x = x * 10 + (s_[p_++] - '0');
      if (x > 100000000) fail("number too large");
      skip();
    }
    v = static_cast<int>(x);
    return true;
  }

  // Parses items up to the closing ')' of this level (not consumed).
  void list(std::vector<FormatEdit>& out, int depth, bool closed, std::size_t& reversion) {
    for (;;) {
      skip();
      if (p_ >= s_.size()) {
        if (closed) fail("')' expected");
        return;
      }
      const char c = peek();
      if (c == ')') return;
      if (c == ',') {
        ++p_;
        continue;
      }
      item(out, depth, reversion);
    }
  }

  void item(std::vector<FormatEdit>& out, int depth, std::size_t& reversion) {
    skip();
    bool negative = false;
    if (peek() == '-' || peek() == '+') {
      negative = peek() == '-';
      ++p_;
    }
    int count = 1;
    const bool has_count = digits(count);
    skip();
    const char c = upper();
    if (negative && c != 'P') fail("sign allowed only before P");
    if (c == '(') {
      ++p_;
      std::vector<FormatEdit> inner;
      std::size_t unused = 0;
      list(inner, depth + 1, true, unused);
      ++p_;  // ')'
      if (depth == 1) reversion = out.size();
      for (int i = 0; i < count; ++i) out.insert(out.end(), inner.begin(), inner.end());
      return;
    }
    if (c == '\'' || c == '"') {
      FormatEdit e{FormatEdit::kLiteral};
      e.text = quoted(c);
      for (int i = 0; i < count; ++i) out.push_back(e);
      return;
    }
    if (c == '/') {
      ++p_;
      for (int i = 0; i < count; ++i) out.push_back(FormatEdit{FormatEdit::kSlash});
      return;
    }
    if (c == ':') {
      ++p_;
      out.push_back(FormatEdit{FormatEdit::kColon});
      return;
    }
    if (c == 'P') {
      if (!has_count) fail("scale factor needs a number");
      ++p_;
      FormatEdit e{FormatEdit::kP};
      e.n = negative ? -count : count;
      out.push_back(e);
      return;  // the next edit may follow without a comma
    }
    if (c == 'X') {
      ++p_;
      FormatEdit e{FormatEdit::kX};
      e.n = count;
      out.push_back(e);
      return;
    }
    ++p_;
    FormatEdit e{FormatEdit::kIgnore};
    switch (c) {
      case 'I': e.kind = FormatEdit::kI; break;
      case 'F': e.kind = FormatEdit::kF; break;
      case 'E': e.kind = FormatEdit::kE; break;
      case 'D': e.kind = FormatEdit::kD; break;
      case 'G': e.kind = FormatEdit::kG; break;
      case 'A': e.kind = FormatEdit::kA; break;
      case 'L': e.kind = FormatEdit::kL; break;
      case 'T': {
        const char t = upper();
        e.kind = FormatEdit::kT;
        if (t == 'L' || t == 'R') {
          ++p_;
          e.kind = t == 'L' ? FormatEdit::kTL : FormatEdit::kTR;
        }
        if (!digits(e.n)) fail("T needs a position");
        out.push_back(e);
        return;
      }
      case 'B': {
        const char t = upper();
        if (t != 'N' && t != 'Z') fail("BN or BZ expected");
        ++p_;
        out.push_back(e);
        return;
      }
      case 'S': {
        const char t = upper();
        if (t == 'P' || t == 'S') ++p_;
        out.push_back(e);
        return;
      }
      default:
        --p_;
        fail(std::string("unknown edit descriptor '") + c + "'");
    }
    const bool has_w = digits(e.w);
    if (e.kind == FormatEdit::kA) {
      if (!has_w) e.w = 0;
    } else {
      if (!has_w) fail("width expected");
      e.d = -1;
      skip();
      if (peek() == '.') {
        ++p_;
        if (!digits(e.d)) fail("digits expected after '.'");
      } else if (e.kind != FormatEdit::kI && e.kind != FormatEdit::kL) {
        fail("'.d' expected");
      }
      skip();
      if ((e.kind == FormatEdit::kE || e.kind == FormatEdit::kD || e.kind == FormatEdit::kG) &&
          upper() == 'E') {
        ++p_;
        if (!digits(e.e) || e.e == 0) fail("exponent digits expected");
      }
    }
    for (int i = 0; i < count; ++i) out.push_back(e);
  }

  std::string quoted(char q) {
    ++p_;
    std::string text;
    for (;;) {
      if (p_ >= s_.size()) fail("unterminated literal");
      const char c = s_[p_++];
      if (c == q) {
        if (peek() == q) {
          text.push_back(q);
          ++p_;
          continue;
        }
        return text;
      }
      text.push_back(c);
    }
  }
};

// ---------------------------------------------------------------- output

constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9,
                             1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17};
constexpr std::uint64_t kIntPow10[] = {1ull, 10ull, 100ull, 1000ull, 10000ull, 100000ull,
                                       1000000ull, 10000000ull, 100000000ull, 1000000000ull};

void put_stars(std::string& out, int w) { out.append(static_cast<std::size_t>(w), '*'); }

// Starts a right-aligned field whose text is `len` characters long, the sign
// included: the leading blanks and the sign, or w asterisks (and false) when the
// text does not fit.
bool open_field(std::string& out, int len, int w, bool neg) {
  if (w > 0 && len > w) {
    put_stars(out, w);
    return false;
  }
  if (w > len) out.append(static_cast<std::size_t>(w - len), ' ');
  if (neg) out.push_back('-');
  return true;
}

void put_padded(std::string& out, std::string_view s, int w) {
  if (w <= 0) {
    out.append(s);
    return;
  }
  if (static_cast<int>(s.size()) > w) {
    put_stars(out, w);
    return;
  }
  out.append(static_cast<std::size_t>(w) - s.size(), ' ');
  out.append(s);
}

// NaN and infinities, as gfortran writes them.
bool put_special(std::string& out, double v, int w) {
  if (std::isnan(v)) {
    if (w > 0 && w < 3) put_stars(out, w);
    else put_padded(out, "NaN", w);
    return true;
  }
  if (std::isinf(v)) {
    const bool neg = v < 0;
    const int need_long = neg ? 9 : 8;
    const int need_short = neg ? 4 : 3;
    if (w <= 0 || w >= need_long) put_padded(out, neg ? "-Infinity" : "Infinity", w);
    else if (w >= need_short) put_padded(out, neg ? "-Inf" : "Inf", w);
    else put_stars(out, w);
    return true;
  }
  return false;
}

// The digits of an exact decimal text "ddd.ddd" (no sign) times 10^frac,
// rounded to an integer, ties to even; frac may be negative (rounding left of
// the point). No leading zeros; "0" for zero.
std::string round_decimal(std::string_view exact, int frac) {
  const std::size_t dot = exact.find('.');
  std::string digits(exact.substr(0, dot));
  const std::size_t int_len = digits.size();
  if (dot != std::string_view::npos) digits.append(exact.substr(dot + 1));
  // Keep int_len + frac digits.
  long keep = static_cast<long>(int_len) + frac;
  std::string kept;
  bool round_up = false;
  if (keep < 0) {
    kept = "";
    round_up = false;
  } else {
    const std::size_t k = static_cast<std::size_t>(keep);
    kept = digits.substr(0, std::min(k, digits.size()));
    while (kept.size() < k) kept.push_back('0');
    if (k < digits.size()) {
      const char first = digits[k];
      bool rest_nonzero = false;
      for (std::size_t i = k + 1; i < digits.size(); ++i)
        if (digits[i] != '0') rest_nonzero = true;
      const bool last_odd = !kept.empty() && ((kept.back() - '0') & 1);
      round_up = first > '5' || (first == '5' && (rest_nonzero || last_odd));
    }
  }
  if (round_up) {
    long i = static_cast<long>(kept.size()) - 1;
    while (i >= 0 && kept[static_cast<std::size_t>(i)] == '9') kept[static_cast<std::size_t>(i--)] = '0';
    if (i >= 0) ++kept[static_cast<std::size_t>(i)];
    else kept.insert(kept.begin(), '1');
  }
  const std::size_t nz = kept.find_first_not_of('0');
  return nz == std::string::npos ? "0" : kept.substr(nz);
}

// Exact decimal expansion of a finite non-negative double: up to 309 digits
// before the point and 1074 after it (1100 are asked for).
std::string exact_decimal(double a) {
  std::string buf(309 + 1 + 1100, '\0');
  auto r = std::to_chars(buf.data(), buf.data() + buf.size(), a, std::chars_format::fixed, 1100);
  buf.resize(static_cast<std::size_t>(r.ptr - buf.data()));
  return buf;
}

// Writes |v| * 10^scale rounded to d decimals as "int.frac" into buf.
std::size_t fixed_digits(double a, int d, int scale, char* buf, std::size_t cap) {
  if (scale == 0 && d <= 9) {
    const double x = a * kPow10[d];
    if (x < 4.0e15) {
      const double xi = std::floor(x);
      const double frac = x - xi;
      const double margin = x * 2.3e-16 + 1e-300;
      if (std::fabs(frac - 0.5) > margin) {
        std::uint64_t n = static_cast<std::uint64_t>(xi) + (frac > 0.5 ? 1 : 0);
        const std::uint64_t ip = n / kIntPow10[d];
        std::uint64_t fp = n % kIntPow10[d];
        char* p = buf;
        auto r = std::to_chars(p, buf + cap, ip);
        p = r.ptr;
        *p++ = '.';
        for (int i = d - 1; i >= 0; --i) {
          p[i] = static_cast<char>('0' + fp % 10);
          fp /= 10;
        }
        return static_cast<std::size_t>(p + d - buf);
      }
    }
  }
  if (scale == 0 && d <= 60) {
    auto r = std::to_chars(buf, buf + cap, a, std::chars_format::fixed, d);
    if (r.ec == std::errc()) {
      std::size_t n = static_cast<std::size_t>(r.ptr - buf);
      if (d == 0) buf[n++] = '.';
      return n;
    }
  }
  // The digits of |v| * 10^(scale + d); the point goes d digits from the right.
  std::string digits = round_decimal(exact_decimal(a), d + scale);
  const std::size_t decimals = static_cast<std::size_t>(d);
  if (digits.size() <= decimals) digits.insert(0, decimals + 1 - digits.size(), '0');
  const std::string full = digits.substr(0, digits.size() - decimals) + "." +
                           digits.substr(digits.size() - decimals);
  const std::size_t n = std::min(full.size(), cap);
  std::memcpy(buf, full.data(), n);
  return n;
}

}  // namespace

Format::Format(std::string_view text) : text_(text) {
  Parser(text).parse(edits_, reversion_, has_data_);
}

void put_integer(std::string& out, std::int64_t v, int w, int min_digits) {
  char buf[32];
  const bool neg = v < 0;
  const std::uint64_t mag = neg ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
  auto r = std::to_chars(buf, buf + sizeof buf, mag);
  std::string_view digits(buf, static_cast<std::size_t>(r.ptr - buf));
  if (min_digits == 0 && mag == 0) digits = {};
  int len = static_cast<int>(digits.size());
  const int zeros = min_digits > len ? min_digits - len : 0;
  len += zeros + (neg ? 1 : 0);
  if (!open_field(out, len, w, neg)) return;
  out.append(static_cast<std::size_t>(zeros), '0');
  out.append(digits);
}

void put_fixed(std::string& out, double v, int w, int d, int scale) {
  if (put_special(out, v, w)) return;
  if (d < 0) d = 0;
  const bool neg = std::signbit(v);
  char buf[1600];
  std::size_t n = fixed_digits(std::fabs(v), d, scale, buf, sizeof buf);
  std::string_view s(buf, n);
  // s is "int.frac"; the integer part "0" may be left out when room is short.
  int len = static_cast<int>(n) + (neg ? 1 : 0);
  if (w > 0 && len > w && s.size() >= 2 && s[0] == '0' && s[1] == '.' && d > 0) {
    s.remove_prefix(1);
    --len;
  }
  if (!open_field(out, len, w, neg)) return;
  out.append(s);
}

void put_exponent(std::string& out, double v, int w, int d, int exp_digits, int scale,
                  char letter) {
  if (put_special(out, v, w)) return;
  const bool neg = std::signbit(v);
  const double a = std::fabs(v);
  // significant digits by the scale factor: -d < k <= 0 gives d + k, 0 < k < d + 2 gives d + 1
  int sig;
  if (scale <= 0) {
    if (scale <= -d) {
      put_stars(out, w);
      return;
    }
    sig = d + scale;
  } else {
    if (scale >= d + 2) {
      put_stars(out, w);
      return;
    }
    sig = d + 1;
  }
  if (sig > 1000) {  // beyond any double's digits; no real layout asks for it
    put_stars(out, w);
    return;
  }
  // digits of the mantissa: value = 0.digits * 10^x10
  char dig[1200];
  int ndig = sig;
  int x10 = 0;
  if (a == 0.0) {
    std::memset(dig, '0', static_cast<std::size_t>(sig));
    x10 = scale;  // the exponent shown is 0
  } else if (sig <= 40) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, sig - 1);
    const char* p = buf;
    int n = 0;
    for (; p < r.ptr && *p != 'e'; ++p)
      if (*p != '.') dig[n++] = *p;
    int ex = 0;
    ++p;  // 'e'
    const bool eneg = *p == '-';
    ++p;
    for (; p < r.ptr; ++p) ex = ex * 10 + (*p - '0');
    x10 = (eneg ? -ex : ex) + 1;
  } else {
    // Beyond the shortest exact forms: round the exact expansion.
    const std::string exact = exact_decimal(a);
    const std::size_t dot = exact.find('.');
    const std::string all = exact.substr(0, dot) + exact.substr(dot + 1);
    const std::size_t first = all.find_first_not_of('0');
    x10 = static_cast<int>(dot) - static_cast<int>(first);
    std::string rd = round_decimal("0." + all.substr(first), sig);
    if (rd.size() > static_cast<std::size_t>(sig)) {  // rounding carried into a new digit
      rd.resize(static_cast<std::size_t>(sig));
      ++x10;
    }
    ndig = static_cast<int>(std::min<std::size_t>(rd.size(), sizeof dig));
    std::memcpy(dig, rd.data(), static_cast<std::size_t>(ndig));
  }
  const int shown_exp = x10 - scale;
  const int eabs = shown_exp < 0 ? -shown_exp : shown_exp;

  // exponent part
  char ex[104];
  int nex = 0;
  if (exp_digits == 0) {
    if (eabs <= 99) {
      ex[nex++] = letter;
      ex[nex++] = shown_exp < 0 ? '-' : '+';
      ex[nex++] = static_cast<char>('0' + eabs / 10);
      ex[nex++] = static_cast<char>('0' + eabs % 10);
    } else if (eabs <= 999) {
      ex[nex++] = shown_exp < 0 ? '-' : '+';
      ex[nex++] = static_cast<char>('0' + eabs / 100);
      ex[nex++] = static_cast<char>('0' + eabs / 10 % 10);
      ex[nex++] = static_cast<char>('0' + eabs % 10);
    } else {
      put_stars(out, w);
      return;
    }
  } else {
    // Exponents of doubles have at most 3 digits: more are leading zeros. More
    // than 100 cannot fit any field a layout asks for.
    int limit = 1;
    for (int i = 0; i < exp_digits && i < 9; ++i) limit *= 10;
    if (eabs >= limit || exp_digits > 100) {
      put_stars(out, w);
      return;
    }
    ex[nex++] = letter;
    ex[nex++] = shown_exp < 0 ? '-' : '+';
    for (int i = exp_digits - 1, v = eabs; i >= 0; --i, v /= 10) ex[nex + i] = static_cast<char>('0' + v % 10);
    nex += exp_digits;
  }

  // mantissa: 0.[zeros]digits for k <= 0, k digits before the point otherwise
  const int zeros = scale < 0 ? -scale : 0;
  const int mant_len = scale <= 0 ? 2 + zeros + ndig : ndig + 1;
  int len = mant_len + nex + (neg ? 1 : 0);
  bool drop_zero = false;
  if (w > 0 && len > w && scale <= 0) {
    drop_zero = true;
    --len;
  }
  if (!open_field(out, len, w, neg)) return;
  if (scale <= 0) {
    if (!drop_zero) out.push_back('0');
    out.push_back('.');
    out.append(static_cast<std::size_t>(zeros), '0');
    out.append(dig, static_cast<std::size_t>(ndig));
  } else {
    out.append(dig, static_cast<std::size_t>(scale));
    out.push_back('.');
    out.append(dig + scale, static_cast<std::size_t>(ndig - scale));
  }
  out.append(ex, static_cast<std::size_t>(nex));
}

void put_general(std::string& out, double v, int w, int d, int exp_digits, int scale) {
  if (put_special(out, v, w)) return;
  if (d > 0) {
    // The F form serves 0.1*r <= |v| < 10^d*r with r = 1 - 0.5/10^d, zero included;
    // it takes d - p decimals where 10^(p-1)*r <= |v| < 10^p*r. The bounds are
    // formed in double, the powers by repeated multiplication, which is how
    // gfortran places a value that lies within an ulp of a bound.
    const double a = std::fabs(v);
    double power = 1.0;
    for (int i = 0; i < d; ++i) power *= 10.0;
    const double r = 1.0 - 0.5 / power;
    int p = -1;
    if (a == 0.0) {
      p = 1;
    } else if (a >= 0.1 * r) {
      double tens = 1.0;
      for (p = 0; p <= d && a >= tens * r; ++p) tens *= 10.0;
      if (p > d) p = -1;
    }
    if (p >= 0) {
      // F(w-n).(d-p) and n blanks; the scale factor has no effect here.
      const int n = exp_digits > 0 ? exp_digits + 2 : 4;
      const std::size_t start = out.size();
      if (w - n >= 1) put_fixed(out, v, w - n, d - p, 0);
      if (w - n < 1 || out[start] == '*') {
        out.resize(start);
        put_stars(out, w);
      } else {
        out.append(static_cast<std::size_t>(n), ' ');
      }
      return;
    }
  }
  put_exponent(out, v, w, d, exp_digits, scale, 'E');
}

}  // namespace platform
