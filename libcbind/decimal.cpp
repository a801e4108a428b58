// Exact binary-to-decimal conversion over a small big-integer arithmetic of
// 32-bit limbs. The integer digits come from dividing down by 10^9, the
// fraction's from multiplying up by 10^9, nine digits a step; only as many digits as the
// rounding needs are made, plus the knowledge whether anything nonzero
// follows. An ordinary double needs two or three limbs; the widest x87 long
// double (2^16383, or 2^-16445) a few hundred.
#include "libcbind/decimal.h"

#include <algorithm>
#include <cstring>

namespace tblibc::decimal {

namespace {

// 16384 integer bits or 16445 + 63 fraction bits, rounded up to limbs.
constexpr int kMaxLimbs = 520;
// Every exact digit of a long double: at most 4933 integer digits or
// 16446 fraction digits, and a step of nine beyond.
constexpr int kMaxDigits = 21600;
constexpr uint32_t kBillion = 1000000000u;

uint32_t gLimbs[kMaxLimbs];
// Nine digits each: 4933 digits at most.
uint32_t gChunks[560];
char gDigits[kMaxDigits + 32];

// Nine digits, leading zeros kept.
void Put9(char* p, uint32_t v) {
  for (int i = 8; i >= 0; --i) {
    p[i] = static_cast<char>('0' + v % 10);
    v /= 10;
  }
}

// The digits of v > 0 without leading zeros; returns their number.
int PutShort(char* p, uint32_t v) {
  char tmp[10];
  int n = 0;
  do {
    tmp[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  for (int i = 0; i < n; ++i) p[i] = tmp[n - 1 - i];
  return n;
}

int PutU64(char* p, uint64_t v) {
  if (v <= 0xffffffffu) return PutShort(p, static_cast<uint32_t>(v));
  const uint64_t high = v / kBillion;
  const uint32_t low = static_cast<uint32_t>(v % kBillion);
  int n = PutU64(p, high);
  Put9(p + n, low);
  return n + 9;
}

// (remainder:limb) / 10^9, the quotient back in limb; remainder < 10^9, so
// the quotient fits 32 bits.
// One divl does it; the compiler would call its 64-bit division routine.
inline uint32_t DivStep(uint32_t& limb, uint32_t remainder) {
#if defined(__i386__)
  uint32_t quotient, rest;
  __asm__("divl %4"
          : "=a"(quotient), "=d"(rest)
          : "a"(limb), "d"(remainder), "rm"(kBillion));
  limb = quotient;
  return rest;
#else
  const uint64_t cur = (uint64_t{remainder} << 32) | limb;
  limb = static_cast<uint32_t>(cur / kBillion);
  return static_cast<uint32_t>(cur % kBillion);
#endif
}

// The decimal digits of mantissa × 2^shift (shift > 0, too wide for 64
// bits) into `out`; returns their number.
int PutWide(char* out, uint64_t mantissa, int shift) {
  const int wordShift = shift / 32, bitShift = shift % 32;
  int n = wordShift + 3;
  std::memset(gLimbs, 0, sizeof(uint32_t) * n);
  const uint32_t lo = static_cast<uint32_t>(mantissa);
  const uint32_t hi = static_cast<uint32_t>(mantissa >> 32);
  gLimbs[wordShift] = lo << bitShift;
  gLimbs[wordShift + 1] =
      (hi << bitShift) | (bitShift ? lo >> (32 - bitShift) : 0);
  gLimbs[wordShift + 2] = bitShift ? hi >> (32 - bitShift) : 0;
  while (n > 0 && gLimbs[n - 1] == 0) --n;
  int chunks = 0;
  while (n > 0) {
    uint32_t rem = 0;
    for (int i = n - 1; i >= 0; --i) rem = DivStep(gLimbs[i], rem);
    gChunks[chunks++] = rem;
    while (n > 0 && gLimbs[n - 1] == 0) --n;
  }
  int len = PutShort(out, gChunks[chunks - 1]);
  for (int i = chunks - 2; i >= 0; --i, len += 9) Put9(out + len, gChunks[i]);
  return len;
}

// The fraction: gLimbs[0, size) hold it with the binary point above the
// top limb; [low, high) bound its nonzero limbs.
struct Fraction {
  int size, low, high;
  bool Zero() const { return low >= high; }
  // The next nine digits.
  uint32_t Step() {
    uint32_t carry = 0;
    for (int i = low; i < high; ++i) {
      const uint64_t p = uint64_t{gLimbs[i]} * kBillion + carry;
      gLimbs[i] = static_cast<uint32_t>(p);
      carry = static_cast<uint32_t>(p >> 32);
    }
    uint32_t chunk = 0;
    if (carry != 0) {
      if (high < size)
        gLimbs[high++] = carry;
      else
        chunk = carry;
    }
    while (low < high && gLimbs[low] == 0) ++low;
    return chunk;
  }
};

// bits < 64 fraction bits of `bits` value (v < 2^bits) or the whole
// mantissa under `bits` >= 64 fraction bits.
Fraction SetFraction(uint64_t v, int bits) {
  const int size = (bits + 31) / 32;
  const int shift = size * 32 - bits;  // 0..31: align the point to a limb
  std::memset(gLimbs, 0, sizeof(uint32_t) * size);
  const uint32_t lo = static_cast<uint32_t>(v);
  const uint32_t hi = static_cast<uint32_t>(v >> 32);
  const uint32_t words[3] = {lo << shift,
                             (hi << shift) | (shift ? lo >> (32 - shift) : 0),
                             shift ? hi >> (32 - shift) : 0};
  for (int i = 0; i < 3 && i < size; ++i) gLimbs[i] = words[i];
  Fraction f{size, 0, std::min(size, 3)};
  while (f.high > 0 && gLimbs[f.high - 1] == 0) --f.high;
  while (f.low < f.high && gLimbs[f.low] == 0) ++f.low;
  return f;
}

int BitLength(uint64_t v) {
  int n = 0;
  while (v != 0) {
    ++n;
    v >>= 1;
  }
  return n;
}

}  // namespace

Digits Convert(uint64_t mantissa, int exponent, bool negative, Keep keep,
               int count, Round round) {
  char* d = gDigits;
  int len = 0, point = 0;
  Fraction fraction{0, 0, 0};
  if (exponent >= 0) {
    if (BitLength(mantissa) + exponent <= 64)
      len = PutU64(d, mantissa << exponent);
    else
      len = PutWide(d, mantissa, exponent);
  } else {
    const int bits = -exponent;
    uint64_t whole = 0, below = mantissa;
    if (bits < 64) {
      whole = mantissa >> bits;
      below = mantissa & ((uint64_t{1} << bits) - 1);
    }
    if (whole != 0) len = PutU64(d, whole);
    fraction = SetFraction(below, bits);
  }
  point = len;

  const auto target = [&] {
    return keep == Keep::kFixed ? point + count : count;
  };
  bool belowAll = false;  // every digit lies past the rounding place
  while (!fraction.Zero() && len <= target() && len < kMaxDigits) {
    const uint32_t chunk = fraction.Step();
    if (len == 0) {
      if (chunk == 0) {
        point -= 9;
        if (keep == Keep::kFixed && point + count < 0) {
          belowAll = true;
          break;
        }
        continue;
      }
      const int n = PutShort(d, chunk);
      point -= 9 - n;
      len = n;
    } else {
      Put9(d + len, chunk);
      len += 9;
    }
  }

  const int n = belowAll ? -1 : target();
  int next = 0;
  bool sticky = !fraction.Zero() || belowAll;
  if (n < 0) {
    sticky = true;
  } else if (n < len) {
    next = d[n] - '0';
    for (int i = n + 1; i < len && !sticky; ++i) sticky = d[i] != '0';
  }
  bool up = false, carried = false;
  switch (round) {
    case Round::kNearest:
      up = next > 5 ||
           (next == 5 && (sticky || (n > 0 && n <= len && (d[n - 1] & 1))));
      break;
    case Round::kUpward: up = !negative && (next != 0 || sticky); break;
    case Round::kDownward: up = negative && (next != 0 || sticky); break;
    case Round::kTowardZero: break;
  }
  if (!up) {
    len = std::clamp(n, 0, len);
  } else if (n <= 0) {
    // Only in fixed mode: the unit of the last kept place, 10^-count,
    // becomes the only digit.
    d[0] = '1';
    len = 1;
    point = 1 - count;
  } else {
    int i = n - 1;
    while (i >= 0 && d[i] == '9') --i;
    if (i < 0) {
      d[0] = '1';
      len = 1;
      ++point;
      carried = true;
    } else {
      ++d[i];
      len = i + 1;
    }
  }
  return {d, len, point, carried};
}

}  // namespace tblibc::decimal
