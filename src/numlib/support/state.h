#pragma once
// The numerical library's state: one object for the whole run, single-threaded.
// Every global block of the library lives here as one member, so a test can put
// the library back to its first-call state with reset_library_state().
//
// To add a block (option stores, print options, saved values of a routine's
// first call): add a struct below with its first-call values as default member
// initialisers and a member of that struct to LibraryState. The reset then
// covers it without further code.

#include <array>

#include "numlib/support/option_tables.h"
#include "platform/fixed_text.h"

namespace numlib {

// Deepest level of the routine-name stack; level 1 is the program ("USER").
inline constexpr int kMaxStackLevel = 50;
// Per-level tables run to kMaxStackLevel + 1: N1RTY(1) at the top level reads
// the level above it. Index 0 is unused so that levels index directly.
inline constexpr int kLevelSlots = kMaxStackLevel + 2;
inline constexpr int kMessageCapacity = 1024;
inline constexpr int kSubstitutionCapacity = 300;

using RoutineName = platform::FixedText<32>;

// Error stack, waiting message and stored message values.
struct ErrorState {
  bool initialised = false;  // ERROR_INIT has run
  int level = 1;
  int max_depth = kMaxStackLevel;
  std::array<RoutineName, kLevelSlots> names{};
  std::array<int, kLevelSlots> type{};       // -1 nothing recorded, 0 no error, 1..7
  std::array<int, kLevelSlots> code{};       // -1 unset
  std::array<int, kLevelSlots> user_flag{};  // -1 entered from user code (bit 0 counts)
  std::array<int, 8> print_attribute{};      // by error type 1..7
  std::array<int, 8> stop_attribute{};
  int pending_global_warning = 0;  // type 6 recorded, not yet consumed
  int pending_global_fatal = 0;    // type 7
  std::array<char, kMessageCapacity> message{};
  int message_length = 0;  // 0: no message waiting
  std::array<char, kSubstitutionCapacity> substitutions{};
  int substitutions_used = 1;  // characters held; 1 when empty
};

// Values the complementary error function and the normal distribution set on
// their first call (nterf = 0 and sqrt_half = 0 mean "not yet").
struct NormalDistributionState {
  int nterf = 0;   // terms of the erf series for |x| <= 1
  int nterc2 = 0;  // terms of the erfc series for 1 < x*x <= 4
  int nterfc = 0;  // terms of the erfc series for x*x > 4
  double xsml = 0.0;   // erfc is 2 at and below this
  double xmax = 0.0;   // erfc underflows above this
  double sqeps = 0.0;  // below this |x|, erfc is 1 - 2x/sqrt(pi)
  double sqrt_half = 0.0;  // 1/sqrt(2) of DNORDF
};

// The ratio of the last two Muller steps of DZREAL, kept between iterations.
struct RealZerosState {
  double ratio = 0.0;
};

// BOUNDED_OPTIMIZER_STATE: the settings of the latest bounded minimisation
// (DBCONF), read by its stopping tests and its bound release.
struct BoundedOptimizerState {
  double gradtl = 0.0;
  double steptl = 0.0;
  double rftol = 0.0;
  double aftol = 0.0;
  double falstl = 0.0;
  int mxiter = 0;
  int maxfcn = 0;
  int maxgrd = 0;
  int maxhes = 0;
};

// Consecutive steps of the largest allowed length, counted by the bounded
// minimiser's stopping tests.
struct MaximalStepState {
  int count = 0;
};

// The previous trial of the bounded minimiser's line search: its fraction of
// the step and the function value there.
struct LineSearchState {
  double lambda = 0.0;
  double value = 0.0;
};

// The calls of the regression's accumulation routine (dR2IVN), one count per
// thread slot: 1 at a starting call, one more at every later call. The weight
// and frequency messages name the call by it.
struct RegressionCallState {
  std::array<int, 1> invocation{};
};

// CONSTRAINED_LSQ_STATE: what the levels of the constrained least-squares
// solver hand down beside their argument lists.
struct ConstrainedLsqState {
  // Positions, beyond the column count, of the two option data in the
  // solution vector: a factor (also the rank-tolerance datum) and the weight.
  int factor_position = 0;
  int weight_position = 0;
  int constraint_count = 0;
  int scaling_mode = 1;  // column scaling that the bounded solver starts with
  int weighting = 0;     // 1: the inner level takes its row weighting from the data
};

// The matrix printers' 16 print options (index 1..16; 0 unused): the values a
// caller keeps (persistent) and those of the print under way (in force).
struct PrintOptionTable {
  static constexpr std::array<int, 17> kInitial = {
      0,  // unused
      0, 0, 1000000, -2, 2, 0, 3, 2, 0, 3, 0, 0, 0, 10, 0, 0};
  std::array<int, 17> persistent = kInitial;
  std::array<int, 17> in_force = kInitial;
};

// Page width (1) and page length (2) of the matrix printers.
struct PageOptionTable {
  std::array<int, 3> values{0, 78, 60};
};

// Iteration limits of the two symmetric eigen-solvers. Only tests lower them,
// to reach the paths where an iteration does not converge.
struct EigenIterationLimits {
  int ql_sweeps = 100;         // De7csf: sweeps per eigenvalue
  int tridiagonal_factor = 30;  // dE4CSF: this many times N iterations in all
};

struct LibraryState {
  ErrorState error;
  NormalDistributionState normal_distribution;
  RealZerosState real_zeros;
  BoundedOptimizerState bounded_optimizer;
  MaximalStepState maximal_steps;
  LineSearchState line_search;
  RegressionCallState regression_calls;
  ConstrainedLsqState constrained_lsq;
  // Library channels: 1 input, 2 output, 3 the channel of UMACH's own failure.
  std::array<int, 4> unit_numbers{0, 5, 6, 6};
  float cpu_start = -1.0f;  // ELAPSED_CPU_SECONDS before its first call
  // INTEGER_OPTION_TABLES and DOUBLE_OPTION_TABLES of IUMAG and DUMAG.
  IntegerOptionTables integer_option_tables;
  DoubleOptionTables double_option_tables;
  PrintOptionTable print_option_table;
  PageOptionTable page_option_table;
  EigenIterationLimits eigen_limits;
};

LibraryState& library_state();

// Back to the first-call state (tests; also after a caught stop).
void reset_library_state();

}  // namespace numlib
