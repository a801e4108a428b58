// Long double exponentials, powers and Gamma, ours on both ports.
//
// One host's powl, exp10l and tgammal keep only a double's precision, its
// lgammal loses hundreds of ulps near the zeros of ln|Gamma|, and its expl,
// exp2l, expm1l, sinhl, coshl and tanhl are an ulp or a few off, with
// INEXACT raised for some exact answers. These compute in pairs of x87 long
// doubles (hi + lo, some 128 bits), so that the one rounding at the end is
// nearly always the right one: a logarithm to base 2 of a long double as
// such a pair, and 2 to the power of a pair.
//
// The work rounds to nearest with the caller's flags saved and its own
// discarded (the pair arithmetic needs round-to-nearest, and raises
// INEXACT everywhere); the final hi + lo and the scaling by a power of two
// happen back in the caller's environment, so the result is rounded as the
// mode asks and raises OVERFLOW, UNDERFLOW and INEXACT as it deserves.
// Where the Linux C library raises INEXACT for an exact answer (every
// powl but the smallest integral powers, exp10l of an integer), so do we.
//
// Tables and coefficients were computed with mpmath at 300 bits: hi is the
// value rounded to 64 bits, lo the rest rounded to 64 bits; series
// coefficients are plain Taylor and Bernoulli ones, written as the
// rationals they are.
#include "libcbind/math_extended.h"

#include <cstdint>
#include <cstring>
#include <limits>

#include "abi/errno.h"
#include "libcbind/guest.h"
#include "libcbind/math_exact.h"
#include "libcbind/math_flags.h"
#include "libcbind/math_round.h"

namespace tblibc {
namespace {

using LD = long double;

// ---- Pairs ----------------------------------------------------------------
//
// Exact in round-to-nearest: the sum of two numbers as hi + lo, and the
// product by splitting each 64-bit significand into halves of 32 bits
// whose products the x87 holds exactly.

using DD = exact::Sum;
using exact::FastTwoSum;
using exact::TwoSum;
inline DD TwoProd(LD a, LD b) { return exact::TwoProduct(a, b); }
DD Add(DD a, DD b) {
  const DD s = TwoSum(a.hi, b.hi);
  return FastTwoSum(s.hi, s.lo + (a.lo + b.lo));
}
DD Add(DD a, LD b) {
  const DD s = TwoSum(a.hi, b);
  return FastTwoSum(s.hi, s.lo + a.lo);
}
DD Mul(DD a, DD b) {
  const DD p = TwoProd(a.hi, b.hi);
  return FastTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}
DD Mul(DD a, LD b) {
  const DD p = TwoProd(a.hi, b);
  return FastTwoSum(p.hi, p.lo + a.lo * b);
}
DD Div(DD a, DD b) {
  const LD q = a.hi / b.hi;
  const DD r = Add(a, Mul(b, -q));
  return FastTwoSum(q, (r.hi + r.lo) / b.hi);
}
DD Neg(DD a) { return {-a.hi, -a.lo}; }

constexpr DD kLn2 = {0xb17217f7d1cf79acp-64L, -0xd871319ff0342543p-130L};
constexpr DD kLog2E = {0xb8aa3b295c17f0bcp-63L, -0x82f0025f2dc582eep-128L};
constexpr DD kLog2Of10 = {0xd49a784bcd1b8afep-62L, 0x9257edfe9b5fb69ap-127L};
constexpr DD kThird = {0xaaaaaaaaaaaaaaabp-65L, -0xaaaaaaaaaaaaaaabp-130L};
constexpr DD kPi = {0xc90fdaa22168c235p-62L, -0xece675d1fc8f8cbbp-128L};
constexpr DD kHalfLn2Pi = {0xeb3f8e4325f5a535p-64L, -0xd686dffd77cdbfb8p-129L};

// Rounds to an integer, in round-to-nearest, for |x| < 2^62: x + kToInteger
// - kToInteger. The sum's low significand bits are the integer itself, in
// two's complement, which spares a conversion switching the rounding mode.
constexpr LD kToInteger = 0x1.8p63L;
int32_t LowInteger(LD shifted) {
  uint32_t low;
  std::memcpy(&low, &shifted, 4);
  return static_cast<int32_t>(low);
}

// 2^n for the exponents of normal numbers, by the bits.
LD Pow2(int n) {
  const uint64_t mant = uint64_t{1} << 63;
  const uint16_t se = static_cast<uint16_t>(n + 16383);
  LD r = 0;
  std::memcpy(&r, &mant, 8);
  std::memcpy(reinterpret_cast<char*>(&r) + 8, &se, 2);
  return r;
}

// ---- The caller's environment --------------------------------------------

struct X87State {
  uint16_t control, r1, status, r2, tags, r3;
  uint32_t pointers[4];
};
static_assert(sizeof(X87State) == 28);
const uint16_t kNearest = 0x037f;  // 64-bit precision, nearest, all masked
constexpr uint16_t kFlags = 0x3f;  // the exception flags of the status word
constexpr uint16_t kPrecisionFlag = 0x20;

// The caller's control and status words are saved, and the work rounds to
// nearest. The argument goes through the asm so that no arithmetic on it
// is scheduled before.
class Held {
 public:
  explicit Held(LD* a, LD* b = nullptr) {
    __asm__ volatile("fnstcw %0\n\tfnstsw %1\n\tfldcw %2"
                     : "=m"(control_), "=m"(status_)
                     : "m"(kNearest)
                     : "memory");
    __asm__ volatile("" : "+m"(*a));
    if (b != nullptr) __asm__ volatile("" : "+m"(*b));
  }
  // The caller's mode and flags again, once the pair is computed: the work's
  // flags cleared, the caller's raised again. INEXACT alone (or nothing),
  // as a program mostly has it, is raised by an addition; other flags are
  // put back with the whole environment, whose register stack is left as it
  // is now (the compiler may hold values there).
  void Release(DD* r) {
    if ((status_ & kFlags & ~kPrecisionFlag) == 0) {
      __asm__ volatile("fnclex" : "+m"(r->hi), "+m"(r->lo) : : "memory");
      if ((status_ & kPrecisionFlag) != 0) {
        const volatile LD one = 1, tiny = 0x1p-100L;
        const volatile LD sum = one + tiny;
        (void)sum;
      }
      __asm__ volatile("fldcw %2" : "+m"(r->hi), "+m"(r->lo) : "m"(control_) : "memory");
      return;
    }
    X87State now;
    __asm__ volatile("fnstenv %0" : "=m"(now) : : "memory");
    now.control = control_;
    now.status = static_cast<uint16_t>((now.status & ~kFlags) | (status_ & kFlags));
    __asm__ volatile("fldenv %2" : "+m"(r->hi), "+m"(r->lo) : "m"(now) : "memory");
  }

