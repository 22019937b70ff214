#include "numlib/support/print_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "numlib/support/chars.h"
#include "numlib/support/machine.h"
#include "numlib/support/matrix_print.h"
#include "numlib/support/output.h"
#include "numlib/support/print_format_check.h"
#include "numlib/support/state.h"
#include "platform/record_io.h"

namespace numlib {
namespace {

// Extra indents of a row's or heading's further lines: 1, 2, 3, 4, 0, 1, ...
int continuation_indent(int k) {
  static constexpr int kIndents[] = {1, 2, 3, 4, 0};
  return k == 0 ? 0 : kIndents[(k - 1) % 5];
}

int decimal_digits(std::int64_t n) {
  int digits = 1;
  for (n = n < 0 ? -n : n; n >= 10; n /= 10) ++digits;
  return digits;
}

bool is_word_character(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == ':' ||
         c == '[';
}

bool forced_break(std::string_view text, std::size_t q, std::size_t length) {
  return text[q] == '%' && q + 1 < length && text[q + 1] == '/';
}

// The text right-aligned in WIDTH characters (cut at the left when longer).
void append_right(std::string& line, std::string_view text, int width) {
  const auto w = static_cast<std::size_t>(std::max(width, 0));
  if (text.size() >= w) {
    line.append(text.substr(text.size() - w));
  } else {
    line.append(w - text.size(), ' ');
    line.append(text);
  }
}

void append_number(std::string& line, int n, int width) {
  std::string digits;
  platform::put_integer(digits, n, 0);
  append_right(line, digits, width);
}

// Written lines lose their trailing blanks; an empty one is one blank.
void finish_line(std::string& line, std::vector<std::string>& out) {
  line.resize(static_cast<std::size_t>(TRIMMED_LENGTH(line)));
  if (line.empty()) line = " ";
  out.push_back(std::move(line));
  line.clear();
}

// The text of a broken line.
std::string_view line_text(std::string_view text, const TextLine& line) {
  return text.substr(static_cast<std::size_t>(line.start),
                     static_cast<std::size_t>(line.end - line.start));
}

int widest(const std::vector<TextLine>& lines) {
  int w = 0;
  for (const TextLine& l : lines) w = std::max(w, l.length);
  return w;
}

std::string_view entry(std::span<const std::string_view> labels, std::size_t k) {
  return k < labels.size() ? labels[k] : std::string_view();
}

}  // namespace

// ---------------------------------------------------------------- selection

bool ITRING_SELECTS(int itring, int i, int j) {
  switch (itring) {
    case 1: return i <= j;
    case 2: return i < j;
    case -1: return i >= j;
    case -2: return i > j;
    default: return true;
  }
}

void ITRING_ROW_RANGE(int itring, int first, int last, int j, int& row1, int& nrows) {
  row1 = first;
  switch (itring) {
    case 1: last = std::min(last, j); break;
    case 2: last = std::min(last, j - 1); break;
    case -1: row1 = std::max(first, j); break;
    case -2: row1 = std::max(first, j + 1); break;
    default: break;
  }
  nrows = std::max(last - row1 + 1, 0);
}

void ITRING_BLOCK_RANGE(int itring, int r1, int r2, int c1, int c2, bool& empty, int& r1_out,
                        int& r2_out, int& c1_out, int& c2_out) {
  r1_out = r1;
  r2_out = r2;
  c1_out = c1;
  c2_out = c2;
  switch (itring) {
    case 1:
      empty = c2 < r1;
      r2_out = std::min(r2, c2);
      c1_out = std::max(r1, c1);
      break;
    case 2:
      empty = !(r1 < c2);
      r2_out = std::min(r2, c2 - 1);
      c1_out = std::max(r1 + 1, c1);
      break;
    case -1:
      empty = r2 < c1;
      r1_out = std::max(r1, c1);
      c2_out = std::min(c2, r2);
      break;
    case -2:
      empty = !(c1 < r2);
      r1_out = std::max(c1 + 1, r1);
      c2_out = std::min(c2, r2 - 1);
      break;
    default: empty = false; break;
  }
  if (r1_out > r2_out || c1_out > c2_out) empty = true;
}

// ---------------------------------------------------------------- format items

void COLUMN_FORMAT(int j, std::string_view fmt, std::string& item) {
  // The columns all items cover together, then the item of column J.
  std::int64_t covered = 0;
  std::string compact;
  FormatItemParts parts;
  for_each_format_item(fmt, [&](std::string_view written) {
    compact_format_item(written, compact);
    if (read_format_item(compact, parts)) covered += std::max(parts.repeat, 1);
  });
  if (covered == 0) {
    item.clear();
    return;
  }
  const std::int64_t target = (static_cast<std::int64_t>(j) - 1) % covered;
  std::int64_t first_column = 0;
  bool found = false;
  for_each_format_item(fmt, [&](std::string_view written) {
    if (found) return;
    compact_format_item(written, compact);
    if (!read_format_item(compact, parts)) return;
    first_column += std::max(parts.repeat, 1);
    if (target >= first_column) return;
    found = true;
    // Numbers written plainly, so that "+10" reads 10; scale factors beyond
    // 999 and exponent digits beyond 999 print as they would (asterisks, or
    // zeros for F under a negative scale) and stay readable to the writer.
    item = "(";
    if (compact.find('P') < compact.find(parts.letter)) {
      item += std::to_string(std::clamp(parts.scale, -999, 999));
      item += 'P';
    }
    item += parts.letter;
    item += std::to_string(parts.w);
    if (parts.has_point) {
      item += '.';
      item += std::to_string(parts.d);
      if (parts.e > 0) {
        item += 'E';
        item += std::to_string(std::min(parts.e, 999));
      }
    }
    item += ')';
  });
}

void FORMAT_NUMBER(std::string_view item, int mode, char mark, char end, int& value) {
  value = 0;
  std::size_t from = std::string_view::npos;
  std::size_t to = std::string_view::npos;
  if (mode != 0) {
    for (char letter : std::string_view("VWFIGDE")) {
      from = item.find(letter);
      if (from != std::string_view::npos) break;
    }
    if (from == std::string_view::npos) return;
    to = item.find('.', from + 1);
    if (to == std::string_view::npos) to = item.find(')', from + 1);
  } else {
    from = item.find(mark);
    if (from == std::string_view::npos) return;
    to = item.find(end, from + 1);
  }
  if (to == std::string_view::npos) to = item.size();
  CVTSI(item.substr(from + 1, to - from - 1), value);
}

void INTEGER_FROM_TEXT(std::string_view text, int& value, int& status) {
  value = 0;
  std::size_t i = text.find_first_not_of(' ');
  if (i == std::string_view::npos) {
    status = -1;
    return;
  }
  bool negative = false;
  if (text[i] == '+' || text[i] == '-') {
    negative = text[i] == '-';
    ++i;
    while (i < text.size() && text[i] == ' ') ++i;
  }
  while (i < text.size() && text[i] == '0') ++i;
  std::int64_t v = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (v * 10 + (text[i] - '0') > 2147483647) {
      status = -2;
      return;
    }
    v = v * 10 + (text[i] - '0');
  }
  value = static_cast<int>(negative ? -v : v);
  status = text.find_first_not_of(' ', i) == std::string_view::npos ? 0 : static_cast<int>(i) + 1;
}

