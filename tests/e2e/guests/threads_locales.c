/* The one-thread pthread interface, the POSIX 2008 locale objects and the
   functions of an explicit locale, and the wide memory functions: every
   answer printed, so that the native run is the expectation. Nothing here
   waits for what a single thread can never see (a relocked normal mutex, a
   condition signalled by another thread) but with the argument "alone",
   where a process that has one thread only answers instead of waiting. */
#define _GNU_SOURCE
#include <ctype.h>
#include <errno.h>
#include <limits.h>
#include <langinfo.h>
#include <locale.h>
#include <pthread.h>
#include <sched.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <wchar.h>
#include <wctype.h>

/* The reserved names libstdc++ imports, which no header declares. */
extern int __pthread_key_create(pthread_key_t*, void (*)(void*));
extern locale_t __newlocale(int, const char*, locale_t);
extern locale_t __duplocale(locale_t);
extern void __freelocale(locale_t);
extern locale_t __uselocale(locale_t);
extern char* __nl_langinfo_l(nl_item, locale_t);
extern double __strtod_l(const char*, char**, locale_t);
extern float __strtof_l(const char*, char**, locale_t);
extern long double __strtold_l(const char*, char**, locale_t);
extern int __iswctype_l(wint_t, wctype_t, locale_t);
extern wctype_t __wctype_l(const char*, locale_t);
extern wint_t __towlower_l(wint_t, locale_t);
extern wint_t __towupper_l(wint_t, locale_t);
extern int __wcscoll_l(const wchar_t*, const wchar_t*, locale_t);
extern size_t __wcsxfrm_l(wchar_t*, const wchar_t*, size_t, locale_t);
extern size_t __wcsftime_l(wchar_t*, size_t, const wchar_t*, const struct tm*, locale_t);
extern int __strcoll_l(const char*, const char*, locale_t);
extern size_t __strxfrm_l(char*, const char*, size_t, locale_t);
extern size_t __strftime_l(char*, size_t, const char*, const struct tm*, locale_t);

#define P(x) printf("%s = %d\n", #x, (int)(x))

static void mutex(const char* what, const pthread_mutex_t* m) {
  printf("%s: lock %d count %u owned %d kind %d users %u\n", what, m->__data.__lock,
         m->__data.__count, m->__data.__owner != 0, m->__data.__kind, m->__data.__nusers);
}

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

