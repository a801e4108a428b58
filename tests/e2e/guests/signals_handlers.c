/* Signals a process sends itself: handlers and their arguments, the
   previous handler that signal() hands back, one-shot and non-deferred
   handlers, blocking and pending, and the refusals. Handlers run on a
   stack aligned as a Linux caller aligns it (built with a frame pointer:
   the arguments start 8 bytes above it). */
#define _GNU_SOURCE
#include <errno.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

static int misaligned;
static volatile int depth, max_depth;

static void check_alignment(void)
{
    uintptr_t args = (uintptr_t)__builtin_frame_address(1) + 8;
    if (args & 15)
        misaligned++;
}

static void plain(int sig)
{
    check_alignment();
    printf("  plain handler: %d\n", sig);
}

static void other(int sig)
{
    printf("  other handler: %d\n", sig);
}

static void with_info(int sig, siginfo_t *info, void *context)
{
    ucontext_t *uc = context;
    check_alignment();
    printf("  info handler: %d signo=%d errno=%d code=%d pid-ok=%d usr2-masked-before=%d\n",
           sig, info->si_signo, info->si_errno, info->si_code,
           info->si_pid == getpid(), sigismember(&uc->uc_sigmask, SIGUSR2));
}

static volatile int entries;
static void nested(int sig)
{
    entries++;
    depth++;
    if (depth > max_depth)
        max_depth = depth;
    if (entries < 3)
        raise(sig);
    depth--;
}

static void show_mask(const char *what)
{
    sigset_t now, pending;
    int i;
    sigprocmask(SIG_SETMASK, NULL, &now);
    sigpending(&pending);
    printf("%s: blocked", what);
    for (i = 1; i <= 31; i++)
        if (sigismember(&now, i))
            printf(" %d", i);
    printf(" pending");
    for (i = 1; i <= 31; i++)
        if (sigismember(&pending, i))
            printf(" %d", i);
    printf("\n");
}

static void blocked_inside(int sig)
{
    show_mask("  inside handler");
    printf("  handler %d\n", sig);
}