ColumnItem::ColumnItem(std::string item_text) : text(std::move(item_text)), format(text) {
  FORMAT_NUMBER(text, 1, '.', ')', w);
  integer = text.size() > 1 && text[1] == 'I';
}

// ---------------------------------------------------------------- texts

void text_lines(std::string_view text, int width, int indent, int allowance,
                std::vector<TextLine>& lines) {
  lines.clear();
  const auto length = static_cast<std::size_t>(TRIMMED_LENGTH(text));
  const auto a = static_cast<std::size_t>(std::max(allowance, 0));
  std::size_t p = 0;
  bool first = true;
  do {
    const int i = first ? 0 : indent;
    first = false;
    // The nominal end E is the first position past the line's nominal width;
    // it is never at the line's start, so that every line moves on.
    const std::int64_t nominal = static_cast<std::int64_t>(p) - i + width - allowance;
    const std::size_t e = static_cast<std::size_t>(std::max<std::int64_t>(nominal, p + 1));
    std::size_t end = length;
    std::size_t next = length;
    std::size_t q = p;
    for (; q < std::min(e, length); ++q)
      if (forced_break(text, q, length)) break;
    if (q < std::min(e, length)) {
      end = q;
      next = q + 2;
    } else if (e < length) {
      std::size_t r = e;
      while (r <= e + a && r < length && !forced_break(text, r, length)) ++r;
      if (r <= e + a && r < length) {
        end = r;
        next = r + 2;
      } else if (length > e + a) {
        const std::size_t blank = text.substr(e, a + 1).find(' ');
        if (blank != std::string_view::npos) {
          end = e + blank;
          next = end + 1;
        } else {
          r = e;
          while (r < e + a && is_word_character(text[r])) ++r;
          end = next = r;
        }
      }
    }
    // The line's width: its text without trailing blanks, with its indent;
    // blanks only count as 0.
    std::size_t last = end;
    while (last > p && text[last - 1] == ' ') --last;
    const int n = static_cast<int>(last - p);
    lines.push_back({static_cast<int>(p), static_cast<int>(last), n == 0 ? 0 : i + n});
    p = next;
  } while (p < length);
}

