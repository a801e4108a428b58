// Raising the floating-point exception flags the Linux C library's libm
// leaves where a host's libm leaves none: by real arithmetic, so the flag
// lands in the status word the host computes with and a program that
// unmasked the exception traps here as it would there. fetestexcept reads
// the x87 and SSE flags together.
#pragma once

#include <cfloat>
#include <cstdint>
#include <limits>

namespace tblibc::mathflag {

// Volatile: the compiler would fold the operations away.
inline void Invalid() {
  volatile double zero = 0.0;
  volatile double r = zero / zero;
  (void)r;
}
inline void DivByZero() {
  volatile double one = 1.0, zero = 0.0;
  volatile double r = one / zero;
  (void)r;
}
// Stored as a double: in the x87's 64-bit precision only the store
// overflows or underflows.
inline void Overflow() {  // and inexact
  volatile double big = DBL_MAX;
  volatile double r = big * big;
  (void)r;
}
inline void Underflow() {  // and inexact
  volatile double tiny = DBL_MIN;
  volatile double r = tiny * tiny;
  (void)r;
}
inline void Inexact() {
  volatile double one = 1.0, tiny = 0x1p-100;
  volatile double r = one + tiny;
  (void)r;
}

// The result of an overflow or underflow as the rounding mode gives it (the
// largest finite number rounding toward zero, the least subnormal rounding
// away from it), with its flags: one host answers an infinity or a zero in
// every mode.
template <typename T>
T OverflowTo(bool negative) {
  const volatile T big = negative ? -std::numeric_limits<T>::max() : std::numeric_limits<T>::max();
  const volatile T r = big * std::numeric_limits<T>::max();
  return r;
}
template <typename T>
T UnderflowTo(bool negative) {
  const volatile T tiny = negative ? -std::numeric_limits<T>::min() : std::numeric_limits<T>::min();
  const volatile T r = tiny * std::numeric_limits<T>::min();
  return r;
}

// Our kernels compute in round-to-nearest and the x87's full 64 bits,
// where they are exact or accurate, whatever precision and mode the program
// set; only the final rounding follows the caller's mode. The x87's control
// word alone: they compute in the x87.
class NearestRounding {
 public:
  // Loading the control word costs more than the rest of a cheap kernel:
  // only when the program changed it.
  NearestRounding() {
    __asm__ volatile("fnstcw %0" : "=m"(saved_));
    switched_ = (saved_ & 0x0f00) != 0x0300;
    const uint16_t nearest = (saved_ & ~0x0c00) | 0x0300;
    if (switched_) __asm__ volatile("fldcw %0" : : "m"(nearest));
  }
  ~NearestRounding() {
    if (switched_) __asm__ volatile("fldcw %0" : : "m"(saved_));
  }
  NearestRounding(const NearestRounding&) = delete;
  NearestRounding& operator=(const NearestRounding&) = delete;

 private:
  uint16_t saved_;
  bool switched_;
};

// INEXACT as the x87 records it, and taking back what arithmetic on the
// way to an exact answer raised (fnstenv/fldenv: the flags live in the
// status word alone; this code does not compute in SSE).
inline bool InexactRaised() {
  uint16_t status;
  __asm__ volatile("fnstsw %0" : "=am"(status));
  return (status & 0x20) != 0;
}
inline void ForgetInexact() {
  struct {
    uint16_t control, unused1, status, unused2;
    uint32_t rest[5];
  } env;
  __asm__ volatile("fnstenv %0" : "=m"(env));
  env.status &= ~0x20;
  __asm__ volatile("fldenv %0" : : "m"(env));
}

// A wide result rounded to T in the caller's mode, through memory (a
// register would keep the x87's precision), raising the flags of it.
template <typename T>
T RoundTo(long double wide) {
  const volatile T narrow = static_cast<T>(wide);
  return narrow;
}

}  // namespace tblibc::mathflag
