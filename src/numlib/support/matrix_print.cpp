#include "numlib/support/matrix_print.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <type_traits>
#include <vector>

#include "numlib/support/library.h"
#include "numlib/support/print_format_check.h"

namespace numlib {
namespace {

constexpr int kTerminal = 5;

PrintOptionTable& print_options() { return library_state().print_option_table; }
int option_in_force(int k) { return print_options().in_force[static_cast<std::size_t>(k)]; }

// WROPT with IOPT = 0.
void restore_options_in_force() {
  PrintOptionTable& t = print_options();
  const int lines_on_page = t.in_force[3];
  t.in_force = t.persistent;
  if (t.persistent[3] >= 0) t.in_force[3] = lines_on_page;
}

// |V| without overflow (the largest int for the smallest).
int magnitude(int v) {
  return v == std::numeric_limits<int>::min() ? std::numeric_limits<int>::max() : std::abs(v);
}

// The checks every printer makes of its matrix, by running number from NERR.
void check_matrix(int nra, std::string_view nra_name, int nca, std::string_view nca_name, int lda,
                  std::string_view lda_name, int& nerr) {
  CHECK_INT_ARG_RANGE(nra, nra_name, 0, -1, nerr);
  CHECK_INT_ARG_RANGE(nca, nca_name, 0, -1, nerr);
  CHECK_INT_ARG_RANGE(lda, lda_name, 1, 0, nerr);
  if (nca != 0 && lda > 0)
    CHECK_LE_PAIR(nra, nra_name, lda, lda_name, nerr);
  else
    ++nerr;
}

bool error_at_this_level() { return N1RTY(0) > 0; }

// x rounded to s significant digits is m * 10^e, 1 <= m < 10: returns e + 1
// (1 for zero).
int leading_exponent(double x, int s) {
  if (x == 0.0) return 1;
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific,
                         std::clamp(s, 1, 40) - 1);
  const char* e = std::find(buf, r.ptr, 'e') + 1;
  if (*e == '+') ++e;
  int ex = 0;
  std::from_chars(e, r.ptr, ex);
  return ex + 1;
}

// The format DFMTX chooses, in parts.
struct RealFormat {
  bool fixed = true;
  int w = 0;
  int d = 0;  // digits after the point
  int q = 1;  // integer digits the largest value needs
};

RealFormat format_for_magnitude(double x, int width, int digits) {
  const int p = leading_exponent(x, digits);
  RealFormat f;
  f.d = std::max(0, digits - p);
  f.q = std::max(p, 1);
  f.w = width;
  if (static_cast<std::int64_t>(f.q) + f.d + 3 <= width) return f;
  f.fixed = false;
  f.w = std::max(width, 8);
  f.d = std::clamp(std::min(digits - 1, f.w - 7), 0, 40);
  return f;
}

std::string format_text(const RealFormat& f) {
  return (f.fixed ? "(F" : "(1PE") + std::to_string(f.w) + "." + std::to_string(f.d) + ")";
}

// "(I" + W in two characters + ")".
std::string integer_format(int w) {
  std::string text = "(I";
  if (w < 10) text += ' ';
  text += std::to_string(w);
  text += ')';
  return text;
}

// Calls f(column, first printed row, rows) for every column with printed rows.
template <class F>
void for_each_printed_column(int nra, int nca, int itring, F&& f) {
  for (int j = 1; j <= nca; ++j) {
    int row1 = 0, nrows = 0;
    ITRING_ROW_RANGE(itring, 1, nra, j, row1, nrows);
    if (nrows > 0) f(j, row1, nrows);
  }
}

template <class T>
const T* element(const T* a, int lda, int i, int j) {
  return a + (i - 1) + static_cast<std::ptrdiff_t>(j - 1) * lda;
}

// The format of DFMTRR once its arguments have passed.
std::string choose_real_format(int nra, int nca, const double* a, int lda, int itring, int nwidth,
                               int nsig) {
  const int width = magnitude(nwidth);
  const int digits = magnitude(nsig);
  // NaN and infinities never reach the formatted write: they are passed over.
  double largest = -1.0;
  bool whole = nsig >= 0 && nwidth > 0;
  for_each_printed_column(nra, nca, itring, [&](int j, int row1, int nrows) {
    const double* x = element(a, lda, row1, j);
    const int k = DI1MAX(nrows, x, 1);
    if (k > 0) largest = std::max(largest, std::fabs(x[k - 1]));
    if (whole) whole = ALL_WHOLE_NUMBERS(nrows, x, 1, width);
  });
  std::string text;
  if (largest < 0.0) {  // nothing but NaN and infinities
    DFMTX(DMACH(6), nwidth, nsig, text);
    return text;
  }
  if (whole) return integer_format(width);
  RealFormat f = format_for_magnitude(largest, width, digits);
  if (f.fixed) {
    if (nsig > 0) f.d = FRACTION_DIGITS_TRIM(nra, nca, a, lda, itring, f.d);
    if (nwidth < 0) f.w = std::min(f.w, f.q + f.d + 3);
  }
  return format_text(f);
}

// DFMTRR into a text.
std::string dfmtrr(int nra, int nca, const double* a, int lda, int itring, int nwidth, int nsig) {
  std::array<char, 10> buf;
  buf.fill(' ');
  DFMTRR(nra, nca, a, lda, itring, nwidth, nsig, buf);
  return std::string(platform::trim_trailing(std::string_view(buf.data(), buf.size())));
}

// The real printer's format when FMT is blank: print option 6.
std::string default_real_format(int nra, int nca, const double* a, int lda, int itring) {
  switch (option_in_force(6)) {
    case 1: return dfmtrr(nra, nca, a, lda, itring, 12, 6);
    case 2: return "(1PE12.5)";
    case 3: return dfmtrr(nra, nca, a, lda, itring, -10, -4);
    case 4: return dfmtrr(nra, nca, a, lda, itring, -12, -6);
    case 5: {
      // every digit a double holds: (1PE21.14)
      const int d = std::min(static_cast<int>(0.05 - std::log10(DMACH(4))) - 1, 33);
      return "(1PE" + std::to_string(d + 7) + "." + std::to_string(d) + ")";
    }
    default: return dfmtrr(nra, nca, a, lda, itring, 10, 4);
  }
}

// The integer printer's format when FMT is blank: (Iw), w the digits of the
// largest printed magnitude (at least 1) and one place for a sign.
std::string default_integer_format(int nra, int nca, const int* a, int lda, int itring) {
  std::int64_t largest = 1;
  for_each_printed_column(nra, nca, itring, [&](int j, int row1, int nrows) {
    const int* x = element(a, lda, row1, j);
    for (int i = 0; i < nrows; ++i)
      largest = std::max(largest, x[i] < 0 ? -static_cast<std::int64_t>(x[i]) : x[i]);
  });
  int digits = 1;
  for (; largest >= 10; largest /= 10) ++digits;
  return integer_format(digits + 1);
}

// The items of every column. A V or W item becomes the format DFMTRR chooses for
// the column's printed values (NSIG = -d for V, d for W): once per print, so
// that a column keeps one format in every block.
void VW_COLUMN_FORMATS(const std::string& fmt, int nra, int nca, const double* a, int lda,
                       int itring, std::vector<std::string>& items) {
  items.resize(static_cast<std::size_t>(nca));
  for (int j = 1; j <= nca; ++j) {
    std::string& item = items[static_cast<std::size_t>(j - 1)];
    COLUMN_FORMAT(j, fmt, item);
    if (item.size() < 2 || (item[1] != 'V' && item[1] != 'W')) continue;
    int w = 0, d = 0, row1 = 0, nrows = 0;
    FORMAT_NUMBER(item, 1, '.', ')', w);
    FORMAT_NUMBER(item, 0, '.', ')', d);
    ITRING_ROW_RANGE(itring, 1, nra, j, row1, nrows);
    const double* x = nrows > 0 ? element(a, lda, row1, j) : a;
    item = dfmtrr(nrows, 1, x, lda, 0, w, item[1] == 'V' ? -d : d);
  }
}

// One print of either kind, after the entry's checks.
template <class T>
void print_matrix(std::string_view title, int nra, int nca, const T* a, int lda, int itring,
                  std::string_view fmt, std::span<const std::string_view> rlabel,
                  std::span<const std::string_view> clabel) {
  constexpr bool kReal = std::is_same_v<T, double>;
  std::string text(fmt);
  if (TRIMMED_LENGTH(fmt) == 0) {
    if constexpr (kReal)
      text = default_real_format(nra, nca, a, lda, itring);
    else
      text = default_integer_format(nra, nca, a, lda, itring);
  }
  bool single_vw = false;
  int width = -1;
  if constexpr (kReal)
    FORMAT_CHECK_REAL(text, single_vw, width);
  else
    FORMAT_CHECK_INTEGER(text, width);
  if (error_at_this_level()) return;

  std::vector<std::string> items;
  if constexpr (kReal) {
    if (single_vw) {
      // One V or W item: one format for the whole matrix.
      std::string item;
      for_each_format_item(text,
                           [&](std::string_view written) { compact_format_item(written, item); });
      const std::size_t x = item.find_first_of("VW");
      const std::size_t dot = item.find('.');
      int w = 0, d = 0, status = 0;
      INTEGER_FROM_TEXT(std::string_view(item).substr(x + 1, dot - x - 1), w, status);
      INTEGER_FROM_TEXT(std::string_view(item).substr(dot + 1), d, status);
      text = dfmtrr(nra, nca, a, lda, itring, w, item[x] == 'V' ? -d : d);
      FORMAT_NUMBER(text, 1, '.', ')', width);
    }
    VW_COLUMN_FORMATS(text, nra, nca, a, lda, itring, items);
  } else {
    items.resize(static_cast<std::size_t>(nca));
    for (int j = 1; j <= nca; ++j) COLUMN_FORMAT(j, text, items[static_cast<std::size_t>(j - 1)]);
  }

  std::optional<MatrixLayout> layout;
  if (!PRINT_SETUP({title, nra, nca, itring, rlabel, clabel}, items, width, layout)) return;
  for (const PrintBlock& block : layout->blocks(option_in_force(3))) {
    if (block.new_page) PRINT_TITLE_PAGE(-1, {});
    if constexpr (kReal)
      PRINT_BLOCK_REAL(*layout, block, a, lda);
    else
      PRINT_BLOCK_INTEGER(*layout, block, a, lda);
  }
}

// The names a printer gives its matrix arguments in its messages.
struct MatrixArgumentNames {
  std::string_view rows, columns, leading;
};

// DW2RRL and WRIRL: the checks, then the print; the options in force go back
// to the persistent ones either way.
template <class T>
void print_labelled(std::string_view name, std::string_view title, int nra, int nca, const T* a,
                    int lda, int itring, std::string_view fmt,
                    std::span<const std::string_view> rlabel,
                    std::span<const std::string_view> clabel) {
  const Frame frame(name);
  int nerr = 1;
  check_matrix(nra, "NRA", nca, "NCA", lda, "LDA", nerr);
  CHECK_INT_ARG_RANGE(itring, "ITRING", -2, 2, nerr);
  if (!error_at_this_level()) print_matrix(title, nra, nca, a, lda, itring, fmt, rlabel, clabel);
  restore_options_in_force();
  frame.pop();
}

// DWRRRN and WRIRN: the labels the options choose, through the labelled printer
// of the same type.
template <class T>
void print_with_default_labels(std::string_view name, MatrixArgumentNames names,
                               std::string_view title, int nra, int nca, const T* a, int lda,
                               int itring) {
  const Frame frame(name);
  int nerr = 1;
  check_matrix(nra, names.rows, nca, names.columns, lda, names.leading, nerr);
  CHECK_INT_ARG_RANGE(itring, "ITRING", -2, 2, nerr);
  if (error_at_this_level()) {
    restore_options_in_force();
  } else {
    std::string_view rlabel;
    std::string_view clabel[2];
    int nclabel = 0;
    MATRIX_LABEL_OPTIONS(nra, nca, rlabel, clabel, nclabel);
    const std::span<const std::string_view> columns(clabel, static_cast<std::size_t>(nclabel));
    if constexpr (std::is_same_v<T, double>)
      DW2RRL(title, nra, nca, a, lda, itring, " ", {&rlabel, 1}, columns);
    else
      WRIRL(title, nra, nca, a, lda, itring, " ", {&rlabel, 1}, columns);
  }
  frame.pop();
}

}  // namespace

