#pragma once
// Numbers to and from text the way the dialog program's C library does it
// (atoi, atof, printf), in the "C" locale whatever LC_NUMERIC says: a file
// chooser may switch the process locale, and the files must not change with it.

#include <cstdint>
#include <string>
#include <string_view>

namespace tervon {

// atoi: leading white space, an optional sign, the longest run of digits;
// 0 when there is none. Values beyond the 32-bit range saturate.
std::int32_t TextToInt(std::string_view text);

// atof for decimal numbers: leading white space, an optional sign, digits with
// an optional point, an optional exponent; the longest such prefix, 0 when
// there is none. Hexadecimal, "inf" and "nan" are not numbers here.
double TextToDouble(std::string_view text);

// Whole-token reads for records that must hold numbers: the entire text is an
// optionally signed decimal integer, or a finite decimal number; false otherwise.
bool ParseWholeInt(std::string_view text, int& value);
bool ParseWholeNumber(std::string_view text, double& value);
// The text without the blanks and tabs around it: atoi and atof read past
// them, so a whole-token check must too.
std::string_view Unpadded(std::string_view text);
// Whether the entire text is an optionally signed decimal number (digits with
// an optional point, an optional exponent) of finite value; for checking many
// values whose number is not needed.
bool IsFiniteDecimal(std::string_view text);

// printf "%.<precision>g" ("%g" is precision 6).
std::string FormatG(double value, int precision = 6);
// printf "%.<decimals>f".
std::string FormatFixed(double value, int decimals);
// printf "%d", or "%0<width>d" when zero_pad, else "%<width>d".
std::string FormatInt(long long value, int width = 0, bool zero_pad = false);

}  // namespace tervon
