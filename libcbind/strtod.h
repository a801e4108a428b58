// The text-to-number engines behind strtol, strtod and the scanf family:
// the Linux C library's grammar in the "C" locale, results as bit patterns
// of the guest's formats so that no host floating-point arithmetic (x87
// double rounding, a host runtime's own strtod) stands between the text and
// the value.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tblibc::numparse {

// ---- Integers ---------------------------------------------------------------

struct IntegerResult {
  uint64_t value;  // two's complement bits of the result, `bits` wide
  size_t length;   // characters taken, leading white space included; 0: none
  bool range;      // overflow: value is the limit, errno becomes ERANGE
};

// strtol and its kin for a valid base (0 or 2..36): `bits` is 32 or 64.
// `binaryPrefix`: "0b" introduces base 2 as "0x" does base 16 (the C23
// forms of the names).
IntegerResult ParseInteger(const char* text, int base, int bits, bool isSigned,
                           bool binaryPrefix = false);

// 0..35 for a digit or letter, 99 for anything else.
int DigitValue(char c);

// The C locale's white space: space, \t \n \v \f \r.
inline bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// ---- Floating point ---------------------------------------------------------

enum class FloatFormat { kFloat, kDouble, kExtended };

struct FloatResult {
  // float: the low 32 bits; double: all 64; extended: the significand with
  // its explicit integer bit.
  uint64_t bits;
  uint16_t signExponent;  // extended only: sign and 15-bit exponent
  size_t length;          // characters taken, white space included; 0: none
  bool range;             // overflow, or a tiny inexact result: ERANGE
};

// strtod's grammar: decimal and hexadecimal numbers, "inf", "infinity",
// "nan" and "nan(chars)", correctly rounded to nearest, ties to even.
FloatResult ParseFloat(const char* text, FloatFormat format);

}  // namespace tblibc::numparse