static void mutexes(void) {
  pthread_mutex_t n = PTHREAD_MUTEX_INITIALIZER;
  pthread_mutex_t r = PTHREAD_RECURSIVE_MUTEX_INITIALIZER_NP;
  pthread_mutex_t e = PTHREAD_ERRORCHECK_MUTEX_INITIALIZER_NP;
  P(pthread_mutex_lock(&n));
  mutex("normal locked", &n);
  P(pthread_mutex_trylock(&n));
  P(pthread_mutex_destroy(&n));
  P(pthread_mutex_unlock(&n));
  mutex("normal unlocked", &n);
  P(pthread_mutex_destroy(&n));
  mutex("normal destroyed", &n);
  P(pthread_mutex_lock(&n));
  P(pthread_mutex_unlock(&n));

  P(pthread_mutex_lock(&r));
  P(pthread_mutex_lock(&r));
  P(pthread_mutex_trylock(&r));
  mutex("recursive thrice", &r);
  P(pthread_mutex_unlock(&r));
  P(pthread_mutex_unlock(&r));
  mutex("recursive once", &r);
  P(pthread_mutex_unlock(&r));
  P(pthread_mutex_unlock(&r));
  mutex("recursive free", &r);

  P(pthread_mutex_unlock(&e));
  P(pthread_mutex_lock(&e));
  P(pthread_mutex_lock(&e));
  P(pthread_mutex_trylock(&e));
  mutex("errorcheck locked", &e);
  P(pthread_mutex_unlock(&e));
  P(pthread_mutex_unlock(&e));

  pthread_mutexattr_t a;
  int v = 77;
  P(pthread_mutexattr_init(&a));
  P(pthread_mutexattr_settype(&a, PTHREAD_MUTEX_NORMAL));
  words("attr normal", &a, 1);
  P(pthread_mutexattr_gettype(&a, &v));
  P(v);
  P(pthread_mutexattr_settype(&a, 4));
  P(pthread_mutexattr_settype(&a, PTHREAD_MUTEX_ADAPTIVE_NP));
  P(pthread_mutexattr_setpshared(&a, PTHREAD_PROCESS_SHARED));
  P(pthread_mutexattr_setpshared(&a, 2));
  P(pthread_mutexattr_setrobust(&a, PTHREAD_MUTEX_ROBUST));
  P(pthread_mutexattr_setprotocol(&a, PTHREAD_PRIO_INHERIT));
  P(pthread_mutexattr_setprotocol(&a, 3));
  words("attr all", &a, 1);
  pthread_mutexattr_gettype(&a, &v);
  P(v);
  pthread_mutexattr_getpshared(&a, &v);
  P(v);
  pthread_mutexattr_getrobust(&a, &v);
  P(v);
  pthread_mutexattr_getprotocol(&a, &v);
  P(v);
  pthread_mutex_t m;
  memset(&m, 0xAA, sizeof m);
  P(pthread_mutex_init(&m, &a));
  mutex("from attr", &m);
  pthread_mutexattr_init(&a);
  P(pthread_mutexattr_settype(&a, PTHREAD_MUTEX_ERRORCHECK));
  P(pthread_mutex_init(&m, &a));
  mutex("errorcheck from attr", &m);
  P(pthread_mutex_lock(&m));
  P(pthread_mutex_lock(&m));
  P(pthread_mutexattr_destroy(&a));
  P(pthread_mutex_init(&m, NULL));
  mutex("default", &m);

  /* A deadline is looked at only when the lock cannot be had at once. */
  struct timespec bad = later(CLOCK_REALTIME, 0);
  bad.tv_nsec = 1000000000;
  P(pthread_mutex_timedlock(&m, &bad));
  P(pthread_mutex_timedlock(&m, &bad));
  struct timespec now = later(CLOCK_REALTIME, 0);
  P(pthread_mutex_timedlock(&m, &now));
  now = later(CLOCK_MONOTONIC, 0);
  P(pthread_mutex_clocklock(&m, CLOCK_MONOTONIC, &now));
  P(pthread_mutex_clocklock(&m, CLOCK_PROCESS_CPUTIME_ID, &now));
  P(pthread_mutex_timedlock(&e, &bad));
  P(pthread_mutex_timedlock(&e, &bad));
  P(pthread_mutex_unlock(&e));
}

static void conditions(void) {
  pthread_condattr_t a;
  pthread_cond_t c;
  int v = 7;
  P(pthread_condattr_init(&a));
  P(pthread_condattr_setclock(&a, CLOCK_MONOTONIC));
  P(pthread_condattr_setclock(&a, CLOCK_PROCESS_CPUTIME_ID));
  P(pthread_condattr_setpshared(&a, PTHREAD_PROCESS_SHARED));
  P(pthread_condattr_setpshared(&a, 3));
  words("condattr", &a, 1);
  pthread_condattr_getclock(&a, &v);
  P(v);
  pthread_condattr_getpshared(&a, &v);
  P(v);
  memset(&c, 0x55, sizeof c);
  P(pthread_cond_init(&c, &a));
  words("cond", &c, 12);
  P(pthread_condattr_setpshared(&a, PTHREAD_PROCESS_PRIVATE));
  P(pthread_cond_init(&c, &a));
  P(pthread_condattr_destroy(&a));
  P(pthread_cond_signal(&c));
  P(pthread_cond_broadcast(&c));

  /* The mutex is checked before any wait. */
  pthread_mutex_t e = PTHREAD_ERRORCHECK_MUTEX_INITIALIZER_NP;
  pthread_mutex_t r = PTHREAD_RECURSIVE_MUTEX_INITIALIZER_NP;
  P(pthread_cond_wait(&c, &e));
  P(pthread_cond_wait(&c, &r));

  pthread_mutex_t m = PTHREAD_MUTEX_INITIALIZER;
  pthread_mutex_lock(&m);
  struct timespec t = later(CLOCK_MONOTONIC, 0);
  P(pthread_cond_timedwait(&c, &m, &t));
  long long start = ms(CLOCK_MONOTONIC);
  t = later(CLOCK_MONOTONIC, 40);
  P(pthread_cond_timedwait(&c, &m, &t));
  P(ms(CLOCK_MONOTONIC) - start >= 40);
  t.tv_nsec = -1;
  P(pthread_cond_timedwait(&c, &e, &t));
  t = later(CLOCK_REALTIME, 0);
  P(pthread_cond_timedwait(&c, &e, &t));
  P(pthread_cond_clockwait(&c, &m, CLOCK_REALTIME, &t));
  P(pthread_cond_clockwait(&c, &m, CLOCK_BOOTTIME, &t));

  pthread_cond_t plain = PTHREAD_COND_INITIALIZER;
  start = ms(CLOCK_REALTIME);
  t = later(CLOCK_REALTIME, 30);
  P(pthread_cond_timedwait(&plain, &m, &t));
  P(ms(CLOCK_REALTIME) - start >= 30);
  P(pthread_mutex_unlock(&m));
  P(pthread_cond_destroy(&plain));
}

