// libm functions of our own where the hosts' differ from the Linux C
// library: fma in every precision (math_fma.cpp), cbrtl, atanhl, erfl and
// erfcl (math_ldmisc.cpp).
#pragma once

extern "C" {
double tblibc_fma(double x, double y, double z);
float tblibc_fmaf(float x, float y, float z);
long double tblibc_fmal(long double x, long double y, long double z);
}

extern "C" {
long double tblibc_cbrtl(long double x);
long double tblibc_atanhl(long double x);
long double tblibc_erfl(long double x);
long double tblibc_erfcl(long double x);
}
