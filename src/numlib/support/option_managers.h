#pragma once
// The option managers: settings of library routines that are not in their
// argument lists, by product ("MATH" or "STAT"; the first 4 characters count, in
// either case), chapter and option number.
//
// IACT 1 gets, 2 puts. IOPTS holds NUMOPT option numbers; a positive number
// addresses the option's current values, a negative one its defaults. IVAL
// (DVAL) holds the values of all the options named, one option after another:
//   - get: the current values (positive number) or the defaults (negative);
//   - put: a positive number takes the option's next values from IVAL; a
//     negative one resets the option to its defaults and takes nothing.
//
// The closing chapter of each product (MATH 10, STAT 19) steers the managers:
// integer option 1 > 0 writes a trace of every get and put on the library's
// output channel; integer option 2 = 1 stops them from reporting bad arguments
// (a bad call then silently does nothing).
//
// Bad arguments are TERMINAL errors: 1 IACT, 2 PRODNM, 3 ICHP, 4 a chapter
// without options, 5 NUMOPT, 6 an entry of IOPTS. A call with any of them gets
// and puts nothing.

#include <string_view>

namespace numlib {

void IUMAG(std::string_view prodnm, int ichp, int iact, int numopt, const int* iopts, int* ival);
void DUMAG(std::string_view prodnm, int ichp, int iact, int numopt, const int* iopts, double* dval);

}  // namespace numlib
