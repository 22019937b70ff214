#pragma once
// The library's matrix printers: a real or integer matrix with a title, row and
// column labels and a print format, paged on the library's output channel
// UMACH(2). Two option tables steer them (state.h): 16 print options (WROPT)
// and the page width and length (PGOPT). The layout is print_layout.h, the
// check of a caller's format print_format_check.h.
//
// Labels: RLABEL holds the row labels, or one keyword, "NUMBER" (number the
// rows) or "NONE"; CLABEL holds "NUMBER" or "NONE", or a heading for the
// row-label column followed by "NUMBER", "NONE" or the NCA column labels.
// Keywords are compared ignoring case. A "%/" in a title or label breaks the
// line there. Missing labels print as blanks.
//
// Every print ends by putting the options in force back to the persistent ones
// (WROPT with IOPT = 0), so an option set with ISCOPE = 0 lasts one print.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "numlib/support/print_layout.h"

namespace numlib {

// ---- public entries ----

// A real matrix A (NRA x NCA, leading dimension LDA) with TITLE, the default
// format and default labels. Checks (TERMINAL, by running number): 1 NRA >= 0,
// 2 NCA >= 0, 3 LDA >= 1, 4 NRA <= LDA (made only when NCA != 0 and LDA > 0),
// 5 ITRING in -2..2. ITRING: 0 all, 1 I <= J, 2 I < J, -1 I >= J, -2 I > J.
void DWRRRN(std::string_view title, int nra, int nca, const double* a, int lda, int itring);
// The same for an integer matrix.
void WRIRN(std::string_view title, int nrmat, int ncmat, const int* mat, int ldmat, int itring);

// A real matrix with a format FMT (blank: chosen by print option 6) and labels.
void DW2RRL(std::string_view title, int nra, int nca, const double* a, int lda, int itring,
            std::string_view fmt, std::span<const std::string_view> rlabel,
            std::span<const std::string_view> clabel);
// An integer matrix; FMT holds I items only (blank: (Iw) wide enough for every
// printed value).
void WRIRL(std::string_view title, int nra, int nca, const int* a, int lda, int itring,
           std::string_view fmt, std::span<const std::string_view> rlabel,
           std::span<const std::string_view> clabel);

// IOPT > 0: ISET = option IOPT (in force for ISCOPE 0, persistent otherwise).
// IOPT < 0: option |IOPT| = ISET in force, and persistent too for ISCOPE 1.
// IOPT = 0: the persistent options back in force (option 3 only when its
// persistent value is negative). Checks: 1 |IOPT| <= 16, 2 ISET in the
// option's range (when setting), 3 ISCOPE 0 or 1 (when IOPT != 0).
void WROPT(int iopt, int& iset, int iscope);
// IOPT = 1, 2: IPAGE = page width, length; IOPT = -1, -2 sets them (IPAGE >= 10).
void PGOPT(int iopt, int& ipage);

// ---- the printers' parts ----

// The default labels of an NRA x NCA matrix: RLABEL one keyword, CLABEL its
// first NCLABEL entries (a heading only when print option 14 is not 0). Opens
// a page first when option 15 is 0 and option 3 is -2 or at least 1.
void MATRIX_LABEL_OPTIONS(int nra, int nca, std::string_view& rlabel,
                          std::span<std::string_view, 2> clabel, int& nclabel);
// Page opening and the page count live in print_layout.h (PRINT_TITLE_PAGE).

// A format (blank padded into FMT, 10 characters) for the elements ITRING
// selects from A, from a field width NWIDTH and significant digits NSIG.
// Checks: 1-4 as DWRRRN, 5 |NWIDTH| in 3..40, 6 |NSIG| - 2 <= |NWIDTH|.
void DFMTRR(int nra, int nca, const double* a, int lda, int itring, int nwidth, int nsig,
            std::span<char> fmt);
// (FW.d) or (1PEw.e) for one magnitude X, W = |NWIDTH|, |NSIG| digits.
void DFMTX(double x, int nwidth, int nsig, std::string& fmt);
// Index of the element of largest magnitude of X(1), X(1+INCX), ... (N of
// them), NaN and infinities passed over; 0 when there is none.
int DI1MAX(int n, const double* x, int incx);
// Every finite element is a whole number x with -10^(W-1) < x < 10^W.
bool ALL_WHOLE_NUMBERS(int n, const double* x, int incx, int w);
// The fewest digits after the point (at most D) that keep every selected value's
// printed value; D itself when D <= 1 or some value needs all D.
int FRACTION_DIGITS_TRIM(int nra, int nca, const double* a, int lda, int itring, int d);
// Page size and options of one print, the label kinds, the layout of the
// columns (COLUMN_ITEMS: each column's item) and the width check (codes 36, 37,
// 38, recorded; false then, and nothing may be printed).
bool PRINT_SETUP(const PrintJob& job, const std::vector<std::string>& column_items,
                 int field_width, std::optional<MatrixLayout>& layout);
// -1, 0, 1 ignoring case and trailing blanks.
int COMPARE_LABEL_NOCASE(std::string_view a, std::string_view b);
// A string of decimal digits (blanks around them allowed) as an integer.
// TERMINAL codes: 1 empty string, 2 a character that is not a digit, 3 too
// large, 4 no digits.
void CVTSI(std::string_view string, int& n);

}  // namespace numlib
