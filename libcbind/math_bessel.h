// Bessel functions of the first and second kind (math_bessel.cpp).
#pragma once

#include <cstdint>

extern "C" {
double tblibc_j0(double x);
double tblibc_j1(double x);
double tblibc_jn(int32_t n, double x);
double tblibc_y0(double x);
double tblibc_y1(double x);
double tblibc_yn(int32_t n, double x);
float tblibc_j0f(float x);
float tblibc_j1f(float x);
float tblibc_jnf(int32_t n, float x);
float tblibc_y0f(float x);
float tblibc_y1f(float x);
float tblibc_ynf(int32_t n, float x);
long double tblibc_j0l(long double x);
long double tblibc_j1l(long double x);
long double tblibc_jnl(int32_t n, long double x);
long double tblibc_y0l(long double x);
long double tblibc_y1l(long double x);
long double tblibc_ynl(int32_t n, long double x);
}
