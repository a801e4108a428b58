/* The process's queries: sysconf for every name a C program commonly asks
   (the values that depend on the machine only checked for sense), pathconf,
   confstr, limits (lowered, and sysconf following them), usage, identity
   that holds together, the waits with no child, and the ends of a run:
   atexit, on_exit, at_quick_exit and quick_exit, _exit. */
#define _GNU_SOURCE
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#define SAME(n) printf("%-28s %ld\n", #n, sysconf(n))
#define SENSE(n) printf("%-28s positive=%d\n", #n, sysconf(n) > 0)

static void bye(void) { printf("atexit routine\n"); }
static void bye_status(int status, void *arg)
{
    printf("on_exit routine: status=%d arg=%s\n", status, (const char *)arg);
}
static void quick(void) { printf("at_quick_exit routine\n"); fflush(stdout); }

int main(int argc, char **argv)
{
    const char *what = argc > 1 ? argv[1] : "";
    char buf[128];
    struct rlimit rl;
    struct rusage ru;
    long r;
    int status;

    if (strcmp(what, "sysconf") == 0) {
        SAME(_SC_CLK_TCK); SAME(_SC_PAGESIZE); SAME(_SC_PAGE_SIZE); SAME(_SC_NGROUPS_MAX);
        SAME(_SC_STREAM_MAX); SAME(_SC_TZNAME_MAX); SAME(_SC_JOB_CONTROL); SAME(_SC_SAVED_IDS);
        SAME(_SC_VERSION); SAME(_SC_2_VERSION); SAME(_SC_LINE_MAX); SAME(_SC_RE_DUP_MAX);
        SAME(_SC_BC_BASE_MAX); SAME(_SC_BC_DIM_MAX); SAME(_SC_BC_SCALE_MAX);
        SAME(_SC_BC_STRING_MAX); SAME(_SC_COLL_WEIGHTS_MAX); SAME(_SC_EXPR_NEST_MAX);
        SAME(_SC_IOV_MAX); SAME(_SC_THREADS); SAME(_SC_GETPW_R_SIZE_MAX);
        SAME(_SC_GETGR_R_SIZE_MAX); SAME(_SC_LOGIN_NAME_MAX); SAME(_SC_TTY_NAME_MAX);
        SAME(_SC_HOST_NAME_MAX); SAME(_SC_SYMLOOP_MAX); SAME(_SC_THREAD_KEYS_MAX);
        SAME(_SC_THREAD_STACK_MIN); SAME(_SC_ATEXIT_MAX); SAME(_SC_XOPEN_VERSION);
        SAME(_SC_CHAR_BIT); SAME(_SC_INT_MAX); SAME(_SC_LONG_BIT); SAME(_SC_WORD_BIT);
        SAME(_SC_SSIZE_MAX); SAME(_SC_UINT_MAX); SAME(_SC_NZERO); SAME(_SC_MONOTONIC_CLOCK);
        SAME(_SC_TIMERS); SAME(_SC_FSYNC); SAME(_SC_MAPPED_FILES); SAME(_SC_SEMAPHORES);
        SAME(_SC_REALTIME_SIGNALS); SAME(_SC_RTSIG_MAX); SAME(_SC_PRIORITY_SCHEDULING);
        SAME(_SC_SPAWN); SAME(_SC_TIMEOUTS); SAME(_SC_CPUTIME); SAME(_SC_XOPEN_UNIX);
        SAME(_SC_V7_ILP32_OFFBIG); SAME(_SC_MQ_PRIO_MAX); SAME(_SC_DELAYTIMER_MAX);
        SENSE(_SC_ARG_MAX); SENSE(_SC_CHILD_MAX); SENSE(_SC_OPEN_MAX);
        SENSE(_SC_NPROCESSORS_CONF); SENSE(_SC_NPROCESSORS_ONLN); SENSE(_SC_PHYS_PAGES);
        SENSE(_SC_AVPHYS_PAGES); SENSE(_SC_SIGQUEUE_MAX); SENSE(_SC_SIGSTKSZ);
        printf("processors agree=%d\n",
               sysconf(_SC_NPROCESSORS_ONLN) <= sysconf(_SC_NPROCESSORS_CONF));
        errno = 0;
        r = sysconf(-1);
        printf("sysconf(-1)=%ld errno=%d\n", r, errno);
        errno = 0;
        r = sysconf(100000);
        printf("sysconf(100000)=%ld errno=%d\n", r, errno);
        errno = 0;
        r = sysconf(_SC_TZNAME_MAX);
        printf("no limit: %ld errno=%d\n", r, errno);
        printf("getpagesize=%d\n", getpagesize());
    } else if (strcmp(what, "conf") == 0) {
        static const int names[] = {_PC_MAX_CANON, _PC_MAX_INPUT, _PC_NAME_MAX, _PC_PATH_MAX,
                                    _PC_PIPE_BUF, _PC_CHOWN_RESTRICTED, _PC_NO_TRUNC,
                                    _PC_VDISABLE};
        unsigned i;
        for (i = 0; i < sizeof names / sizeof names[0]; i++)
            printf("pathconf(%d)=%ld fpathconf=%ld\n", names[i], pathconf(".", names[i]),
                   fpathconf(1, names[i]));
        errno = 0;
        r = pathconf("no/such/file", _PC_NAME_MAX);
        printf("missing: %ld errno=%d\n", r, errno);
        errno = 0;
        r = pathconf(".", 999);
        printf("bad name: %ld errno=%d\n", r, errno);
        r = (long)confstr(_CS_PATH, buf, sizeof buf);
        printf("confstr PATH=%ld [%s]\n", r, buf);
        r = (long)confstr(_CS_GNU_LIBC_VERSION, buf, 6);
        printf("confstr version short=%ld [%s]\n", r, buf);
        r = (long)confstr(_CS_LFS_CFLAGS, NULL, 0);
        printf("confstr LFS length=%ld\n", r);
        errno = 0;
        r = (long)confstr(12345, buf, sizeof buf);
        printf("confstr bad=%ld errno=%d\n", r, errno);
    } else if (strcmp(what, "limits") == 0) {
        getrlimit(RLIMIT_NOFILE, &rl);
        rl.rlim_cur = 100;
        printf("setrlimit NOFILE 100=%d\n", setrlimit(RLIMIT_NOFILE, &rl));
        getrlimit(RLIMIT_NOFILE, &rl);
        printf("now cur=%lu open_max=%ld\n", (unsigned long)rl.rlim_cur, sysconf(_SC_OPEN_MAX));
        rl.rlim_cur = rl.rlim_max + 1;
        errno = 0;
        r = setrlimit(RLIMIT_NOFILE, &rl);
        printf("cur above max=%ld errno=%d\n", r, errno);
        errno = 0;
        r = getrlimit(99, &rl);
        printf("bad resource=%ld errno=%d\n", r, errno);
        errno = 0;
        r = getrusage(RUSAGE_SELF, &ru);
        printf("getrusage=%ld sane=%d\n", r, ru.ru_utime.tv_usec < 1000000);
        r = getrusage(RUSAGE_CHILDREN, &ru);
        printf("children=%ld utime=%ld\n", r, (long)ru.ru_utime.tv_sec);
        errno = 0;
        r = getrusage(5, &ru);
        printf("bad who=%ld errno=%d\n", r, errno);
        /* The value the run starts with is its parent's (a CI job may be
           niced); only the change is the same everywhere. */
        errno = 0;
        r = getpriority(PRIO_PROCESS, 0);
        printf("priority errno=%d in range=%d\n", errno, r >= -20 && r <= 17);
        long before = r;
        r = nice(2);
        printf("nice(2) raised by %ld, priority now raised by %ld\n", r - before,
               getpriority(PRIO_PROCESS, 0) - before);
        errno = 0;
        r = getpriority(99, 0);
        printf("bad which=%ld errno=%d\n", r, errno);
    } else if (strcmp(what, "nice") == 0) {
        printf("priority at start=%d\n", getpriority(PRIO_PROCESS, 0));
        printf("nice(1)=%d\n", nice(1));
    } else if (strcmp(what, "ids") == 0) {
        printf("pid stable=%d positive=%d\n", getpid() == getpid(), getpid() > 0);
        printf("ppid positive=%d differs=%d\n", getppid() > 0, getppid() != getpid());
        printf("getpgid(0)=getpgrp: %d\n", getpgid(0) == getpgrp());
        printf("getpgid(self)=getpgrp: %d\n", getpgid(getpid()) == getpgrp());
        /* A session led from outside the process's pid namespace (a container's) reads as 0. */
        printf("getsid known=%d same for self=%d\n", getsid(0) >= 0, getsid(0) == getsid(getpid()));
        errno = 0;
        r = getpgid(0x7ffffff0);
        printf("getpgid(nobody)=%ld errno=%d\n", r, errno);
        errno = 0;
        r = getsid(0x7ffffff0);
        printf("getsid(nobody)=%ld errno=%d\n", r, errno);
        errno = 0;
        r = waitpid(-1, &status, 0);
        printf("waitpid=%ld errno=%d\n", r, errno);
        errno = 0;
        r = wait(&status);
        printf("wait=%ld errno=%d\n", r, errno);
        errno = 0;
        r = waitpid(-1, &status, WNOHANG);
        printf("waitpid nohang=%ld errno=%d\n", r, errno);
        printf("system(NULL)=%d\n", system(NULL) != 0);
    } else if (strcmp(what, "system") == 0) {
        fflush(stdout);
        status = system("echo from the command interpreter");
        printf("system echo: exited=%d code=%d\n", WIFEXITED(status), WEXITSTATUS(status));
        status = system("exit 3");
        printf("system exit 3: raw=%d code=%d\n", status, WEXITSTATUS(status));
    } else if (strcmp(what, "atexit") == 0) {
        atexit(bye);
        on_exit(bye_status, "first");
        on_exit(bye_status, "second");
        printf("main ends with 6\n");
        return 6;
    } else if (strcmp(what, "exit") == 0) {
        on_exit(bye_status, "by exit");
        atexit(bye);
        exit(9);
    } else if (strcmp(what, "quick") == 0) {
        atexit(bye);
        at_quick_exit(quick);
        printf("quick_exit(4)\n");
        fflush(stdout);
        quick_exit(4);
    } else if (strcmp(what, "_exit") == 0) {
        atexit(bye);
        printf("_exit(2)\n");
        fflush(stdout);
        _exit(2);
    }
    return 0;
}