static void rwlocks(void) {
  pthread_rwlock_t l = PTHREAD_RWLOCK_INITIALIZER;
  P(pthread_rwlock_rdlock(&l));
  P(pthread_rwlock_rdlock(&l));
  P(pthread_rwlock_tryrdlock(&l));
  P(pthread_rwlock_trywrlock(&l));
  P(l.__data.__readers >> 3);
  struct timespec t = later(CLOCK_REALTIME, 0);
  P(pthread_rwlock_timedwrlock(&l, &t));
  P(pthread_rwlock_unlock(&l));
  P(pthread_rwlock_unlock(&l));
  P(pthread_rwlock_unlock(&l));
  P(l.__data.__readers >> 3);
  P(pthread_rwlock_wrlock(&l));
  P(l.__data.__cur_writer != 0);
  P(pthread_rwlock_wrlock(&l));
  P(pthread_rwlock_rdlock(&l));
  P(pthread_rwlock_tryrdlock(&l));
  P(pthread_rwlock_trywrlock(&l));
  P(pthread_rwlock_timedrdlock(&l, &t));
  P(pthread_rwlock_unlock(&l));
  P(l.__data.__cur_writer != 0);
  P(pthread_rwlock_trywrlock(&l));
  P(pthread_rwlock_unlock(&l));
  t.tv_nsec = -5;
  P(pthread_rwlock_timedwrlock(&l, &t));
  P(pthread_rwlock_timedrdlock(&l, &t));

  pthread_rwlockattr_t a;
  int v = 9;
  P(pthread_rwlockattr_init(&a));
  P(pthread_rwlockattr_setkind_np(&a, PTHREAD_RWLOCK_PREFER_WRITER_NONRECURSIVE_NP));
  P(pthread_rwlockattr_setkind_np(&a, 3));
  P(pthread_rwlockattr_setpshared(&a, PTHREAD_PROCESS_SHARED));
  P(pthread_rwlockattr_setpshared(&a, 2));
  words("rwlockattr", &a, 2);
  pthread_rwlockattr_getkind_np(&a, &v);
  P(v);
  pthread_rwlockattr_getpshared(&a, &v);
  P(v);
  memset(&l, 0x55, sizeof l);
  P(pthread_rwlock_init(&l, &a));
  words("rwlock", &l, 8);
  P(pthread_rwlockattr_destroy(&a));
  P(pthread_rwlock_destroy(&l));
}

static int onceCalls;
static void OnceRoutine(void) { ++onceCalls; }

static void onceAndKeys(void) {
  pthread_once_t o = PTHREAD_ONCE_INIT;
  P(pthread_once(&o, OnceRoutine));
  P(o);
  P(pthread_once(&o, OnceRoutine));
  P(onceCalls);

  pthread_key_t k, k2;
  P(pthread_key_create(&k, free));
  P(k);
  P(pthread_getspecific(k) == NULL);
  P(pthread_setspecific(k, &k));
  P(pthread_getspecific(k) == &k);
  P(__pthread_key_create(&k2, NULL));
  P(k2);
  P(pthread_key_delete(k));
  P(pthread_key_delete(k));
  P(pthread_getspecific(k) == NULL);
  P(pthread_setspecific(k, &k));
  P(pthread_key_create(&k, NULL));
  P(k);
  P(pthread_getspecific(k) == NULL);
  P(pthread_key_delete(5000));
  P(pthread_setspecific(5000, &k));
  P(pthread_getspecific(5000) == NULL);
  static pthread_key_t all[PTHREAD_KEYS_MAX + 1];
  int made = 0, error;
  while ((error = pthread_key_create(&all[made], NULL)) == 0) ++made;
  P(made);
  P(error);
  P(all[made - 1]);
  for (int i = 0; i < made; ++i) pthread_key_delete(all[i]);
  P(pthread_key_create(&all[0], NULL));
  P(all[0]);
}

