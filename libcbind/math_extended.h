// Long double exponentials, powers and Gamma, ours on both ports
// (math_extended.cpp).
#pragma once

#include <cstdint>

extern "C" {
long double tblibc_expl(long double x);
long double tblibc_exp2l(long double x);
long double tblibc_exp10l(long double x);
long double tblibc_expm1l(long double x);
long double tblibc_powl(long double x, long double y);
long double tblibc_tanhl(long double x);
long double tblibc_sinhl(long double x);
long double tblibc_coshl(long double x);
}

namespace tblibc {
// Gamma of a finite x short of the overflow and underflow thresholds and
// the poles; math.cpp's Tgamma answers those.
long double TgammaL(long double x);
// ln |Gamma(x)|, the sign of Gamma in *sign; all of lgammal_r but signgam.
long double LgammaL(long double x, int32_t* sign);
}  // namespace tblibc
