#include "numlib/support/option_managers.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

#include "numlib/support/library.h"
#include "numlib/support/option_tables.h"
#include "platform/format.h"

namespace numlib {
namespace {

// ---- the default tables ----

enum class Product : std::uint8_t { Math = 0, Stat = 1 };

constexpr std::array<std::string_view, kOptionProducts> kProductNames = {"MATH", "STAT"};
constexpr std::array<int, kOptionProducts> kChapters = {10, 20};
// The chapter whose options steer the managers themselves.
constexpr std::array<int, kOptionProducts> kClosingChapter = {10, 19};
constexpr int kTraceOption = 1;
constexpr int kNoChecksOption = 2;

// A default value, or a run of them: `repeat` values from `first` in steps of
// `step`. Machine constants are filled in at the first call. A value left
// default-constructed stands for nothing (repeat 0).
enum class Kind : std::uint8_t { Number, LargestInteger, SqrtEps, Huge, NaN };
struct Value {
  Kind kind = Kind::Number;
  double first = 0.0;
  int repeat = 0;
  double step = 0.0;
};
constexpr Value v(double x) { return {Kind::Number, x, 1, 0.0}; }
constexpr Value ramp(double first, int count) { return {Kind::Number, first, count, 1.0}; }
constexpr Value times(Value e, int count) { return {e.kind, e.first, count, e.step}; }
constexpr Value kLargest{Kind::LargestInteger, 0.0, 1, 0.0};  // IMACH(5)
constexpr Value kSqrtEps{Kind::SqrtEps, 0.0, 1, 0.0};         // sqrt(DMACH(4))
constexpr Value kHuge{Kind::Huge, 0.0, 1, 0.0};               // DMACH(2)
constexpr Value kNaN{Kind::NaN, 0.0, 1, 0.0};                 // DMACH(6): not set

struct ChapterRow {
  Product product;
  int chapter;
  int options;
};

// Options first..last of a chapter each hold the values listed. Options that
// no row names hold no values. Rows run in order of product, chapter, option.
struct OptionRow {
  Product product;
  int chapter;
  int first, last;
  std::array<Value, 21> values;
};

constexpr Product M = Product::Math;
constexpr Product S = Product::Stat;

constexpr ChapterRow kIntegerChapters[] = {
    {M, 1, 21}, {M, 2, 1}, {M, 5, 100}, {M, 10, 3}, {S, 19, 3},
};

constexpr OptionRow kIntegerRows[] = {
    {M, 1, 5, 5, {v(1), kLargest}},
    {M, 1, 6, 6, {kLargest}},
    {M, 1, 10, 11, {v(1)}},
    {M, 1, 13, 14, {v(0)}},
    {M, 1, 16, 16, {v(1), v(16), v(0), v(1)}},
    {M, 1, 17, 17, {v(1), v(2)}},
    {M, 1, 21, 21, {v(1)}},
    {M, 2, 1, 1, {v(1), v(16), v(0), v(1), v(1), v(16), v(0), v(1)}},
    {M, 5, 6, 6, {ramp(51, 50)}},
    {M, 5, 7, 7, {ramp(51, 20)}},
    {M, 5, 11, 12, {v(0)}},
    {M, 5, 51, 55, {v(0)}},
    {M, 5, 56, 56, {v(500)}},
    {M, 5, 57, 67, {v(0)}},
    {M, 5, 68, 68, {v(5)}},
    {M, 5, 69, 70, {kLargest}},
    {M, 5, 71, 75, {v(0)}},
    {M, 5, 76, 76, {v(1)}},
    {M, 5, 77, 77, {kLargest}},
    {M, 5, 78, 78, {v(0)}},
    {M, 5, 79, 79, {v(1)}},
    {M, 5, 80, 80, {kLargest}},
    {M, 5, 81, 81, {v(1)}},
    {M, 5, 82, 82, {v(0)}},
    {M, 5, 83, 83, {kLargest}},
    {M, 5, 84, 84, {v(0)}},
    {M, 5, 85, 85, {v(0), v(0)}},
    {M, 5, 86, 100, {kLargest}},
    {M, 10, 1, 1, {v(0)}},
    {M, 10, 2, 2, {v(2)}},
    {M, 10, 3, 3, {v(3)}},
    {S, 19, 1, 1, {v(0)}},
    {S, 19, 2, 2, {v(2)}},
    {S, 19, 3, 3, {v(3)}},
};

constexpr ChapterRow kDoubleChapters[] = {
    {M, 1, 5},
    {M, 5, 70},
    {M, 10, 1},
    {S, 19, 1},
};

constexpr OptionRow kDoubleRows[] = {
    {M, 1, 1, 3, {kSqrtEps}},
    {M, 1, 4, 4, {v(0)}},
    {M, 1, 5, 5, {kSqrtEps}},
    {M, 5, 11, 11, {v(0), v(0), kHuge, v(500),   v(0), v(5), v(0),
                    v(0), v(1), v(3),  v(1),     v(2), v(2), v(1),
                    kNaN, kNaN, v(0),  kSqrtEps, v(1), v(0), times(kNaN, 30)}},
    {M, 5, 51, 54, {kNaN}},
    {M, 5, 55, 55, {kSqrtEps, kSqrtEps}},
    {M, 5, 56, 56, {kNaN}},
    {M, 5, 57, 57, {kHuge}},
    {M, 5, 58, 70, {kNaN}},
    {M, 10, 1, 1, {v(3)}},
    {S, 19, 1, 1, {v(3)}},
};

constexpr int values_per_option(const OptionRow& row) {
  int k = 0;
  for (const Value& e : row.values) k += e.repeat;
  return k;
}

template <std::size_t N>
constexpr int count_options(const ChapterRow (&chapters)[N]) {
  int k = 0;
  for (const ChapterRow& c : chapters) k += c.options;
  return k;
}

template <std::size_t N>
constexpr int count_values(const OptionRow (&rows)[N]) {
  int k = 0;
  for (const OptionRow& r : rows) k += (r.last - r.first + 1) * values_per_option(r);
  return k;
}

template <std::size_t NC>
constexpr int options_in(const ChapterRow (&chapters)[NC], Product p, int chapter) {
  for (const ChapterRow& c : chapters)
    if (c.product == p && c.chapter == chapter) return c.options;
  return 0;
}

// Rows in order, inside their chapters, every named option holding a value,
// and only whole numbers in an integer table.
template <std::size_t NC, std::size_t NR>
constexpr bool rows_are_sound(const ChapterRow (&chapters)[NC], const OptionRow (&rows)[NR],
                              bool integer) {
  int previous_key = -1;
  for (const OptionRow& r : rows) {
    const int options = options_in(chapters, r.product, r.chapter);
    if (r.first < 1 || r.last < r.first || r.last > options) return false;
    const int key = (static_cast<int>(r.product) * 100 + r.chapter) * 1000 + r.first;
    if (key <= previous_key) return false;
    previous_key = key + (r.last - r.first);
    if (values_per_option(r) < 1) return false;
    for (const Value& e : r.values)
      if (integer && e.kind != Kind::Number && e.kind != Kind::LargestInteger) return false;
  }
  return true;
}

static_assert(count_options(kIntegerChapters) == IntegerOptionTables::kOptions);
static_assert(count_values(kIntegerRows) == IntegerOptionTables::kValues);
static_assert(rows_are_sound(kIntegerChapters, kIntegerRows, true));
static_assert(count_options(kDoubleChapters) == DoubleOptionTables::kOptions);
static_assert(count_values(kDoubleRows) == DoubleOptionTables::kValues);
static_assert(rows_are_sound(kDoubleChapters, kDoubleRows, false));

double resolve(const Value& e, int r) {
  switch (e.kind) {
    case Kind::Number: return e.first + r * e.step;
    case Kind::LargestInteger: return IMACH(5);
    case Kind::SqrtEps: return std::sqrt(DMACH(4));
    case Kind::Huge: return DMACH(2);
    case Kind::NaN: return DMACH(6);
  }
  return 0.0;
}

// Lays the chapters out product by product, chapter by chapter, option by
// option, and makes the current values equal to the defaults.
template <class Table, std::size_t NC, std::size_t NR>
void fill_defaults(Table& t, const ChapterRow (&chapters)[NC], const OptionRow (&rows)[NR]) {
  int option = 0;
  int position = 0;
  for (int p = 0; p < kOptionProducts; ++p) {
    const auto product = static_cast<Product>(p);
    for (int c = 1; c <= kChapters[p]; ++c) {
      const int options = options_in(chapters, product, c);
      t.chapter_options[p][c] = options;
      t.chapter_first[p][c] = option;
      for (int k = 1; k <= options; ++k, ++option) {
        t.value_start[option] = position;
        for (const OptionRow& r : rows) {
          if (r.product != product || r.chapter != c || k < r.first || k > r.last) continue;
          for (const Value& e : r.values)
            for (int i = 0; i < e.repeat; ++i)
              t.defaults[position++] =
                  static_cast<typename decltype(t.defaults)::value_type>(resolve(e, i));
        }
      }
    }
  }
  t.value_start[option] = position;
  t.current = t.defaults;
  t.filled = true;
}

IntegerOptionTables& integer_tables() {
  IntegerOptionTables& t = library_state().integer_option_tables;
  if (!t.filled) fill_defaults(t, kIntegerChapters, kIntegerRows);
  return t;
}

DoubleOptionTables& double_tables() {
  DoubleOptionTables& t = library_state().double_option_tables;
  if (!t.filled) fill_defaults(t, kDoubleChapters, kDoubleRows);
  return t;
}

// Index of option `option` (from 1) of a chapter in value_start.
template <class Table>
int option_index(const Table& t, int product, int chapter, int option) {
  return t.chapter_first[product][chapter] + option - 1;
}

// Current first value of an option of the integer store's closing chapter.
int closing_switch(int product, int option) {
  const IntegerOptionTables& t = integer_tables();
  return t.current[t.value_start[option_index(t, product, kClosingChapter[product], option)]];
}

// The first 4 characters of a product name, upper case, blank padded.
using ProductText = std::array<char, 4>;

ProductText fold_product(std::string_view name) {
  ProductText text{' ', ' ', ' ', ' '};
  for (std::size_t i = 0; i < text.size() && i < name.size(); ++i)
    text[i] = static_cast<char>(CHAR_CODE_UPPER(name[i]));
  return text;
}

// 0 MATH, 1 STAT, -1 neither.
int product_of(const ProductText& text) {
  const std::string_view s(text.data(), text.size());
  for (int p = 0; p < kOptionProducts; ++p)
    if (s == kProductNames[p]) return p;
  return -1;
}

// Argument checks that report only when asked to: with the checks switched
// off a bad call is still refused, silently.
class Checks {
 public:
  Checks(std::string_view routine, bool report) : routine_(routine), report_(report) {
    if (report_) E1PSH(routine_);
  }
  void fail(int code, std::string_view text, std::initializer_list<int> integers,
            std::string_view l1 = {}) {
    failed_ = true;
    if (!report_) return;
    int k = 1;
    for (int value : integers) ERROR_STORE_INTEGER(k++, value);
    if (!l1.empty()) ERROR_STORE_STRING(1, l1);
    E1MES(5, code, text);
  }
  bool failed() const { return failed_; }
  void finish() const {
    if (report_) E1POP(routine_);
  }

