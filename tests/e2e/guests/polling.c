/* poll, ppoll, select and pselect over what a console program waits on:
   its own pipes (empty, holding data, with the writer gone), a regular
   file, /dev/null, standard input given as a file, a closed descriptor and
   negative ones. Only readiness is printed, never a time. */
#define _GNU_SOURCE 1
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/select.h>
#include <unistd.h>

static void Events(short bits) {
  static const struct {
    short bit;
    const char* name;
  } kNames[] = {{POLLIN, "IN"},   {POLLPRI, "PRI"},       {POLLOUT, "OUT"},
                {POLLERR, "ERR"}, {POLLHUP, "HUP"},       {POLLNVAL, "NVAL"},
                {POLLRDNORM, "RDNORM"}, {POLLWRNORM, "WRNORM"}};
  int any = 0;
  for (unsigned i = 0; i < sizeof kNames / sizeof kNames[0]; ++i)
    if (bits & kNames[i].bit) {
      printf("%s%s", any ? "|" : "", kNames[i].name);
      any = 1;
    }
  if (!any) printf("-");
}

static void Result(const char* what, int r) {
  printf("%s: %d", what, r);
  if (r < 0) printf(" (%s)", strerror(errno));
}

/* One descriptor through poll. */
/* A count the compiler cannot see, so that a fortified build checks it
   when the program runs (__poll_chk, __ppoll_chk). */
static volatile int one = 1;

static void Poll1(const char* what, int fd, short events, int timeout) {
  struct pollfd p = {fd, events, 0x7f};
  const int r = poll(&p, one, timeout);
  Result(what, r);
  printf(" revents ");
  Events(p.revents);
  printf("\n");
}

/* One descriptor through select: r, w, e in the sets asked for. */
static void Select1(const char* what, int fd, const char* sets, long usec) {
  fd_set rs, ws, es;
  FD_ZERO(&rs);
  FD_ZERO(&ws);
  FD_ZERO(&es);
  if (strchr(sets, 'r')) FD_SET(fd, &rs);
  if (strchr(sets, 'w')) FD_SET(fd, &ws);
  if (strchr(sets, 'e')) FD_SET(fd, &es);
  struct timeval tv = {0, usec};
  const int r = select(fd + 1, &rs, &ws, &es, usec < 0 ? NULL : &tv);
  Result(what, r);
  printf(" set%s%s%s", FD_ISSET(fd, &rs) ? " r" : "", FD_ISSET(fd, &ws) ? " w" : "",
         FD_ISSET(fd, &es) ? " e" : "");
  if (usec > 0 && r == 0) printf(" left %ld.%06ld", (long)tv.tv_sec, (long)tv.tv_usec);
  printf("\n");
}

static volatile sig_atomic_t caught;
static void OnUsr1(int number) {
  (void)number;
  ++caught;
}

static void Pipes(void) {
  int p[2];
  if (pipe(p) != 0) return perror("pipe");
  Poll1("empty pipe, look", p[0], POLLIN, 0);
  Poll1("empty pipe, 50 ms", p[0], POLLIN, 50);
  Poll1("read end asked for out", p[0], POLLOUT, 0);
  Poll1("write end", p[1], POLLIN | POLLOUT, 0);
  Poll1("write end, nothing asked", p[1], 0, 0);
  if (write(p[1], "hello", 5) != 5) perror("write");
  Poll1("pipe with data", p[0], POLLIN | POLLRDNORM, -1);
  Poll1("pipe with data, out only", p[0], POLLOUT, 0);
  struct pollfd both[3] = {{p[0], POLLIN, 0}, {-1, POLLIN, 0x55}, {p[1], POLLOUT, 0}};
  Result("both ends and a negative", poll(both, 3, 0));
  for (int i = 0; i < 3; ++i) {
    printf(" ");
    Events(both[i].revents);
  }
  printf("\n");
  char buffer[16];
  printf("read %d\n", (int)read(p[0], buffer, sizeof buffer));
  Poll1("drained pipe", p[0], POLLIN, 0);
  if (write(p[1], "x", 1) != 1) perror("write");
  close(p[1]);
  Poll1("data, writer gone", p[0], POLLIN, -1);
  Poll1("data, writer gone, nothing asked", p[0], 0, 0);
  printf("read %d\n", (int)read(p[0], buffer, sizeof buffer));
  Poll1("empty, writer gone", p[0], POLLIN, -1);
  Poll1("empty, writer gone, nothing asked", p[0], 0, 0);
  printf("read %d\n", (int)read(p[0], buffer, sizeof buffer));
  close(p[0]);

  if (pipe(p) != 0) return perror("pipe");
  Select1("select empty pipe, look", p[0], "r", 0);
  Select1("select empty pipe, 50 ms", p[0], "re", 50000);
  Select1("select write end", p[1], "rw", 0);
  if (write(p[1], "data", 4) != 4) perror("write");
  Select1("select pipe with data", p[0], "rwe", -1);
  fd_set rs, ws;
  FD_ZERO(&rs);
  FD_ZERO(&ws);
  FD_SET(p[0], &rs);
  FD_SET(p[1], &ws);
  FD_SET(p[1], &rs);
  const int top = p[0] > p[1] ? p[0] : p[1];
  const int r = select(top + 1, &rs, &ws, NULL, NULL);
  printf("select both ends: %d read %d%d write %d\n", r, FD_ISSET(p[0], &rs) != 0,
         FD_ISSET(p[1], &rs) != 0, FD_ISSET(p[1], &ws) != 0);
  close(p[1]);
  Select1("select data, writer gone", p[0], "r", -1);
  printf("read %d\n", (int)read(p[0], buffer, sizeof buffer));
  Select1("select empty, writer gone", p[0], "rw", -1);
  close(p[0]);

  if (pipe(p) != 0) return perror("pipe");
  close(p[0]);
  Poll1("write end, reader gone", p[1], POLLIN | POLLOUT, -1);
  Poll1("write end, reader gone, nothing asked", p[1], 0, 0);
  Select1("select write end, reader gone", p[1], "rw", -1);
  close(p[1]);
}