 private:
  uint16_t control_, status_;
};

// x = m 2^e with m in [1, 2), for finite x > 0, by the bits.
LD Unpack(LD x, int* e) {
  uint16_t se;
  std::memcpy(&se, reinterpret_cast<const char*>(&x) + 8, 2);
  int biased = se & 0x7fff;
  if (biased == 0) {  // subnormal: normalized exactly
    x *= 0x1p64L;
    std::memcpy(&se, reinterpret_cast<const char*>(&x) + 8, 2);
    biased = (se & 0x7fff) - 64;
  }
  *e = biased - 16383;
  const uint16_t one = 0x3fff;
  std::memcpy(reinterpret_cast<char*>(&x) + 8, &one, 2);
  return x;
}

// Below the normal numbers the result lies on the grid of 2^-16445, the
// ulp of [1, 2) times 2^-16382: with s = (hi + lo) 2^(n+16382) below one,
// (±1 + s) - ±1 rounds s onto it in one addition, in the caller's mode. The
// part of s above the grid is added first, exactly, so that hi + lo is not
// rounded to 64 bits on the way.
LD Subnormal(DD r, int n) {
  const int k = n + 16382 < -16000 ? -16000 : n + 16382;
  const LD s = r.hi * Pow2(k);  // exact
  const LD t = r.lo * Pow2(k);
  const LD one = s < 0 ? -1.0L : 1.0L;
  int e;
  LD above = 0;
  if (s != 0) {
    Unpack(__builtin_fabsl(s), &e);
    if (e > -64) {
      uint64_t mant;
      std::memcpy(&mant, &s, 8);
      if (e < 0) mant &= ~((uint64_t{1} << -e) - 1);
      std::memcpy(&above, &mant, 8);
      std::memcpy(reinterpret_cast<char*>(&above) + 8, reinterpret_cast<const char*>(&s) + 8, 2);
    }
  }
  const volatile LD g = (one + above) + ((s - above) + t);
  const LD r2 = (g - one) * Pow2(-16382);  // exact
  return r2 == 0 ? one * 0.0L : r2;
}

// The result of the work: hi + lo times 2^n, rounded once in the caller's
// mode. `inexact`: the value is known to be no exact one, whatever the last
// rounding says, and a subnormal one underflows.
LD Finish(DD r, int n, bool inexact) {
  LD s;
  if (n < -16382 && __builtin_fabsl(r.hi) * Pow2(n + 16382 < -16000 ? -16000 : n + 16382) < 1) {
    s = Subnormal(r, n);
  } else {
    const volatile LD v = r.hi + r.lo;
    s = v;
    if (n > 16383) {
      s = s * Pow2(16383) * Pow2(n > 32000 ? 16383 : n - 16383);
    } else if (n < -16382) {
      s = s * Pow2(n + 16382) * Pow2(-16382);  // the result is normal
    } else if (n != 0) {
      s = s * Pow2(n);
    }
  }
  const volatile LD stored = s;
  s = stored;
  if (inexact) {
    mathflag::Inexact();
    if (__builtin_fabsl(s) < std::numeric_limits<LD>::min()) mathflag::Underflow();
  }
  return s;
}

// An overflow or underflow told before any work: the mode's result, its
// flags, and ERANGE where it is an infinity or a zero.
LD Overflow(bool negative) {
  const LD r = mathflag::OverflowTo<LD>(negative);
  if (__builtin_isinf(r)) SetErrno(linux::kERANGE);
  return r;
}
LD Underflow(bool negative) {
  const LD r = mathflag::UnderflowTo<LD>(negative);
  if (r == 0) SetErrno(linux::kERANGE);
  return r;
}
// ERANGE for a result that overflowed or underflowed to zero in the final
// rounding.
LD Ranged(LD r) {
  if (r == 0 || __builtin_isinf(r)) SetErrno(linux::kERANGE);
  return r;
}

bool IsNan(LD x) { return x != x; }
bool IsInf(LD x) { return __builtin_isinf(x); }

// A positive number below half an ulp of a, for a result known to lie just
// beside a: it decides the rounding in a directed mode. Computed without
// underflowing; none for the least normal numbers and the subnormal ones,
// whose ulp is too near the least number there is.
LD Beside(LD a) { return a >= 0x1p-16000L ? a * 0x1p-80L : 0; }

// ---- 2^x ------------------------------------------------------------------
//
// x = n + j/32 + f with |f| <= 1/64: 2^(j/32) from the table, and
// 2^f = e^t with t = f ln 2, |t| < 0.0109, by its Taylor series.

constexpr DD kExp2Table[32] = {
    {0x8000000000000000p-63L, 0.0L},
    {0x82cd8698ac2ba1d7p-63L, 0xf8a91d6d19482ffdp-129L},
    {0x85aac367cc487b15p-63L, -0xe8da91cf7aacf938p-129L},
    {0x88980e8092da8527p-63L, 0xbbf1aed9318ceac6p-128L},
    {0x8b95c1e3ea8bd6e7p-63L, -0x8373af14eb586dfdp-132L},
    {0x8ea4398b45cd53c0p-63L, 0xb70051321e0f5317p-129L},
    {0x91c3d373ab11c336p-63L, 0xfd6d8e0ae5ac9d82p-131L},
    {0x94f4efa8fef70961p-63L, 0xba2beb4495477951p-129L},
    {0x9837f0518db8a96fp-63L, 0x8d5a46305c85ededp-128L},
    {0x9b8d39b9d54e5539p-63L, -0xbaafd0bab86781c2p-128L},
    {0x9ef5326091a111aep-63L, -0xbeddc1ec288c045dp-128L},
    {0xa27043030c496819p-63L, -0xc90bf620fe6042b1p-128L},
    {0xa5fed6a9b15138eap-63L, 0xe5ebfb10b88380d9p-130L},
    {0xa9a15ab4ea7c0ef8p-63L, 0xa83c49d86a63f4e6p-128L},
    {0xad583eea42a14ac6p-63L, 0x93015191eb345d89p-128L},
    {0xb123f581d2ac2590p-63L, -0xf05f902d25bd44e3p-128L},
    {0xb504f333f9de6484p-63L, 0xb2fb1366ea957d3ep-128L},
    {0xb8fbaf4762fb9ee9p-63L, 0xdc3cbbc2b35b2d0dp-130L},
    {0xbd08a39f580c36bfp-63L, -0xaefdc09325e0a10cp-128L},
    {0xc12c4cca66709456p-63L, 0xf88afab34a010f6bp-128L},
    {0xc5672a115506daddp-63L, 0xf8ab432593767cdep-129L},
    {0xc9b9bd866e2f27a3p-63L, -0xfe3c0dabf5dd2d04p-128L},
    {0xce248c151f8480e4p-63L, -0xee53e3835069c895p-130L},
    {0xd2a81d91f12ae45ap-63L, 0x912472be1ef20143p-130L},
    {0xd744fccad69d6af4p-63L, 0xe69a2ee640b4ff78p-129L},
    {0xdbfbb797daf23755p-63L, 0xf610356a78a6a991p-129L},
    {0xe0ccdeec2a94e111p-63L, 0xcb12a091ba667944p-132L},
    {0xe5b906e77c8348a8p-63L, 0xf2f47a5276dd8765p-130L},
    {0xeac0c6e7dd24392fp-63L, -0xbf4a29323e46ac15p-129L},
    {0xefe4b99bdcdaf5cbp-63L, 0x8cac39ed291b7226p-128L},
    {0xf5257d152486cc2cp-63L, 0xf73a18f5db301f87p-128L},
    {0xfa83b2db722a033ap-63L, 0xf84b762862baff99p-128L},
};

// e^t - 1 for |t| < 0.011: t + t^2/2 exactly as pairs, the rest from
// t^3/3! to t^11/11! (the next term is below 2^-96 of the result).
constexpr LD kExpTail[] = {1.0L / 6,      1.0L / 24,      1.0L / 120,
                           1.0L / 720,    1.0L / 5040,    1.0L / 40320,
                           1.0L / 362880, 1.0L / 3628800, 1.0L / 39916800};

DD ExpM1Small(DD t) {
  LD tail = 0;
  for (size_t k = sizeof kExpTail / sizeof kExpTail[0]; k-- > 0;) tail = tail * t.hi + kExpTail[k];
  tail *= t.hi * t.hi * t.hi;
  const DD sq = TwoProd(t.hi, t.hi);
  const DD half = FastTwoSum(sq.hi * 0.5L, sq.lo * 0.5L + t.hi * t.lo + tail);
  return Add(t, half);
}

// 2^x = r 2^n for |x.hi| below 2^15.
struct Scaled {
  DD r;
  int n;
};
Scaled Exp2(DD x) {
  const LD shifted = x.hi * 32 + kToInteger;
  const LD k = shifted - kToInteger;
  const int ik = LowInteger(shifted);
  const int j = ik & 31;
  const DD f = TwoSum(x.hi - k / 32, x.lo);  // the difference is exact
  const DD e = ExpM1Small(Mul(f, kLn2));
  const DD t = kExp2Table[j];
  return {Add(t, Mul(t, e)), (ik - j) / 32};
}

// e^x as a plain pair, for |x| below 64.
DD ExpPair(LD x) {
  const Scaled s = Exp2(Mul(kLog2E, x));
  const LD scale = Pow2(s.n);
  return {s.r.hi * scale, s.r.lo * scale};
}

// e^x - 1 as a pair for 0 <= x < 64.
DD ExpM1Pair(LD x) {
  if (x < 0.0108L) return ExpM1Small({x, 0});
  return Add(ExpPair(x), -1.0L);
}

// ---- log2 x ---------------------------------------------------------------
//
// x = m 2^e with m in [0.75, 1.5); r from the table is 1/m rounded to 24
// bits (m times it is exact as a pair), and log2 m = -log2 r + ln(1+z)/ln 2
// with z = m r - 1, |z| <= 1/96.
struct LogEntry {
  float r;
  LD hi, lo;
};
constexpr LogEntry kLogTable[49] = {
    {0x1.555556p0f, -0xd47fccfd5cc8e724p-65L, 0xb6aa4e649320e712p-131L},
    {0x1.4e5e0ap0f, -0xc544bf5813d80eb0p-65L, -0xf1d751710c64e745p-130L},
    {0x1.47ae14p0f, -0xb6587a2e2eee5e21p-65L, -0xd14db11ce17fdb06p-130L},
    {0x1.414142p0f, -0xa7b7df4d0a78c3cep-65L, 0x999229cee0011c73p-131L},
    {0x1.3b13b2p0f, -0x995ff8e931069a4ep-65L, -0xa052d234e5af2045p-130L},
    {0x1.3521dp0f, -0x8b4e0353c9c5d5d8p-65L, -0xf216d80f7048360bp-130L},
    {0x1.2f684cp0f, -0xfafec600dc2cc256p-66L, 0xc45bc42f6ce56749p-134L},
    {0x1.29e412p0f, -0xdfe33a2f2c2a1ff8p-66L, 0x8b9d68acef4cce8dp-133L},
    {0x1.24924ap0f, -0xc544c4a9fb4aebddp-66L, 0xfe67be671cc24c9bp-133L},
    {0x1.1f7048p0f, -0xab1ee208a7a0ae36p-66L, 0xa573e25dd3d52efcp-131L},
    {0x1.1a7b96p0f, -0x916d6db904871f06p-66L, 0x8c36237719f67c0dp-132L},
    {0x1.15b1e6p0f, -0xf058d7a3ed084662p-67L, -0xa95d00d5d5119295p-132L},
    {0x1.111112p0f, -0xbeb02ecfcd123b31p-67L, 0xfced69fed9919fcap-132L},
    {0x1.0c9714p0f, -0x8dd98a5e09286994p-67L, 0xa3c0236d2889f4a3p-133L},
    {0x1.08421p0f, -0xbb9c9ac427113285p-68L, 0xfa2d729cf5ca0e5ep-134L},
    {0x1.041042p0f, -0xba1fa0ea33e90c48p-69L, -0xf6d01ef08d3e4ce7p-135L},
    {0x1p0f, 0.0L, 0.0L},
    {0x1.f81f82p-1f, 0xb73cb3756c562469p-69L, -0xa476b8a6620214e3p-134L},
    {0x1.f07c2p-1f, 0xb5d69021d43c8671p-68L, 0xe6d806f3dc79d0c4p-135L},
    {0x1.e9131ap-1f, 0x8759c97f3cef798ap-67L, -0x851b8f394f5dbacap-133L},
    {0x1.e1e1e2p-1f, 0xb31fb71d9e5d9050p-67L, -0xc6f736c372e75b6bp-132L},
    {0x1.dae608p-1f, 0xde420e6a1a369496p-67L, 0xe49e7019ef48a8d2p-134L},
    {0x1.d41d42p-1f, 0x8462c3dc5422c42ap-66L, 0xa00bf84d6b2f74f2p-132L},
    {0x1.cd8568p-1f, 0x995750e16f050083p-66L, 0x9536106578e32a12p-131L},
    {0x1.c71c72p-1f, 0xae00d11734791f2cp-66L, -0xe7cd17ca46c0c1a0p-131L},
    {0x1.c0e07p-1f, 0xc2615f3a2258ccd5p-66L, 0x99917de6e69c546ap-131L},
    {0x1.bacf92p-1f, 0xd67aef157e24d2fcp-66L, 0xe0aa2ae35e880c94p-133L},
    {0x1.b4e81cp-1f, 0xea4f7009698bb1c5p-66L, -0x8e6be1250b6d066ep-131L},
    {0x1.af286cp-1f, 0xfde0b50f6905334cp-66L, -0xb5c95be4c1107f1bp-132L},
    {0x1.a98ef6p-1f, 0x88983ee222ff6105p-65L, 0x892513bf301aeee0p-131L},
    {0x1.a41a42p-1f, 0x92203cb6db46198ep-65L, -0xe40b2cf77a5ee96ep-132L},
    {0x1.9ec8eap-1f, 0x9b89253d872bd2bdp-65L, -0x8d1c77f821c10481p-130L},
    {0x1.99999ap-1f, 0xa4d3c1a5bea145abp-65L, 0xf1a09dbb5191d714p-130L},
    {0x1.948b1p-1f, 0xae00d1738996ae14p-65L, 0x8c72046b10fd0db9p-130L},
    {0x1.8f9c18p-1f, 0xb711103a91fb6a68p-65L, -0xb642c793c306bd0bp-130L},
    {0x1.8acb9p-1f, 0xc0052ce65a771941p-65L, -0xa002dc953b967865p-130L},
    {0x1.861862p-1f, 0xc8ddd36223ee7604p-65L, -0x917c5dda5d30fef7p-130L},
    {0x1.818182p-1f, 0xd19baf619b950667p-65L, -0xaae1490a63bc62adp-130L},
    {0x1.7d05f4p-1f, 0xda3f5fe7eea3d0e9p-65L, -0x8569c215fce25391p-135L},
    {0x1.78a4c8p-1f, 0xe2c97d9775697fbcp-65L, 0xa339d105e0ac5648p-130L},
    {0x1.745d18p-1f, 0xeb3a9d9042da818fp-65L, -0xe3d61fc1ed2ba2fap-132L},
    {0x1.702e06p-1f, 0xf3935490459deedcp-65L, 0x9671502f89a98222p-130L},
    {0x1.6c16c2p-1f, 0xfbd42a1a4396902fp-65L, 0xa636e7a0b97a7f40p-130L},
    {0x1.681682p-1f, 0x81fed3c0ed2a2f95p-64L, -0x8ce36055d580c052p-129L},
    {0x1.642c86p-1f, 0x8608279347704af3p-64L, 0x8e1d9ed984c5d349p-130L},
    {0x1.605816p-1f, 0x8a064fdad47bf647p-64L, 0xc46450ebf8dd07d6p-131L},
    {0x1.5c9882p-1f, 0x8df989b8e35f7f2ep-64L, -0xe55c102570c5b935p-129L},
    {0x1.58ed24p-1f, 0x91e20d97c4899432p-64L, 0x9b6ce1f4da4e9cf6p-133L},
    {0x1.555556p-1f, 0x95c01981519b8c6ep-64L, 0xb6aa4e649320e712p-131L},
};

// ln(1+z) = z - z^2/2 + z^3/3 - z^4/4 + z^5 (1/5 - z/6 + ... - z^11/16):
// the first four terms as pairs, the rest (below 2^-38) in long double.
constexpr LD kLogTail[] = {1.0L / 5,   -1.0L / 6,  1.0L / 7,   -1.0L / 8,
                           1.0L / 9,   -1.0L / 10, 1.0L / 11,  -1.0L / 12,
                           1.0L / 13,  -1.0L / 14, 1.0L / 15,  -1.0L / 16};

// For finite x > 0.
DD Log2(LD x) {
  int e;
  LD m = Unpack(x, &e);
  if (m >= 1.5L) {
    m *= 0.5L;
    ++e;
  }
  const LogEntry& entry = kLogTable[LowInteger(m * 64 + kToInteger) - 48];
  const DD p = TwoProd(m, entry.r);
  const DD z = TwoSum(p.hi - 1, p.lo);
  LD tail = 0;
  for (size_t k = sizeof kLogTail / sizeof kLogTail[0]; k-- > 0;) tail = tail * z.hi + kLogTail[k];
  DD acc = TwoSum(-0.25L, z.hi * tail);
  acc = Add(kThird, Mul(z, acc));
  acc = Add(Mul(z, acc), -0.5L);
  acc = Add(Mul(z, acc), 1.0L);
  const DD ln = Mul(z, acc);
  const DD sum = Add(TwoSum(static_cast<LD>(e), entry.hi), entry.lo);
  return Add(sum, Mul(ln, kLog2E));
}

// m^n exactly, as an unevaluated pair, while it has at most 128 bits: by
// 32-bit limbs. A tie between two long doubles (257^8 has 65 bits) is
// rounded as the mode asks only from the exact value.
bool BigPower(uint64_t m, unsigned n, DD* r) {
  uint32_t acc[4] = {1, 0, 0, 0};
  const uint32_t f[2] = {static_cast<uint32_t>(m), static_cast<uint32_t>(m >> 32)};
  for (unsigned i = 0; i < n; ++i) {
    uint32_t out[6] = {};
    for (int a = 0; a < 4; ++a) {
      uint64_t carry = 0;
      for (int b = 0; b < 2; ++b) {
        const uint64_t t = uint64_t{acc[a]} * f[b] + out[a + b] + carry;
        out[a + b] = static_cast<uint32_t>(t);
        carry = t >> 32;
      }
      for (int c = a + 2; carry != 0 && c < 6; ++c) {
        const uint64_t t = uint64_t{out[c]} + carry;
        out[c] = static_cast<uint32_t>(t);
        carry = t >> 32;
      }
    }
    if (out[4] != 0 || out[5] != 0) return false;
    std::memcpy(acc, out, sizeof acc);
  }
  // Both halves exact; Finish rounds their sum once, in any mode.
  const uint64_t high = (uint64_t{acc[3]} << 32) | acc[2];
  const uint64_t low = (uint64_t{acc[1]} << 32) | acc[0];
  *r = {static_cast<LD>(high) * 0x1p64L, static_cast<LD>(low)};
  return true;
}

// x = m 2^e with m an odd integer, for finite x != 0.
uint64_t OddPart(LD x, int* e) {
  const LD norm = Unpack(__builtin_fabsl(x), e);
  uint64_t mant;
  std::memcpy(&mant, &norm, 8);
  *e -= 63;
  while ((mant & 1) == 0) {
    mant >>= 1;
    ++*e;
  }
  return mant;
}

}  // namespace
}  // namespace tblibc