void TEXT_LINES(std::string_view text, int width, int indent, int allowance, int& k, int& length,
                int& start, int& end, bool& last) {
  std::vector<TextLine> lines;
  text_lines(text, width, indent, allowance, lines);
  const int count = static_cast<int>(lines.size());
  if (k <= 0) {
    length = widest(lines);
    k = count;
    return;
  }
  const TextLine& line = lines[static_cast<std::size_t>(std::min(k, count) - 1)];
  start = line.start + 1;
  end = line.end;
  length = line.length;
  last = k >= count;
}

void CENTER_TEXT(int centre, int& length, std::string& line) {
  const int shift = centre - length / 2;
  if (shift < 1) return;
  line.insert(0, static_cast<std::size_t>(shift), ' ');
  length += shift;
}

// ---------------------------------------------------------------- fields

FieldText FIELD_TEXT(double x, const ColumnItem& item, int option4) {
  FieldText field;
  field.fill(' ');
  const int w = std::clamp(item.w, 0, 40);
  // A word right-aligned in the first w places; w fillers when it does not fit.
  auto word = [&](std::string_view text, char filler) {
    if (static_cast<int>(text.size()) > w)
      field.fill(filler);
    else
      std::copy(text.begin(), text.end(), field.begin() + (w - static_cast<int>(text.size())));
  };
  if (NAN_TEST(x)) {
    if (option4 == 0)
      field.fill('.');
    else if (option4 == 2)
      word("NaN", '.');
    return field;
  }
  if (x == DMACH(7) || x == DMACH(8)) {
    const bool plus = x > 0;
    if (option4 < 2)
      field.fill(plus ? '+' : '-');
    else
      word(plus ? "Inf" : "-Inf", plus ? '+' : '-');
    return field;
  }
  std::string text;
  if (item.integer) {
    if (std::fabs(x) > static_cast<double>(IMACH(5))) {
      field.fill('*');
      return field;
    }
    platform::append_fixed(text, item.format, static_cast<std::int32_t>(std::trunc(x)));
  } else {
    platform::append_fixed(text, item.format, x);
  }
  std::copy_n(text.begin(), std::min<std::size_t>(text.size(), field.size()), field.begin());
  return field;
}

