/* abs and the div family: the structures come back through the hidden
   result pointer that the callee pops, so a caller's stack must be where
   it was afterwards (checked by calling through a frame that holds
   locals) and the result where the pointer said. */
#include <inttypes.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>

static const int kInts[][2] = {{7, 2}, {-7, 2}, {7, -2}, {-7, -2}, {0, 5},
                               {INT_MAX, 1}, {INT_MIN, 1}, {INT_MIN, 2},
                               {INT_MAX, INT_MIN}, {1, 3}};
static const long long kLongs[][2] = {
    {7, 2}, {-7, 2}, {7, -2}, {-7, -2}, {LLONG_MAX, 3}, {LLONG_MIN, 3},
    {LLONG_MIN, -3}, {10000000000LL, -7}, {-1, LLONG_MAX}, {123456789012345LL, 1000}};

static void hex64(long long v) {
  printf("%08x%08x", (unsigned)((unsigned long long)v >> 32), (unsigned)v);
}

int main(void) {
  volatile int guard = 0x5a5a5a5a;
  for (unsigned i = 0; i < sizeof kInts / sizeof kInts[0]; ++i) {
    div_t d = div(kInts[i][0], kInts[i][1]);
    ldiv_t l = ldiv(kInts[i][0], kInts[i][1]);
    printf("div(%d,%d)=%d,%d ldiv=%ld,%ld abs=%d labs=%ld\n", kInts[i][0],
           kInts[i][1], d.quot, d.rem, l.quot, l.rem, abs(kInts[i][0]),
           labs(kInts[i][0]));
  }
  for (unsigned i = 0; i < sizeof kLongs / sizeof kLongs[0]; ++i) {
    lldiv_t d = lldiv(kLongs[i][0], kLongs[i][1]);
    imaxdiv_t m = imaxdiv(kLongs[i][0], kLongs[i][1]);
    printf("lldiv(");
    hex64(kLongs[i][0]);
    printf(",");
    hex64(kLongs[i][1]);
    printf(")=");
    hex64(d.quot);
    printf(",");
    hex64(d.rem);
    printf(" imaxdiv=");
    hex64(m.quot);
    printf(",");
    hex64(m.rem);
    printf(" llabs=");
    hex64(llabs(kLongs[i][0]));
    printf(" imaxabs=");
    hex64(imaxabs(kLongs[i][0]));
    printf("\n");
  }
  printf("guard=%x\n", guard);
  return 0;
}