using tblibc::DD;
using tblibc::LD;

// ---- Exponentials ---------------------------------------------------------
//
// The Linux C library answers ±0 exactly, the infinities and NaN without a
// flag, and an overflow or underflow with ERANGE; every other result is
// flagged INEXACT but exp2l's of an integer.

namespace tblibc {
namespace {

// 2^(x * factor) for finite x, with the thresholds `over` and `under` of x
// beyond which the result overflows or is zero in every mode.
LD ExpBase(LD x, DD factor, LD over, LD under, bool inexact) {
  if (x > over) return Overflow(false);
  if (x < under) return Underflow(false);
  Held held(&x);
  const DD w = factor.lo == 0 && factor.hi == 1 ? DD{x, 0} : Mul(factor, x);
  Scaled s = Exp2(w);
  held.Release(&s.r);
  return Ranged(Finish(s.r, s.n, inexact));
}

bool Special(LD x, LD* r) {
  if (IsNan(x)) {
    *r = x + x;
    return true;
  }
  if (IsInf(x)) {
    *r = x > 0 ? x : 0;
    return true;
  }
  if (x == 0) {
    *r = 1;
    return true;
  }
  return false;
}

}  // namespace
}  // namespace tblibc

extern "C" {

long double tblibc_expl(long double x) {
  LD r;
  if (tblibc::Special(x, &r)) return r;
  return tblibc::ExpBase(x, tblibc::kLog2E, 11400, -11500, true);
}

long double tblibc_exp2l(long double x) {
  LD r;
  if (tblibc::Special(x, &r)) return r;
  // 2^k is exact, but flagged INEXACT and UNDERFLOW where it is subnormal,
  // as the Linux C library does.
  return tblibc::ExpBase(x, {1, 0}, 16400, -16500, tblibc_truncl(x) != x || x < -16382);
}

long double tblibc_exp10l(long double x) {
  LD r;
  if (tblibc::Special(x, &r)) return r;
  // 10^k = 5^k 2^k from the exact 5^k, up to 5^55 of 128 bits: exact or
  // rounded once in any mode. Flagged all the same, as the Linux C library
  // does.
  if (x >= 1 && x <= 55 && tblibc_truncl(x) == x) {
    DD p;
    tblibc::BigPower(5, static_cast<unsigned>(x), &p);
    return tblibc::Finish(p, static_cast<int>(x), true);
  }
  return tblibc::ExpBase(x, tblibc::kLog2Of10, 5000, -5000, true);
}

long double tblibc_expm1l(long double x) {
  using namespace tblibc;
  if (IsNan(x)) return x + x;
  if (IsInf(x)) return x > 0 ? x : -1;
  // Below 2^-64 the answer is x itself, unflagged but for a subnormal x,
  // as the Linux C library gives it.
  if (__builtin_fabsl(x) < 0x1p-64L) {
    if (x != 0 && __builtin_fabsl(x) < std::numeric_limits<LD>::min()) mathflag::Underflow();
    return x;
  }
  if (x > 11400) return Overflow(false);
  // -1 exactly and unflagged from -128 down, as the Linux C library has it.
  if (x <= -128) return -1;
  if (x < -64) return Finish({-1, 0x1p-100L}, 0, true);
  Held held(&x);
  DD r;
  int n = 0;
  if (__builtin_fabsl(x) < 0.0108L) {
    r = ExpM1Small({x, 0});
  } else {
    const Scaled s = Exp2(Mul(kLog2E, x));
    n = s.n;
    // e^x - 1 = (r - 2^-n) 2^n; past 2^-200 the one is no longer seen.
    r = n < 200 ? Add(s.r, -Pow2(-n)) : s.r;
  }
  held.Release(&r);
  return Ranged(Finish(r, n, true));
}

// ---- Hyperbolic functions -------------------------------------------------

long double tblibc_tanhl(long double x) {
  using namespace tblibc;
  if (IsNan(x)) return x + x;
  if (IsInf(x)) return x > 0 ? 1 : -1;
  if (x == 0) return x;
  const bool negative = x < 0;
  LD a = __builtin_fabsl(x);
  DD r;
  if (a < 0x1p-33L) {
    r = {a, -Beside(a)};  // tanh x = x - x^3/3 ...
  } else if (a >= 23) {
    r = {1, -0x1p-80L};  // 1 - 2 e^-2x
  } else {
    Held held(&a);
    const DD e = ExpM1Pair(2 * a);
    r = Div(e, Add(e, 2.0L));
    held.Release(&r);
  }
  return Finish(negative ? Neg(r) : r, 0, true);
}

long double tblibc_sinhl(long double x) {
  using namespace tblibc;
  if (IsNan(x)) return x + x;
  if (IsInf(x) || x == 0) return x;
  const bool negative = x < 0;
  LD a = __builtin_fabsl(x);
  if (a > 11400) return Overflow(negative);
  DD r;
  int n = 0;
  if (a < 0x1p-33L) {
    r = {a, Beside(a)};  // sinh x = x + x^3/6 ...
  } else {
    Held held(&a);
    if (a < 48) {
      // (E + E/(E+1)) / 2 with E = e^x - 1: no cancellation near zero.
      const DD e = ExpM1Pair(a);
      r = Add(e, Div(e, Add(e, 1.0L)));
      n = -1;
    } else {
      // e^x / 2; e^-x is below 2^-138 of it.
      const Scaled s = Exp2(Add(Mul(kLog2E, a), -1.0L));
      r = s.r;
      n = s.n;
    }
    held.Release(&r);
  }
  return Ranged(Finish(negative ? Neg(r) : r, n, true));
}

long double tblibc_coshl(long double x) {
  using namespace tblibc;
  if (IsNan(x)) return x + x;
  if (IsInf(x)) return __builtin_fabsl(x);
  LD a = __builtin_fabsl(x);
  // 1 + x^2/2 rounds to one unflagged there in the Linux C library.
  if (a < 0x1p-67L) return 1;
  if (a > 11400) return Overflow(false);
  DD r;
  int n = 0;
  {
    Held held(&a);
    if (a < 48) {
      // 1 + M^2 / (2 (M+1)) with M = e^x - 1: the part beyond one stays
      // exact to its own last bits however small.
      const DD m = ExpM1Pair(a);
      r = Add(Div(Mul(m, m), Mul(Add(m, 1.0L), 2.0L)), 1.0L);
    } else {
      const Scaled s = Exp2(Add(Mul(kLog2E, a), -1.0L));
      r = s.r;
      n = s.n;
    }
    held.Release(&r);
  }
  return Ranged(Finish(r, n, true));
}

}  // extern "C"