FieldText ELEMENT_FIELD_REAL(int itring, int i, int j, double x, const ColumnItem& item,
                             int option4) {
  if (ITRING_SELECTS(itring, i, j)) return FIELD_TEXT(x, item, option4);
  FieldText blank;
  blank.fill(' ');
  return blank;
}

FieldText ELEMENT_FIELD_INTEGER(int itring, int i, int j, int k, const ColumnItem& item) {
  FieldText field;
  field.fill(' ');
  if (!ITRING_SELECTS(itring, i, j)) return field;
  std::string text;
  platform::append_fixed(text, item.format, static_cast<std::int32_t>(k));
  std::copy_n(text.begin(), std::min<std::size_t>(text.size(), field.size()), field.begin());
  return field;
}

// ---------------------------------------------------------------- output

void PRINT_TITLE_PAGE(int n, std::string_view line) {
  int& lines_on_page = library_state().print_option_table.in_force[3];
  const int page_length = library_state().page_option_table.values[2];
  int unit = 0;
  UMACH(2, unit);
  if (n == -1) {
    library_write_line(unit, "\f");
    if (lines_on_page >= 0) lines_on_page = 0;
    return;
  }
  if (n <= 0) return;
  if (lines_on_page >= 0) {
    if (lines_on_page >= page_length) {
      library_write_line(unit, "\f");
      lines_on_page = 0;
    }
    ++lines_on_page;
  }
  library_write_line(unit, line.substr(0, std::min(line.size(), static_cast<std::size_t>(n))));
}

// ---------------------------------------------------------------- layout

MatrixLayout::MatrixLayout(const PrintSetup& setup, const PrintJob& job,
                           const std::vector<std::string>& column_items)
    : setup_(setup), job_(job) {
  const int pw = setup_.page_width;
  // One ColumnItem per distinct item text.
  columns_.resize(static_cast<std::size_t>(std::max(job_.nca, 0)));
  for (std::size_t j = 0; j < columns_.size(); ++j) {
    const std::string& text = column_items[j];
    auto it = std::find_if(items_.begin(), items_.end(),
                           [&](const ColumnItem& c) { return c.text == text; });
    if (it == items_.end()) it = items_.insert(items_.end(), ColumnItem(text));
    columns_[j].item = static_cast<std::size_t>(it - items_.begin());
  }
  // COLUMN_WIDTH
  const int kind = setup_.column_kind;
  for (std::size_t j = 0; j < columns_.size(); ++j) {
    Column& c = columns_[j];
    const int w = items_[c.item].w;
    c.width = w;
    if (kind == 1 || kind == 4) {
      c.width = std::max(w, decimal_digits(static_cast<std::int64_t>(j) + 1));
    } else if (kind == 2) {
      const int label_width = option(11) != 0 ? option(11) : std::min(40, std::max(15, w + w / 2));
      const int allowance = option(12) != 0 ? option(12) : label_width / 3;
      text_lines(entry(job_.clabel, j + 1), label_width, 0, allowance, c.label);
      c.width = std::max(w, widest(c.label));
    }
  }
  // ROW_LABEL_WIDTH, over the printed rows.
  bool empty = job_.nra < 1 || job_.nca < 1;
  int r1 = 1, r2 = 0, c1 = 1, c2 = 0;
  if (!empty) ITRING_BLOCK_RANGE(job_.itring, 1, job_.nra, 1, job_.nca, empty, r1, r2, c1, c2);
  if (setup_.row_kind == 1 && !empty) {
    row_label_width_ = decimal_digits(r2);
  } else if (setup_.row_kind == 2 && !empty) {
    row_labels_.resize(static_cast<std::size_t>(job_.nra) + 1);
    for (int i = r1; i <= r2; ++i) {
      auto& lines = row_labels_[static_cast<std::size_t>(i)];
      text_lines(row_label(i), option(8), option(9), option(10), lines);
      row_label_width_ = std::max(row_label_width_, widest(lines));
    }
  }
  if (kind >= 2) {
    // The row-label heading takes one line when it fits the page.
    heading_ = entry(job_.clabel, 0);
    const int n = TRIMMED_LENGTH(heading_);
    if (n <= pw)
      heading_lines_.assign(1, TextLine{0, n, n});
    else
      text_lines(heading_, option(8), 0, option(10), heading_lines_);
    row_label_width_ = std::max(row_label_width_, widest(heading_lines_));
  }
  if (TRIMMED_LENGTH(job_.title) > 0) {
    text_lines(job_.title, pw, 0, option(13), title_lines_);
    title_width_ = widest(title_lines_);
  }
}

