/* Timers and the signals they send, delivered while the program runs its
   own code or waits: alarm and pause, interval timers with a busy loop,
   POSIX timers with their siginfo, sigtimedwait and sigwait, sleeps and
   waits cut short, and an alarm whose default action ends the program.
   Nothing printed depends on timing. */
#define _GNU_SOURCE
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"  /* sigpause */
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/select.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

static volatile sig_atomic_t runs;
static volatile int seen_signo, seen_code, seen_value;

static void on_signal(int number) {
  (void)number;
  ++runs;
}

static void on_info(int number, siginfo_t *info, void *context) {
  (void)context;
  seen_signo = number == info->si_signo ? number : -1;
  seen_code = info->si_code;
  seen_value = info->si_value.sival_int;
  ++runs;
}

static void handle(int number, int flags) {
  struct sigaction sa;
  memset(&sa, 0, sizeof sa);
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = flags;
  if (flags & SA_SIGINFO) sa.sa_sigaction = on_info;
  else sa.sa_handler = on_signal;
  sigaction(number, &sa, NULL);
}

static void arm_ms(int which, long value_ms, long interval_ms) {
  struct itimerval it;
  it.it_value.tv_sec = value_ms / 1000;
  it.it_value.tv_usec = value_ms % 1000 * 1000;
  it.it_interval.tv_sec = interval_ms / 1000;
  it.it_interval.tv_usec = interval_ms % 1000 * 1000;
  setitimer(which, &it, NULL);
}

static const char *err(void) {
  switch (errno) {
    case EINTR: return "EINTR";
    case EINVAL: return "EINVAL";
    case EAGAIN: return "EAGAIN";
    default: return strerror(errno);
  }
}

static void alarm_pause(void) {
  handle(SIGALRM, SA_RESTART);
  unsigned first = alarm(5);
  unsigned second = alarm(1);
  int r = pause();
  printf("alarm %u %u pause=%d %s runs=%d left=%u\n", first, second, r, err(), (int)runs,
         alarm(0));
}

static void interval(void) {
  struct itimerval it, bad;
  handle(SIGALRM, 0);
  arm_ms(ITIMER_REAL, 10, 10);
  while (runs < 3) {
  }
  getitimer(ITIMER_REAL, &it);
  printf("itimer runs>=3 interval=%ld.%06ld armed=%d\n", (long)it.it_interval.tv_sec,
         (long)it.it_interval.tv_usec, it.it_value.tv_sec > 0 || it.it_value.tv_usec > 0);
  memset(&bad, 0, sizeof bad);
  setitimer(ITIMER_REAL, &bad, &it);
  printf("old interval=%ld.%06ld\n", (long)it.it_interval.tv_sec, (long)it.it_interval.tv_usec);
  getitimer(ITIMER_REAL, &it);
  printf("disarmed %ld %ld %ld %ld\n", (long)it.it_interval.tv_sec,
         (long)it.it_interval.tv_usec, (long)it.it_value.tv_sec, (long)it.it_value.tv_usec);
  bad.it_value.tv_usec = 1000000;
  int r = setitimer(ITIMER_REAL, &bad, NULL);
  printf("usec 1000000: %d %s\n", r, err());
  r = setitimer(7, &it, NULL);
  printf("which 7: %d %s\n", r, err());
  r = getitimer(-1, &it);
  printf("getitimer -1: %d %s\n", r, err());
  /* The profiling timer counts CPU time, which the busy loop spends. */
  runs = 0;
  handle(SIGPROF, 0);
  arm_ms(ITIMER_PROF, 5, 5);
  while (runs < 2) {
  }
  arm_ms(ITIMER_PROF, 0, 0);
  printf("prof runs>=2\n");
}

static void posix(void) {
  struct sigevent ev;
  struct itimerspec spec, now;
  timer_t timer, quiet;
  handle(SIGUSR1, SA_SIGINFO);
  memset(&ev, 0, sizeof ev);
  ev.sigev_notify = SIGEV_SIGNAL;
  ev.sigev_signo = SIGUSR1;
  ev.sigev_value.sival_int = 42;
  if (timer_create(CLOCK_MONOTONIC, &ev, &timer) != 0) printf("timer_create: %s\n", err());
  memset(&spec, 0, sizeof spec);
  spec.it_value.tv_nsec = 20000000;
  timer_settime(timer, 0, &spec, NULL);
  while (runs < 1) {
  }
  printf("posix runs=%d signo=%d code=%s value=%d\n", (int)runs, seen_signo,
         seen_code == SI_TIMER ? "SI_TIMER" : "other", seen_value);
  timer_gettime(timer, &now);
  printf("after: %ld %ld overrun=%d\n", (long)now.it_value.tv_sec, now.it_value.tv_nsec,
         timer_getoverrun(timer));

  /* A periodic one, absolute on the wall clock. */
  struct timespec at;
  clock_gettime(CLOCK_REALTIME, &at);
  timer_delete(timer);
  if (timer_create(CLOCK_REALTIME, &ev, &timer) != 0) printf("timer_create: %s\n", err());
  at.tv_nsec += 10000000;
  if (at.tv_nsec >= 1000000000) {
    at.tv_nsec -= 1000000000;
    at.tv_sec++;
  }
  spec.it_value = at;
  spec.it_interval.tv_nsec = 10000000;
  runs = 0;
  timer_settime(timer, TIMER_ABSTIME, &spec, NULL);
  while (runs < 3) {
  }
  timer_gettime(timer, &now);
  printf("periodic runs>=3 interval=%ld armed=%d\n", now.it_interval.tv_nsec,
         now.it_value.tv_sec > 0 || now.it_value.tv_nsec > 0);
  memset(&spec, 0, sizeof spec);
  timer_settime(timer, 0, &spec, &now);
  printf("old interval=%ld\n", now.it_interval.tv_nsec);
  printf("delete=%d", timer_delete(timer));
  int r = timer_delete(timer);
  printf(" again=%d %s\n", r, err());

  /* SIGEV_NONE: nothing is sent, the time runs all the same. */
  ev.sigev_notify = SIGEV_NONE;
  timer_create(CLOCK_MONOTONIC, &ev, &quiet);
  spec.it_value.tv_sec = 100;
  spec.it_interval.tv_sec = 7;
  timer_settime(quiet, 0, &spec, NULL);
  timer_gettime(quiet, &now);
  printf("none: armed=%d interval=%ld\n", now.it_value.tv_sec > 90, (long)now.it_interval.tv_sec);
  timer_delete(quiet);

  spec.it_value.tv_nsec = 1000000000;
  r = timer_settime(quiet, 0, &spec, NULL);
  printf("deleted settime: %d %s\n", r, err());
  r = timer_create(12345, &ev, &quiet);
  printf("bad clock: %d %s\n", r, err());
  ev.sigev_notify = SIGEV_SIGNAL;
  ev.sigev_signo = 99;
  r = timer_create(CLOCK_MONOTONIC, &ev, &quiet);
  printf("bad signal: %d %s\n", r, err());
}

