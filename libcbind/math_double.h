// Double and float functions computed in the x87's precision and rounded
// once (math_double.cpp).
#pragma once

#include <cstdint>

extern "C" {
double tblibc_atan(double x);
double tblibc_acos(double x);
double tblibc_sinh(double x);
double tblibc_cosh(double x);
float tblibc_coshf(float x);
double tblibc_tanh(double x);
double tblibc_asinh(double x);
double tblibc_acosh(double x);
double tblibc_expm1(double x);
double tblibc_log10(double x);
float tblibc_logf(float x);
float tblibc_log2f(float x);
double tblibc_cbrt(double x);
double tblibc_erfc(double x);
double tblibc_tgamma(double x);
float tblibc_tgammaf(float x);
double tblibc_lgamma_r(double x, int32_t* sign);
float tblibc_lgammaf_r(float x, int32_t* sign);
}
