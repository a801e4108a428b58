// Exact decimal digits of binary floating-point values: every digit of
// m × 2^e is the true one (no shortcut through floating arithmetic), and
// rounding to the asked position sees the exact tail, as the Linux C
// library's printf does.
#pragma once

#include <cstdint>

namespace tblibc::decimal {

enum class Round : uint8_t { kNearest, kUpward, kDownward, kTowardZero };

// How far to keep digits: `count` digits after the decimal point (kFixed,
// count >= 0), or `count` significant digits (kSignificant, count >= 1).
enum class Keep : uint8_t { kFixed, kSignificant };

// value = 0.d[0] d[1] ... d[length-1] × 10^point, every digit past
// `length` zero. length 0: the value rounded to zero. The digits stay
// valid until the next call.
struct Digits {
  const char* d;
  int length;
  int point;
  bool carried = false;  // rounding up added a digit in front (9.9 -> 10)
};

// `mantissa` != 0. `negative` only matters for the directed roundings.
Digits Convert(uint64_t mantissa, int exponent, bool negative, Keep keep,
               int count, Round round);

}  // namespace tblibc::decimal
