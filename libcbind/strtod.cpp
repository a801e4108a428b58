// Text to numbers, the Linux C library's way in the "C" locale.
//
// Floats are rounded from the exact value. Ordinary decimal input (at most
// 19 significant digits, a normal result) takes a fast path: the digits
// times a 64-bit truncated power of ten, whose error is bounded; when that
// product cannot tell which way the rounding goes, and for everything else
// (long inputs, denormals, overflow, hexadecimal, long double), the value is
// taken apart with exact big integers. Only integer arithmetic is used: the
// host's x87 unit would round twice.
#include "libcbind/strtod.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace tblibc::numparse {

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

IntegerResult ParseInteger(const char* text, int base, int bits,
                           bool isSigned, bool binaryPrefix) {
  const char* p = text;
  while (IsSpace(*p)) ++p;
  bool negative = false;
  if (*p == '-' || *p == '+') negative = *p++ == '-';
  // "0x" counts as a prefix only with a hexadecimal digit after it;
  // otherwise the 0 alone is the number.
  if ((base == 0 || base == 16) && p[0] == '0' && (p[1] | 0x20) == 'x' &&
      DigitValue(p[2]) < 16) {
    p += 2;
    base = 16;
  } else if (binaryPrefix && (base == 0 || base == 2) && p[0] == '0' &&
             (p[1] | 0x20) == 'b' && (p[2] == '0' || p[2] == '1')) {
    p += 2;
    base = 2;
  } else if (base == 0) {
    base = p[0] == '0' ? 8 : 10;
  }
  const uint64_t allOnes = bits == 64 ? ~uint64_t{0} : 0xFFFFFFFFu;
  const uint64_t signBit = uint64_t{1} << (bits - 1);
  const uint64_t limit =
      !isSigned ? allOnes : (negative ? signBit : signBit - 1);
  const uint64_t cutoff = limit / static_cast<unsigned>(base);
  const unsigned cutlim = static_cast<unsigned>(limit % static_cast<unsigned>(base));
  const char* start = p;
  uint64_t value = 0;
  bool over = false;
  for (;; ++p) {
    const int d = DigitValue(*p);
    if (d >= base) break;
    if (over) continue;
    if (value > cutoff || (value == cutoff && static_cast<unsigned>(d) > cutlim))
      over = true;
    else
      value = value * static_cast<unsigned>(base) + static_cast<unsigned>(d);
  }
  if (p == start) return {0, 0, false};
  const size_t length = static_cast<size_t>(p - text);
  if (over) {
    if (!isSigned) return {allOnes, length, true};
    return {(negative ? signBit : signBit - 1) & allOnes, length, true};
  }
  if (negative) value = (0 - value) & allOnes;
  return {value, length, false};
}

namespace {

// ---- Big integers: little-endian 32-bit limbs, no leading zero limb --------

using Limbs = std::vector<uint32_t>;

void Trim(Limbs& a) {
  while (!a.empty() && a.back() == 0) a.pop_back();
}

void MulAdd(Limbs& a, uint32_t m, uint32_t add) {
  uint64_t carry = add;
  for (uint32_t& limb : a) {
    const uint64_t t = uint64_t{limb} * m + carry;
    limb = static_cast<uint32_t>(t);
    carry = t >> 32;
  }
  if (carry != 0) a.push_back(static_cast<uint32_t>(carry));
}

constexpr uint32_t kPow10[10] = {1,      10,      100,      1000,      10000,
                                 100000, 1000000, 10000000, 100000000,
                                 1000000000};

void MulPow10(Limbs& a, int64_t n) {
  for (; n >= 9; n -= 9) MulAdd(a, kPow10[9], 0);
  if (n > 0) MulAdd(a, kPow10[n], 0);
}

void ShiftLeft(Limbs& a, int64_t bits) {
  if (a.empty() || bits <= 0) return;
  const size_t words = static_cast<size_t>(bits / 32);
  const unsigned b = static_cast<unsigned>(bits % 32);
  if (b != 0) {
    uint32_t carry = 0;
    for (uint32_t& limb : a) {
      const uint32_t next = limb >> (32 - b);
      limb = (limb << b) | carry;
      carry = next;
    }
    if (carry != 0) a.push_back(carry);
  }
  a.insert(a.begin(), words, 0);
}

void ShiftRightOne(Limbs& a) {
  for (size_t i = 0; i < a.size(); ++i) {
    a[i] >>= 1;
    if (i + 1 < a.size()) a[i] |= a[i + 1] << 31;
  }
  Trim(a);
}

int64_t BitLength(const Limbs& a) {
  if (a.empty()) return 0;
  return static_cast<int64_t>(a.size() - 1) * 32 + 32 -
         __builtin_clz(a.back());
}

int Compare(const Limbs& a, const Limbs& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = a.size(); i-- > 0;)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  return 0;
}

