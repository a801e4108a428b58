/* POSIX semaphores (unnamed and named), C11 threads, the pthread joins
   with a deadline and the scheduling queries, in a process of one thread:
   every answer printed, so that the native run is the expectation. Built
   twice: as it is and with _TIME_BITS=64 (the __*64 names). Nothing here
   waits for what one thread can never see, but with the argument "alone",
   where tumbex answers instead of waiting. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <sched.h>
#include <semaphore.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <threads.h>
#include <time.h>
#include <unistd.h>

#define P(x) printf("%s = %d\n", #x, (int)(x))
#define E(x)                                             \
  do {                                                   \
    errno = 0;                                           \
    int r_ = (int)(x);                                   \
    printf("%s = %d errno %d\n", #x, r_, errno);         \
  } while (0)

static void words(const char* what, const void* p, int n) {
  const unsigned* w = p;
  printf("%s:", what);
  for (int i = 0; i < n; ++i) printf(" %x", w[i]);
  printf("\n");
}

static long long ms(clockid_t clock) {
  struct timespec t;
  clock_gettime(clock, &t);
  return t.tv_sec * 1000LL + t.tv_nsec / 1000000;
}

static struct timespec later(clockid_t clock, int millis) {
  struct timespec t;
  clock_gettime(clock, &t);
  t.tv_nsec += millis * 1000000L;
  t.tv_sec += t.tv_nsec / 1000000000L;
  t.tv_nsec %= 1000000000L;
  return t;
}

/* A wait of 50 ms measured on `clock`: whether it lasted that long. */
static long long started;
static void start(clockid_t clock) { started = ms(clock); }
static void waited(clockid_t clock) { P(ms(clock) - started >= 45); }

static void value(const char* what, sem_t* s) {
  int v = -1;
  int r = sem_getvalue(s, &v);
  printf("%s: sem_getvalue = %d value %d\n", what, r, v);
}

static void unnamed(void) {
  sem_t s;
  memset(&s, 0xAB, sizeof s);
  P(sizeof(sem_t));
  P(SEM_VALUE_MAX);
  E(sem_init(&s, 0, 3));
  words("sem_init(&s, 0, 3)", &s, 4);
  value("3", &s);
  E(sem_trywait(&s));
  E(sem_wait(&s));
  E(sem_trywait(&s));
  E(sem_trywait(&s));
  value("0", &s);
  E(sem_post(&s));
  value("1", &s);
  E(sem_wait(&s));

  struct timespec t = later(CLOCK_REALTIME, 50);
  start(CLOCK_REALTIME);
  E(sem_timedwait(&s, &t));
  waited(CLOCK_REALTIME);
  words("after the timed wait", &s, 4);
  t = later(CLOCK_MONOTONIC, 50);
  start(CLOCK_MONOTONIC);
  E(sem_clockwait(&s, CLOCK_MONOTONIC, &t));
  waited(CLOCK_MONOTONIC);
  t.tv_sec = 0;
  t.tv_nsec = 0;
  E(sem_timedwait(&s, &t));
  t.tv_sec = -5;
  E(sem_clockwait(&s, CLOCK_REALTIME, &t));
  /* The deadline and the clock are checked before the value. */
  E(sem_post(&s));
  t.tv_sec = 0;
  t.tv_nsec = 1000000000;
  E(sem_timedwait(&s, &t));
  t.tv_nsec = -1;
  E(sem_clockwait(&s, CLOCK_MONOTONIC, &t));
  t.tv_nsec = 0;
  E(sem_clockwait(&s, CLOCK_PROCESS_CPUTIME_ID, &t));
  E(sem_clockwait(&s, 42, &t));
  E(sem_clockwait(&s, CLOCK_REALTIME, &t));
  value("taken", &s);
  E(sem_post(&s));
  E(sem_timedwait(&s, &t));
  E(sem_destroy(&s));

  E(sem_init(&s, 1, SEM_VALUE_MAX));
  words("shared at the maximum", &s, 4);
  E(sem_post(&s));
  value("still the maximum", &s);
  E(sem_init(&s, 0, (unsigned)SEM_VALUE_MAX + 1));
  E(sem_init(&s, 0, UINT_MAX));
  value("unchanged", &s);

  /* Zeroed bytes: a semaphore of value 0. */
  memset(&s, 0, sizeof s);
  E(sem_post(&s));
  E(sem_post(&s));
  value("zeroed, posted twice", &s);
  words("zeroed, posted twice", &s, 4);
}