int MatrixLayout::column_label_lines(int j) const {
  switch (setup_.column_kind) {
    case 1:
    case 4: return 1;
    case 2: return static_cast<int>(column(j).label.size());
    default: return 0;
  }
}

std::string_view MatrixLayout::row_label(int i) const {
  return entry(job_.rlabel, static_cast<std::size_t>(i - 1));
}

int MatrixLayout::heading_line_count(int c1, int c2) const {
  int n = static_cast<int>(heading_lines_.size());
  for (int j = c1; j <= c2; ++j) n = std::max(n, column_label_lines(j));
  return n;
}

void MatrixLayout::segments(int c1, int c2, Segments& out) const {
  out.clear();
  const int pw = setup_.page_width;
  int start = c1;
  std::int64_t x = row_label_width_;
  for (int j = c1; j <= c2; ++j) {
    const int add = option(7) + COLUMN_WIDTH(j);
    if (j > start && x + add > pw) {
      out.emplace_back(start, j - 1);
      start = j;
      x = row_label_width_;
    }
    x += add;
  }
  if (c1 <= c2) out.emplace_back(start, c2);
}

int MatrixLayout::segment_width(int c1, int c2) const {
  int w = row_label_width_ > 0 ? row_label_width_ + option(7) : 0;
  for (int j = c1; j <= c2; ++j) w += COLUMN_WIDTH(j) + (j > c1 ? option(7) : 0);
  return w;
}

int MatrixLayout::row_lines(int i) const {
  if (setup_.row_kind != 2) return 1;
  return static_cast<int>(row_labels_[static_cast<std::size_t>(i)].size());
}

int MatrixLayout::lines_of(const PrintBlock& block) const {
  Segments segs;
  segments(block.c1, block.c2, segs);
  const int s = static_cast<int>(segs.size());
  int n = (block.separator ? 1 : 0) + (block.title ? static_cast<int>(title_lines_.size()) : 0);
  if (s == 0 || block.r1 > block.r2) return n;
  n += heading_line_count(block.c1, block.c2) * s;
  const bool labels_first = option(16) == 0 && option(2) >= 1;
  for (int i = block.r1; i <= block.r2; ++i) {
    const int k = row_lines(i);
    n += labels_first && k > 1 ? k - 1 + s : std::max(k, s);
  }
  return n;
}

