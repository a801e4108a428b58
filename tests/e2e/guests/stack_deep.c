/* The main stack is as deep as Linux makes it: about 7 MiB of frames, and
   a frame of 256 KiB touched only at its far end. */
#include <stdio.h>
static int depth(int n, volatile char* prev) {
  volatile char frame[1000];
  frame[0] = (char)n; frame[999] = prev ? prev[0] : 0;
  if (n == 0) return frame[0] + frame[999];
  return depth(n - 1, frame) + 1;
}
int main(void) {
  printf("depth %d\n", depth(7000, 0));
  volatile char big[256 * 1024];
  big[0] = 1;
  printf("big %d\n", big[0]);
  return 0;
}