void Subtract(Limbs& a, const Limbs& b) {  // a >= b
  uint32_t borrow = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    const uint64_t sub = uint64_t{i < b.size() ? b[i] : 0} + borrow;
    borrow = a[i] < sub ? 1 : 0;
    a[i] = static_cast<uint32_t>(a[i] - sub);
  }
  Trim(a);
}

// floor(num / den) when it is below 2^bits (bits <= 64); num becomes the
// remainder.
uint64_t Divide(Limbs& num, const Limbs& den, int bits) {
  Limbs step = den;
  ShiftLeft(step, bits - 1);
  uint64_t q = 0;
  for (int i = bits - 1; i >= 0; --i) {
    if (Compare(num, step) >= 0) {
      Subtract(num, step);
      q |= uint64_t{1} << i;
    }
    ShiftRightOne(step);
  }
  return q;
}

// ---- Formats ----------------------------------------------------------------

struct Format {
  int precision;  // significand bits, the integer bit included
  int minExp;     // exponent of the smallest normal: 2^minExp
  int maxExp;     // exponent of the largest finite: below 2^(maxExp+1)
  int digitCap;   // significant decimal digits that can decide a rounding
  int maxDecimal; // values at or above 10^maxDecimal overflow
  int minDecimal; // values below 10^minDecimal round to zero
};

constexpr Format kFormats[] = {
    {24, -126, 127, 120, 40, -47},                  // float
    {53, -1022, 1023, 800, 310, -325},               // double
    {64, -16382, 16383, 11600, 4934, -4953},         // x87 extended
};

const Format& FormatOf(FloatFormat f) {
  return kFormats[static_cast<int>(f)];
}

// A finite value on the format's grid: m * 2^lsb, m below 2^precision.
struct Rounded {
  uint64_t m;
  int64_t lsb;
  bool overflow;
  bool range;
};

struct Step {
  uint64_t m;
  bool inexact;
  bool carried;  // rounding reached 2^precision
};

// value = num / den * 2^b2, rounded to a multiple of 2^lsb (the quotient
// is known to be below 2^precision).
Step RoundAt(const Limbs& num, const Limbs& den, int64_t b2, int64_t lsb,
             int precision) {
  Limbs a = num, b = den;
  const int64_t shift = lsb - b2;
  if (shift >= 0)
    ShiftLeft(b, shift);
  else
    ShiftLeft(a, -shift);
  uint64_t m = Divide(a, b, precision);
  const bool inexact = !a.empty();
  ShiftLeft(a, 1);
  const int c = Compare(a, b);
  bool carried = false;
  if (c > 0 || (c == 0 && (m & 1) != 0)) {
    ++m;
    if (precision == 64 ? m == 0 : m == uint64_t{1} << precision) {
      m = uint64_t{1} << (precision - 1);
      carried = true;
    }
  }
  return {m, inexact, carried};
}

// The exact rounding of num / den * 2^b2 (num not zero).
Rounded RoundExact(const Limbs& num, const Limbs& den, int64_t b2,
                   const Format& f) {
  const int p = f.precision;
  const int64_t bl = BitLength(num) - BitLength(den);
  int64_t top;  // floor(log2(value))
  {
    Limbs a = num, b = den;
    if (bl >= 0)
      ShiftLeft(b, bl);
    else
      ShiftLeft(a, -bl);
    top = (Compare(a, b) >= 0 ? bl : bl - 1) + b2;
  }
  if (top > f.maxExp) return {0, 0, true, true};
  const int64_t lsb = std::max<int64_t>(top, f.minExp) - (p - 1);
  Step s = RoundAt(num, den, b2, lsb, p);
  int64_t resultLsb = lsb;
  if (s.carried) ++resultLsb;
  if (resultLsb + p - 1 > f.maxExp && (s.m >> (p - 1)) != 0)
    return {0, 0, true, true};
  // Tiny, as the x87 unit and the Linux C library judge it: below the
  // smallest normal after rounding to full precision with an unbounded
  // exponent; ERANGE when such a result is also inexact.
  bool tiny = top < f.minExp;
  if (tiny && top == f.minExp - 1)
    tiny = !RoundAt(num, den, b2, top - (p - 1), p).carried;
  return {s.m, resultLsb, false, tiny && s.inexact};
}