// ---- Powers ---------------------------------------------------------------

namespace tblibc {
namespace {

bool IsInteger(LD y) { return !IsInf(y) && tblibc_truncl(y) == y; }
bool IsOdd(LD y) {
  if (!IsInteger(y)) return false;
  const LD half = y * 0.5L;  // exact: no odd integer is that large
  return tblibc_truncl(half) != half;
}

// y = ±1, ±2, ±3: the Linux C library multiplies, by 1/x for a negative
// y, squaring once more than it needs (which tells in the flags: 1.1^1 is
// flagged INEXACT, LDBL_MAX^1 OVERFLOW).
LD SmallPower(LD x, int y) {
  unsigned k = static_cast<unsigned>(y < 0 ? -y : y);
  LD r = 1;
  volatile LD p = y < 0 ? 1 / x : x;
  while (k != 0) {
    if ((k & 1) != 0) r *= p;
    p = p * p;
    k >>= 1;
  }
  if (x == 0 && y < 0) SetErrno(linux::kERANGE);  // a pole
  if (!IsInf(x) && x != 0) Ranged(r);
  return r;
}

// An exact power, told by the x87's own flags: y = k / 2^s with s <= 5,
// x^(1/2^s) by s square roots and then the k-th power by squaring, none of
// them rounded. Found so, the result is right in every rounding mode. In
// the held environment only.
bool ExactPower(LD a, LD y, LD* r) {
  __asm__ volatile("fnclex" : "+m"(a));
  LD t = y;
  for (int s = 0; tblibc_truncl(t) != t; ++s) {
    if (s == 5) return false;
    __asm__("fsqrt" : "+t"(a));
    t *= 2;
  }
  t = __builtin_fabsl(t);
  if (!(t <= 16384)) return false;
  unsigned k = static_cast<unsigned>(t);
  LD p = 1;
  while (k != 0) {
    if ((k & 1) != 0) p *= a;
    k >>= 1;
    if (k != 0) a *= a;
  }
  uint16_t status;
  __asm__ volatile("fnstsw %0" : "=m"(status), "+m"(p));
  *r = p;
  return (status & 0x38) == 0;  // neither inexact, nor overflow or underflow
}

LD DomainNan() {
  SetErrno(linux::kEDOM);
  mathflag::Inexact();
  const volatile LD zero = 0;
  return zero / zero;  // the default NaN, negative, and INVALID
}

}  // namespace
}  // namespace tblibc