static void waiting(void) {
  sigset_t set;
  siginfo_t info;
  struct timespec limit = {1, 0}, zero = {0, 0};
  int number = 0;
  sigemptyset(&set);
  sigaddset(&set, SIGALRM);
  sigprocmask(SIG_BLOCK, &set, NULL);
  arm_ms(ITIMER_REAL, 20, 0);
  int r = sigtimedwait(&set, &info, &limit);
  printf("sigtimedwait=%d signo=%d code=%s\n", r, info.si_signo,
         info.si_code == SI_KERNEL ? "SI_KERNEL" : "other");
  r = sigtimedwait(&set, &info, &zero);
  printf("zero timeout: %d %s\n", r, err());
  arm_ms(ITIMER_REAL, 10, 0);
  r = sigwait(&set, &number);
  printf("sigwait=%d number=%d\n", r, number);
  /* Blocked, it stays pending until it is unblocked: then the handler. */
  handle(SIGALRM, 0);
  arm_ms(ITIMER_REAL, 10, 0);
  sigset_t pending;
  do sigpending(&pending);
  while (!sigismember(&pending, SIGALRM));
  printf("pending runs=%d\n", (int)runs);
  sigprocmask(SIG_UNBLOCK, &set, NULL);
  printf("unblocked runs=%d\n", (int)runs);
  /* sigsuspend with it unblocked for the wait only. */
  sigprocmask(SIG_BLOCK, &set, NULL);
  sigset_t during;
  sigprocmask(SIG_BLOCK, NULL, &during);
  sigdelset(&during, SIGALRM);
  arm_ms(ITIMER_REAL, 10, 0);
  r = sigsuspend(&during);
  printf("sigsuspend=%d %s runs=%d\n", r, err(), (int)runs);
  /* X/Open's sigpause takes the one signal out of the mask for the wait;
     ualarm arms in microseconds and answers what was left of the last. */
  ualarm(20000, 0);
  r = sigpause(SIGALRM);
  printf("sigpause=%d %s runs=%d\n", r, err(), (int)runs);
  ualarm(500000, 0);
  useconds_t left = ualarm(0, 0);
  printf("ualarm left>0=%d <=500000=%d\n", left > 0, left <= 500000);
}

static void sleeps(void) {
  struct timespec request = {0, 900000000}, left = {0, 0};
  handle(SIGALRM, SA_RESTART);
  arm_ms(ITIMER_REAL, 30, 0);
  int r = nanosleep(&request, &left);
  printf("nanosleep=%d %s left>0=%d runs=%d\n", r, err(), left.tv_sec > 0 || left.tv_nsec > 0,
         (int)runs);
  arm_ms(ITIMER_REAL, 30, 0);
  r = clock_nanosleep(CLOCK_MONOTONIC, 0, &request, &left);
  printf("clock_nanosleep=%s left>0=%d runs=%d\n", r == EINTR ? "EINTR" : "other",
         left.tv_sec > 0 || left.tv_nsec > 0, (int)runs);
  arm_ms(ITIMER_REAL, 30, 0);
  r = usleep(900000);
  printf("usleep=%d %s runs=%d\n", r, err(), (int)runs);
  arm_ms(ITIMER_REAL, 30, 0);
  r = poll(NULL, 0, 900);
  printf("poll=%d %s runs=%d\n", r, err(), (int)runs);
  struct timeval tv = {0, 900000};
  arm_ms(ITIMER_REAL, 30, 0);
  r = select(0, NULL, NULL, NULL, &tv);
  printf("select=%d %s runs=%d\n", r, err(), (int)runs);
}

static void ending(void) {
  printf("before\n");
  fflush(stdout);
  alarm(1);
  volatile unsigned spin = 0;
  for (;;) ++spin;
}

int main(int argc, char **argv) {
  const char *what = argc > 1 ? argv[1] : "";
  if (!strcmp(what, "alarm")) alarm_pause();
  else if (!strcmp(what, "interval")) interval();
  else if (!strcmp(what, "posix")) posix();
  else if (!strcmp(what, "waiting")) waiting();
  else if (!strcmp(what, "sleeps")) sleeps();
  else if (!strcmp(what, "ending")) ending();
  return 0;
}
