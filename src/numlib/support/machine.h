#pragma once
// Properties of the arithmetic as constant tables, the library's channel
// numbers, the NaN test and the CPU timer.

#include <array>
#include <bit>
#include <cstdint>
#include <limits>

namespace numlib {

// DMACH(1..8): smallest normalised, largest finite, 2**-53, 2**-52, log10(2),
// NaN, +infinity, -infinity.
inline constexpr std::array<double, 8> DOUBLE_MACHINE_CONSTANTS = {
    2.2250738585072014e-308,
    1.7976931348623157e+308,
    1.1102230246251565e-16,
    2.220446049250313e-16,
    0.30102999566398120,
    std::bit_cast<double>(std::uint64_t{0x7FF8000000000000}),
    std::numeric_limits<double>::infinity(),
    -std::numeric_limits<double>::infinity(),
};

// AMACH(1..8): the same quantities in single precision.
inline constexpr std::array<float, 8> SINGLE_MACHINE_CONSTANTS = {
    1.1754944e-38f,
    3.4028235e+38f,
    5.9604645e-08f,
    1.1920929e-07f,
    std::bit_cast<float>(std::uint32_t{0x3E9A209B}),
    std::bit_cast<float>(std::uint32_t{0x7FC00000}),
    std::numeric_limits<float>::infinity(),
    -std::numeric_limits<float>::infinity(),
};

// IMACH(1..12).
inline constexpr std::array<int, 12> INTEGER_MACHINE_CONSTANTS = {
    32, 4, 2, 31, 2147483647, 2, 24, -125, 128, 53, -1021, 1024};

// Entry N; outside 1..8 a TERMINAL error (code 5) is recorded and NaN returned.
double DMACH(int n);
float AMACH(int n);
// Entry I; outside 1..12 a message is printed and the run ends.
int IMACH(int i);
// N = 1..3 returns channel N in NUNIT; N = -3..-1 sets channel |N| to NUNIT.
// Any other N prints a message and ends the run.
void UMACH(int n, int& nunit);

// True exactly for the NaN bit patterns (quiet or signalling, either sign).
constexpr bool NAN_TEST(double x) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
  return (bits & 0x7FF0000000000000ull) == 0x7FF0000000000000ull &&
         (bits & 0x000FFFFFFFFFFFFFull) != 0;
}

// Processor seconds used since the first call, which returns 0.0.
float ELAPSED_CPU_SECONDS();

}  // namespace numlib