int main(void)
{
    struct sigaction sa, old;
    sigset_t set;
    void (*previous)(int);
    int i, r;

    printf("signal: first=%d\n", signal(SIGUSR1, plain) == SIG_DFL);
    printf("signal: raise=%d\n", raise(SIGUSR1));
    printf("signal: again=%d\n", raise(SIGUSR1));
    previous = signal(SIGUSR1, other);
    printf("signal: previous is plain=%d\n", previous == plain);
    kill(getpid(), SIGUSR1);
    sigaction(SIGUSR1, NULL, &old);
    printf("signal: flags=%#x restart=%d mask has itself=%d\n", old.sa_flags & ~0x04000000,
           (old.sa_flags & SA_RESTART) != 0, sigismember(&old.sa_mask, SIGUSR1));
    previous = signal(SIGUSR1, SIG_IGN);
    printf("signal: previous is other=%d\n", previous == other);
    printf("ignored raise=%d\n", raise(SIGUSR1));

    /* SA_SIGINFO: raise is a tkill, kill a user signal. */
    memset(&sa, 0, sizeof sa);
    sa.sa_sigaction = with_info;
    sa.sa_flags = SA_SIGINFO;
    sigemptyset(&sa.sa_mask);
    sigaddset(&sa.sa_mask, SIGUSR2);
    sigaction(SIGTERM, &sa, NULL);
    raise(SIGTERM);
    kill(getpid(), SIGTERM);
    sigaction(SIGTERM, NULL, &old);
    printf("sigaction: back flags=%#x handler ok=%d usr2 in mask=%d\n",
           old.sa_flags & ~0x04000000, old.sa_sigaction == with_info,
           sigismember(&old.sa_mask, SIGUSR2));

    /* A signal is blocked while its handler runs, unless SA_NODEFER. */
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = nested;
    sigaction(SIGHUP, &sa, NULL);
    depth = max_depth = entries = 0;
    raise(SIGHUP);
    printf("deferred: max depth=%d entries=%d\n", max_depth, entries);
    sa.sa_flags = SA_NODEFER;
    sigaction(SIGHUP, &sa, NULL);
    depth = max_depth = entries = 0;
    raise(SIGHUP);
    printf("nodefer: max depth=%d entries=%d\n", max_depth, entries);

    /* SA_RESETHAND: the second time is the default again. */
    sa.sa_handler = plain;
    sa.sa_flags = SA_RESETHAND;
    sigaction(SIGALRM, &sa, NULL);
    raise(SIGALRM);
    sigaction(SIGALRM, NULL, &old);
    printf("resethand: now default=%d\n", old.sa_handler == SIG_DFL);

    /* sysv_signal is one-shot too. */
    sysv_signal(SIGINT, plain);
    sigaction(SIGINT, NULL, &old);
    printf("sysv: flags=%#x\n", old.sa_flags & ~0x04000000);
    raise(SIGINT);
    sigaction(SIGINT, NULL, &old);
    printf("sysv: now default=%d\n", old.sa_handler == SIG_DFL);

    /* Blocked signals wait; unblocking delivers them, lowest first. */
    signal(SIGUSR1, blocked_inside);
    signal(SIGUSR2, blocked_inside);
    signal(SIGQUIT, blocked_inside);
    sigemptyset(&set);
    sigaddset(&set, SIGUSR1);
    sigaddset(&set, SIGUSR2);
    sigaddset(&set, SIGQUIT);
    sigprocmask(SIG_BLOCK, &set, NULL);
    raise(SIGUSR2);
    raise(SIGUSR1);
    raise(SIGUSR2);
    raise(SIGQUIT);
    show_mask("before unblock");
    sigprocmask(SIG_UNBLOCK, &set, NULL);
    show_mask("after unblock");

    /* A pending signal that becomes ignored is dropped. */
    sigprocmask(SIG_BLOCK, &set, NULL);
    raise(SIGUSR1);
    signal(SIGUSR1, SIG_IGN);
    show_mask("ignored while pending");
    sigprocmask(SIG_UNBLOCK, &set, NULL);

    /* sigsuspend with a pending signal: the handler, then EINTR. */
    signal(SIGUSR2, plain);
    sigprocmask(SIG_BLOCK, &set, NULL);
    raise(SIGUSR2);
    sigemptyset(&set);
    errno = 0;
    i = sigsuspend(&set);
    r = i;
    printf("sigsuspend=%d errno=%d\n", r, errno);
    show_mask("after sigsuspend");

    /* Refusals. */
    errno = 0;
    r = sigaction(SIGKILL, &sa, NULL);
    printf("sigaction(SIGKILL)=%d errno=%d\n", r, errno);
    errno = 0;
    r = sigaction(SIGSTOP, &sa, NULL);
    printf("sigaction(SIGSTOP)=%d errno=%d\n", r, errno);
    errno = 0;
    r = sigaction(0, &sa, NULL);
    printf("sigaction(0)=%d errno=%d\n", r, errno);
    errno = 0;
    r = sigaction(65, &sa, NULL);
    printf("sigaction(65)=%d errno=%d\n", r, errno);
    errno = 0;
    r = sigaction(32, &sa, NULL);
    printf("sigaction(32)=%d errno=%d\n", r, errno);
    errno = 0;
    r = signal(SIGKILL, plain) == SIG_ERR;
    printf("signal(SIGKILL) err=%d errno=%d\n", r, errno);
    errno = 0;
    r = raise(99);
    printf("raise(99)=%d errno=%d\n", r, errno);
    errno = 0;
    r = kill(getpid(), 99);
    printf("kill(self, 99)=%d errno=%d\n", r, errno);
    errno = 0;
    r = kill(getpid(), 0);
    printf("kill(self, 0)=%d errno=%d\n", r, errno);
    errno = 0;
    r = kill(0x7ffffff0, 0);
    printf("kill(nobody, 0)=%d errno=%d\n", r, errno);
    errno = 0;
    r = sigprocmask(9, &set, NULL);
    printf("sigprocmask(9)=%d errno=%d\n", r, errno);
    errno = 0;
    r = killpg(-1, SIGUSR1);
    printf("killpg(-1)=%d errno=%d\n", r, errno);

    /* Sets. */
    sigfillset(&set);
    printf("fill: 32=%d 33=%d 31=%d 34=%d 64=%d\n", sigismember(&set, 32),
           sigismember(&set, 33), sigismember(&set, 31), sigismember(&set, 34),
           sigismember(&set, 64));
    for (i = -1; i <= 66; i++) {
        errno = 0;
        if (sigaddset(&set, i) != 0)
            printf(" add(%d)=EINVAL:%d", i, errno == EINVAL);
    }
    printf("\n");
    errno = 0;
    r = sigismember(&set, 0);
    printf("ismember(0)=%d errno=%d ismember(65)=%d\n", r, errno, sigismember(&set, 65));
    sigemptyset(&set);
    printf("empty: isempty=%d\n", sigisemptyset(&set));
    sigaddset(&set, 64);
    printf("add 64: isempty=%d member=%d\n", sigisemptyset(&set), sigismember(&set, 64));
    sigdelset(&set, 64);
    printf("del 64: member=%d\n", sigismember(&set, 64));
    /* SIGKILL and SIGSTOP cannot be blocked. */
    sigfillset(&set);
    sigprocmask(SIG_SETMASK, &set, NULL);
    sigprocmask(SIG_SETMASK, NULL, &set);
    printf("blocked all: 9=%d 19=%d 15=%d\n", sigismember(&set, 9), sigismember(&set, 19),
           sigismember(&set, 15));
    sigemptyset(&set);
    sigprocmask(SIG_SETMASK, &set, NULL);
    {
        stack_t ss, oss;
        static char stack_area[65536];
        ss.ss_sp = stack_area;
        ss.ss_size = sizeof stack_area;
        ss.ss_flags = 0;
        printf("sigaltstack=%d\n", sigaltstack(&ss, &oss));
        printf("old disabled=%d\n", (oss.ss_flags & SS_DISABLE) != 0);
        sigaltstack(NULL, &oss);
        printf("now size=%u flags=%d\n", (unsigned)oss.ss_size, oss.ss_flags);
        ss.ss_size = 100;
        errno = 0;
        r = sigaltstack(&ss, NULL);
        printf("small=%d errno=%d\n", r, errno);
    }
    printf("misaligned handlers: %d\n", misaligned);
    return 0;
}
