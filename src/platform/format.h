#pragma once
// Fixed layouts ("formats") for record input and output, parsed once and reused:
// "(I4,1X,F6.2,F8.3)", "(A10,12F6.1)", "(1PE24.15)". Counts known only at run time
// are written into the text before parsing.
//
// Supported edit descriptors: Iw[.m], Fw.d, Ew.d[Ee], Dw.d[Ee], Gw.d[Ee],
// Aw and A, Lw, nX, Tn, TLn, TRn, kP, '/', ':', quoted literals, BN, BZ, S, SP,
// SS, repeat counts on descriptors and on parenthesised groups. Output follows
// gfortran: right-aligned fields, w asterisks when a value does not fit, the
// leading zero dropped when the field is one short, the sign of a negative value
// that rounds to zero kept, Ew.d in the 0.ddd form, rounding on the exact binary
// value (ties to even). Gw.d writes in the F form, followed by 4 blanks (e + 2 for
// Gw.dEe), when |v| rounded to d digits lies in [0.1, 10^d) or is zero, and in the
// E form otherwise; Dw.dEe is Ew.dEe with the letter D (gfortran refuses it). When
// the items outlast the layout, a new record starts at the last top-level group
// (format reversion).

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct FormatEdit {
  enum Kind : std::uint8_t {
    kI, kF, kE, kD, kG, kA, kL,      // data edits
    kX, kT, kTL, kTR, kP, kSlash, kColon, kLiteral, kIgnore
  };
  explicit FormatEdit(Kind k = kIgnore) : kind(k) {}
  Kind kind;
  int w = 0;   // width; 0 for A without width
  int d = 0;   // decimals, or the minimum digits of Iw.m (-1: none)
  int e = 0;   // exponent digits of Ew.dEe (0: default)
  int n = 0;   // X, T, TL, TR count; P scale
  std::string text;  // literal
  bool is_data() const { return kind <= kL; }
};

class FormatError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

class Format {
 public:
  // Throws FormatError on a layout it cannot read (a programming error).
  explicit Format(std::string_view text);

  const std::vector<FormatEdit>& edits() const { return edits_; }
  std::size_t reversion_point() const { return reversion_; }
  bool has_data_edit() const { return has_data_; }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
  std::vector<FormatEdit> edits_;
  std::size_t reversion_ = 0;
  bool has_data_ = false;
};

// The number edits on their own, for callers that build a text field by field.
// They append exactly w characters (w asterisks when the value does not fit).
void put_integer(std::string& out, std::int64_t v, int w, int min_digits = -1);
void put_fixed(std::string& out, double v, int w, int d, int scale = 0);
void put_exponent(std::string& out, double v, int w, int d, int exp_digits = 0, int scale = 0,
                  char letter = 'E');
// The scale factor acts only on the E form.
void put_general(std::string& out, double v, int w, int d, int exp_digits = 0, int scale = 0);

}  // namespace platform