static void Files(void) {
  FILE* f = tmpfile();
  if (f == NULL) return perror("tmpfile");
  const int fd = fileno(f);
  Poll1("regular file", fd, POLLIN | POLLOUT | POLLPRI, -1);
  Select1("select regular file", fd, "rwe", -1);
  fclose(f);
  const int null = open("/dev/null", O_RDONLY);
  if (null < 0) return perror("/dev/null");
  Poll1("/dev/null", null, POLLIN | POLLOUT, 0);
  Select1("select /dev/null", null, "rw", 0);
  close(null);
  Poll1("stdin (a file)", 0, POLLIN, -1);
  Select1("select stdin (a file)", 0, "r", -1);
  char line[64];
  if (fgets(line, sizeof line, stdin) != NULL) printf("stdin line: %s", line);
}

static void Closed(void) {
  const int fd = dup(1);
  close(fd);
  Poll1("closed descriptor", fd, POLLIN, -1);
  Poll1("closed descriptor, nothing asked", fd, 0, 0);
  Select1("select closed descriptor", fd, "r", -1);
  Poll1("negative descriptor", -5, POLLIN, 0);
  Poll1("negative descriptor, 20 ms", -1, POLLIN | POLLOUT, 20);
  Result("no descriptors, 20 ms", poll(NULL, 0, 20));
  printf("\n");
  Result("select nothing, 10 ms", select(0, NULL, NULL, NULL, &(struct timeval){0, 10000}));
  printf("\n");
  Result("select negative count", select(-1, NULL, NULL, NULL, &(struct timeval){0, 0}));
  printf("\n");
  Result("select negative time", select(1, NULL, NULL, NULL, &(struct timeval){-1, 0}));
  printf("\n");
}

static void Masks(void) {
  int p[2];
  if (pipe(p) != 0) return perror("pipe");
  struct pollfd single = {p[0], POLLIN, 0};
  struct timespec none = {0, 0};
  Result("ppoll look", ppoll(&single, one, &none, NULL));
  printf("\n");
  struct timespec bad = {0, 1000000000};
  Result("ppoll bad time", ppoll(&single, one, &bad, NULL));
  printf("\n");
  fd_set rs;
  FD_ZERO(&rs);
  FD_SET(p[0], &rs);
  struct timespec brief = {0, 20000000};
  Result("pselect 20 ms", pselect(p[0] + 1, &rs, NULL, NULL, &brief, NULL));
  printf(" still set %d\n", FD_ISSET(p[0], &rs) != 0);

  signal(SIGUSR1, OnUsr1);
  sigset_t usr1, empty, before;
  sigemptyset(&usr1);
  sigaddset(&usr1, SIGUSR1);
  sigemptyset(&empty);
  sigprocmask(SIG_BLOCK, &usr1, &before);
  raise(SIGUSR1);
  Result("ppoll, SIGUSR1 blocked by its mask", ppoll(&single, one, &none, &usr1));
  printf(" caught %d\n", caught);
  Result("ppoll, SIGUSR1 let through", ppoll(&single, one, NULL, &empty));
  printf(" caught %d\n", caught);
  raise(SIGUSR1);
  FD_SET(p[0], &rs);
  Result("pselect, SIGUSR1 let through", pselect(p[0] + 1, &rs, NULL, NULL, NULL, &empty));
  printf(" caught %d still set %d\n", caught, FD_ISSET(p[0], &rs) != 0);
  sigset_t now;
  sigprocmask(SIG_SETMASK, &before, &now);
  printf("mask kept: %d\n", sigismember(&now, SIGUSR1));
  close(p[0]);
  close(p[1]);
}

int main(void) {
  Pipes();
  Files();
  Closed();
  Masks();
  return 0;
}