// ---- Powers of ten for the fast path ----------------------------------------

constexpr int kMinPow = -348, kMaxPow = 308;

struct Pow10 {
  uint64_t mantissa;  // 10^e truncated to 64 bits, top bit set
  int32_t exp2;       // 10^e ~ mantissa * 2^exp2
};

using PowTable = std::array<Pow10, kMaxPow - kMinPow + 1>;

PowTable BuildPowers() {
  PowTable table{};
  Limbs x{1};
  for (int e = 0; e <= kMaxPow; ++e) {
    const int64_t bl = BitLength(x);
    uint64_t top = 0;
    for (int64_t bit = bl - 1; bit >= std::max<int64_t>(0, bl - 64); --bit)
      top = (top << 1) | ((x[static_cast<size_t>(bit / 32)] >> (bit % 32)) & 1);
    if (bl < 64) top <<= (64 - bl);
    table[static_cast<size_t>(e - kMinPow)] = {top, static_cast<int32_t>(bl - 64)};
    MulAdd(x, 10, 0);
  }
  Limbs den{1};
  for (int e = 1; e <= -kMinPow; ++e) {
    MulAdd(den, 10, 0);
    const int64_t shift = BitLength(den) + 63;
    Limbs num{1};
    ShiftLeft(num, shift);
    const uint64_t q = Divide(num, den, 64);
    table[static_cast<size_t>(-e - kMinPow)] = {q, static_cast<int32_t>(-shift)};
  }
  return table;
}

const PowTable& Powers() {
  static const PowTable table = BuildPowers();
  return table;
}

void Multiply64(uint64_t a, uint64_t b, uint64_t& hi, uint64_t& lo) {
  const uint64_t a0 = static_cast<uint32_t>(a), a1 = a >> 32;
  const uint64_t b0 = static_cast<uint32_t>(b), b1 = b >> 32;
  const uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  const uint64_t mid = (p00 >> 32) + static_cast<uint32_t>(p01) +
                       static_cast<uint32_t>(p10);
  lo = (mid << 32) | static_cast<uint32_t>(p00);
  hi = p11 + (p01 >> 32) + (p10 >> 32) + (mid >> 32);
}

// m * 10^e when the bounded error of a 64-bit product decides the rounding
// and the result is normal; false sends the input to the exact path.
bool FastDecimal(uint64_t m, int64_t e, const Format& f, Rounded& out) {
  if (e < kMinPow || e > kMaxPow || f.precision > 53) return false;
  const Pow10& pw = Powers()[static_cast<size_t>(e - kMinPow)];
  const int lz = __builtin_clzll(m);
  uint64_t hi, lo;
  Multiply64(m << lz, pw.mantissa, hi, lo);
  int64_t exp = int64_t{pw.exp2} - lz + 64;  // value ~ hi * 2^exp
  if ((hi >> 63) == 0) {
    hi = (hi << 1) | (lo >> 63);
    --exp;
  }
  // The exact value lies in [hi, hi + 3) units of 2^exp.
  const int64_t top = exp + 63;
  if (top <= f.minExp || top >= f.maxExp) return false;
  const int k = 64 - f.precision;
  const uint64_t low = hi & ((uint64_t{1} << k) - 1);
  const uint64_t half = uint64_t{1} << (k - 1);
  if (low + 3 > half && low <= half) return false;
  uint64_t r = hi >> k;
  int64_t lsb = exp + k;
  if (low > half) {
    ++r;
    if (r == uint64_t{1} << f.precision) {
      r >>= 1;
      ++lsb;
    }
  }
  out = {r, lsb, false, false};
  return true;
}

// ---- Assembling the result --------------------------------------------------

enum class Kind { kZero, kFinite, kInfinity, kNan };

