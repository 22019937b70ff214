#pragma once
// The matrix printers examine their format text FMT before they print: a
// parenthesised list of items, each read with its blanks removed and its letters
// in upper case. The real printer takes D, E, F, G, I, V and W items, the
// integer printer only I. Every fault is a TERMINAL error recorded at the level
// of the printer that called the check (the checks push no name of their own);
// its message quotes the offending item as written.

#include <string_view>

namespace numlib {

// Length of TEXT without its trailing blanks; 0 for a text of blanks only.
int TRIMMED_LENGTH(std::string_view text);

// Stores ITEM as %(L1) and records the real checker's message NUMBER as a
// TERMINAL error with code NUMBER. A number without a message does nothing.
void FORMAT_MESSAGE(int number, std::string_view item);

// Checks FMT for the real printer. WIDTH: the largest field width of the items
// that pass their width and digit checks (-1 when none does). SINGLE_VW: FMT is
// one V or W item with no repeat count other than 1.
void FORMAT_CHECK_REAL(std::string_view fmt, bool& single_vw, int& width);

// Checks FMT for the integer printer; WIDTH as above.
void FORMAT_CHECK_INTEGER(std::string_view fmt, int& width);

// The item (compacted, without parentheses) read into its parts, for the
// printers once FMT has passed its check. Absent parts are 0 (d, e) or 1
// (repeat); `letter` is the descriptor.
struct FormatItemParts {
  char letter = ' ';
  int repeat = 1;
  int scale = 0;
  bool has_point = false;
  int w = 0;
  int d = 0;
  int e = 0;
};
// False when ITEM has no descriptor letter.
bool read_format_item(std::string_view compact_item, FormatItemParts& parts);

// The item's text with its blanks removed and its letters raised.
void compact_format_item(std::string_view written, std::string& compact);

// Calls f(written) for each item of FMT in order: items start after the first
// "(" (at the start when there is none), are separated by commas, and the last
// one ends at the first ")" after the last comma. FMT's last non-blank
// character must be ")".
template <class F>
void for_each_format_item(std::string_view fmt, F&& f) {
  const std::size_t open = fmt.find('(');
  std::size_t pos = open == std::string_view::npos ? 0 : open + 1;
  const std::size_t last_comma = fmt.rfind(',');
  if (last_comma != std::string_view::npos && last_comma >= pos) {
    for (std::size_t comma = fmt.find(',', pos); comma <= last_comma; comma = fmt.find(',', pos)) {
      f(fmt.substr(pos, comma - pos));
      pos = comma + 1;
    }
  }
  std::size_t close = fmt.find(')', pos);
  if (close == std::string_view::npos) close = fmt.size();
  f(fmt.substr(pos, close - pos));
}

}  // namespace numlib
