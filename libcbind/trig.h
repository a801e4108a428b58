// sin, cos and tan with an exact reduction of the argument (trig.cpp).
#pragma once

#include <cstdint>

namespace tblibc::trig {

// x = quadrant * pi/2 + r (mod 2 pi), |r| <= pi/4, for x >= 0 and finite.
struct Reduced {
  int quadrant;
  long double r;
};
Reduced Reduce(long double x);

long double Sin(long double x);
long double Cos(long double x);
long double Tan(long double x);
void SinCos(long double x, long double* sine, long double* cosine);

}  // namespace tblibc::trig

extern "C" {
double tblibc_sin(double x);
float tblibc_sinf(float x);
long double tblibc_sinl(long double x);
double tblibc_cos(double x);
float tblibc_cosf(float x);
long double tblibc_cosl(long double x);
double tblibc_tan(double x);
float tblibc_tanf(float x);
long double tblibc_tanl(long double x);
void tblibc_sincos(double x, double* s, double* c);
void tblibc_sincosf(float x, float* s, float* c);
void tblibc_sincosl(long double x, long double* s, long double* c);
}
