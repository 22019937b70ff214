#pragma once
// Page layout of the matrix printers (matrix_print.h): which elements are
// printed, the format item and width of each column, titles and labels broken
// into lines and centred, rows placed on one or more lines, values turned into
// field texts, and lines written and counted against the page length.
//
// Everything but PRINT_TITLE_PAGE and the block printers is a pure function of
// its arguments and of the print options it is given; nothing here reports
// errors (the printers check arguments and formats first).
//
// Settled here (the printers' description leaves them open):
//   - a page break is a line holding one form-feed character;
//   - lines carry no carriage-control blank and no trailing blanks; a line with
//     nothing on it is written as one blank;
//   - row numbers stand right-aligned in the row-label field, user row labels
//     left-aligned (their later lines after option 9 blanks);
//   - a heading of several lines is aligned at the bottom: the last line of each
//     label, and the column numbers, stand on the heading's last line;
//   - a column ends a line, and the row continues on the next, when the
//     row-label width plus option 7 and the width of each column so far would
//     pass the page width; the continuation's extra indent (1, 2, 3, 4, 0, ...)
//     is not counted. Blocks (option 2 >= 1) take their columns by the same rule;
//   - with option 2 >= 1 and page counting on, a block whose lines (blank
//     separator, title when it is due, headings, rows) do not fit in what is
//     left of the page starts a new page, and takes as many rows as fit there
//     (at least one). Without page counting blocks are not fitted;
//   - the title heads the first block, and every block that opens a page when
//     option 5 is not 0;
//   - V and W columns get their format once per print, from every printed value
//     of the column.

#include <array>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/format.h"

namespace numlib {

// ---- selection ----

// Element (I, J) is printed under ITRING.
bool ITRING_SELECTS(int itring, int i, int j);
// Rows FIRST..LAST of column J: the first printed row and how many are printed.
void ITRING_ROW_RANGE(int itring, int first, int last, int j, int& row1, int& nrows);
// The rows and columns of the block R1..R2 x C1..C2 that hold printed elements.
void ITRING_BLOCK_RANGE(int itring, int r1, int r2, int c1, int c2, bool& empty, int& r1_out,
                        int& r2_out, int& c1_out, int& c2_out);

// ---- format items ----

// The item of FMT (a checked format) that governs column J: "(" + the item
// without its repeat count, upper case, no blanks, numbers written plainly + ")".
// Items cover as many columns as their repeat counts and cycle after the last.
void COLUMN_FORMAT(int j, std::string_view fmt, std::string& item);
// MODE != 0: the field width of ITEM (the number after its descriptor letter);
// MODE = 0: the number between MARK and END.
void FORMAT_NUMBER(std::string_view item, int mode, char mark, char end, int& value);
// A signed decimal integer: STATUS 0 when the text (bar trailing blanks) ends
// after the digits, the position of the first other character, -1 for an empty
// text, -2 when the value would pass 2147483647.
void INTEGER_FROM_TEXT(std::string_view text, int& value, int& status);

// One column item ready for writing.
struct ColumnItem {
  explicit ColumnItem(std::string text);
  std::string text;  // "(F10.3)"
  platform::Format format;
  int w = 0;             // field width
  bool integer = false;  // an I item
};

// ---- texts ----

// TEXT broken into lines (see the printers' description). K = 0: LENGTH = the
// widest line and K = the number of lines. K >= 1: START..END (1-based) of line
// K, LENGTH its width with its indent, LAST whether it is the last line.
void TEXT_LINES(std::string_view text, int width, int indent, int allowance, int& k, int& length,
                int& start, int& end, bool& last);

// One line of a broken text: positions (0-based, end exclusive) and width with indent.
struct TextLine {
  int start = 0;
  int end = 0;
  int length = 0;
};
// Every line of TEXT at once; one line of width 0 for a blank text.
void text_lines(std::string_view text, int width, int indent, int allowance,
                std::vector<TextLine>& lines);

// Moves LINE(1..LENGTH) right so that it is centred on column CENTRE; LENGTH
// becomes its new last column. Nothing moves when the shift would be below 1.
void CENTER_TEXT(int centre, int& length, std::string& line);

// ---- fields ----

using FieldText = std::array<char, 40>;

// The 40-character text of X under ITEM: NaN and infinities as print option 4
// (OPTION4) says, integer items truncated (asterisks beyond 2147483647).
FieldText FIELD_TEXT(double x, const ColumnItem& item, int option4);
FieldText ELEMENT_FIELD_REAL(int itring, int i, int j, double x, const ColumnItem& item,
                             int option4);
FieldText ELEMENT_FIELD_INTEGER(int itring, int i, int j, int k, const ColumnItem& item);

// ---- output ----

// Writes LINE(1..N) on UMACH(2) as one line, counting it in print option 3 (in
// force) and opening a page first when the page is full; N = -1 opens a page.
void PRINT_TITLE_PAGE(int n, std::string_view line);

// What a print needs to lay out its matrix: the values of PRINT_SETUP.
struct PrintSetup {
  int page_width = 78;
  int page_length = 60;
  std::array<int, 17> options{};  // in force, with 8 and 10 resolved
  int row_kind = 0;               // 0 none, 1 numbered, 2 user labels
  int column_kind = 0;  // 0 none, 1 numbered, 2 user labels, 3 / 4 heading and none / numbered
};

// The matrix side of a print.
struct PrintJob {
  std::string_view title;
  int nra = 0;
  int nca = 0;
  int itring = 0;
  std::span<const std::string_view> rlabel;
  std::span<const std::string_view> clabel;
};

// One block: rows R1..R2 and columns C1..C2, and what comes before it.
struct PrintBlock {
  int r1 = 1;
  int r2 = 0;
  int c1 = 1;
  int c2 = 0;
  bool new_page = false;   // PRINT_TITLE_PAGE(-1) first
  bool separator = false;  // a line of one blank first
  bool title = false;
};

// The layout of one print: column items and widths, label lines, the row-label
// field, and the cut into blocks.
class MatrixLayout {
 public:
  // COLUMN_ITEMS gives column J (1..NCA) its item text, "(F10.3)".
  MatrixLayout(const PrintSetup& setup, const PrintJob& job,
               const std::vector<std::string>& column_items);