extern "C" long double tblibc_powl(long double x, long double y) {
  using namespace tblibc;
  if (y == 0) return 1;
  const bool integral = IsInteger(y);
  if (x == 1) {
    if (!IsNan(y) && !IsInf(y) && !(integral && __builtin_fabsl(y) <= 3)) mathflag::Inexact();
    return 1;
  }
  if (IsNan(x) || IsNan(y)) return x + y;
  if (integral && __builtin_fabsl(y) <= 3) return SmallPower(x, static_cast<int>(y));
  const bool odd = IsOdd(y);
  if (x == 0 || IsInf(x)) {
    // The Linux C library flags INEXACT for -0 and -inf to a fraction.
    if (__builtin_signbit(x) && !integral && !IsInf(y)) mathflag::Inexact();
    const bool negative = __builtin_signbit(x) && odd;
    const bool big = (x == 0) == (y < 0);
    if (x == 0 && y < 0 && !IsInf(y)) {
      SetErrno(linux::kERANGE);
      mathflag::DivByZero();
    }
    const LD inf = std::numeric_limits<LD>::infinity();
    return big ? (negative ? -inf : inf) : (negative ? -0.0L : 0.0L);
  }
  LD a = __builtin_fabsl(x);
  if (IsInf(y)) {
    if (a == 1) return 1;
    return (a < 1) == (y < 0) ? std::numeric_limits<LD>::infinity() : 0;
  }
  if (x < 0 && !integral) return DomainNan();
  const bool negative = x < 0 && odd;
  if (integral && y > 0 && y <= 128) {
    int e;
    DD p;
    if (BigPower(OddPart(a, &e), static_cast<unsigned>(y), &p)) {
      // Flagged INEXACT all the same, as the Linux C library does.
      return Ranged(Finish(negative ? Neg(p) : p, e * static_cast<int>(y), true));
    }
  }
  Held held(&a, &y);
  if (__builtin_fabsl(y) <= 16384 && tblibc_truncl(y * 32) == y * 32) {
    DD p = {0, 0};
    const bool exact = ExactPower(a, y, &p.hi);
    held.Release(&p);
    if (exact) {
      // Flagged INEXACT all the same, as the Linux C library does.
      if (negative) p.hi = -p.hi;
      if (y > 0) return Finish(p, 0, true);
      const volatile LD q = 1 / p.hi;
      return Ranged(Finish({q, 0}, 0, true));
    }
    held = Held(&a, &y);
  }
  const DD l = Log2(a);
  const LD estimate = l.hi * y;
  Scaled s = {{0, 0}, 0};
  if (estimate > -17000 && estimate < 17000) s = Exp2(Mul(l, y));
  held.Release(&s.r);
  if (estimate >= 17000) return Overflow(negative);
  if (estimate <= -17000) return Underflow(negative);
  return Ranged(Finish(negative ? Neg(s.r) : s.r, s.n, true));
}

// ---- Gamma ----------------------------------------------------------------
//
// For z >= 24, ln Gamma(z) = (z - 1/2) ln z - z + ln(2 pi)/2 + S(z) with
// Stirling's series S(z) = sum of B_2k / (2k (2k-1) z^(2k-1)), eleven terms
// leaving less than 2^-92. Below, Gamma(x) = Gamma(x + n) / (x (x+1) ...
// (x+n-1)), the product kept as a pair; below -24, the reflection
// Gamma(x) = pi / (sin(pi x) Gamma(1 - x)).

