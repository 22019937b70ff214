#pragma once
// Error stack, message values, message recording and the message printer.
// See numlib/support/library.h for how a library routine uses them.
//
// Error types: 1 NOTE, 2 ALERT, 3 WARNING, 4 FATAL, 5 TERMINAL (misuse of the
// library), 6 global WARNING, 7 global FATAL; 0 no error, -1 nothing recorded.

#include <array>
#include <string_view>

namespace numlib {

// Stop defaults for types 1..7, then print defaults for types 1..7.
inline constexpr std::array<int, 14> ERROR_ATTRIBUTE_DEFAULTS = {0, 0, 0, 1, 1, 0, 1,
                                                                 0, 0, 1, 1, 1, 1, 1};

// ---- error stack ----

// Sets up the stack on the first call of the run; later calls do nothing.
void ERROR_INIT();
// Index of the library's state copy; always 1 (one thread).
int THREAD_SLOT();

// Registers a routine on entry. A push beyond 50 levels ends the run.
void E1PSH(std::string_view name);
// Unregisters it on exit, passing its error up and printing or ending the run
// as the print and stop attributes say. May throw the platform stop: never call
// it from a destructor.
void E1POP(std::string_view name);
// "ON" / "OFF" around a call of a user routine.
void E1USR(std::string_view switch_text);

// Error type (N1RTY) or code (N1RCD) at the current level (0) or of the routine
// popped last (1). Any other argument ends the run.
int N1RTY(int i);
int N1RCD(int i);
// Code of a NOTE, ALERT, WARNING or FATAL error of the library routine that
// returned last; 0 after success, a TERMINAL or a global error.
int LAST_ERROR_CODE();

// Print (IPACT) and stop (ISACT) actions for error severity IERSVR (0 all,
// 1..5 one type; 3 and 4 also set their global twins 6 and 7). Actions: -1
// keep, 0 off, 1 on, 2 default.
void ERSET(int iersvr, int ipact, int isact);
// The table setter behind ERSET; IERSVR -7..-1 queries type |IERSVR| into
// IPATT and ISATT.
void SET_ERROR_ATTRIBUTES(int iersvr, int& ipatt, int& isatt);
// Consumes the pending-global flags: the stop attribute of the global type
// recorded, 0 when none is pending.
int PENDING_GLOBAL_STOP();

// ---- message values, kept for the next E1MES only ----

void ERROR_STORE_INTEGER(int n, int value);   // %(In)
void ERROR_STORE_DOUBLE(int n, double value);  // %(Dn), 1PE24.15 without leading blanks
void ERROR_STORE_STRING(int n, std::string_view text);  // %(Ln), at most 255 characters
// The common store: key letter, digit |N| 1..9, the value (its length is the
// LENGTH of the acceptance rule). N > 0 drops trailing blanks. A value that does
// not fit is dropped without notice.
void STORE_SUBSTITUTION(char letter, int n, std::string_view value);

// ---- recording and printing ----

// Records type and code at the current level and assembles the message from
// TEXT and the stored values. TYPE -1 or a negative CODE keeps what is there;
// TYPE 0 or CODE 0 clears the message; a blank TEXT keeps the waiting message.
void E1MES(int type, int code, std::string_view text);
// Prints the waiting message once on UMACH(2), with a traceback below level 2.
void PRINT_ERROR_MESSAGE();

}  // namespace numlib