static void spins(void) {
  pthread_spinlock_t s;
  P(pthread_spin_init(&s, PTHREAD_PROCESS_PRIVATE));
  P(s);
  P(pthread_spin_lock(&s));
  P(s);
  P(pthread_spin_trylock(&s));
  P(pthread_spin_unlock(&s));
  P(s);
  P(pthread_spin_trylock(&s));
  P(pthread_spin_unlock(&s));
  P(pthread_spin_destroy(&s));
}

static void* Started(void* arg) { return arg; }

static void theThread(void) {
  pthread_t self = pthread_self();
  P(self != 0);
  P(pthread_equal(self, pthread_self()));
  P(pthread_self() == self);
  /* Linux makes the thread; one-thread worlds refuse with EAGAIN. */
  pthread_t t = 0;
  int made = pthread_create(&t, NULL, Started, NULL);
  P(made == 0 || made == EAGAIN);
  if (made == 0) {
    void* back = NULL;
    pthread_join(t, &back);
  }
  P(pthread_join(self, NULL));
  int old = 9;
  P(pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &old));
  P(old);
  P(pthread_setcancelstate(5, &old));
  P(pthread_setcancelstate(PTHREAD_CANCEL_ENABLE, &old));
  P(old);
  P(pthread_setcanceltype(PTHREAD_CANCEL_ASYNCHRONOUS, &old));
  P(old);
  P(pthread_setcanceltype(PTHREAD_CANCEL_DEFERRED, NULL));
  pthread_testcancel();
  P(sched_yield());

  pthread_attr_t a;
  int v = 7;
  size_t size = 0;
  memset(&a, 0x55, sizeof a);
  P(pthread_attr_init(&a));
  words("attr", &a, 9);
  P(pthread_attr_getdetachstate(&a, &v));
  P(v);
  P(pthread_attr_setdetachstate(&a, PTHREAD_CREATE_DETACHED));
  P(pthread_attr_setdetachstate(&a, 2));
  pthread_attr_getdetachstate(&a, &v);
  P(v);
  pthread_attr_getguardsize(&a, &size);
  P(size);
  P(pthread_attr_setguardsize(&a, 8192));
  P(pthread_attr_setstacksize(&a, 100));
  P(pthread_attr_setstacksize(&a, 65536));
  pthread_attr_getstacksize(&a, &size);
  P(size);
  P(pthread_attr_setscope(&a, PTHREAD_SCOPE_PROCESS));
  P(pthread_attr_setscope(&a, 5));
  P(pthread_attr_setscope(&a, PTHREAD_SCOPE_SYSTEM));
  pthread_attr_getscope(&a, &v);
  P(v);
  P(pthread_attr_setinheritsched(&a, PTHREAD_EXPLICIT_SCHED));
  P(pthread_attr_setinheritsched(&a, 2));
  pthread_attr_getinheritsched(&a, &v);
  P(v);
  struct sched_param sp = {5};
  P(pthread_attr_setschedparam(&a, &sp));
  P(pthread_attr_setschedpolicy(&a, SCHED_RR));
  P(pthread_attr_setschedpolicy(&a, 9));
  pthread_attr_getschedpolicy(&a, &v);
  P(v);
  P(pthread_attr_setschedparam(&a, &sp));
  sp.sched_priority = 0;
  pthread_attr_getschedparam(&a, &sp);
  P(sp.sched_priority);
  sp.sched_priority = 100;
  P(pthread_attr_setschedparam(&a, &sp));
  static char stack[65536];
  void* base = NULL;
  P(pthread_attr_setstack(&a, stack, sizeof stack));
  P(pthread_attr_setstack(&a, stack, 100));
  P(pthread_attr_getstack(&a, &base, &size));
  P(base == stack);
  P(size);
  P(((unsigned*)&a)[2]);
  P(((unsigned*)&a)[4] == (unsigned)(stack + sizeof stack));
  P(pthread_attr_destroy(&a));

  P(pthread_detach(self));
  P(pthread_detach(self));
  P(pthread_join(self, NULL));
}

struct object {
  void* locales[13];
  const unsigned short* b;
  const int* lower;
  const int* upper;
  const char* names[13];
};

static void object(const char* what, locale_t l) {
  const struct object* o = (const struct object*)l;
  printf("%s: tables %d %d %d names", what, o->b == *__ctype_b_loc(),
         o->lower == *__ctype_tolower_loc(), o->upper == *__ctype_toupper_loc());
  for (int i = 0; i < 13; ++i) printf(" %s", o->names[i]);
  printf(" data");
  for (int i = 0; i < 13; ++i) printf(" %d", o->locales[i] != NULL);
  printf("\n");
}

