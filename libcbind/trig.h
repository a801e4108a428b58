// sin, cos and tan with an exact reduction of the argument (trig.cpp).
#pragma once

#include <cstdint>

namespace tblibc::trig {

// x = quadrant * pi/2 + r + lo (mod 2 pi), |r| <= pi/4, for x >= 0 and
// finite; lo carries the bits beyond r's own where they are asked for.
struct Reduced {
  int quadrant;
  long double r, lo;
};
Reduced Reduce(long double x);

long double Sin(long double x);
long double Cos(long double x);
long double Tan(long double x);

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
