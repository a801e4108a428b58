/* Every line of standard input through strtod, strtof and strtold, or,
   for a line "format<TAB>input", through sscanf with one conversion
   followed by %n%c. Results are printed as bytes. The case feeds a fixed
   pseudo-random sequence of inputs shaped to reach the hard corners. */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static char input[1 << 22];

static void bytes(const void* p, int n) {
  const unsigned char* b = p;
  for (int i = n - 1; i >= 0; --i) printf("%02x", b[i]);
}

static void number(const char* s) {
  char* e;
  errno = 0;
  double d = strtod(s, &e);
  bytes(&d, 8);
  printf(" %d %d", (int)(e - s), errno);
  errno = 0;
  float f = strtof(s, &e);
  printf(" ");
  bytes(&f, 4);
  printf(" %d %d", (int)(e - s), errno);
  errno = 0;
  long double x = strtold(s, &e);
  printf(" ");
  bytes(&x, 10);
  printf(" %d %d\n", (int)(e - s), errno);
}

static void scan(const char* format, const char* s) {
  unsigned char dest[256];
  memset(dest, 0xaa, sizeof dest);
  int n = -1;
  char c = '#';
  int r = sscanf(s, format, dest, &n, &c);
  printf("%d ", r);
  bytes(dest, 16);
  printf(" %d %d\n", n, c);
}

int main(void) {
  size_t size = 0;
  ssize_t got;
  while ((got = read(0, input + size, sizeof input - 1 - size)) > 0) size += got;
  input[size] = 0;
  for (char* line = input; *line != 0;) {
    char* nl = strchr(line, '\n');
    if (nl != NULL) *nl = 0;
    char* tab = strchr(line, '\t');
    if (tab != NULL) {
      *tab = 0;
      scan(line, tab + 1);
    } else {
      number(line);
    }
    if (nl == NULL) break;
    line = nl + 1;
  }
  return 0;
}