static char name[64], other[64];

static void named(void) {
  snprintf(name, sizeof name, "/tumbex-sem-%d", (int)getpid());
  snprintf(other, sizeof other, "tumbex-sem-other-%d", (int)getpid());
  sem_unlink(name);
  sem_unlink(other);

  errno = 0;
  sem_t* a = sem_open(name, 0);
  printf("open missing: %d errno %d\n", a == SEM_FAILED, errno);
  a = sem_open(name, O_CREAT | O_EXCL, 0600, 2);
  printf("create: %d\n", a == SEM_FAILED);
  words("created", a, 4);
  value("created", a);
  sem_t* b = sem_open(name, 0);
  printf("open again: same %d\n", a == b);
  errno = 0;
  sem_t* c = sem_open(name, O_CREAT | O_EXCL, 0600, 1);
  printf("create again, exclusive: %d errno %d\n", c == SEM_FAILED, errno);
  c = sem_open(name, O_CREAT, 0600, 7);
  printf("create again: same %d\n", a == c);
  value("the first value kept", c);
  E(sem_post(a));
  value("posted through another handle", b);
  E(sem_trywait(c));
  E(sem_wait(b));
  E(sem_trywait(a));
  E(sem_post(a));
  E(sem_close(b));
  E(sem_close(c));
  value("after two closes", a);

  /* The name, with the slashes before it or without them. */
  sem_t* d = sem_open(name + 1, 0);
  value("without the slash", d);
  E(sem_close(d));
  char slashes[80];
  snprintf(slashes, sizeof slashes, "//%s", name + 1);
  d = sem_open(slashes, O_CREAT, 0600, 0);
  value("with two slashes", d);
  E(sem_close(d));

  E(sem_unlink(name));
  E(sem_unlink(name));
  errno = 0;
  b = sem_open(name, 0);
  printf("open unlinked: %d errno %d\n", b == SEM_FAILED, errno);
  value("unlinked, still open", a);
  E(sem_post(a));
  value("unlinked, posted", a);
  /* A new one under the name is another semaphore. */
  b = sem_open(name, O_CREAT | O_EXCL, 0600, 5);
  printf("create after unlink: %d same %d\n", b == SEM_FAILED, a == b);
  value("new", b);
  value("old", a);
  E(sem_close(a));
  E(sem_close(b));
  E(sem_unlink(name));

  /* A closed one keeps its value under its name. */
  a = sem_open(other, O_CREAT, 0644, 0);
  E(sem_post(a));
  E(sem_post(a));
  E(sem_close(a));
  a = sem_open(other, O_RDWR);
  value("reopened", a);
  E(sem_close(a));
  E(sem_unlink(other));

  /* Names and values refused. */
  const char* bad[] = {"", "/", "///", "/a/b", "a/"};
  for (int i = 0; i < 5; ++i) {
    errno = 0;
    sem_t* s = sem_open(bad[i], O_CREAT, 0600, 0);
    printf("sem_open(\"%s\") failed %d errno %d\n", bad[i], s == SEM_FAILED, errno);
    E(sem_unlink(bad[i]));
  }
  char longName[300];
  for (int n = 250; n <= 258; ++n) {
    memset(longName, 'x', n);
    longName[n] = 0;
    errno = 0;
    sem_t* s = sem_open(longName, O_CREAT, 0600, 0);
    printf("a name of %d: failed %d errno %d\n", n, s == SEM_FAILED,
           s == SEM_FAILED ? errno : 0);
    if (s != SEM_FAILED) sem_close(s);
    errno = 0;
    int r = sem_unlink(longName);
    printf("  unlinked %d errno %d\n", r, errno);
  }
  errno = 0;
  a = sem_open(name, O_CREAT, 0600, (unsigned)SEM_VALUE_MAX + 1);
  printf("too large a value: %d errno %d\n", a == SEM_FAILED, errno);
  errno = 0;
  a = sem_open(name, 0);
  printf("then: %d errno %d\n", a == SEM_FAILED, errno);
  sem_t never;
  memset(&never, 0, sizeof never);
  E(sem_close(&never));
}