FloatResult Encode(FloatFormat format, bool negative, Kind kind,
                   const Rounded& r, uint64_t payload, size_t length,
                   bool range) {
  const Format& f = FormatOf(format);
  const int p = f.precision;
  const int bias = f.maxExp;
  uint64_t field = 0, mantissa = 0;
  switch (kind) {
    case Kind::kZero:
      break;
    case Kind::kFinite:
      mantissa = r.m;
      if ((r.m >> (p - 1)) != 0)
        field = static_cast<uint64_t>(r.lsb + (p - 1) + bias);
      break;
    case Kind::kInfinity:
      field = static_cast<uint64_t>(2 * bias + 1);
      mantissa = format == FloatFormat::kExtended ? uint64_t{1} << 63 : 0;
      break;
    case Kind::kNan: {
      field = static_cast<uint64_t>(2 * bias + 1);
      const int quiet = format == FloatFormat::kExtended ? 62 : p - 2;
      mantissa = (uint64_t{1} << quiet) | (payload & ((uint64_t{1} << quiet) - 1));
      if (format == FloatFormat::kExtended) mantissa |= uint64_t{1} << 63;
      break;
    }
  }
  FloatResult out{0, 0, length, range};
  if (format == FloatFormat::kExtended) {
    out.bits = mantissa;
    out.signExponent =
        static_cast<uint16_t>((negative ? 0x8000 : 0) | (field & 0x7FFF));
    return out;
  }
  const int fractionBits = p - 1;
  const int width = format == FloatFormat::kFloat ? 32 : 64;
  out.bits = (uint64_t{negative} << (width - 1)) | (field << fractionBits) |
             (mantissa & ((uint64_t{1} << fractionBits) - 1));
  return out;
}

bool StartsWithNoCase(const char* p, const char* word) {
  for (; *word != '\0'; ++p, ++word)
    if ((*p | 0x20) != *word) return false;
  return true;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// An exponent's digits, saturated far beyond any format's reach.
int64_t ReadExponent(const char*& p) {
  const char* q = p + 1;
  bool negative = false;
  if (*q == '-' || *q == '+') negative = *q++ == '-';
  if (!IsDigit(*q)) return 0;  // not an exponent: p stays on the letter
  int64_t e = 0;
  for (; IsDigit(*q); ++q)
    if (e < 100000000) e = e * 10 + (*q - '0');
  p = q;
  return negative ? -e : e;
}

FloatResult Hexadecimal(FloatFormat format, bool negative, const char* text,
                        const char* p) {
  const Format& f = FormatOf(format);
  // 40 significant hex digits hold more bits than any rounding needs; a
  // nonzero digit beyond them only makes the value inexact.
  constexpr int kHexCap = 40;
  Limbs num;
  int significant = 0;
  bool sticky = false, point = false;
  int64_t b2 = 0;
  for (;; ++p) {
    if (*p == '.' && !point) {
      point = true;
      continue;
    }
    const int d = DigitValue(*p);
    if (d >= 16) break;
    if (significant == 0 && d == 0) {
      if (point) b2 -= 4;
      continue;
    }
    if (significant < kHexCap) {
      MulAdd(num, 16, static_cast<uint32_t>(d));
      ++significant;
      if (point) b2 -= 4;
    } else {
      sticky |= d != 0;
      if (!point) b2 += 4;
    }
  }
  if (*p == 'p' || *p == 'P') b2 += ReadExponent(p);
  const size_t length = static_cast<size_t>(p - text);
  if (num.empty()) return Encode(format, negative, Kind::kZero, {}, 0, length, false);
  if (sticky) {
    ShiftLeft(num, 1);
    num[0] |= 1;
    --b2;
  }
  const int64_t top = BitLength(num) - 1 + b2;
  if (top > f.maxExp + 1)
    return Encode(format, negative, Kind::kInfinity, {}, 0, length, true);
  if (top < f.minExp - f.precision - 2)
    return Encode(format, negative, Kind::kZero, {}, 0, length, true);
  const Rounded r = RoundExact(num, Limbs{1}, b2, f);
  if (r.overflow) return Encode(format, negative, Kind::kInfinity, {}, 0, length, true);
  return Encode(format, negative, r.m == 0 ? Kind::kZero : Kind::kFinite, r, 0,
                length, r.range);
}

}  // namespace