 private:
  std::string_view routine_;
  bool report_;
  bool failed_ = false;
};

// The wording that names the product.
std::string product_text(std::string_view math_text, int product) {
  std::string text(math_text);
  if (product == 1)
    for (std::size_t at = text.find("MATH"); at != std::string::npos; at = text.find("MATH", at))
      text.replace(at, 4, "STAT");
  return text;
}

// The arguments of one call, checked. False when any is bad.
template <class Table>
bool arguments_valid(Checks& checks, const Table& t, const ProductText& name, int product, int ichp,
                     int iact, int numopt, const int* iopts) {
  if (iact != 1 && iact != 2)
    checks.fail(1,
                "IACT must be 1 to get option values or 2 to put option values.  IACT = %(I1) "
                "is invalid.",
                {iact});
  const std::string_view name_text(name.data(), name.size());
  if (product < 0)
    checks.fail(2, "The product name must be either MATH or STAT.  PRODNM = %(L1) is invalid.", {},
                name_text);
  if (!checks.failed() && (ichp < 1 || ichp > kChapters[product]))
    checks.fail(3,
                product_text("ICHP = %(I1) is an invalid MATH chapter number.  To get or put "
                             "MATH options, ICHP must be between 1 and %(I2).",
                             product),
                {ichp, kChapters[product]});
  if (!checks.failed() && t.chapter_options[product][ichp] == 0)
    checks.fail(4,
                product_text("No options exist for MATH chapter %(I1).  Only existing options "
                             "may have values retrieved from or placed into them.",
                             product),
                {ichp});
  if (!checks.failed() && numopt < 1)
    checks.fail(5,
                "NUMOPT = %(I1) is an invalid number of options.  NUMOPT must be greater "
                "than zero.",
                {numopt});
  if (!checks.failed()) {
    const int options = t.chapter_options[product][ichp];
    for (int i = 0; i < numopt; ++i) {
      const std::int64_t number = iopts[i];
      const std::int64_t magnitude = number < 0 ? -number : number;
      bool bad = number == 0 || magnitude > options;
      if (!bad) {
        const int k = option_index(t, product, ichp, static_cast<int>(magnitude));
        bad = t.value_start[k + 1] == t.value_start[k];
      }
      if (bad)
        checks.fail(6, "IOPTS(%(I1)) = %(I2) is an invalid %(L1) chapter %(I3) option number.",
                    {i + 1, iopts[i], ichp}, name_text);
    }
  }
  return !checks.failed();
}

void append_value(std::string& line, int value) { platform::put_integer(line, value, 12); }
void append_value(std::string& line, double value) {
  platform::put_exponent(line, value, 24, 15, 0, 1);
}

// The trace of one option: what was got, or what the option holds after a put.
template <class T>
void write_trace(std::string_view routine, int iact, int option, const ProductText& name, int ichp,
                 std::span<const T> values) {
  int unit = 0;
  UMACH(2, unit);
  const std::string_view product(name.data(), name.size());
  std::string first, second;
  if (iact == 1) {
    first = " A return (get) of the following values from option";
    second = " number ";
    platform::put_integer(second, option, 6);
    second.append(" in ").append(product).append(" chapter ");
    platform::put_integer(second, ichp, 2);
    second.append(" was performed by ").append(routine).append(":");
  } else {
    first = " A change (put) was made by ";
    first.append(routine).append(" to option number ");
    platform::put_integer(first, option, 6);
    first.append(" in ").append(product);
    second = " chapter ";
    platform::put_integer(second, ichp, 2);
    second.append(", resulting in the following values for that option:");
  }
  library_write_line(unit, "");
  library_write_line(unit, first);
  library_write_line(unit, second);
  library_write_line(unit, "             entry number              value");
  for (std::size_t i = 0; i < values.size(); ++i) {
    std::string row(19, ' ');
    platform::put_integer(row, static_cast<std::int64_t>(i + 1), 6);
    row.append(7, ' ');
    append_value(row, values[i]);
    library_write_line(unit, row);
  }
}

// Gets or puts the options named, one after another, with the running
// position in `values`.
template <class Table, class T, class TraceOn>
void get_or_put(std::string_view routine, Table& t, const ProductText& name, int product, int ichp,
                int iact, int numopt, const int* iopts, T* values, TraceOn trace_on) {
  int position = 0;
  for (int i = 0; i < numopt; ++i) {
    const int number = iopts[i];
    const int option = number < 0 ? -number : number;
    const int k = option_index(t, product, ichp, option);
    const int start = t.value_start[k];
    const int count = t.value_start[k + 1] - start;
    T* current = t.current.data() + start;
    const T* defaults = t.defaults.data() + start;
    std::span<const T> shown(current, static_cast<std::size_t>(count));
    if (iact == 1) {
      const T* from = number > 0 ? current : defaults;
      for (int j = 0; j < count; ++j) values[position + j] = from[j];
      shown = std::span<const T>(values + position, static_cast<std::size_t>(count));
      position += count;
    } else if (number > 0) {
      for (int j = 0; j < count; ++j) current[j] = values[position + j];
      position += count;
    } else {
      for (int j = 0; j < count; ++j) current[j] = defaults[j];
    }
    if (trace_on()) write_trace(routine, iact, option, name, ichp, shown);
  }
}

}  // namespace

void IUMAG(std::string_view prodnm, int ichp, int iact, int numopt, const int* iopts, int* ival) {
  IntegerOptionTables& t = integer_tables();
  const ProductText name = fold_product(prodnm);
  const int product = product_of(name);
  const bool report = product < 0 || closing_switch(product, kNoChecksOption) != 1;
  Checks checks("IUMAG", report);
  const bool valid = arguments_valid(checks, t, name, product, ichp, iact, numopt, iopts);
  checks.finish();
  if (!valid) return;
  // The switch is read as each option is done, so a put that turns the trace
  // on is traced itself.
  get_or_put("IUMAG", t, name, product, ichp, iact, numopt, iopts, ival,
             [product] { return closing_switch(product, kTraceOption) > 0; });
}

void DUMAG(std::string_view prodnm, int ichp, int iact, int numopt, const int* iopts,
           double* dval) {
  DoubleOptionTables& t = double_tables();
  const ProductText name = fold_product(prodnm);
  const int product = product_of(name);
  // The switches come from the integer store, through its own manager. For
  // another product there is nothing to ask: the checks run, untraced.
  bool report = true;
  bool trace = false;
  if (product >= 0) {
    const int wanted[] = {kNoChecksOption, kTraceOption};
    int switches[] = {0, 0};
    IUMAG(kProductNames[product], kClosingChapter[product], 1, 2, wanted, switches);
    report = switches[0] != 1;
    trace = switches[1] > 0;
  }
  Checks checks("DUMAG", report);
  const bool valid = arguments_valid(checks, t, name, product, ichp, iact, numopt, iopts);
  checks.finish();
  if (!valid) return;
  get_or_put("DUMAG", t, name, product, ichp, iact, numopt, iopts, dval, [trace] { return trace; });
}

}  // namespace numlib
