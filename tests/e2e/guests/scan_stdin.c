/* scanf, fscanf, vscanf and vfscanf reading standard input: conversions of
   every kind, the character that ends a field going back to the stream
   (the rest is read with fread afterwards), and EOF at the end. */
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void bytes(const void* p, int n) {
  const unsigned char* b = p;
  for (int i = n - 1; i >= 0; --i) printf("%02x", b[i]);
}

static int vf(FILE* f, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int r = vfscanf(f, fmt, ap);
  va_end(ap);
  return r;
}

static int v(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int r = vscanf(fmt, ap);
  va_end(ap);
  return r;
}

int main(void) {
  int a = 0, b = 0, n = 0;
  int r = scanf("%d %d%n", &a, &b, &n);
  printf("scanf r=%d a=%d b=%d n=%d\n", r, a, b, n);
  long long ll = 0;
  size_t z = 0;
  signed char hh = 0;
  long double x = 0;
  r = fscanf(stdin, "%lld %zu %hhd %Lf", &ll, &z, &hh, &x);
  printf("fscanf r=%d ll=", r);
  bytes(&ll, 8);
  printf(" z=%u hh=%d x=", (unsigned)z, hh);
  bytes(&x, 10);
  printf("\n");
  char* word = NULL;
  char line[64] = "";
  r = fscanf(stdin, " %ms %[^\n]%n", &word, line, &n);
  printf("fscanf m r=%d word=[%s] line=[%s] n=%d\n", r, word ? word : "null",
         line, n);
  free(word);
  unsigned u = 0;
  double d = 0;
  r = vf(stdin, "%x,%lf;", &u, &d);
  printf("vfscanf r=%d u=%x d=", r, u);
  bytes(&d, 8);
  printf("\n");
  /* A matching failure leaves the offending character in the stream. */
  r = v("%d", &a);
  printf("vscanf on a letter r=%d\n", r);
  char rest[128];
  size_t got = fread(rest, 1, sizeof rest - 1, stdin);
  rest[got] = 0;
  printf("rest=[%s]\n", rest);
  r = scanf("%d", &a);
  printf("at the end r=%d\n", r);
  return 0;
}