static void locales(void) {
  P(sizeof(struct object));
  locale_t c = newlocale(LC_ALL_MASK, "C", (locale_t)0);
  P(c != NULL);
  object("C", c);
  P(newlocale(LC_ALL_MASK, "C", (locale_t)0) == c);
  P(__newlocale(1 << LC_ALL, "C", (locale_t)0) == c);
  P(duplocale(c) == c);
  P(isupper_l('A', c) != 0);
  /* What libstdc++'s std::ctype<char> does with the object's own tables. */
  const struct object* o = (const struct object*)c;
  P(o->upper['q']);
  P(o->lower['Q']);
  P((o->b['7'] & _ISdigit) != 0);
  P((o->b[' '] & _ISspace) != 0);
  P((o->b[200] & _ISalpha) != 0);

  locale_t p = newlocale(LC_ALL_MASK, "POSIX", (locale_t)0);
  P(p != NULL && p != c);
  object("POSIX", p);
  locale_t d = __duplocale(p);
  P(d != NULL && d != p && d != c);
  /* The base is given up to the answer, which may be the base itself. */
  d = newlocale(LC_CTYPE_MASK, "C", d);
  P(d != NULL && d != c);
  freelocale(p);
  locale_t g = duplocale(LC_GLOBAL_LOCALE);
  P(g != NULL && g != c);
  object("global", g);

  errno = 0;
  P(newlocale(LC_ALL_MASK, "xx_YY.UTF-8", (locale_t)0) == NULL);
  P(errno);
  errno = 0;
  P(newlocale(1 << 13, "C", (locale_t)0) == NULL);
  P(errno);
  errno = 0;
  P(newlocale(LC_ALL_MASK | (1 << LC_ALL), "C", (locale_t)0) == NULL);
  P(errno);
  errno = 0;
  P(newlocale(LC_ALL_MASK, NULL, (locale_t)0) == NULL);
  P(errno);
  P(newlocale(0, "xx", (locale_t)0) == c);

  P(uselocale((locale_t)0) == LC_GLOBAL_LOCALE);
  P(uselocale(d) == LC_GLOBAL_LOCALE);
  P(__uselocale((locale_t)0) == d);
  P(uselocale(LC_GLOBAL_LOCALE) == d);
  P(uselocale((locale_t)0) == LC_GLOBAL_LOCALE);

  const char* number = "1.5e3xyz";
  char* end;
  printf("strtod_l %.17g", strtod_l(number, &end, c));
  printf(" %d\n", (int)(end - number));
  printf("__strtod_l %.17g\n", __strtod_l("0x1p-3", NULL, d));
  printf("__strtof_l %.9g\n", (double)__strtof_l("3.14159274", NULL, c));
  printf("strtold_l %.21Lg\n", strtold_l("0.1", NULL, c));
  printf("__strtold_l %.21Lg\n", __strtold_l("1e-4950", &end, c));
  printf("nl_langinfo_l %s %s %s\n", nl_langinfo_l(CODESET, c), __nl_langinfo_l(RADIXCHAR, d),
         __nl_langinfo_l(DAY_1, c));
  P(isalpha_l('a', c) != 0);
  P(isdigit_l('x', c) != 0);
  P(isspace_l('\t', d) != 0);
  P(toupper_l('a', c));
  P(tolower_l('Q', c));
  P(iswalpha_l(L'x', c) != 0);
  P(iswalpha_l(0xE9, c) != 0);
  P(towupper_l(L'b', c));
  P(__towupper_l(L'b', c));
  P(__towlower_l(L'B', c));
  P(__towlower_l(0xC9, c));
  wctype_t digit = __wctype_l("digit", c);
  P(digit == wctype_l("digit", d));
  P(__iswctype_l(L'5', digit, c));
  P(iswctype_l(L'a', digit, c));
  P(__wctype_l("nosuch", c));
  P(strcoll_l("abc", "abd", c) < 0);
  P(__strcoll_l("b", "a", c) > 0);
  char narrow[8];
  P(__strxfrm_l(narrow, "hello", sizeof narrow, c));
  printf("strxfrm_l %s\n", narrow);

  P(wcscoll(L"abc", L"abd"));
  P(wcscoll_l(L"b", L"a", c));
  P(__wcscoll_l(L"same", L"same", c));
  wchar_t wide[8];
  wmemset(wide, L'#', 8);
  P(__wcsxfrm_l(wide, L"abc", 2, c));
  P(wide[0]);
  P(wide[1]);
  P(wide[2]);
  P(wcsxfrm(wide, L"abc", 8));
  P(wide[3]);
  P(wide[4]);

  struct tm tm = {0};
  tm.tm_year = 100;
  tm.tm_mon = 1;
  tm.tm_mday = 29;
  tm.tm_hour = 13;
  tm.tm_wday = 2;
  tm.tm_yday = 59;
  char text[64];
  P(strftime_l(text, sizeof text, "%A %d %B %Y %H:%M %p", &tm, c));
  printf("strftime_l %s\n", text);
  P(__strftime_l(text, sizeof text, "%D %j", &tm, c));
  printf("__strftime_l %s\n", text);
  wchar_t wt[64];
  P(wcsftime(wt, 64, L"%Y-%m-%d \x263a %a %", &tm));
  for (int i = 0; wt[i] != 0; ++i) printf(" %x", (unsigned)wt[i]);
  printf("\n");
  P(__wcsftime_l(wt, 11, L"%Y-%m-%d", &tm, c));
  P(wcsftime_l(wt, 10, L"%Y-%m-%d", &tm, c));
  P(wcsftime(wt, 64, L"[%\x263a]", &tm));
  for (int i = 0; wt[i] != 0; ++i) printf(" %x", (unsigned)wt[i]);
  printf("\n");

  freelocale(d);
  __freelocale(g);
  freelocale(c);
  P(newlocale(LC_ALL_MASK, "C", (locale_t)0) == c);
}