  const PrintSetup& setup() const { return setup_; }
  const PrintJob& job() const { return job_; }
  int ROW_LABEL_WIDTH() const { return row_label_width_; }
  // The width of column J (its field and its label) and its label lines.
  int COLUMN_WIDTH(int j) const { return column(j).width; }
  int column_label_lines(int j) const;
  const ColumnItem& item(int j) const { return items_[column(j).item]; }

  // The blocks of the print in order, from the lines already on the page.
  std::vector<PrintBlock> blocks(int lines_on_page) const;
  // The lines of one block (without its page break); FIELD(i, j) gives the
  // field text of element (i, j).
  using Field = std::function<FieldText(int i, int j)>;
  void block_lines(const PrintBlock& block, const Field& field,
                   std::vector<std::string>& out) const;

 private:
  struct Column {
    std::size_t item = 0;
    int width = 0;
    std::vector<TextLine> label;
  };
  PrintSetup setup_;
  PrintJob job_;
  std::vector<ColumnItem> items_;
  std::vector<Column> columns_;
  std::vector<std::vector<TextLine>> row_labels_;  // kind 2, by row from 1
  std::string_view heading_;
  std::vector<TextLine> heading_lines_;
  std::vector<TextLine> title_lines_;
  int title_width_ = 0;
  int row_label_width_ = 0;

  using Segments = std::vector<std::pair<int, int>>;  // column ranges sharing a line

  const Column& column(int j) const { return columns_[static_cast<std::size_t>(j - 1)]; }
  int option(int k) const { return setup_.options[static_cast<std::size_t>(k)]; }
  std::string_view row_label(int i) const;
  int row_lines(int i) const;
  int heading_line_count(int c1, int c2) const;
  // Columns C1..C2 split into the groups that share one line.
  void segments(int c1, int c2, Segments& out) const;
  int segment_width(int c1, int c2) const;
  int lines_of(const PrintBlock& block) const;
  // The title's lines centred on CENTRE.
  void PRINT_TITLE(int centre, std::vector<std::string>& out) const;
  // The heading lines of a block: the row-label heading, column numbers or labels.
  void COLUMN_HEADINGS(const PrintBlock& block, const Segments& segs, std::size_t shift,
                       std::vector<std::string>& out) const;
  // Line K (from 0) of row I's label into the row-label field.
  void ROW_LABEL_LINE(int i, int k, std::string& line) const;
  // After the row-label field: the gap and the indent of segment K's line.
  void continue_line(std::string& line, std::size_t k) const;
};

// PRINT_BLOCK_REAL, PRINT_BLOCK_INTEGER: write one block.
void PRINT_BLOCK_REAL(const MatrixLayout& layout, const PrintBlock& block, const double* a,
                      int lda);
void PRINT_BLOCK_INTEGER(const MatrixLayout& layout, const PrintBlock& block, const int* mat,
                         int ldmat);

}  // namespace numlib