namespace tblibc {
namespace {

// B_2k / (2k (2k-1)) for k = 3..11 (1/12 and -1/360 are taken as pairs).
constexpr LD kStirling[] = {
    1.0L / 1260,          -1.0L / 1680,        1.0L / 1188,
    -691.0L / 360360,     1.0L / 156,           -3617.0L / 122400,   43867.0L / 244188,
    -174611.0L / 125400,  854513.0L / 63756,
};

// ln Gamma(z) for a pair z >= 24, z.hi below 2^64.
DD LogGammaLarge(DD z) {
  const DD lnz = Add(Mul(Log2(z.hi), kLn2), z.lo / z.hi);
  const DD inv = Div({1, 0}, z);
  const LD inv2 = inv.hi * inv.hi;
  LD tail = 0;
  for (size_t k = sizeof kStirling / sizeof kStirling[0]; k-- > 0;) tail = tail * inv2 + kStirling[k];
  tail *= inv.hi * inv2 * inv2;
  // The first two terms as pairs: 1/(360 z^3) is as large as 2^-22.
  const DD twelfth = {kThird.hi * 0.25L, kThird.lo * 0.25L};
  const DD inv3 = Mul(Mul(inv, inv), inv);
  const DD s = Add(Add(Mul(inv, twelfth), Neg(Div(inv3, {360, 0}))), tail);
  const DD lg = Add(Mul(Add(z, -0.5L), lnz), Neg(z));
  return Add(Add(lg, kHalfLn2Pi), s);
}

// Shifted up to 24: x (x+1) ... (x+n-1) as a pair, and x + n.
struct Shift {
  DD product, z;
  bool shifted;
};
Shift ShiftUp(DD x) {
  Shift s = {{1, 0}, x, false};
  while (s.z.hi < 24) {
    s.product = s.shifted ? Mul(s.product, s.z) : s.z;
    s.shifted = true;
    s.z = Add(s.z, 1.0L);
  }
  return s;
}

// Gamma(x) as r 2^n for a pair x > -24 away from the poles and zero, with
// x.hi below 1800.
Scaled GammaShifted(DD x) {
  const Shift s = ShiftUp(x);
  Scaled g = Exp2(Mul(LogGammaLarge(s.z), kLog2E));
  if (s.shifted) g.r = Div(g.r, s.product);
  return g;
}

// ln v for a pair v > 0.
DD LnPair(DD v) { return Add(Mul(Log2(v.hi), kLn2), v.lo / v.hi); }

// ln |Gamma(x)| for a pair x > -24 away from the poles and zero.
DD LogGammaShifted(DD x) {
  Shift s = ShiftUp(x);
  DD lg = LogGammaLarge(s.z);
  if (s.shifted) lg = Add(lg, Neg(LnPair(s.product.hi < 0 ? Neg(s.product) : s.product)));
  return lg;
}

// sin(pi f) for |f| <= 1/2 as a pair: by the sine or cosine series over
// |pi f| <= pi/4, the first coefficients as pairs.
constexpr DD kSinPairs[] = {
    {-0xaaaaaaaaaaaaaaabp-66L, 0xaaaaaaaaaaaaaaabp-131L},   // -1/3!
    {0x8888888888888889p-70L, -0xeeeeeeeeeeeeeeefp-135L},   // 1/5!
    {-0xd00d00d00d00d00dp-76L, -0xd00d00d00d00d00dp-148L},  // -1/7!
    {0xb8ef1d2ab6399c7dp-82L, 0xac1c88e500171de4p-147L},    // 1/9!
};
constexpr DD kCosPairs[] = {
    {-0x8000000000000000p-64L, 0.0L},                       // -1/2!
    {0xaaaaaaaaaaaaaaabp-68L, -0xaaaaaaaaaaaaaaabp-133L},   // 1/4!
    {-0xb60b60b60b60b60bp-73L, -0xc16c16c16c16c16cp-138L},  // -1/6!
    {0xd00d00d00d00d00dp-79L, 0xd00d00d00d00d00dp-151L},    // 1/8!
};
// The further terms, from 1/11! and 1/10! on, in long double.
constexpr LD kSinTail[] = {-1.0L / 39916800, 1.0L / 6227020800, -1.0L / 1307674368000,
                           1.0L / 355687428096000, -1.0L / 121645100408832000,
                           1.0L / 51090942171709440000.0L};
constexpr LD kCosTail[] = {-1.0L / 3628800, 1.0L / 479001600, -1.0L / 87178291200,
                           1.0L / 20922789888000, -1.0L / 6402373705728000,
                           1.0L / 2432902008176640000.0L};

DD Series(DD a2, const DD* pairs, const LD* tail, size_t tailSize) {
  LD t = 0;
  for (size_t k = tailSize; k-- > 0;) t = t * a2.hi + tail[k];
  DD acc = {t, 0};
  for (size_t k = 4; k-- > 0;) acc = Add(Mul(acc, a2), pairs[k]);
  return Add(Mul(acc, a2), 1.0L);
}

DD SinPi(LD f) {
  const bool negative = f < 0;
  f = __builtin_fabsl(f);
  DD r;
  if (f <= 0.25L) {
    const DD a = Mul(kPi, f);
    r = Mul(a, Series(Mul(a, a), kSinPairs, kSinTail, 6));
  } else {
    const DD a = Mul(kPi, 0.5L - f);  // exact difference
    r = Series(Mul(a, a), kCosPairs, kCosTail, 6);
  }
  return negative ? Neg(r) : r;
}

}  // namespace
}  // namespace tblibc

// Finite x, not zero nor a negative integer, below the overflow and above
// the underflow thresholds (the ends and the errors are math.cpp's Tgamma);
// an infinity or NaN gives the Linux C library's answer.
long double tblibc::TgammaL(long double x) {
  if (IsNan(x)) return x + x;
  if (IsInf(x)) return x > 0 ? x : x - x;
  if (x == 0) return 1 / x;
  if (x == 1) return 1;  // unflagged, as in the Linux C library
  // (x-1)! is exact up to 25! (its odd part has 62 bits); flagged all the
  // same.
  if (x >= 2 && x <= 26 && tblibc_truncl(x) == x) {
    LD p = 1;
    for (int k = 2; k < static_cast<int>(x); ++k) p *= k;
    mathflag::Inexact();
    return p;
  }
  // Gamma(x) = 1/x - gamma + ...: with x = m 2^e, 1/m as a pair scaled by
  // 2^-e (1/x itself may be beyond the range), Euler's constant scaled
  // down.
  if (__builtin_fabsl(x) < 0x1p-70L) {
    Held held(&x);
    int e;
    const LD m = Unpack(__builtin_fabsl(x), &e);
    DD r = Div({x < 0 ? -1.0L : 1.0L, 0}, {m, 0});
    r = Add(r, -0.577215664901532860606512090082402431L * Pow2(e < -16000 ? -16000 : e));
    held.Release(&r);
    return Finish(r, -e, true);
  }
  Held held(&x);
  Scaled g = {{0, 0}, 0};
  if (x > -24) {
    g = GammaShifted({x, 0});
  } else if (x < -1800) {
    // Far below the least subnormal, negative where floor(x) is odd.
    held.Release(&g.r);
    const LD whole = tblibc_floorl(x) * 0.5L;
    return mathflag::UnderflowTo<LD>(tblibc_truncl(whole) != whole);
  } else {
    // Gamma(x) = pi / (sin(pi x) Gamma(1-x)); x = k + f with |f| <= 1/2.
    const LD k = (x + kToInteger) - kToInteger;
    const LD f = x - k;
    DD s = SinPi(f);
    if (tblibc_truncl(k * 0.5L) != k * 0.5L) s = Neg(s);
    const Scaled h = GammaShifted(TwoSum(1, -x));
    g.r = Div(kPi, Mul(s, h.r));
    g.n = -h.n;
  }
  held.Release(&g.r);
  return Finish(g.r, g.n, true);
}

// ---- ln |Gamma| -------------------------------------------------------------
//
// As for Gamma above, in logarithms; beside 1 and 2, where ln Gamma
// vanishes, by its Taylor series: ln Gamma(1+e) = -gamma e + sum over k >= 2
// of (-1)^k zeta(k) e^k / k, and ln Gamma(2+e) adds ln(1+e). Within 2^-16
// of them five terms leave less than 2^-80 of the result; further off the
// pairs are accurate enough.

