/* A program's life around main: constructors, at-exit routines, signal
 * handlers, the environment, and strings built and parsed. */
#define _GNU_SOURCE
#include <err.h>
#include <errno.h>
#include <langinfo.h>
#include <locale.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

extern char **environ;
static volatile sig_atomic_t got_usr1, got_usr2;
static int ctor_order[4], nctor;

__attribute__((constructor(101))) static void first(void) { ctor_order[nctor++] = 1; }
__attribute__((constructor)) static void second(void) { ctor_order[nctor++] = 2; }
__attribute__((destructor)) static void last(void) { printf("destructor\n"); }

static void bye1(void) { printf("atexit 1 (runs last)\n"); }
static void bye2(void) { printf("atexit 2, usr1=%d\n", (int)got_usr1); fflush(stdout); }

static void on_usr1(int sig) { got_usr1 += sig == SIGUSR1; }
static void on_usr2(int sig, siginfo_t *info, void *ctx) {
    (void)ctx;
    got_usr2 = sig == SIGUSR2 && info->si_signo == SIGUSR2;
}

static char *joined(const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    char *s = NULL;
    if (vasprintf(&s, fmt, ap) < 0) s = NULL;
    va_end(ap);
    return s;
}

int main(int argc, char **argv) {
    (void)argv;
    printf("constructors: %d then %d, argc %d\n", ctor_order[0], ctor_order[1], argc);
    atexit(bye1);
    atexit(bye2);
    signal(SIGUSR1, on_usr1);
    struct sigaction sa = {0};
    sa.sa_sigaction = on_usr2;
    sa.sa_flags = SA_SIGINFO;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGUSR2, &sa, NULL);
    raise(SIGUSR1);
    raise(SIGUSR1);
    raise(SIGUSR2);
    printf("usr1 %d usr2 %d\n", (int)got_usr1, (int)got_usr2);
    sigset_t set, old;
    sigemptyset(&set);
    sigaddset(&set, SIGUSR1);
    sigprocmask(SIG_BLOCK, &set, &old);
    raise(SIGUSR1);
    printf("blocked: usr1 still %d\n", (int)got_usr1);
    sigprocmask(SIG_SETMASK, &old, NULL);
    printf("unblocked: usr1 %d\n", (int)got_usr1);
    signal(SIGUSR1, SIG_IGN);
    raise(SIGUSR1);

    setenv("REAL_A", "alpha", 1);
    setenv("REAL_A", "beta", 0);
    putenv("REAL_B=two words");
    setenv("REAL_C", "", 1);
    unsetenv("REAL_C");
    printf("REAL_A=%s REAL_B=%s REAL_C=%s\n", getenv("REAL_A"), getenv("REAL_B"),
           getenv("REAL_C") ? getenv("REAL_C") : "(unset)");
    int ours = 0;
    for (char **e = environ; *e; e++) ours += strncmp(*e, "REAL_", 5) == 0;
    printf("environ holds %d of ours\n", ours);
    if (setenv("BAD=NAME", "x", 1) != 0) printf("setenv bad name: %s\n", strerror(errno));

    char buf[32];
    int n = snprintf(buf, sizeof buf, "%s-%05d-%x-%.3f", "id", 42, 48879, 2.0 / 3);
    printf("snprintf %d '%s'\n", n, buf);
    n = snprintf(buf, 8, "%s", "truncated text");
    printf("truncated %d '%s'\n", n, buf);
    char *s = joined("%s has %d items costing %.2f", "cart", 3, 19.989);
    printf("asprintf '%s' (%zu)\n", s, strlen(s));
    char word[16];
    int items;
    double cost;
    int got = sscanf(s, "%15s has %d items costing %lf", word, &items, &cost);
    printf("sscanf %d: %s %d %.3f\n", got, word, items, cost);
    free(s);
    unsigned hex; char tail[8]; int used;
    got = sscanf("0x1F rest", "%x %7s%n", &hex, tail, &used);
    printf("sscanf %d: %u %s used %d\n", got, hex, tail, used);
    got = sscanf("abc", "%d", &items);
    printf("sscanf no match: %d, empty: %d\n", got, sscanf("", "%d", &items));
    errno = 0;
    long v = strtol("99999999999", NULL, 10);
    printf("strtol overflow %ld %s\n", v, strerror(errno));
    struct lconv *lc = localeconv();
    printf("locale point '%s' group '%s' %d, %s, %s\n", lc->decimal_point, lc->grouping,
           lc->frac_digits, nl_langinfo(CODESET), nl_langinfo(D_T_FMT));
    errno = ENOENT;
    warn("warned about %s", "nothing");
    if (argc > 2) errx(4, "ending with %d arguments", argc);
    return 3;
}
