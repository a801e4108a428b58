/* Requests the heap cannot meet answer null with ENOMEM and the program goes
 * on; errno is 0 when main starts. */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void show(const char* what, void* block) {
  printf("%s: %s errno=%d\n", what, block ? "block" : "null", errno);
  errno = 0;
}

static size_t hex(const char* text) {
  size_t value = 0;
  for (; *text; ++text)
    value = value * 16 + (*text <= '9' ? *text - '0' : (*text | 0x20) - 'a' + 10);
  return value;
}

int main(int argc, char** argv) {
  printf("errno at start=%d\n", errno);
  size_t size = argc > 1 ? hex(argv[1]) : 0x7fffffff;
  show("malloc", malloc(size));
  show("calloc", calloc(size, 1));
  volatile size_t many = 0x10000, each = 0x10001;  /* out of the compiler's sight */
  show("calloc overflow", calloc(many, each));
  char* small = malloc(16);
  strcpy(small, "kept");
  show("realloc", realloc(small, size));
  printf("old block: %s\n", small);
  free(small);
  char* fallback = malloc(4096);
  printf("fallback: %s\n", fallback ? "block" : "null");
  free(fallback);
  return 0;
}