/* ---- C11 threads ---- */

static int onceRuns;
static void Once(void) { ++onceRuns; }

static void Destroy(void* p) { printf("destructor of %s\n", (const char*)p); }

static void mutexes(void) {
  P(thrd_success);
  P(thrd_busy);
  P(thrd_error);
  P(thrd_nomem);
  P(thrd_timedout);
  P(sizeof(mtx_t));
  P(sizeof(cnd_t));
  P(sizeof(once_flag));
  for (int type = 0; type < 8; ++type) {
    mtx_t m;
    memset(&m, 0x11, sizeof m);
    int r = mtx_init(&m, type);
    printf("mtx_init(&m, %d) = %d", type, r);
    if (r == thrd_success) printf(": kind %d", ((pthread_mutex_t*)&m)->__data.__kind);
    printf("\n");
  }
  mtx_t m;
  P(mtx_init(&m, mtx_plain));
  P(mtx_lock(&m));
  P(mtx_trylock(&m));
  struct timespec t = later(CLOCK_REALTIME, 50);
  start(CLOCK_REALTIME);
  P(mtx_timedlock(&m, &t));
  waited(CLOCK_REALTIME);
  t.tv_nsec = 1000000000;
  P(mtx_timedlock(&m, &t));
  P(mtx_unlock(&m));
  t.tv_sec = 0;
  t.tv_nsec = 0;
  P(mtx_timedlock(&m, &t));
  P(mtx_unlock(&m));

  mtx_t r;
  P(mtx_init(&r, mtx_recursive | mtx_timed));
  P(mtx_lock(&r));
  P(mtx_trylock(&r));
  P(mtx_timedlock(&r, &t));
  printf("recursive: count %u\n", ((pthread_mutex_t*)&r)->__data.__count);
  P(mtx_unlock(&r));
  P(mtx_unlock(&r));
  P(mtx_unlock(&r));
  mtx_destroy(&r);

  cnd_t c;
  P(cnd_init(&c));
  P(cnd_signal(&c));
  P(cnd_broadcast(&c));
  P(mtx_lock(&m));
  t = later(CLOCK_REALTIME, 50);
  start(CLOCK_REALTIME);
  P(cnd_timedwait(&c, &m, &t));
  waited(CLOCK_REALTIME);
  t.tv_nsec = -1;
  P(cnd_timedwait(&c, &m, &t));
  P(mtx_trylock(&m));
  P(mtx_unlock(&m));
  cnd_destroy(&c);
  mtx_destroy(&m);

  once_flag f = ONCE_FLAG_INIT;
  call_once(&f, Once);
  call_once(&f, Once);
  P(onceRuns);
}

static tss_t key, plainKey;

static void keys(void) {
  P(tss_create(&key, Destroy));
  P(tss_get(key) == NULL);
  P(tss_set(key, "the key"));
  printf("tss_get: %s\n", (const char*)tss_get(key));
  tss_t k2;
  P(tss_create(&k2, NULL));
  P(k2 == key + 1);
  tss_delete(k2);
  P(tss_set(k2, "x"));
  P(tss_get(k2) == NULL);
  P(tss_create(&plainKey, NULL));
  P(plainKey == k2);
  P(tss_set(plainKey, "no destructor"));
}

