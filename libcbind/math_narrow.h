// Functions computed in long double and rounded once (math_narrow.cpp).
#pragma once

extern "C" {
float tblibc_asinhf(float x);
float tblibc_atanhf(float x);
float tblibc_expm1f(float x);
float tblibc_cbrtf(float x);
float tblibc_erfcf(float x);
float tblibc_hypotf(float x, float y);
double tblibc_exp(double x);
double tblibc_hypot(double x, double y);
long double tblibc_hypotl(long double x, long double y);
double tblibc_asin(double x);
long double tblibc_asinl(long double x);
long double tblibc_acoshl(long double x);
long double tblibc_acosl(long double x);
}