FloatResult ParseFloat(const char* text, FloatFormat format) {
  const Format& f = FormatOf(format);
  const char* p = text;
  while (IsSpace(*p)) ++p;
  bool negative = false;
  if (*p == '-' || *p == '+') negative = *p++ == '-';

  if (StartsWithNoCase(p, "inf")) {
    p += StartsWithNoCase(p + 3, "inity") ? 8 : 3;
    return Encode(format, negative, Kind::kInfinity, {}, 0,
                  static_cast<size_t>(p - text), false);
  }
  if (StartsWithNoCase(p, "nan")) {
    p += 3;
    uint64_t payload = 0;
    if (*p == '(') {
      const char* q = p + 1;
      while (DigitValue(*q) < 36 || *q == '_') ++q;
      if (*q == ')') {
        // The characters name the payload when they are a whole number
        // in strtoull's sense.
        const IntegerResult n = ParseInteger(p + 1, 0, 64, false);
        if (n.length == static_cast<size_t>(q - (p + 1))) payload = n.value;
        p = q + 1;
      }
    }
    return Encode(format, negative, Kind::kNan, {}, payload,
                  static_cast<size_t>(p - text), false);
  }
  if (p[0] == '0' && (p[1] | 0x20) == 'x' &&
      (DigitValue(p[2]) < 16 || (p[2] == '.' && DigitValue(p[3]) < 16)))
    return Hexadecimal(format, negative, text, p + 2);

  // Decimal: digits with at most one point, then an optional exponent.
  const char* first = nullptr;  // first nonzero digit
  int64_t pointShift = 0;       // every digit after the point
  int64_t digits = 0;           // from `first` to the last nonzero digit
  uint64_t m = 0;               // the first 19 of those
  bool point = false, any = false;
  int64_t zerosPending = 0;     // zeros since the last nonzero digit
  for (;; ++p) {
    if (*p == '.' && !point) {
      point = true;
      continue;
    }
    if (!IsDigit(*p)) break;
    any = true;
    const int d = *p - '0';
    if (point) ++pointShift;
    if (first == nullptr) {
      if (d == 0) continue;
      first = p;
    }
    if (d == 0) {
      ++zerosPending;
      continue;
    }
    for (; zerosPending > 0; --zerosPending, ++digits)
      if (digits < 19) m *= 10;
    if (digits < 19) m = m * 10 + static_cast<unsigned>(d);
    ++digits;
  }
  if (!any) return {0, 0, 0, false};
  int64_t exponent = 0;
  if (*p == 'e' || *p == 'E') exponent = ReadExponent(p);
  const size_t length = static_cast<size_t>(p - text);
  if (first == nullptr) return Encode(format, negative, Kind::kZero, {}, 0, length, false);

  // value = (the `digits` digits from `first` as an integer) * 10^e10:
  // the trailing zeros left out of them scale it back up.
  const int64_t e10 = exponent - pointShift + zerosPending;
  Rounded r{};
  if (digits <= 19 && FastDecimal(m, e10, f, r))
    return Encode(format, negative, Kind::kFinite, r, 0, length, false);

  if (digits - 1 + e10 >= f.maxDecimal)
    return Encode(format, negative, Kind::kInfinity, {}, 0, length, true);
  if (digits + e10 < f.minDecimal)
    return Encode(format, negative, Kind::kZero, {}, 0, length, true);

  // Exact: every digit up to the cap, then a 1 standing for the nonzero
  // digits beyond it, which lie below any halfway point.
  Limbs num;
  int64_t taken = 0;
  for (const char* q = first; taken < digits && taken < f.digitCap; ++q) {
    if (*q == '.') continue;
    MulAdd(num, 10, static_cast<uint32_t>(*q - '0'));
    ++taken;
  }
  int64_t scale = e10 + (digits - taken);
  if (taken < digits) {
    MulAdd(num, 10, 1);
    --scale;
  }
  Limbs den{1};
  if (scale >= 0)
    MulPow10(num, scale);
  else
    MulPow10(den, -scale);
  r = RoundExact(num, den, 0, f);
  if (r.overflow) return Encode(format, negative, Kind::kInfinity, {}, 0, length, true);
  return Encode(format, negative, r.m == 0 ? Kind::kZero : Kind::kFinite, r, 0,
                length, r.range);
}

}  // namespace tblibc::numparse