namespace tblibc {
namespace {

constexpr DD kEuler = {0x93c467e37db0c7a5p-64L, -0xb90701fbfab4d2a5p-130L};
constexpr DD kOneMinusEuler = {0xd8773039049e70b6p-65L, 0xb90701fbfab4d2a5p-130L};
constexpr LD kNearOne[] = {0.822467033424113218236207583323L, -0.40068563438653142846657938717L,
                           0.270580808427784547879000924135L, -0.207385551028673985266273097291L};
constexpr LD kNearTwo[] = {0.322467033424113218236207583323L, -0.0673523010531980951332460538371L,
                           0.0205808084277845478790009241353L, -0.00738555102867398526627309729141L};

// Between -20 and -2, ln|Gamma| vanishes twice in each interval between
// integers, and the pairs above lose there what the result needs. Near
// each zero x0, ln|Gamma(x0 + d)| = c1 d + c2 d^2 + c3 d^3 + c4 d^4 (the
// derivatives of ln|Gamma| there, psi(x0) and on), used where |c1 d| is
// below 2^-20: the next term is below 2^-80 of the sum. The zeros found by
// bisection and the derivatives computed with mpmath at 300 bits; the
// upper zero of each interval first, from (-3, -2) on.
struct LgammaZero {
  DD x0, c1;
  LD c[3];
};
constexpr LgammaZero kLgammaZeros[36] = {
    {{-0x9d3fe4b007c360abp-62L, 0x9b0675072fc769e6p-131L}, {0xc1ff4b357a9af689p-63L, -0xb21346d4d470746bp-128L}, {0x9b775d8017aae4e5p-61L, 0xb4a5302c53c2bee2p-63L, 0x8b8c6be504f2db06p-60L}},
    {{-0xafda0850dec8065ep-62L, -0xcad25a320f575fa6p-127L}, {-0xf5096d48258c6244p-63L, -0x987ccd96757f2456p-133L}, {0x9933f9e132d28dc7p-60L, -0xa0c2d618645f8e0fp-59L, 0xfa8256664f8cd615p-58L}},
    {{-0xc9306de4f2cd7beep-62L, -0xbe699ad3d9ba6545p-128L}, {0xf90532f97d62a6e3p-61L, -0x96392c2fa1037fe2p-127L}, {0xcea694bb8a877b41p-59L, 0xe089b8926ae2d9d7p-57L, 0x933901ebbb586cabp-54L}},
    {{-0xfd238aa3e17f285cp-62L, -0xd4561291236cc321p-128L}, {-0xa5ccecb362b234c7p-59L, 0xe89142bffcdbd907p-124L}, {0xfbb6f57021b5ed4ap-56L, -0xe929acea5979beefp-52L, 0xf47c14f8a0d528a6p-48L}},
    {{-0x814273c2ccac0618p-61L, -0xe7c2c3786044ab06p-126L}, {0xd652e7a490b211a4p-59L, 0xd45c1b1fc20649ffp-124L}, {0xa220ae6c09fc706cp-55L, 0xaacd88d954e3e118p-51L, 0xcb68c710d75ed78fp-47L}},
    {{-0x9fbabbd37757e6a2p-61L, -0xd0aa4076988501d8p-128L}, {-0xe91251f7cf20fb38p-57L, 0xec6af622a1e91867p-123L}, {0xda99e33c51caaec8p-51L, -0x869fbff732e99c33p-44L, 0xba9537ad61392fbap-38L}},
    {{-0xa04352bf85b6c865p-61L, -0x9315b9654e537b32p-126L}, {0xf6b970414d700f01p-57L, 0xf9e99456e357e8d6p-124L}, {0xe7661976117cd9b7p-51L, 0x929ec2b1fb931d46p-44L, 0xd112ef96d3731403p-38L}},
    {{-0xbff497ac8fa06afcp-61L, 0xac4a74d0b38481c7p-126L}, {-0xb30fb521d2f09219p-54L, 0xf211f10fc6651567p-119L}, {0xfbcee5bca7937795p-46L, -0xeb7404450cfff12cp-37L, 0xf7ae9846dfe4b862p-28L}},
    {{-0xc00b592c4be4676cp-61L, -0xf85b2da2c70b970dp-129L}, {0xb4ef24f1d79550cbp-54L, -0xb496f6bc4ccc370ap-119L}, {0xfe711a4267e88305p-46L, 0xef281d1e1be201a0p-37L, 0xfce3da92ac55db6dp-28L}},
    {{-0xdffe5fbb5c377fe8p-61L, 0xa765268f700b7830p-126L}, {-0x9d5fbd2e7548db05p-51L, 0xa11d50bebbb190c1p-116L}, {0xc1a4d12a82116472p-40L, -0x9ec8ed6e4c213ebap-28L, 0x9279eb1b7999cab3p-16L}},
    {{-0xe0019fef6ff0f5bfp-61L, 0xedf48c919e1f5536p-126L}, {0x9da03d51c3de89dap-51L, 0xf2b9a1d8f76bba75p-118L}, {0xc1f42ed57dd6ac19p-40L, 0x9f2a95af1e112df1p-28L, 0x92f21522f482d8b1p-16L}},
    {{-0xffffcbfc0ace7879p-61L, -0xa7a0ad48ac32a74cp-126L}, {-0x9d7bb7f2617d597dp-48L, 0xdb43d19a56c26dc7p-114L}, {0xc1c73b6557891a52p-34L, -0x9ef345992b292d57p-19L, 0x92ae02929863874cp-4L}},
    {{-0x80001a01459fc9f6p-60L, -0xcb3cec1cec857667p-128L}, {0x9d8447f6b3b8bd5fp-48L, 0xa7b1175973b5087cp-113L}, {0xc1d1c49aa876e3eap-34L, 0x9f003c6dc56d22a1p-19L, 0x92bdf64a32128863p-4L}},
    {{-0x8ffffd1c425e8100p-60L, 0xde6c5aa2db698607p-126L}, {-0xb12f6fe31ed97626p-45L, 0xff87dad28ceca552p-110L}, {0xf5460a824053d269p-28L, -0xe2598725e2ae0b3ep-10L, 0xeaff2346ddf814ffp+8L}},
    {{-0x900002e3bb47d86dp-60L, -0xdb087fdb86a3bd6fp-125L}, {0xb130901c8ca200bfp-45L, -0xa17d8d3257eeb580p-110L}, {0xf547997dbfac2d97p-28L, 0xe25baf734715ce7fp-10L, 0xeb021fd0ffd5254bp+8L}},
    {{-0x9fffffb606bdfdcdp-60L, -0xc55cef4a0a8f8d3ap-129L}, {-0xdd7bed2f9bcaea2dp-42L, -0x9e546320489b5df2p-107L}, {0xbf9f43c8fd068daap-21L, -0xdd0c5f7e55531ba3p+0L, 0x8f6f0a3b2ee06227p+22L}},
    {{-0xa0000049f93bb992p-60L, -0xf68bb2bc2a883c06p-125L}, {0xdd7c12d0631d8f70p-42L, -0xc8fc40597c9a66ecp-109L}, {0xbf9f645702f97256p-21L, 0xdd0c97d3152e3db5p+0L, 0x8f6f3af7a18d7cb3p+22L}},
    {{-0xaffffff9466e9f1bp-60L, -0xdb6b34ab6f463417p-126L}, {-0x98453ec756dbdf2bp-38L, -0xa59f6788688dda0cp-103L}, {0xb5249c032dfe902dp-14L, -0x8fa8fb234c0626a3p+11L, 0x802cc9d8bf023684p+36L}},
    {{-0xb0000006b9915316p-60L, 0x9a69640056fc6d05p-126L}, {0x98454138a9227ddcp-38L, -0xcecdcaff679aa4fdp-103L}, {0xb5249eeb12016fd3p-14L, 0x8fa8fe983d3e6bc6p+11L, 0x802ccdf57c39898fp+36L}},
    {{-0xbfffffff70893874p-60L, 0xf0437ca678586d0fp-125L}, {-0xe467dfd795863e81p-35L, -0xd7fce7270e57ba27p-100L}, {0xcbc93101f4c55d84p-7L, -0xf26d2a75e36d5e28p+21L, 0xa238b1d718a51eadp+50L}},
    {{-0xc00000008f76c773p-60L, -0xab3e07812879c3c9p-127L}, {0xe467e0286a79bd02p-35L, 0xf8d92b1853d7177bp-102L}, {0xcbc9314a133aa27cp-7L, 0xf26d2af69434f8acp+21L, 0xa238b249ea4e9f48p+50L}},
    {{-0xcffffffff4f6dcf6p-60L, -0xbfcbd2ffe3abeaa4p-127L}, {-0xb99465fd65a728f5p-31L, -0xe875d91377499d5cp-96L}, {0x8687d170359787c0p+1L, -0x82082df6229d93b3p+33L, 0x8d64eea00f97213bp+65L}},
    {{-0xd00000000b09230ap-60L, 0xfe65f08b91bf0724p-126L}, {0xb99466029a58d705p-31L, -0xf0e94b04afc7cb2cp-98L}, {0x8687d173fbb07840p+1L, 0x82082dfb9b4dadfep+33L, 0x8d64eea7fe5d8f07p+65L}},
    {{-0xdfffffffff36345bp-60L, 0x8c3cf6b83ec5dd12p-125L}, {-0xa261d93fd535e046p-27L, -0xb96058b059586193p-92L}, {0xcdfff8b67f729a0dp+8L, -0xae38f5982dddd1e1p+44L, 0xa5c3f445b5518a0fp+80L}},
    {{-0xe000000000c9cba5p-60L, -0x8bd29cebd8ae31efp-125L}, {0xa261d9402aca1fbap-27L, -0xc6a1857c57299897p-92L}, {0xcdfff8b6ec03a5f3p+8L, 0xae38f598b798631fp+44L, 0xa5c3f446640af307p+80L}},
    {{-0xeffffffffff28c06p-60L, -0xc6604ef30371f89dp-128L}, {-0x983bbbabfd424cf3p-23L, -0xa9d6b2d38ca3e7cfp-88L}, {0xb50df9989276eb0cp+16L, -0x8f8e0edd49287f5ap+56L, 0x800cc3b50bf5304cp+96L}},
    {{-0xf0000000000d73fap-60L, 0xc6642f1bdf07a161p-128L}, {0x983bbbac02bdb30dp-23L, -0xa9e526cafa4507a3p-88L}, {0xb50df99898fc0334p+16L, 0x8f8e0edd50e996f2p+56L, 0x800cc3b5152e1ab1p+96L}},
    {{-0xffffffffffff28c0p-60L, -0xc18cc43ea25ce5cap-125L}, {-0x983bbbabffd324cfp-19L, -0xd53baed8d40a0f37p-85L}, {0xb50df99895841de7p+24L, -0x8f8e0edd4cc9984dp+68L, 0x800cc3b510462f81p+112L}},
    {{-0x8000000000006ba0p-59L, 0xc18cc4bd7b680d89p-125L}, {0x983bbbac002cdb31p-19L, -0xd53bcc5afcd3143ep-85L}, {0xb50df99895eed059p+24L, 0x8f8e0edd4d487dffp+68L, 0x800cc3b510dd1b7cp+112L}},
    {{-0x87fffffffffff9abp-59L, -0x9c47e7a93e1c46a1p-124L}, {-0xa1bf7766bffd233ep-15L, 0xddd100e18c753f3fp-82L}, {0xcc64c6c54102c187p+32L, -0xac3054b4513216d9p+80L, 0xa330c476440ce724p+128L}},
    {{-0x8800000000000655p-59L, 0x9c47e7a97778935ap-124L}, {0xa1bf7766c002dcc2p-15L, 0xddd100a8ea600d42p-82L}, {0xcc64c6c54109fd6fp+32L, 0xac3054b4513b3b06p+80L, 0xa330c47644187450p+128L}},
    {{-0x8fffffffffffffa6p-59L, 0x9e18ee5f6697ba6ap-127L}, {-0xb5f7665397ffd150p-11L, -0xa016f4e072e293c2p-76L}, {0x8157c5c8d325e73dp+41L, -0xf52ad09abda1f52fp+92L, 0x82b326d8d834d2a2p+145L}},
    {{-0x900000000000005ap-59L, -0x9e18ee5f65261d98p-127L}, {0xb5f7665398002eb0p-11L, -0xa016f4e07fb3de29p-76L}, {0x8157c5c8d326299bp+41L, 0xf52ad09abda2b1e3p+92L, 0x82b326d8d83558c4p+145L}},
    {{-0x97fffffffffffffbp-59L, -0x85b25cbf5f545ceep-124L}, {-0xd815c983447ffd08p-7L, 0xe8854d53a79935f4p-72L}, {0xb664c5e831c09f5ep+49L, -0xcd4611190fb6dd65p+105L, 0x81f371115d23f043p+162L}},
    {{-0x9800000000000005p-59L, 0x85b25cbf5f547e48p-124L}, {0xd815c983448002f8p-7L, 0xe8854d53a78e3a81p-72L}, {0xb664c5e831c0a462p+49L, 0xcd4611190fb6e5ddp+105L, 0x81f371115d23f769p+162L}},
    {{-0xa000000000000000p-59L, 0xf2a15d2010112853p-125L}, {-0x870d9df20acfffe8p-2L, 0xa821ee6ed412d994p-68L}, {0x8e7eba9d66de7e5ep+58L, -0xc8766cb279589821p+118L, 0x9ea1ab85b23262eep+179L}},
};

bool NearZero(LD x, DD* r) {
  if (!(x > -20 && x < -2)) return false;
  const int k = static_cast<int>(-x);
  for (int i = 0; i < 2; ++i) {
    const LgammaZero& z = kLgammaZeros[2 * (k - 2) + i];
    const DD d = TwoSum(x - z.x0.hi, -z.x0.lo);  // the difference is exact
    if (!(__builtin_fabsl(d.hi * z.c1.hi) < 0x1p-20L)) continue;
    const LD p = z.c[0] + d.hi * (z.c[1] + d.hi * z.c[2]);
    *r = Mul(Add(z.c1, d.hi * p), d);
    return true;
  }
  return false;
}

// ln Gamma(base + e), |e| < 2^-16, base 1 or 2.
DD NearOneOrTwo(LD e, bool two) {
  const LD* c = two ? kNearTwo : kNearOne;
  const LD tail = e * e * (c[0] + e * (c[1] + e * (c[2] + e * c[3])));
  return Add(two ? Mul(kOneMinusEuler, e) : Mul(kEuler, -e), tail);
}

}  // namespace
}  // namespace tblibc

