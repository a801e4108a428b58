/* A program started with signals its parent left ignored and blocked: what
   sigaction and sigprocmask report at main, and what the signals then do.
   An ignored one is dropped, a blocked one waits until it is unblocked,
   and a write into a pipe with no reader fails with EPIPE when SIGPIPE
   came in ignored. The last raise ends the run with 128 + SIGHUP. */
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

static void handler(int sig)
{
    printf("handled %d\n", sig);
}

int main(void)
{
    struct sigaction sa;
    sigset_t set;
    int sig, fds[2];

    printf("ignored at start:");
    for (sig = 1; sig < 32; sig++) {
        if (sig == SIGKILL || sig == SIGSTOP) continue;
        sigaction(sig, NULL, &sa);
        if (sa.sa_handler == SIG_IGN) printf(" %d", sig);
    }
    printf("\nblocked at start:");
    sigprocmask(SIG_BLOCK, NULL, &set);
    for (sig = 1; sig < 32; sig++)
        if (sigismember(&set, sig)) printf(" %d", sig);
    printf("\n");

    raise(SIGHUP);
    kill(getpid(), SIGTERM);
    printf("ignored ones dropped\n");

    raise(SIGUSR1);
    sigpending(&set);
    printf("usr1 pending while blocked: %d\n", sigismember(&set, SIGUSR1));
    signal(SIGUSR1, handler);
    sigemptyset(&set);
    sigaddset(&set, SIGUSR1);
    sigprocmask(SIG_UNBLOCK, &set, NULL);

    if (pipe(fds) == 0) {
        close(fds[0]);
        int n;
        errno = 0;
        n = (int)write(fds[1], "x", 1);
        printf("write to a closed pipe: %d EPIPE=%d\n", n, errno == EPIPE);
    }
    fflush(stdout);
    signal(SIGHUP, SIG_DFL);
    raise(SIGHUP);
    printf("not reached\n");
    return 0;
}