static void wideMemory(void) {
  wchar_t a[6] = {1, 2, 3, 4, 5, 6}, b[6];
  P(wmemcpy(b, a, 6) == b);
  P(b[5]);
  P(wmemmove(a + 1, a, 5) == a + 1);
  P(a[0] * 100000 + a[1] * 10000 + a[2] * 1000 + a[3] * 100 + a[4] * 10 + a[5]);
  P(wmemmove(a, a + 1, 5) == a);
  P(a[0] * 100000 + a[1] * 10000 + a[2] * 1000 + a[3] * 100 + a[4] * 10 + a[5]);
  P(wmempcpy(b, a, 3) == b + 3);
  P(wmemset(b, (wchar_t)0x12345678, 6) == b);
  P(b[0] == (wchar_t)0x12345678 && b[5] == (wchar_t)0x12345678);
  P(wmemchr(a, 4, 6) == a + 3);
  P(wmemchr(a, 4, 3) == NULL);
  P(wmemchr(a, 0x10004, 6) == NULL);
  wchar_t big[2] = {(wchar_t)0x80000000, 1}, one[2] = {1, 1};
  P(wmemcmp(big, one, 2));
  P(wmemcmp(one, big, 2));
  P(wmemcmp(a, a, 6));
  P(wmemcmp(a, b, 0));
  wchar_t five[1] = {5};
  P(wmemcmp(five, one, 1));
}

static pthread_once_t reentered = PTHREAD_ONCE_INIT;
static int reentry = -1;
static void Reenter(void) { reentry = pthread_once(&reentered, Reenter); }

static void alone(void) {
  pthread_mutex_t n = PTHREAD_MUTEX_INITIALIZER;
  P(pthread_mutex_lock(&n));
  P(pthread_mutex_lock(&n));
  mutex("normal relocked", &n);
  pthread_cond_t c = PTHREAD_COND_INITIALIZER;
  P(pthread_cond_wait(&c, &n));
  mutex("after the wait", &n);
  P(pthread_mutex_unlock(&n));
  P(pthread_cond_wait(&c, &n));
  pthread_rwlock_t l = PTHREAD_RWLOCK_INITIALIZER;
  P(pthread_rwlock_rdlock(&l));
  P(pthread_rwlock_wrlock(&l));
  pthread_spinlock_t s;
  pthread_spin_init(&s, PTHREAD_PROCESS_PRIVATE);
  P(pthread_spin_lock(&s));
  P(pthread_spin_lock(&s));
  P(pthread_once(&reentered, Reenter));
  P(reentry);
  P(reentered);
  pthread_t t = 7;
  P(pthread_create(&t, NULL, Started, NULL));
  P(t);
  P(pthread_join(t, NULL));
  P(pthread_detach(t));
}

int main(int argc, char** argv) {
  if (argc > 1 && strcmp(argv[1], "alone") == 0) {
    alone();
    return 0;
  }
  mutexes();
  conditions();
  rwlocks();
  onceAndKeys();
  spins();
  theThread();
  locales();
  wideMemory();
  return 0;
}