long double tblibc::LgammaL(long double x, int32_t* sign) {
  *sign = 1;
  if (IsNan(x)) return x + x;
  if (IsInf(x)) return __builtin_fabsl(x);
  if (x == 0 || (x < 0 && tblibc_truncl(x) == x)) {
    // A pole: the sign is the zero's, and + at the negative integers.
    SetErrno(linux::kERANGE);
    mathflag::DivByZero();
    if (x == 0 && __builtin_signbit(x)) *sign = -1;
    return std::numeric_limits<LD>::infinity();
  }
  if (x < 0) {
    const LD half = tblibc_floorl(x) * 0.5L;  // Gamma < 0 where floor(x) is odd
    if (tblibc_truncl(half) != half) *sign = -1;
  }
  if (x == 1 || x == 2) return 0;  // exactly, unflagged
  LD a = __builtin_fabsl(x);
  Held held(&a, &x);
  DD r;
  int n = 0;
  if (a < 0x1p-70L) {
    r = Neg(Mul(Log2(a), kLn2));  // ln Gamma(x) = -ln|x| - gamma x ...
  } else if (__builtin_fabsl(x - 1) < 0x1p-16L) {
    r = NearOneOrTwo(x - 1, false);
  } else if (__builtin_fabsl(x - 2) < 0x1p-16L) {
    r = NearOneOrTwo(x - 2, true);
  } else if (x > 0x1p100L) {
    // x (ln x - 1); the rest is below an ulp. As m 2^e times it: the
    // product may be beyond the range.
    int e;
    const LD m = Unpack(x, &e);
    r = Mul(Add(Mul(Log2(x), kLn2), -1.0L), m);
    n = e;
  } else if (NearZero(x, &r)) {
  } else if (x > -24) {
    r = LogGammaShifted({x, 0});
  } else {
    // ln pi - ln|sin(pi x)| - ln Gamma(1-x), x = k + f with |f| <= 1/2.
    const LD k = (x + kToInteger) - kToInteger;
    const DD s = SinPi(x - k);
    r = Add(Add(LnPair(kPi), Neg(LnPair(s.hi < 0 ? Neg(s) : s))),
            Neg(LogGammaLarge(TwoSum(1, -x))));
  }
  held.Release(&r);
  return Ranged(Finish(r, n, true));
}
