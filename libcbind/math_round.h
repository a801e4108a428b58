// Rounding to integers, modf, fdim, lround and llround, exact and by the bits (math_round.cpp).
#pragma once

#include <cstdint>

extern "C" {
double tblibc_floor(double x);
float tblibc_floorf(float x);
long double tblibc_floorl(long double x);
double tblibc_ceil(double x);
float tblibc_ceilf(float x);
long double tblibc_ceill(long double x);
double tblibc_trunc(double x);
float tblibc_truncf(float x);
long double tblibc_truncl(long double x);
double tblibc_round(double x);
float tblibc_roundf(float x);
long double tblibc_roundl(long double x);
double tblibc_modf(double x, double* whole);
float tblibc_modff(float x, float* whole);
long double tblibc_modfl(long double x, long double* whole);
double tblibc_fdim(double x, double y);
float tblibc_fdimf(float x, float y);
long double tblibc_fdiml(long double x, long double y);
int32_t tblibc_lround(double x);
int32_t tblibc_lroundf(float x);
int32_t tblibc_lroundl(long double x);
int64_t tblibc_llround(double x);
int64_t tblibc_llroundf(float x);
int64_t tblibc_llroundl(long double x);
}