// ---------------------------------------------------------------- entries

void DWRRRN(std::string_view title, int nra, int nca, const double* a, int lda, int itring) {
  print_with_default_labels("DWRRRN", {"NRA", "NCA", "LDA"}, title, nra, nca, a, lda, itring);
}

void WRIRN(std::string_view title, int nrmat, int ncmat, const int* mat, int ldmat, int itring) {
  print_with_default_labels("WRIRN", {"NRMAT", "NCMAT", "LDMAT"}, title, nrmat, ncmat, mat, ldmat,
                            itring);
}

void DW2RRL(std::string_view title, int nra, int nca, const double* a, int lda, int itring,
            std::string_view fmt, std::span<const std::string_view> rlabel,
            std::span<const std::string_view> clabel) {
  print_labelled("DW2RRL", title, nra, nca, a, lda, itring, fmt, rlabel, clabel);
}

void WRIRL(std::string_view title, int nra, int nca, const int* a, int lda, int itring,
           std::string_view fmt, std::span<const std::string_view> rlabel,
           std::span<const std::string_view> clabel) {
  print_labelled("WRIRL", title, nra, nca, a, lda, itring, fmt, rlabel, clabel);
}

void WROPT(int iopt, int& iset, int iscope) {
  // Lowest and highest value a caller may set, by option (highest below lowest:
  // no upper bound).
  static constexpr int kLowest[17] = {0, 0, 0, -2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
  static constexpr int kHighest[17] = {0, 1, -1, -3, 3, 1, 5, 5, 255, 10, 50, 255, 50, 50, 1, 1, 1};
  const Frame frame("WROPT");
  const int k = magnitude(iopt);
  int nerr = 1;
  CHECK_INT_ARG_RANGE(k, "IABS(IOPT)", 0, 16, nerr);
  if (iopt < 0 && k <= 16)
    CHECK_INT_ARG_RANGE(iset, "ISET", kLowest[k], kHighest[k], nerr);
  else
    ++nerr;
  if (iopt != 0) CHECK_INT_ARG_RANGE(iscope, "ISCOPE", 0, 1, nerr);
  if (!error_at_this_level()) {
    PrintOptionTable& t = print_options();
    const auto o = static_cast<std::size_t>(k);
    if (iopt > 0) {
      iset = iscope == 0 ? t.in_force[o] : t.persistent[o];
    } else if (iopt < 0) {
      t.in_force[o] = iset;
      if (iscope == 1) t.persistent[o] = iset;
    } else {
      restore_options_in_force();
    }
  }
  frame.pop();
}

void PGOPT(int iopt, int& ipage) {
  const Frame frame("PGOPT");
  int nerr = 1;
  CHECK_INT_ARG_RANGE(magnitude(iopt), "IABS(IOPT)", 1, 2, nerr);
  if ((iopt == -1 || iopt == -2) && ipage < 10) {
    ERROR_STORE_INTEGER(1, ipage);
    E1MES(kTerminal, -iopt + 1,
          iopt == -1 ? "IPAGE = %(I1).  Page width must be greater than or equal to 10."
                     : "IPAGE = %(I1).  Page length must be greater than or equal to 10.");
  }
  if (!error_at_this_level()) {
    auto& page = library_state().page_option_table.values;
    if (iopt < 0)
      page[static_cast<std::size_t>(-iopt)] = ipage;
    else
      ipage = page[static_cast<std::size_t>(iopt)];
  }
  frame.pop();
}

void MATRIX_LABEL_OPTIONS(int nra, int nca, std::string_view& rlabel,
                          std::span<std::string_view, 2> clabel, int& nclabel) {
  const int lines_on_page = option_in_force(3);
  if (option_in_force(15) == 0 && (lines_on_page == -2 || lines_on_page >= 1))
    PRINT_TITLE_PAGE(-1, {});
  std::string_view heading;
  std::string_view columns = "NONE";
  rlabel = "NONE";
  if (nra >= 2 && nca >= 2) {
    rlabel = "NUMBER";
    columns = "NUMBER";
    heading = "Row/Column";
  } else if (nra == 1 && nca > 1) {
    columns = "NUMBER";
    heading = " Component";
  } else if (nra > 1 && nca == 1) {
    rlabel = "NUMBER";
    heading = " Component";
  }
  nclabel = 0;
  if (!heading.empty() && option_in_force(14) != 0) clabel[nclabel++] = heading;
  clabel[nclabel++] = columns;
}

void DFMTRR(int nra, int nca, const double* a, int lda, int itring, int nwidth, int nsig,
            std::span<char> fmt) {
  const Frame frame("DFMTRR");
  int nerr = 1;
  check_matrix(nra, "NRA", nca, "NCA", lda, "LDA", nerr);
  CHECK_INT_ARG_RANGE(magnitude(nwidth), "NWIDTH", 3, 40, nerr);
  CHECK_LE_PAIR(magnitude(nsig) - 2, "NSIG-2", magnitude(nwidth), "NWIDTH", nerr);
  if (!error_at_this_level())
    COPY_BLANK_FILL(choose_real_format(nra, nca, a, lda, itring, nwidth, nsig), fmt);
  frame.pop();
}

void DFMTX(double x, int nwidth, int nsig, std::string& fmt) {
  if (NAN_TEST(x) || std::isinf(x)) {
    fmt = "(F" + std::to_string(magnitude(nwidth)) + ".0)";
    return;
  }
  fmt = format_text(format_for_magnitude(std::fabs(x), magnitude(nwidth), magnitude(nsig)));
}

int DI1MAX(int n, const double* x, int incx) {
  int best = 0;
  double largest = -1.0;
  if (incx < 1) return 0;
  for (int i = 0; i < n; ++i) {
    const double v = std::fabs(x[static_cast<std::ptrdiff_t>(i) * incx]);
    if (std::isfinite(v) && v > largest) {
      largest = v;
      best = i + 1;
    }
  }
  return best;
}

bool ALL_WHOLE_NUMBERS(int n, const double* x, int incx, int w) {
  const double above = std::pow(10.0, w);
  const double below = -std::pow(10.0, w - 1);
  const double limit = IMACH(5);
  for (int i = 0; i < n; ++i) {
    const double v = x[static_cast<std::ptrdiff_t>(i) * incx];
    if (!std::isfinite(v)) continue;
    // The range first: only then is the value safe to round.
    if (!(v > below && v < above && std::fabs(v) <= limit) || v != std::trunc(v)) return false;
  }
  return true;
}

int FRACTION_DIGITS_TRIM(int nra, int nca, const double* a, int lda, int itring, int d) {
  if (d <= 1) return d;
  const double scale = std::pow(10.0, d);
  int need = 0;
  for_each_printed_column(nra, nca, itring, [&](int j, int row1, int nrows) {
    const double* x = element(a, lda, row1, j);
    for (int i = 0; i < nrows && need < d; ++i) {
      if (!std::isfinite(x[i])) continue;
      // The value's digits to d places, rounded half away from zero; the
      // trailing zeros among them are not needed.
      char buf[400];
      const auto r = std::to_chars(buf, buf + sizeof buf, std::round(std::fabs(x[i]) * scale),
                                   std::chars_format::fixed, 0);
      int zeros = 0;
      for (const char* p = r.ptr; p > buf && p[-1] == '0' && zeros < d; --p) ++zeros;
      if (r.ptr - buf == 1 && buf[0] == '0') zeros = d;
      need = std::max(need, d - zeros);
    }
  });
  return need;
}

bool PRINT_SETUP(const PrintJob& job, const std::vector<std::string>& column_items, int field_width,
                 std::optional<MatrixLayout>& layout) {
  PrintSetup setup;
  const auto& page = library_state().page_option_table.values;
  setup.page_width = page[1];
  setup.page_length = page[2];
  setup.options = print_options().in_force;
  const int pw = setup.page_width;
  int& label_width = setup.options[8];
  if (label_width == 0) label_width = job.nca == 1 ? 2 * pw / 3 : pw / 4;
  if (setup.options[10] == 0) setup.options[10] = label_width / 3;
  // Labels: keywords or user labels; CLABEL's first entry is either a keyword
  // or the heading of the row-label column.
  auto kind = [](std::span<const std::string_view> labels, std::size_t k) {
    const std::string_view label = k < labels.size() ? labels[k] : std::string_view("NONE");
    if (COMPARE_LABEL_NOCASE(label, "NONE") == 0) return 0;
    return COMPARE_LABEL_NOCASE(label, "NUMBER") == 0 ? 1 : 2;
  };
  setup.row_kind = kind(job.rlabel, 0);
  setup.column_kind = kind(job.clabel, 0);
  if (setup.column_kind == 2) {
    const int second = kind(job.clabel, 1);
    setup.column_kind = second == 0 ? 3 : second == 1 ? 4 : 2;
  }
  layout.emplace(setup, job, column_items);

  // The width check: one column, its row label and its gaps must fit a line.
  if (pw > 255) {
    ERROR_STORE_INTEGER(1, pw);
    E1MES(kTerminal, 38,
          "A page width of %(I1) was retrieved via library routine PGOPT.  The page width must be "
          "reset to no greater than 255 by a call to PGOPT.");
    return false;
  }
  const int w = field_width;
  int column_width = w;
  switch (setup.column_kind) {
    case 1:
    case 4: {
      int digits = 1;
      for (int n = job.nca; n >= 10; n /= 10) ++digits;
      column_width = std::max(w, digits);
      break;
    }
    case 2:
      column_width = setup.options[11] != 0 ? std::max(setup.options[11], w)
                                            : std::min(40, std::max(15, w + w / 2));
      break;
    default: break;
  }
  const std::int64_t needed =
      static_cast<std::int64_t>(setup.options[7]) + layout->ROW_LABEL_WIDTH() + column_width + 4;
  if (needed <= pw) return true;
  ERROR_STORE_INTEGER(1, pw);
  ERROR_STORE_INTEGER(2, static_cast<int>(std::min<std::int64_t>(needed, IMACH(5))));
  ERROR_STORE_INTEGER(3, w);
  if (w >= 12)
    E1MES(kTerminal, 36,
          "A page width of %(I1) was retrieved via library routine PGOPT.  The format FMT contains "
          "a field width of %(I3).  Either the largest field width in FMT must be decreased or the "
          "page width increased to at least %(I2) by a call to PGOPT.");
  else
    E1MES(kTerminal, 37,
          "A page width of %(I1) was retrieved via library routine PGOPT.  The page width must be "
          "increased to at least %(I2) by a call to PGOPT.");
  return false;
}

int COMPARE_LABEL_NOCASE(std::string_view a, std::string_view b) { return COMPARE_NOCASE(a, b); }

void CVTSI(std::string_view string, int& n) {
  const Frame frame("CVTSI");
  n = 0;
  if (string.empty()) {
    ERROR_STORE_INTEGER(1, 0);
    E1MES(kTerminal, 1, "The length of the input string is %(I1)");
  } else {
    const std::size_t first = string.find_first_not_of(' ');
    const std::size_t last = string.find_last_not_of(' ');
    std::int64_t value = 0;
    if (first == std::string_view::npos) {
      ERROR_STORE_STRING(1, string);
      E1MES(kTerminal, 4, "The input string '%(L1)' cannot be converted to an integer.");
    } else {
      for (std::size_t i = first; i <= last; ++i) {
        if (string[i] < '0' || string[i] > '9') {
          ERROR_STORE_STRING(1, string);
          ERROR_STORE_INTEGER(1, static_cast<int>(std::min<std::size_t>(i + 1, 2147483647)));
          E1MES(kTerminal, 2,
                "The string '%(L1)' contains a nonnumeric character at position %(I1)");
          break;
        }
        value = value * 10 + (string[i] - '0');
        if (value > 2147483647) {
          ERROR_STORE_STRING(1, string);
          E1MES(kTerminal, 3, "The string '%(L1)' is too large to be converted to an integer.");
          break;
        }
      }
      if (!error_at_this_level()) n = static_cast<int>(value);
    }
  }
  frame.pop();
}

}  // namespace numlib
