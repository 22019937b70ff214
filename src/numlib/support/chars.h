#pragma once
// Character utilities on blank-padded texts (positions count from 1) and the
// argument checkers that give bad dimensions one uniform wording.

#include <span>
#include <string_view>

namespace numlib {

// ---- character utilities; they never fail, STATUS is their only report ----

int CHAR_CODE(char ch);        // 0..255
int CHAR_CODE_UPPER(char ch);  // a-z folded to A-Z
// The character of code I; NUL for I outside 0..255.
void CHAR_FROM_CODE(char& ch, int i);
// As CHAR_FROM_CODE; a negative I also records a TERMINAL error.
void ACHAR(char& ch, int i);
// CA folded to upper case equals CB (an upper-case letter) exactly.
bool SAME_LETTER(char ca, char cb);

// First position of PATTERN in STRING; 0 when absent, either is empty, or
// PATTERN is longer.
int SUBSTRING_INDEX(std::string_view string, std::string_view pattern);
int INDEX_NOCASE(std::string_view string, std::string_view pattern);
// First position of a character of STRING not in SET; 0 when all are in SET,
// 1 when either text is empty.
int VERIFY_SCAN(std::string_view string, std::string_view set);
// -1, 0, 1 ignoring case, the shorter padded with blanks.
int COMPARE_NOCASE(std::string_view a, std::string_view b);

// Reads blanks, an optional sign and digits. STATUS: 0 the text ends after the
// digits; the position of the first other character; -1 empty, blank or only a
// sign; -2 outside the integer range. VALUE is 0 for -1 and -2.
void PARSE_DIGITS(std::string_view text, int& value, int& status);
// VALUE right-aligned in FIELD. STATUS 0 when it fits, else the characters it
// needs (FIELD then holds asterisks); -1 for an empty FIELD.
void INT_TO_DIGITS(int value, std::span<char> field, int& status);
// Copies SOURCE(first:last) into DEST(first:last), blank filling the rest of
// the destination range. STATUS -2 bad source range, -1 bad destination range,
// else the number of characters that did not fit (0 when all were copied).
void COPY_SUBSTRING(std::string_view source, int source_first, int source_last,
                    std::span<char> dest, int dest_first, int dest_last, int& status);
// SOURCE into DEST, cut or blank padded.
void COPY_BLANK_FILL(std::string_view source, std::span<char> dest);

// ---- argument checkers ----
// NERR counts the checks made and is the code of the next failure: every check
// adds 1, and a failed one records a TERMINAL error with the code before the
// addition.

// VALUE within MIN..MAX; only VALUE >= MIN when MAX < MIN.
void CHECK_INT_ARG_RANGE(int value, std::string_view name, int min, int max, int& nerr);
// VALUE1 <= VALUE2.
void CHECK_LE_PAIR(int value1, std::string_view name1, int value2, std::string_view name2,
                   int& nerr);
// N >= MIN (skipped, still counted, when NAME_N begins with "*"), LD >= 1, and
// N <= LD when LD is positive (else skipped and counted). Three codes.
void CHECK_DIM_PAIR(int min, int n, std::string_view name_n, int ld, std::string_view name_ld,
                    int& nerr);

}  // namespace numlib