std::vector<PrintBlock> MatrixLayout::blocks(int lines_on_page) const {
  std::vector<PrintBlock> out;
  const PrintJob& m = job_;
  bool empty = m.nra < 1 || m.nca < 1;
  int r1 = 1, r2 = 0, c1 = 1, c2 = 0;
  if (!empty) ITRING_BLOCK_RANGE(m.itring, 1, m.nra, 1, m.nca, empty, r1, r2, c1, c2);
  if (empty) {  // only the title
    if (!title_lines_.empty()) out.push_back({1, 0, 1, 0, false, false, true});
    return out;
  }
  if (option(2) <= 0) {
    out.push_back({r1, r2, c1, c2, false, false, true});
    return out;
  }
  const int pl = setup_.page_length;
  const bool counting = lines_on_page >= 0;
  int used = lines_on_page >= pl ? 0 : lines_on_page;
  Segments groups;
  segments(c1, c2, groups);
  for (const auto& [g1, g2] : groups) {
    int gr1 = 0, gr2 = 0, gc1 = 0, gc2 = 0;
    ITRING_BLOCK_RANGE(m.itring, r1, r2, g1, g2, empty, gr1, gr2, gc1, gc2);
    for (int r = gr1; !empty && r <= gr2;) {
      PrintBlock b;
      b.title = out.empty();
      b.separator = !out.empty() && (!counting || used > 0);
      int rows = std::min(option(2), gr2 - r + 1);
      auto take = [&](int n) {
        bool unused = false;
        int ignored = 0;
        ITRING_BLOCK_RANGE(m.itring, r, r + n - 1, g1, g2, unused, ignored, b.r2, b.c1, b.c2);
        b.r1 = r;
      };
      take(rows);
      // In 64 bits: option 3 and the page length may both be near the int limit.
      auto past_page = [&] { return static_cast<std::int64_t>(used) + lines_of(b) > pl; };
      if (counting) {
        if (used > 0 && past_page()) {
          b.new_page = true;
          b.separator = false;
          b.title = b.title || option(5) != 0;
          used = 0;
        }
        while (rows > 1 && past_page()) take(--rows);
        // Lines past the page's end open pages on their own (PRINT_TITLE_PAGE).
        for (int n = lines_of(b); n > 0; --n) used = used >= pl ? 1 : used + 1;
      }
      out.push_back(b);
      r += rows;
    }
  }
  return out;
}

void MatrixLayout::ROW_LABEL_LINE(int i, int k, std::string& line) const {
  const int rw = row_label_width_;
  const std::size_t start = line.size();
  if (setup_.row_kind == 1 && k == 0) {
    append_number(line, i, rw);
  } else if (setup_.row_kind == 2) {
    const auto& lines = row_labels_[static_cast<std::size_t>(i)];
    if (k < static_cast<int>(lines.size())) {
      const TextLine& l = lines[static_cast<std::size_t>(k)];
      const std::string_view text = line_text(row_label(i), l);
      if (!text.empty()) line.append(static_cast<std::size_t>(l.length) - text.size(), ' ');
      line.append(text);
    }
  }
  line.resize(start + static_cast<std::size_t>(rw), ' ');
}

void MatrixLayout::PRINT_TITLE(int centre, std::vector<std::string>& out) const {
  std::string line;
  for (const TextLine& l : title_lines_) {
    line.assign(line_text(job_.title, l));
    int length = static_cast<int>(line.size());
    CENTER_TEXT(centre, length, line);
    finish_line(line, out);
  }
}

void MatrixLayout::continue_line(std::string& line, std::size_t k) const {
  if (row_label_width_ > 0) line.append(static_cast<std::size_t>(option(7)), ' ');
  line.append(static_cast<std::size_t>(continuation_indent(static_cast<int>(k))), ' ');
}

void MatrixLayout::COLUMN_HEADINGS(const PrintBlock& block, const Segments& segs,
                                   std::size_t shift, std::vector<std::string>& out) const {
  // Aligned at the bottom: the last line of every label stands on the last line.
  const int count = heading_line_count(block.c1, block.c2);
  const int offset = count - static_cast<int>(heading_lines_.size());
  std::string line;
  for (int h = 0; h < count; ++h) {
    for (std::size_t k = 0; k < segs.size(); ++k) {
      line.assign(shift, ' ');
      if (k == 0 && h >= offset)
        line.append(line_text(heading_, heading_lines_[static_cast<std::size_t>(h - offset)]));
      line.resize(shift + static_cast<std::size_t>(row_label_width_), ' ');
      continue_line(line, k);
      for (int j = segs[k].first; j <= segs[k].second; ++j) {
        const int l = h - (count - column_label_lines(j));
        if (l < 0)
          line.append(static_cast<std::size_t>(COLUMN_WIDTH(j)), ' ');
        else if (setup_.column_kind == 2)
          append_right(line,
                       line_text(entry(job_.clabel, static_cast<std::size_t>(j)),
                                 column(j).label[static_cast<std::size_t>(l)]),
                       COLUMN_WIDTH(j));
        else
          append_number(line, j, COLUMN_WIDTH(j));
        line.append(static_cast<std::size_t>(option(7)), ' ');
      }
      finish_line(line, out);
    }
  }
}

