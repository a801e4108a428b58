/* A write of any size into a pipe whose reader has gone fails with EPIPE
 * when SIGPIPE is ignored. */
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

static char big[200000];

int main(void) {
  signal(SIGPIPE, SIG_IGN);
  const size_t sizes[] = {1, 100, 4095, 4096, 4097, 65535, 65536, 65537, 100000, 200000};
  for (int i = 0; i < 10; ++i) {
    int p[2];
    pipe(p);
    close(p[0]);
    errno = 0;
    ssize_t n = write(p[1], big, sizes[i]);
    printf("%zu: %zd %s\n", sizes[i], n, strerror(errno));
    close(p[1]);
  }
  return 0;
}
