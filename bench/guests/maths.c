/* maths: sin, exp, pow and sqrt over 10 million arguments, each call
   through the guest's PLT. The sums are printed to 9 digits, which every
   libm within a few ulps agrees on. */
#include <math.h>
#include <stdio.h>

enum { COUNT = 10000000 };

int main(void)
{
    double s = 0, e = 0, p = 0, r = 0;
    for (int i = 0; i < COUNT; i++) {
        double x = (i % 20000) * 0.001 - 10.0;  /* -10 .. 10 */
        s += sin(x * 3.0);
        e += exp(x * 0.5);
        p += pow(1.0 + (i % 1000) * 0.001, x);
        r += sqrt(i * 0.25);
    }
    printf("sin %.9g exp %.9g pow %.9g sqrt %.9g\n", s, e, p, r);
    return 0;
}