static void threads(void) {
  thrd_t self = thrd_current();
  P(self == pthread_self());
  P(thrd_equal(self, thrd_current()) != 0);
  P(thrd_equal(self, self + 1) != 0);
  int (*volatile equal)(thrd_t, thrd_t) = thrd_equal; /* the library's, not the inline one */
  P(equal(self, self) != 0);
  P(equal(self, 0) != 0);
  thrd_yield();

  struct timespec t = {0, 20000000}, rest = {9, 9};
  start(CLOCK_MONOTONIC);
  P(thrd_sleep(&t, &rest));
  P(ms(CLOCK_MONOTONIC) - started >= 18);
  t.tv_nsec = 1000000000;
  P(thrd_sleep(&t, NULL));
  t.tv_nsec = -1;
  P(thrd_sleep(&t, NULL));
  t.tv_sec = -1;
  t.tv_nsec = 0;
  P(thrd_sleep(&t, NULL));

  int res = 77;
  P(thrd_join(self, &res));
  P(pthread_join(self, NULL));
  P(pthread_tryjoin_np(self, NULL));
  t = later(CLOCK_REALTIME, 50);
  P(pthread_timedjoin_np(self, NULL, &t));
  t = later(CLOCK_MONOTONIC, 50);
  P(pthread_clockjoin_np(self, NULL, CLOCK_MONOTONIC, &t));
  P(pthread_clockjoin_np(self, NULL, CLOCK_PROCESS_CPUTIME_ID, &t));
  t.tv_nsec = 1000000000;
  P(pthread_timedjoin_np(self, NULL, &t));
  P(thrd_detach(self));
  P(thrd_detach(self));
  P(thrd_join(self, NULL));
  P(pthread_tryjoin_np(self, NULL));
  t = later(CLOCK_REALTIME, 50);
  P(pthread_timedjoin_np(self, NULL, &t));
  P(pthread_clockjoin_np(self, NULL, CLOCK_REALTIME, &t));
}

static void scheduling(void) {
  E(sched_yield());
  E(sched_getscheduler(0));
  E(sched_getscheduler(getpid()));
  E(sched_getscheduler(-1));
  E(sched_getscheduler(INT_MAX));
  struct sched_param p = {77};
  E(sched_getparam(0, &p));
  P(p.sched_priority);
  p.sched_priority = 77;
  E(sched_getparam(getpid(), &p));
  P(p.sched_priority);
  E(sched_getparam(-1, &p));
  E(sched_getparam(INT_MAX, &p));
  E(sched_getparam(0, NULL));
  const int policies[] = {SCHED_OTHER, SCHED_FIFO, SCHED_RR, SCHED_BATCH, SCHED_IDLE, 4, 42, -1};
  for (int i = 0; i < 8; ++i) {
    errno = 0;
    int lo = sched_get_priority_min(policies[i]);
    int e1 = errno;
    errno = 0;
    int hi = sched_get_priority_max(policies[i]);
    printf("policy %d: min %d errno %d, max %d errno %d\n", policies[i], lo, e1, hi, errno);
  }
  struct timespec t = {77, 77};
  errno = 0;
  int r = sched_rr_get_interval(0, &t);
  printf("sched_rr_get_interval(0) = %d errno %d: tv_sec %ld, tv_nsec in range %d\n", r, errno,
         (long)t.tv_sec, t.tv_nsec >= 0 && t.tv_nsec < 1000000000);
  t.tv_sec = 77;
  r = sched_rr_get_interval(getpid(), &t);
  printf("sched_rr_get_interval(getpid()) = %d: tv_sec %ld\n", r, (long)t.tv_sec);
  E(sched_rr_get_interval(-1, &t));
  E(sched_rr_get_interval(INT_MAX, &t));
}

static void AtExit(void) { printf("at exit\n"); }

/* Where glibc would wait for ever on the one thread itself. */
static int Started(void* arg) { return arg != NULL; }

static void alone(void) {
  sem_t s;
  E(sem_init(&s, 0, 0));
  E(sem_wait(&s));
  value("after the wait", &s);
  mtx_t m;
  P(mtx_init(&m, mtx_plain));
  P(mtx_lock(&m));
  P(mtx_lock(&m));
  cnd_t c;
  P(cnd_init(&c));
  P(cnd_wait(&c, &m));
  P(mtx_unlock(&m));
  thrd_t t = 5;
  P(thrd_create(&t, Started, NULL));
  P(t);
}

int main(int argc, char** argv) {
  if (argc > 1) {
    alone();
    return 0;
  }
  unnamed();
  named();
  mutexes();
  keys();
  threads();
  scheduling();
  atexit(AtExit);
  fflush(stdout);
  thrd_exit(3);
}
