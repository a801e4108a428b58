/* Copies standard input to standard output byte for byte, with the stdio
 * calls ("stdio") or the descriptor calls ("fd"), in odd-sized pieces. */
#include <stdio.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char** argv) {
  char buffer[37];
  if (argc > 1 && strcmp(argv[1], "fd") == 0) {
    int n;
    while ((n = read(0, buffer, sizeof buffer)) > 0)
      if (write(1, buffer, n) != n) return 2;
    return n < 0 ? 3 : 0;
  }
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, stdin)) > 0)
    if (fwrite(buffer, 1, n, stdout) != n) return 2;
  return 0;
}