void MatrixLayout::block_lines(const PrintBlock& block, const Field& field,
                               std::vector<std::string>& out) const {
  out.clear();
  std::string line;
  if (block.separator) finish_line(line, out);
  Segments segs;
  if (block.r1 <= block.r2) segments(block.c1, block.c2, segs);
  int block_width = 0;
  for (const auto& [s1, s2] : segs) block_width = std::max(block_width, segment_width(s1, s2));
  // Every line is centred on one column; heading and value lines count as the
  // whole block's width, so they move together.
  const int centre =
      option(1) == 1 ? setup_.page_width / 2 : std::max(title_width_, block_width) / 2;
  const auto shift = static_cast<std::size_t>(std::max(centre - block_width / 2, 0));
  if (block.title) PRINT_TITLE(centre, out);
  if (segs.empty()) return;
  COLUMN_HEADINGS(block, segs, shift, out);

  // The rows: label lines alone first (option 16 = 0 with option 2 >= 1), then
  // the values, a line per segment, then the label's remaining lines.
  const bool labels_first = option(16) == 0 && option(2) >= 1;
  auto label_line = [&](int i, int k) {
    line.assign(shift, ' ');
    ROW_LABEL_LINE(i, k, line);
  };
  for (int i = block.r1; i <= block.r2; ++i) {
    const int n = row_lines(i);
    const int lead = labels_first && n > 1 ? n - 1 : 0;
    for (int k = 0; k < lead; ++k) {
      label_line(i, k);
      finish_line(line, out);
    }
    for (std::size_t k = 0; k < segs.size(); ++k) {
      label_line(i, lead + static_cast<int>(k));
      continue_line(line, k);
      for (int j = segs[k].first; j <= segs[k].second; ++j) {
        const FieldText f = field(i, j);
        const int w = std::clamp(item(j).w, 0, 40);
        append_right(line, std::string_view(f.data(), static_cast<std::size_t>(w)),
                     COLUMN_WIDTH(j));
        line.append(static_cast<std::size_t>(option(7)), ' ');
      }
      finish_line(line, out);
    }
    for (int k = lead + static_cast<int>(segs.size()); k < n; ++k) {
      label_line(i, k);
      finish_line(line, out);
    }
  }
}

namespace {

void write_lines(const std::vector<std::string>& lines) {
  for (const std::string& l : lines) PRINT_TITLE_PAGE(static_cast<int>(l.size()), l);
}

}  // namespace

void PRINT_BLOCK_REAL(const MatrixLayout& layout, const PrintBlock& block, const double* a,
                      int lda) {
  const int itring = layout.job().itring;
  const int option4 = layout.setup().options[4];
  std::vector<std::string> lines;
  layout.block_lines(
      block,
      [&](int i, int j) {
        const double x = a[(i - 1) + static_cast<std::ptrdiff_t>(j - 1) * lda];
        return ELEMENT_FIELD_REAL(itring, i, j, x, layout.item(j), option4);
      },
      lines);
  write_lines(lines);
}

void PRINT_BLOCK_INTEGER(const MatrixLayout& layout, const PrintBlock& block, const int* mat,
                         int ldmat) {
  const int itring = layout.job().itring;
  std::vector<std::string> lines;
  layout.block_lines(
      block,
      [&](int i, int j) {
        const int k = mat[(i - 1) + static_cast<std::ptrdiff_t>(j - 1) * ldmat];
        return ELEMENT_FIELD_INTEGER(itring, i, j, k, layout.item(j));
      },
      lines);
  write_lines(lines);
}

}  // namespace numlib
